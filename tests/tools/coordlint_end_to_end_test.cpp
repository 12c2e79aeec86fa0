// The real coordlint executable on small files: every finding kind and note, the limits, the
// summary, and every exit status.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "common/version.h"
#include "tests/support/run_program.h"
#include "tests/support/segment_bytes.h"

namespace coord2seg {
namespace {

using testing::ProgramResult;
using testing::ReadFileBytes;
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
     "of line 1, so a point or '#' there is lost; remove it: tail -c +4 FILE > NEW.txt\n"
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
     "x.txt:1: note: NUL bytes: the text is UTF-16, which coord2seg does not decode; convert "
     "it to UTF-8: iconv -f UTF-16LE -t UTF-8 FILE > NEW.txt\n"
     "x.txt:1: dropped: first field is not a number: '1\\x00'\n"
     "x.txt:2: dropped: first field is not a number: '3\\x00'\n"
     "x.txt:3: dropped: no blank, ';' or TAB between the values\n" +
         Summary({0, 0, 0, 3, 0, 0, 0})},
    {"harmless NUL", std::string("1 2\0\n", 5), {"x.txt"}, 0, Summary({1, 1, 9, 0, 0, 0, 0})},
    {"comma-separated",
     "47.3769,8.5417\n1 2\n47.377,8.542\n",
     {"x.txt"},
     1,
     "x.txt:1: note: most data lines hold a comma but no blank, ';' or TAB; ',' is a decimal "
     "mark here, so separate the values with a blank, ';' or TAB\n"
     "x.txt:1: dropped: no blank, ';' or TAB between the values\n"
     "x.txt:3: dropped: no blank, ';' or TAB between the values\n" +
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
  const std::string usage =
      "usage: coordlint [--all | --summary] [--fail-on KINDS] [--allow-dropped N] FILE [-LATLON | "
      "/LATLON]\n";
  const std::string kinds =
      "--fail-on takes a list of dropped, segment-dropped, capped and out-of-range\n";
  const std::string lines = "--allow-dropped takes a whole number of lines\n";
  std::filesystem::create_directory(dir_ / "folder");
  WriteFileBytes(dir_ / "x.txt", "1 2\n");
  std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "no file given\n" + usage},
      {{"-LATLON", "x.txt"}, "'-LATLON' stands where the file should: FILE comes first\n" + usage},
      {{"x.txt", "LATLON"}, "unexpected argument 'LATLON' (coord2seg ignores it)\n" + usage},
      {{"--all", "x.txt", "--summary"}, "choose one of --all and --summary\n" + usage},
      {{"-x", "x.txt"}, "unknown option '-x'\n" + usage},
      {{"--fail-on=dropped,typo", "x.txt"}, kinds + usage},
      {{"--fail-on=", "x.txt"}, kinds + usage},
      {{"--fail-on", "dropped,", "x.txt"}, kinds + usage},
      {{"x.txt", "--allow-dropped"}, lines + usage},
      {{"--allow-dropped=-1", "x.txt"}, lines + usage},
      {{"--allow-dropped", "1e3", "x.txt"}, lines + usage},
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

// Trap files and the notes that name their fix: each note's line and start, or none at all where a
// note would mislead.
struct HintCase {
  const char* name;
  std::string text;  // saved as x.txt
  std::vector<std::string> notes;
  std::vector<std::string> arguments = {"x.txt"};
};

// The table is built when the test runs, since it reads a program file.
std::vector<HintCase> HintCases() {
  return {
      {"latitude first",
       "# harbour\n61.2 -149.9\n61.3 -150.1\n60.9 151.2\n",
       {"2: note: 3 second values lie beyond 90 degrees, where only longitudes lie, and no line "
        "has only its first value there: the text seems to list latitude first; give the switch "
        "after the file name: coord2seg FILE -LATLON"}},
      {"a stray latitude is a slip, not the order", Lines("10 50\n", 19) + "11 95\n", {}},
      {"a first value that only a longitude can be", "61.2 -149.9\n160.5 10\n", {}},
      {"header naming latitude first",
       "Latitude;Longitude\n61.2;-149.9\n",
       {"1: note: a header line at the top: dropping it loses no point",
        "1: note: the header names latitude before longitude; if the values stand so, give the "
        "switch"}},
      {"comment naming latitude first",
       "# LatLon\n61.2 -149.9\n",
       {"1: note: the header names latitude before longitude"}},
      {"'lat' inside a word", "# calculated along the coast: lon lat\n12.5 48.25\n", {}},
      {"header in the right order", "x y\n12.5 48.25\n", {"1: note: a header line at the top"}},
      {"header naming latitude first, switch given",
       "LAT LON\n61.2 -149.9\n",
       {"1: note: a header line at the top"},
       {"x.txt", "-LATLON"}},
      {"a third value",
       "8.5 47.3 412.5\n8.6 47.4 415\n8.7 47.5\n",
       {"1: note: most data lines hold three values (x y z), and only two may stand on a line: "
        "keep the first two, e.g. awk 'NF > 2 { print $1, $2; next } 1' FILE > NEW.txt, or "
        "export with ogr2ogr -dim XY\n"}},
      {"a comma and a blank after each value",
       "12.5, 48.25\n12, 48\n13.5, 49.25\n",
       {"1: note: most data lines put ', ' after a value; ',' is a decimal mark here, so '12.5, "
        "48.25' is not read: turn ', ' into a blank: sed 's/, / /g' FILE > NEW.txt"}},
      {"byte-order mark before a header",
       "\xEF\xBB\xBFlon lat\n12.5 48.25\n",
       {"1: note: the text starts with a UTF-8 byte-order mark",
        "1: note: a header line at the top"}},
      {"UTF-16 big-endian",
       std::string("\0001\0 \0002\0\n\0003\0 \0004\0\n", 16),
       {"1: note: NUL bytes: the text is UTF-16, which coord2seg does not decode; convert it to "
        "UTF-8: iconv -f UTF-16BE -t UTF-8 FILE > NEW.txt"}},
      {"a segment file",
       testing::StoredRecord({{750, 2895}, {765, 2898}}) + testing::StoredRecord({{0, 0}}),
       {"1: note: this is not coordinate text: most lines hold bytes that text does not, as a "
        "program, an image or a segment file does; it reads as a segment file of 2 segments: "
        "segdump FILE writes it as text"}},
      {"an image",
       std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10> 1 2\n", 26),
       {"2: note: this is not coordinate text: most lines hold bytes that text does not, as a "
        "program, an image or a segment file does\n"}},
      {"this program",
       ReadFileBytes(COORDLINT_EXECUTABLE),
       {"1: note: this is not coordinate text"}},
  };
}

// Where the command a note gives to mend FILE into NEW.txt starts: after "e.g. " or ": ".
std::size_t FixCommandStart(const std::string& note, std::size_t end) {
  std::size_t start = 0;
  for (const std::string_view before : {": ", "e.g. "}) {
    const std::size_t at = note.rfind(before, end);
    if (at != std::string::npos) start = std::max(start, at + before.size());
  }
  return start;
}

TEST_F(Coordlint, NamesTheFixForEachTrap) {
  for (const HintCase& hint : HintCases()) {
    WriteFileBytes(dir_ / "x.txt", hint.text);
    std::vector<std::string> notes;
    std::istringstream out(Run(hint.arguments).out);
    for (std::string line; std::getline(out, line);) {
      if (line.find(": note: ") != std::string::npos) notes.push_back(line + '\n');
    }
    ASSERT_EQ(notes.size(), hint.notes.size())
        << hint.name << ": " << ::testing::PrintToString(notes);
    for (std::size_t i = 0; i < notes.size(); ++i) {
      EXPECT_TRUE(notes[i].starts_with("x.txt:" + hint.notes[i])) << hint.name << ": " << notes[i];
    }
    // The fix each note gives mends the file: coordlint then passes it, a header line allowed.
    if (!testing::kPosixHost) continue;
    for (const std::string& note : notes) {
      std::vector<std::string> arguments = {"--allow-dropped=1", "x.txt"};
      if (const std::size_t end = note.find(" FILE > NEW.txt"); end != std::string::npos) {
        const std::size_t start = FixCommandStart(note, end);
        const std::string command = note.substr(start, end - start) + " x.txt > NEW.txt";
        ASSERT_EQ(
            RunProgram("/bin/sh", {"-c", command}, {.working_directory = dir_.path()}).exit_status,
            0)
            << command;
        arguments.back() = "NEW.txt";
      } else if (note.ends_with("coord2seg FILE -LATLON\n")) {
        arguments.push_back("-LATLON");
      } else {
        continue;
      }
      const ProgramResult mended = Run(arguments);
      EXPECT_EQ(mended.exit_status, 0) << hint.name << ": " << note << mended.out;
    }
  }
}

TEST_F(Coordlint, FailsOnlyOnTheKindsTheGateNames) {
  // A header line, which is dropped, and a value out of range.
  WriteFileBytes(dir_ / "x.txt", "lon lat\n1 2\n1 95\n");
  const std::string report = Run({"x.txt"}).out;
  const std::vector<std::pair<std::vector<std::string>, int>> cases = {
      {{"x.txt"}, 1},
      {{"--allow-dropped=1", "x.txt"}, 1},
      {{"--allow-dropped=1", "--fail-on=dropped", "x.txt"}, 0},
      {{"--fail-on", "dropped,segment-dropped,capped", "x.txt", "--allow-dropped", "1"}, 0},
      {{"--fail-on=dropped,segment-dropped,capped", "x.txt"}, 1},
      {{"--fail-on=segment-dropped,capped", "x.txt"}, 0},
      {{"--fail-on=out-of-range", "--allow-dropped=5", "x.txt"}, 1},
  };
  for (const auto& [arguments, status] : cases) {
    const ProgramResult result = Run(arguments);
    EXPECT_EQ(result.exit_status, status) << ::testing::PrintToString(arguments);
    EXPECT_EQ(result.out, report);  // the gate decides the status alone
  }
}

}  // namespace
}  // namespace coord2seg
