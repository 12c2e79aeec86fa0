// The real executable, run in a temporary directory.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/segment_bytes.h"

namespace coord2seg {
namespace {

namespace fs = std::filesystem;
using testing::ProgramResult;
using testing::ReadFileBytes;
using testing::RunProgram;
using testing::StoredRecord;
using testing::TempDir;
using testing::WriteFileBytes;

class EndToEnd : public ::testing::Test {
 protected:
  ProgramResult Run(const std::vector<std::string>& arguments) {
    return RunProgram(COORD2SEG_EXECUTABLE, arguments, {.working_directory = dir_.path()});
  }
  // Converts `text` as in.txt and returns the bytes of in.bin, checking the run was silent.
  std::string Convert(const std::string& text, const std::vector<std::string>& extra = {}) {
    WriteFileBytes(dir_ / "in.txt", text);
    std::vector<std::string> arguments = {"in.txt"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const ProgramResult result = Run(arguments);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    return ReadFileBytes(dir_ / "in.bin");
  }
  TempDir dir_;
};

TEST_F(EndToEnd, ConvertsTheWalkThroughExample) {
  const std::string bytes = Convert("#\n12.5 48.25\n12,75;48.3\n#\n-190 10\nabc\n");
  EXPECT_EQ(bytes, StoredRecord({{750, 2895}, {765, 2898}}) + StoredRecord({{10200, 600}}));
  EXPECT_EQ(bytes.size(), 22u);
}

TEST_F(EndToEnd, CutsSegmentsOnlyAtSeparatorLines) {
  EXPECT_EQ(Convert(""), "");
  EXPECT_EQ(Convert("#\n\n#\nabc\n# x\n#"), "");
  EXPECT_EQ(Convert("1 1\n2 2\n\n3 3"), StoredRecord({{60, 60}, {120, 120}, {180, 180}}));
  EXPECT_EQ(Convert("1 1\n   # not a separator\n2 2\n"), StoredRecord({{60, 60}, {120, 120}}));
  EXPECT_EQ(Convert("#a\n#b\n1 1\n#\n#\n2 2\n#\n"),
            StoredRecord({{60, 60}}) + StoredRecord({{120, 120}}));
  EXPECT_EQ(Convert("\xEF\xBB\xBF#\n1 1\n"), StoredRecord({{60, 60}}));  // a BOM hides the '#'
}

TEST_F(EndToEnd, HandlesEveryLineEnding) {
  const std::string expected = StoredRecord({{60, 120}}) + StoredRecord({{180, 240}});
  EXPECT_EQ(Convert("1 2\n#\n3 4\n"), expected);
  EXPECT_EQ(Convert("1 2\r\n#\r\n3 4\r\n"), expected);
  EXPECT_EQ(Convert("1 2\r#\r3 4\r"), expected);
  EXPECT_EQ(Convert("1 2\r\n#\r3 4"), expected);
}

TEST_F(EndToEnd, PassesEveryByteThroughUntranslated) {
  // Windows text modes end a file at Ctrl-Z (0x1A) and turn LF into CR LF; here no byte is
  // translated either way. The stored values 2586 and 3338 hold the bytes 1A 0A and 0A 0D.
  EXPECT_EQ(Convert("43.1 55.63333333\r\x1a\r\n#\n\x1a 1 2\r3 4\n"),
            StoredRecord({{2586, 3338}}) + StoredRecord({{60, 120}, {180, 240}}));
}

TEST_F(EndToEnd, ReadsLatitudeFirstWithTheSwitchAnywhereAfterTheInput) {
  EXPECT_EQ(Convert("48.25 12.5\n"), StoredRecord({{2895, 750}}));
  EXPECT_EQ(Convert("48.25 12.5\n", {"/LATLON"}), StoredRecord({{750, 2895}}));
  EXPECT_EQ(Convert("48.25 12.5\n", {"ignored", "-latlon"}), StoredRecord({{750, 2895}}));
  EXPECT_EQ(Convert("48.25 12.5\n", {"--LATLON"}), StoredRecord({{2895, 750}}));
}

TEST_F(EndToEnd, CapsASegmentAt99999Points) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += std::to_string(i % 100) + " 1\n";
  text += "#\n";
  for (int i = 0; i < 99999; ++i) text += "2 2\n";
  const std::string bytes = Convert(text);
  const std::size_t first_size = 5 + 4 * 99999;
  ASSERT_EQ(bytes.size(), 2 * first_size);
  EXPECT_EQ(bytes.substr(0, 5), std::string("\x9f\x86\x01\x00\x00", 5));
  // The last point kept is the 99999th, i.e. i = 99998, longitude 98 degrees.
  EXPECT_EQ(bytes.substr(first_size - 4, 4), StoredRecord({{98 * 60, 60}}).substr(5));
  EXPECT_EQ(bytes.substr(first_size, 5), std::string("\x9f\x86\x01\x00\x00", 5));
}

TEST_F(EndToEnd, EndsSilentlyWithoutAnInputFile) {
  fs::create_directory(dir_ / "folder");
  std::vector<std::vector<std::string>> cases = {
      {}, {"missing.txt"}, {"folder"}, {"-LATLON", "in.txt"}, {"--version"}, {""}};
  if (testing::MakeFifo(dir_ / "pipe")) cases.push_back({"pipe"});
  for (const std::vector<std::string>& arguments : cases) {
    WriteFileBytes(dir_ / "in.txt", "1 1\n");
    const ProgramResult result = Run(arguments);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out + result.err, "");
  }
  EXPECT_FALSE(fs::exists(dir_ / "in.bin"));
  EXPECT_FALSE(fs::exists(dir_ / "missing.bin"));
  EXPECT_FALSE(fs::exists(dir_ / "folder.bin"));
  EXPECT_FALSE(fs::exists(dir_ / "pipe.bin"));
}

TEST_F(EndToEnd, RefusesToReplaceTheInputWithItsOutput) {
  const std::string text = "1 1\n";
  WriteFileBytes(dir_ / "x.bin", text);
  WriteFileBytes(dir_ / "y.txt", text);
  fs::create_hard_link(dir_ / "y.txt", dir_ / "y.bin");
  std::vector<std::string> inputs = {"x.bin", "y.txt"};
  if (testing::kPosixHost) {  // Windows lets only privileged users make symbolic links
    WriteFileBytes(dir_ / "z.txt", text);
    fs::create_symlink("z.txt", dir_ / "z.bin");
    inputs.push_back("z.txt");
  }
  for (const std::string& input : inputs) {
    const ProgramResult result = Run({input});
    EXPECT_EQ(result.exit_status, 1) << input;
    EXPECT_NE(result.err.find("it is the input file itself"), std::string::npos) << result.err;
    EXPECT_EQ(ReadFileBytes(dir_ / input), text) << input;
  }
}

TEST_F(EndToEnd, ReportsAnOutputThatCannotBeCreated) {
  WriteFileBytes(dir_ / "a.txt", "1 1\n");
  fs::create_directory(dir_ / "a.bin");
  const ProgramResult result = Run({"a.txt"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, "coord2seg: cannot create 'a.bin': Is a directory\n");
}

TEST_F(EndToEnd, ReportsAnOutputThatCannotBeWritten) {
  SKIP_ON_WINDOWS("no /dev/full");
  WriteFileBytes(dir_ / "f.txt", "1 1\n");
  fs::create_symlink("/dev/full", dir_ / "f.bin");
  const ProgramResult result = Run({"f.txt"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, "coord2seg: cannot write 'f.bin': No space left on device\n");
}

TEST_F(EndToEnd, ReportsAnInputThatCannotBeRead) {
  SKIP_ON_WINDOWS("no /proc");
  const ProgramResult result = Run({"/proc/self/mem"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, "coord2seg: cannot read '/proc/self/mem': Input/output error\n");
  EXPECT_FALSE(fs::exists("/proc/self/mem.bin"));
}

}  // namespace
}  // namespace coord2seg
