// The real executable under faults and hostile input: file-size limits at every kind of cut
// point, outputs and inputs that cannot be used, and inputs built to be slow or to break bounds.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/support/reference_converter.h"
#include "tests/support/run_program.h"
#include "tests/support/segment_bytes.h"

namespace coord2seg {
namespace {

namespace fs = std::filesystem;
using testing::ProgramResult;
using testing::ReadFileBytes;
using testing::ReferenceSegmentFile;
using testing::RunOptions;
using testing::RunProgram;
using testing::StoredRecord;
using testing::TempDir;
using testing::WriteFileBytes;

// Standard error without the lines a coverage build adds when it cannot save its counters (as
// under a file-size limit); anything else still counts.
std::string Diagnostics(const ProgramResult& result) {
  std::string kept;
  std::size_t start = 0;
  while (start < result.err.size()) {
    std::size_t end = result.err.find('\n', start);
    end = end == std::string::npos ? result.err.size() : end + 1;
    const std::string line = result.err.substr(start, end - start);
    const bool from_gcov = line.starts_with("profiling:") || line.starts_with("libgcov profiling");
    if (!from_gcov) kept += line;
    start = end;
  }
  return kept;
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define COORD2SEG_TEST_UNDER_ASAN
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define COORD2SEG_TEST_UNDER_ASAN
#endif

std::string Repeat(const std::string& bytes, std::size_t times) {
  std::string repeated;
  repeated.reserve(bytes.size() * times);
  for (std::size_t i = 0; i < times; ++i) repeated += bytes;
  return repeated;
}

class Faults : public ::testing::Test {
 protected:
  ProgramResult Run(const std::vector<std::string>& arguments, RunOptions options = {}) {
    options.working_directory = dir_.path();
    return RunProgram(COORD2SEG_EXECUTABLE, arguments, options);
  }
  // Converts `text` as in.txt under the options and returns the run.
  ProgramResult Convert(const std::string& text, RunOptions options = {}) {
    WriteFileBytes(dir_ / "in.txt", text);
    return Run({"in.txt"}, options);
  }
  std::string Output() { return ReadFileBytes(dir_ / "in.bin"); }

  TempDir dir_;
};

struct SizeLimitCase {
  long long limit;
  std::size_t whole_records;  // of the three, how many fit under the limit
};

TEST_F(Faults, KeepsOnlyWholeRecordsUnderAFileSizeLimit) {
  SKIP_ON_WINDOWS("no file-size limit (RLIMIT_FSIZE) to run into");
  // Records of 9, 13 and 9 bytes end at offsets 9, 22 and 31.
  const std::string records[] = {StoredRecord({{60, 60}}), StoredRecord({{120, 120}, {120, 120}}),
                                 StoredRecord({{240, 240}})};
  const std::string text = "1 1\n#\n2 2\n2 2\n#\n4 4\n";
  const SizeLimitCase cases[] = {
      {0, 0},  {3, 0},  {5, 0},   // nothing fits: no room, inside the header, header only
      {7, 0},  {9, 1},  {12, 1},  // inside the pairs, exactly at the first record's end, ...
      {20, 1}, {22, 2}, {30, 2},
  };
  for (const SizeLimitCase& c : cases) {
    fs::remove(dir_ / "in.bin");  // so a run that wrote nothing cannot pass on an older output
    const ProgramResult result = Convert(text, {.file_size_limit = c.limit});
    EXPECT_EQ(result.exit_status, 1) << c.limit;
    EXPECT_EQ(Diagnostics(result), "coord2seg: cannot write 'in.bin': File too large\n") << c.limit;
    std::string expected;
    for (std::size_t i = 0; i < c.whole_records; ++i) expected += records[i];
    EXPECT_EQ(Output(), expected) << c.limit;
  }
  for (long long roomy : {31, 1000}) {
    const ProgramResult result = Convert(text, {.file_size_limit = roomy});
    EXPECT_EQ(result.exit_status, 0) << roomy;
    EXPECT_EQ(Diagnostics(result), "") << roomy;
    EXPECT_EQ(Output(), records[0] + records[1] + records[2]) << roomy;
  }
}

TEST_F(Faults, KeepsOnlyWholeRecordsOfManyOrLargeOnes) {
  SKIP_ON_WINDOWS("no file-size limit (RLIMIT_FSIZE) to run into");
  ProgramResult result = Convert(Repeat("1 2\n#\n", 20000), {.file_size_limit = 9 * 12345 + 4});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(Diagnostics(result), "coord2seg: cannot write 'in.bin': File too large\n");
  EXPECT_EQ(Output(), Repeat(StoredRecord({{60, 120}}), 12345));

  // The second record needs 400001 bytes, far more than one write may get through.
  result = Convert("1 2\n#\n" + Repeat("3 4\n", 99999), {.file_size_limit = 200000});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(Diagnostics(result), "coord2seg: cannot write 'in.bin': File too large\n");
  EXPECT_EQ(Output(), StoredRecord({{60, 120}}));
}

TEST_F(Faults, RefusesAFifoAsOutput) {
  SKIP_ON_WINDOWS("no FIFOs");
  ASSERT_TRUE(testing::MakeFifo(dir_ / "in.bin"));
  const ProgramResult result = Convert("1 1\n");
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(Diagnostics(result), "coord2seg: cannot create 'in.bin': No such device or address\n");
}

TEST_F(Faults, ReportsAnInputThatCannotBeOpened) {
  SKIP_ON_WINDOWS("no /proc");
  // A write-only kernel setting: a regular file that even root may not open for reading.
  const std::string path = "/proc/sys/vm/compact_memory";
  if (!fs::exists(path)) GTEST_SKIP() << path << " is not there";
  const ProgramResult result = Run({path});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(Diagnostics(result), "coord2seg: cannot open '" + path + "': Permission denied\n");
}

TEST_F(Faults, ReadsAKernelSettingWhole) {
  SKIP_ON_WINDOWS("no /proc");
  // Such files report size 0 and answer only a read at offset 0: "32768\t60999\n" read a byte at
  // a time would be "3".
  const std::string path = "/proc/sys/net/ipv4/ip_local_port_range";
  if (!fs::exists(path)) GTEST_SKIP() << path << " is not there";
  fs::create_symlink(path, dir_ / "ports.txt");
  const ProgramResult result = Run({"ports.txt"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(Diagnostics(result), "");
  const std::string expected = ReferenceSegmentFile(ReadFileBytes(path), false);
  EXPECT_FALSE(expected.empty());
  EXPECT_EQ(ReadFileBytes(dir_ / "ports.bin"), expected);
}

TEST_F(Faults, ReadsAFileLongerThanItsReportedSize) {
  SKIP_ON_WINDOWS("no /proc");
  // The program's own environment, seen through /proc, reports size 0 and here holds 200 KB, in
  // four variables as one may hold at most 128 KiB.
  std::vector<std::string> extra;
  for (int i = 0; i < 4; ++i) {
    extra.push_back("COORD2SEG_LINES_" + std::to_string(i) + "=\n#\n" + Repeat("1 2\n", 12500));
  }
  fs::create_symlink("/proc/self/environ", dir_ / "env.txt");
  const ProgramResult result = Run({"env.txt"}, {.extra_environment = extra});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(Diagnostics(result), "");
  std::string environ_bytes;
  for (const std::string& entry : testing::ChildEnvironment(extra)) environ_bytes += entry + '\0';
  const std::string expected = ReferenceSegmentFile(environ_bytes, false);
  EXPECT_EQ(expected.size(), 4 * (5u + 4 * 12500));
  EXPECT_EQ(ReadFileBytes(dir_ / "env.bin"), expected);
}

TEST_F(Faults, ReportsRunningOutOfMemory) {
  SKIP_ON_WINDOWS("no address-space limit (RLIMIT_AS) to run into");
#ifdef COORD2SEG_TEST_UNDER_ASAN
  GTEST_SKIP() << "AddressSanitizer reserves more address space than any limit here allows";
#endif
  // A sparse file of 4 GiB costs no disk, and reading it needs more memory than the limit.
  WriteFileBytes(dir_ / "in.txt", "");
  fs::resize_file(dir_ / "in.txt", std::uintmax_t{4} << 30);
  const ProgramResult result = Run({"in.txt"}, {.address_space_limit = 1LL << 30});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(Diagnostics(result), "coord2seg: out of memory\n");
  EXPECT_FALSE(fs::exists(dir_ / "in.bin"));
}

// Hostile inputs: each must end normally with exactly the right output.
constexpr std::size_t kHuge = 50'000'000;

TEST_F(Faults, ReadsA50MegabyteLine) {
  // 1 followed by fifty million zeros, scaled back to 1 by its exponent; then a line of junk.
  std::string text = "5 5\n1";
  text.append(kHuge, '0');
  text += "e-" + std::to_string(kHuge) + " 2\n#\n";
  text.append(kHuge, 'x');
  const ProgramResult result = Convert(text);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(Diagnostics(result), "");
  EXPECT_EQ(Output(), StoredRecord({{300, 300}, {60, 120}}));
}

TEST_F(Faults, ReadsOnlyAWindowOf50MegabytesOfBlanks) {
  const std::string blanks(kHuge, ' ');
  // The second number lies far beyond the window: dropped. Blanks around a line are trimmed.
  const std::string text = "1" + blanks + "2\n" + blanks + "\t3 4\t" + blanks + "\n";
  const ProgramResult result = Convert(text);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(Diagnostics(result), "");
  EXPECT_EQ(Output(), StoredRecord({{180, 240}}));
}

TEST_F(Faults, ConvertsRandomBytesLikeTheReference) {
  std::mt19937_64 engine(4);
  const std::string near_numbers = "0123456789012345678.,+-eE \t;#\r\n";
  for (bool from_alphabet : {false, true}) {
    std::string text(4'000'000, '\0');
    for (char& c : text) {
      const auto byte = engine();
      c = from_alphabet ? near_numbers[byte % near_numbers.size()] : static_cast<char>(byte);
    }
    const ProgramResult result = Convert(text);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(Diagnostics(result), "");
    const std::string expected = ReferenceSegmentFile(text, false);
    EXPECT_TRUE(Output() == expected) << "output differs, alphabet " << from_alphabet;
    if (from_alphabet) {
      EXPECT_GT(expected.size(), 10'000u);  // many points were read
    }
  }
}

TEST_F(Faults, CutsAtTwoMillionSeparatorLines) {
  EXPECT_EQ(Convert(Repeat("#\n", 2'000'000)).exit_status, 0);
  EXPECT_EQ(Output(), "");
  // A point after every thousandth separator, with CR line ends for a change.
  const ProgramResult result = Convert(Repeat(Repeat("#\r", 999) + "#\r1 2\r", 2000));
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(Diagnostics(result), "");
  EXPECT_EQ(Output(), Repeat(StoredRecord({{60, 120}}), 2000));
}

TEST_F(Faults, TakesTenThousandArguments) {
  SKIP_ON_WINDOWS("a command line holds at most 32,767 characters");
  WriteFileBytes(dir_ / "in.txt", "1 2\n");
  std::vector<std::string> arguments = {"in.txt"};
  for (int i = 1; i < 9999; ++i) arguments.push_back("extra" + std::to_string(i));
  ProgramResult result = Run(arguments);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(Output(), StoredRecord({{60, 120}}));
  arguments.push_back("/latlon");
  ASSERT_EQ(arguments.size(), 10000u);
  result = Run(arguments);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(Diagnostics(result), "");
  EXPECT_EQ(Output(), StoredRecord({{120, 60}}));
}

}  // namespace
}  // namespace coord2seg
