// The real coordlint executable on small files: every finding kind and note, the limits, the
// summary, and every exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/version.h"
#include "tests/run_program.h"

namespace coord2seg {
namespace {

using testing::ProgramResult;
using testing::RunProgram;
using testing::TempDir;
using testing::WriteFileBytes;

std::string Lines(const std::string& line, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line;
  return text;
}

// The last line, from the counts S, P, B, D, X, C and R in the order it gives them.
std::string Summary(const std::vector<int>& counts) {
  static const char* const kWhat[] = {
      " segments, ",           " points, ",           " bytes; ",
      " lines dropped, ",      " segments dropped, ", " points capped, ",
      " values out of range\n"};
  std::string line = "x.txt: ";
  for (std::size_t i = 0; i < counts.size(); ++i) line += std::to_string(counts[i]) + kWhat[i];
  return line;
}

struct LintCase {
  const char* name;
  std::string text;  // saved as x.txt
  std::vector<std::string> arguments;
  int exit_status;
  std::string out;
};

const std::string kTwelveBadLines = Lines("x\n", 12);

std::string NoSeparatorFindings(int lines) {
  std::string findings;
  for (int line = 1; line <= lines; ++line) {
    findings +=
        "x.txt:" + std::to_string(line) + ": dropped: no blank, ';' or TAB between the values\n";
  }
  return findings;
}

const LintCase kCases[] = {
    {"clean",
     "#\n12.5 48.25\n12,75;48.3\n#\n-190 10\n",
     {"x.txt"},
     0,
     Summary({2, 3, 22, 0, 0, 0, 0})},
    {"every reason a line is dropped, with line ends of every kind",
     "1 2\nabc\r\n;1 2\r1;\nx1 2\n1 2 3\n1e400 2\n1 2e999\n1 \x7f\\\n1" + std::string(1000, ' ') +
         "20\n   # indented\n> header\n3 4",
     {"--all", "x.txt"},
     1,
     "x.txt:2: dropped: no blank, ';' or TAB between the values\n"
     "x.txt:3: dropped: first field is empty\n"
     "x.txt:4: dropped: second field is empty\n"
     "x.txt:5: dropped: first field is not a number: 'x1'\n"
     "x.txt:6: dropped: second field holds more than one value: '2 3'\n"
     "x.txt:7: dropped: first value is too large for a double: '1e400'\n"
     "x.txt:8: dropped: second value is too large for a double: '2e999'\n"
     "x.txt:9: dropped: second field is not a number: '\\x7F\\\\'\n"
     "x.txt:10: dropped: second field is empty (only the 999 bytes after the first separator "
     "are read)\n"
     "x.txt:11: note: a '#' after leading blanks does not end a segment; only a '#' as the "
     "first byte of a line does\n"
     "x.txt:11: dropped: first field is not a number: '#'\n"
     "x.txt:12: note: a line starting with '>' is a data line here, not a segment separator; "
     "start separator lines with '#'\n"
     "x.txt:12: dropped: first field is not a number: '>'\n" +
         Summary({1, 2, 13, 11, 0, 0, 0})},
    {"byte-order mark",
     "\xEF\xBB\xBF#\n1 1\n",
     {"x.txt"},
     1,
     "x.txt:1: note: the text starts with a UTF-8 byte-order mark; coord2seg reads it as part "
     "of line 1, so a point or '#' there is lost\n"
     "x.txt:1: dropped: no blank, ';' or TAB between the values\n" +
         Summary({1, 1, 9, 1, 0, 0, 0})},
    {"UTF-16",
     std::string("1\0 \0"
                 "2\0\n\0"
                 "3\0 \0"
                 "4\0\n\0",
                 16),
     {"x.txt"},
     1,
     "x.txt:1: note: NUL bytes: the text may be UTF-16, which coord2seg does not decode; save "
     "it as ASCII or UTF-8\n"
     "x.txt:1: dropped: first field is not a number: '1\\x00'\n"
     "x.txt:2: dropped: first field is not a number: '3\\x00'\n"
     "x.txt:3: dropped: no blank, ';' or TAB between the values\n" +
         Summary({0, 0, 0, 3, 0, 0, 0})},
    {"harmless NUL",
     std::string("1 2\0\n", 5),
     {"x.txt"},
     0,
     "x.txt:1: note: NUL bytes: the text may be UTF-16, which coord2seg does not decode; save "
     "it as ASCII or UTF-8\n" +
         Summary({1, 1, 9, 0, 0, 0, 0})},
    {"comma-separated",
     "47.3769,8.5417\n1 2\n47.377,8.542\n",
     {"x.txt"},
     1,
     "x.txt:1: dropped: no blank, ';' or TAB between the values\n"
     "x.txt:3: dropped: no blank, ';' or TAB between the values\n"
     "x.txt:1: note: most data lines hold a comma but no blank, ';' or TAB; ',' is a decimal "
     "mark here, so separate the values with a blank, ';' or TAB\n" +
         Summary({1, 1, 9, 2, 0, 0, 0})},
    {"a value without minutes leaves its segment out",
     "#\n1 1\n2 1e30\n600 1e31\n#\n600 1\n",
     {"x.txt"},
     1,
     "x.txt:2: segment-dropped: segment of 3 points left out whole: line 3, latitude 1e+30 has "
     "no minutes in 64 bits\n"
     "x.txt:6: out-of-range: longitude 240 after the wrap is outside [-180, 180); stored as "
     "14400 minutes (240 degrees)\n" +
         Summary({1, 1, 9, 0, 1, 0, 1})},
    {"values stored elsewhere",
     "10 95\n-10 -600\n1e17 0\n",
     {"x.txt"},
     1,
     "x.txt:1: out-of-range: latitude 95 is outside [-90, 90]; stored as 5700 minutes (95 "
     "degrees)\n"
     "x.txt:2: out-of-range: latitude -600 is outside [-90, 90] and its -36000 minutes do not "
     "fit in 16 bits; stored as 29536 minutes (492.26666666666665 degrees)\n"
     "x.txt:3: out-of-range: longitude 99999999999999648 after the wrap is outside [-180, 180) "
     "and its 5999999999999978880 minutes do not fit in 16 bits; stored as -21120 minutes (-352 "
     "degrees)\n" +
         Summary({1, 3, 17, 0, 0, 0, 3})},
    {"latitude first", "10 95\n", {"x.txt", "/latlon"}, 0, Summary({1, 1, 9, 0, 0, 0, 0})},
    {"capped",
     "#\n" + Lines("1 1\n", 100001) + "#\n1 1\n",
     {"x.txt"},
     1,
     "x.txt:2: capped: segment of 100001 points keeps its first 99999; the 2 from line 100001 "
     "on are dropped\n" +
         Summary({2, 100000, 400010, 0, 0, 2, 0})},
    {"ten of each kind",
     kTwelveBadLines,
     {"x.txt"},
     1,
     NoSeparatorFindings(10) + "x.txt: ... and 2 more dropped findings\n" +
         Summary({0, 0, 0, 12, 0, 0, 0})},
    {"all",
     kTwelveBadLines,
     {"--all", "x.txt"},
     1,
     NoSeparatorFindings(12) + Summary({0, 0, 0, 12, 0, 0, 0})},
    {"summary only", kTwelveBadLines, {"--summary", "x.txt"}, 1, Summary({0, 0, 0, 12, 0, 0, 0})},
    {"quoting at most 40 bytes",
     "1 " + std::string(50, 'a') + "\n",
     {"x.txt", "--all"},
     1,
     "x.txt:1: dropped: second field is not a number: '" + std::string(40, 'a') +
         "' (first 40 of 50 bytes)\n" + Summary({0, 0, 0, 1, 0, 0, 0})},
};

class Coordlint : public ::testing::Test {
 protected:
  ProgramResult Run(const std::vector<std::string>& arguments) {
    return RunProgram(COORDLINT_EXECUTABLE, arguments, {.working_directory = dir_.path()});
  }
  TempDir dir_;
};

TEST_F(Coordlint, ReportsEveryFindingOfSmallFiles) {
  for (const LintCase& lint_case : kCases) {
    WriteFileBytes(dir_ / "x.txt", lint_case.text);
    const ProgramResult result = Run(lint_case.arguments);
    EXPECT_EQ(result.out, lint_case.out) << lint_case.name;
    EXPECT_EQ(result.err, "") << lint_case.name;
    EXPECT_EQ(result.exit_status, lint_case.exit_status) << lint_case.name;
  }
}

TEST_F(Coordlint, EndsWithStatusTwoOnUsageErrorsAndUnreadableFiles) {
  const std::string usage = "usage: coordlint [--all | --summary] FILE [-LATLON | /LATLON]\n";
  std::filesystem::create_directory(dir_ / "folder");
  WriteFileBytes(dir_ / "x.txt", "1 2\n");
  std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "no file given\n" + usage},
      {{"-LATLON", "x.txt"}, "'-LATLON' stands where the file should: FILE comes first\n" + usage},
      {{"x.txt", "LATLON"}, "unexpected argument 'LATLON' (coord2seg ignores it)\n" + usage},
      {{"--all", "x.txt", "--summary"}, "choose one of --all and --summary\n" + usage},
      {{"-x", "x.txt"}, "unknown option '-x'\n" + usage},
      {{"missing.txt"}, "cannot open 'missing.txt': No such file or directory\n"},
      {{"folder"}, "cannot open 'folder': Is a directory\n"},
  };
  if (testing::kPosixHost) {
    cases.push_back({{"/proc/self/mem"}, "cannot read '/proc/self/mem': Input/output error\n"});
  }
  for (const auto& [arguments, message] : cases) {
    const ProgramResult result = Run(arguments);
    EXPECT_EQ(result.err, "coordlint: " + message);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.exit_status, 2);
  }
  EXPECT_EQ(Run({"--version"}).out, "coordlint " + std::string(kVersion) + "\n");
  const ProgramResult help = Run({"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_TRUE(help.out.starts_with(usage));
  EXPECT_EQ(Run({"--", "x.txt", "-latlon"}).exit_status, 0);
  // A file named like the switch is read latitude first, as coord2seg reads it.
  WriteFileBytes(dir_ / "-LATLON", "10 95\n");
  EXPECT_EQ(Run({"--", "-LATLON"}).exit_status, 0);
}

}  // namespace
}  // namespace coord2seg
