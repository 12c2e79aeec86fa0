// What only Windows has or does its own way: drive and backslash paths, names that differ only in
// letter case, files other programs hold open, UTF-8 names through the manifest, ReadFile's 32-bit
// byte counts and the limit on the length of a command line.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
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

fs::path Utf8Path(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

class OnWindows : public ::testing::Test {
 protected:
  ProgramResult Run(const char* program, const std::vector<std::string>& arguments) {
    return RunProgram(program, arguments, {.working_directory = dir_.path()});
  }
  TempDir dir_;
};

TEST_F(OnWindows, WritesBesideTheInputWhateverSeparatesItsPath) {
  fs::create_directories(dir_ / "data" / "old.maps");
  const std::string drive = dir_.path().root_name().string();  // "C:", the working directory's
  struct Case {
    std::string argument;
    const char* input;  // the files, under the working directory
    const char* output;
  };
  const Case cases[] = {
      {drive + "coast.txt", "coast.txt", "coast.bin"},
      {"data\\old.maps\\coast", "data/old.maps/coast", "data/old.maps/coast.bin"},
      {"data/old.maps/coast", "data/old.maps/coast", "data/old.maps/coast.bin"},
      {(dir_ / "data" / "coast.txt").string(), "data/coast.txt", "data/coast.bin"},
  };
  for (const Case& c : cases) {
    WriteFileBytes(dir_ / c.input, "1 2\n");
    fs::remove(dir_ / c.output);
    const ProgramResult result = Run(COORD2SEG_EXECUTABLE, {c.argument});
    EXPECT_EQ(result.exit_status, 0) << c.argument;
    EXPECT_EQ(result.out + result.err, "") << c.argument;
    EXPECT_EQ(ReadFileBytes(dir_ / c.output), StoredRecord({{60, 120}})) << c.argument;
  }
  EXPECT_FALSE(fs::exists(dir_ / "data" / "old.bin"));
}

TEST_F(OnWindows, RefusesTheInputUnderAnotherSpellingOfItsName) {
  WriteFileBytes(dir_ / "coast.bin", "1 2\n");
  const ProgramResult result = Run(COORD2SEG_EXECUTABLE, {"COAST.BIN"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, "coord2seg: cannot create 'COAST.bin': it is the input file itself\n");
  EXPECT_EQ(ReadFileBytes(dir_ / "coast.bin"), "1 2\n");
}

TEST_F(OnWindows, ReportsAFileAnotherProgramHoldsOpen) {
  // As a spreadsheet holds the file it shows: open, and shared with no one.
  WriteFileBytes(dir_ / "in.txt", "1 2\n");
  const std::pair<const char*, std::string> cases[] = {
      {"in.bin", "coord2seg: cannot create 'in.bin': File is in use by another program\n"},
      {"in.txt", "coord2seg: cannot open 'in.txt': File is in use by another program\n"},
  };
  for (const auto& [held, message] : cases) {
    const HANDLE handle = ::CreateFileW((dir_ / held).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                        nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    const ProgramResult result = Run(COORD2SEG_EXECUTABLE, {"in.txt"});
    ::CloseHandle(handle);
    EXPECT_EQ(result.exit_status, 1) << held;
    EXPECT_EQ(result.err, message);
  }
}

TEST_F(OnWindows, TakesNamesOutsideTheOldCodePages) {
  const std::string name = "\xce\x9a\xc3\xbcste";  // Greek capital kappa, then "üste"
  WriteFileBytes(dir_.path() / Utf8Path(name + ".txt"), "1 2\n");
  const ProgramResult converted = Run(COORD2SEG_EXECUTABLE, {name + ".txt"});
  EXPECT_EQ(converted.exit_status, 0);
  EXPECT_EQ(converted.out + converted.err, "");
  EXPECT_EQ(ReadFileBytes(dir_.path() / Utf8Path(name + ".bin")), StoredRecord({{60, 120}}));

  const ProgramResult checked = Run(SEGDUMP_EXECUTABLE, {"--check", name + ".bin"});
  EXPECT_EQ(checked.out, name + ".bin: 1 segment, 1 point\n");
  const ProgramResult missing = Run(SEGDUMP_EXECUTABLE, {name + ".txt.bin"});
  EXPECT_EQ(missing.err,
            "segdump: cannot read '" + name + ".txt.bin': No such file or directory\n");
}

TEST_F(OnWindows, ReadsAFileOfMoreThanFourGigabytes) {
  // ReadFile counts bytes in 32 bits. Between the two points lies a separator line of 4 GiB, '#'
  // and NUL bytes (a sparse file, so no disk is spent).
  WriteFileBytes(dir_ / "big.txt", "5 6\n#");
  fs::resize_file(dir_ / "big.txt", (std::uintmax_t{4} << 30) + 5);
  std::ofstream(dir_ / "big.txt", std::ios::binary | std::ios::app) << "\n1 2\n";
  const ProgramResult result = Run(COORD2SEG_EXECUTABLE, {"big.txt"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadFileBytes(dir_ / "big.bin"),
            StoredRecord({{300, 360}}) + StoredRecord({{60, 120}}));
}

TEST_F(OnWindows, TakesACommandLineNearItsLimit) {
  WriteFileBytes(dir_ / "in.txt", "1 2\n");
  // With the program's path, about 31,500 of the 32,767 characters a command line may hold.
  std::vector<std::string> arguments = {"in.txt"};
  for (int i = 0; i < 31; ++i) arguments.push_back(std::string(1000, 'x'));
  arguments.push_back("/latlon");
  const ProgramResult result = Run(COORD2SEG_EXECUTABLE, arguments);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadFileBytes(dir_ / "in.bin"), StoredRecord({{120, 60}}));
}

}  // namespace
}  // namespace coord2seg
