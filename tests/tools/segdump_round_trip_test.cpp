// segdump's text, converted again, must give the segment file byte for byte: exhaustively over
// every stored value in process, and over random files through the real programs.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "driver/line_walk.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"
#include "tests/support/property_rounds.h"
#include "tests/support/random_lines.h"
#include "tests/support/random_segment_files.h"
#include "tests/support/run_program.h"
#include "tests/support/segment_bytes.h"
#include "tools/segdump/coordinate_text.h"

namespace coord2seg {
namespace {

using testing::Bytes;
using testing::DescribeDifference;
using testing::ProgramResult;
using testing::RandomSegmentFiles;
using testing::ReadFileBytes;
using testing::RunProgram;
using testing::StoredRecord;
using testing::TempDir;
using testing::WriteFileBytes;

std::string DumpText(const std::string& file) {
  std::string text;
  OutputBuffer out([&text](std::string_view piece) { text += piece; });
  WriteCoordinateText(Bytes(file), out);
  out.Flush();
  return text;
}

// The converter's loop and encoder, without the file system.
std::string ConvertInProcess(std::string_view text) {
  std::string file;
  SegmentBuffer buffer;
  std::vector<unsigned char> record(RecordBytes(kMaxSegmentPoints));
  CollectSegments(text, false, buffer, [&](const SegmentBuffer& segment) {
    if (segment.count() == 0 || !EncodeRecord(segment.points(), record.data())) return;
    file.append(reinterpret_cast<const char*>(record.data()), RecordBytes(segment.count()));
  });
  return file;
}

TEST(SegdumpRoundTrip, EveryStoredValueComesBackAsLongitudeAndAsLatitude) {
  std::vector<StoredPoint> points;
  for (int minutes = -32768; minutes <= 32767; ++minutes) {
    points.push_back({static_cast<std::int16_t>(minutes), static_cast<std::int16_t>(-1 - minutes)});
  }
  const std::string file = StoredRecord(points);
  EXPECT_EQ(DescribeDifference(ConvertInProcess(DumpText(file)), file), "");
}

TEST(SegdumpRoundTrip, WritesShortestDegreesAndMovesOutOfRangeLongitudesOneTurnOut) {
  EXPECT_EQ(DumpText(StoredRecord({{750, 17}})), "# segment 1: 1 point\n12.5 0.2833333333333333\n");
  // 180 degrees and more is written 360 further up, below -180 360 further down; -180 stays.
  EXPECT_EQ(DumpText(StoredRecord({{10800, 0}, {10799, 0}, {-10800, 0}, {-10801, 0}})),
            "# segment 1: 4 points\n540 0\n179.98333333333332 0\n-180 0\n"
            "-540.0166666666667 0\n");
}

TEST(SegdumpRoundTrip, RandomSegmentFilesInProcess) {
  RandomSegmentFiles random(20261209);
  for (int i = 0; i < testing::PropertyRounds(2000); ++i) {
    const std::string file = random.File();
    ASSERT_EQ(DescribeDifference(ConvertInProcess(DumpText(file)), file), "") << "file " << i;
  }
}

// Random coordinate text, values far outside the 16-bit range included, so the stored minutes
// wrap; the converter's output is then the file to reproduce.
std::string RandomCoordinateText(std::mt19937_64& engine, testing::RandomLines& lines) {
  std::uniform_real_distribution<double> degrees(-1200, 1200);
  std::uniform_int_distribution<int> kind(0, 9);
  std::string text;
  for (int line = std::uniform_int_distribution<int>(0, 200)(engine); line > 0; --line) {
    const int k = kind(engine);
    if (k == 0) {
      text += "# cut\n";
    } else if (k == 1) {
      text += lines.Line() + "\n";
    } else {
      std::array<char, 64> number{};
      for (int value = 0; value < 2; ++value) {
        const auto end = std::to_chars(number.data(), number.data() + number.size(),
                                       degrees(engine), std::chars_format::fixed, k % 6);
        text.append(number.data(), end.ptr);
        text += value == 0 ? ' ' : '\n';
      }
    }
  }
  return text;
}

class SegdumpPrograms : public ::testing::Test {
 protected:
  // segdump's text of `file`, converted again by coord2seg.
  std::string ThroughBothPrograms(const std::string& file) {
    WriteFileBytes(dir_ / "a.bin", file);
    const ProgramResult dump =
        RunProgram(SEGDUMP_EXECUTABLE, {"a.bin"}, {.working_directory = dir_.path()});
    EXPECT_EQ(dump.exit_status, 0) << dump.err;
    return Convert(dump.out, "b");
  }
  std::string Convert(const std::string& text, const std::string& name) {
    WriteFileBytes(dir_ / (name + ".txt"), text);
    const ProgramResult result =
        RunProgram(COORD2SEG_EXECUTABLE, {name + ".txt"}, {.working_directory = dir_.path()});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    return ReadFileBytes(dir_ / (name + ".bin"));
  }
  TempDir dir_;
};

// A segment file is its records one after another, and a coordinate text its lines, so five
// random ones joined are one more random one: each run of the programs takes five, which keeps
// the content checked and spares four process starts in five (slow under sanitizers and Wine).
constexpr int kJoined = 5;

TEST_F(SegdumpPrograms, RandomSegmentFilesSurviveTheRoundTrip) {
  EXPECT_EQ(ThroughBothPrograms(""), "");
  RandomSegmentFiles random(77);
  for (int i = 0; i < 150 / kJoined; ++i) {
    std::string file;
    for (int j = 0; j < kJoined; ++j) file += random.File();
    ASSERT_EQ(DescribeDifference(ThroughBothPrograms(file), file), "") << "file " << i;
  }
}

TEST_F(SegdumpPrograms, ConvertedRandomTextSurvivesTheRoundTrip) {
  std::mt19937_64 engine(31);
  testing::RandomLines lines(32);
  std::size_t record_bytes = 0;
  for (int i = 0; i < 150 / kJoined; ++i) {
    std::string text;
    for (int j = 0; j < kJoined; ++j) text += RandomCoordinateText(engine, lines);
    const std::string file = Convert(text, "source");
    record_bytes += file.size();
    ASSERT_EQ(DescribeDifference(ThroughBothPrograms(file), file), "") << "file " << i;
  }
  EXPECT_GT(record_bytes, 30'000u);  // or the generator tests little
}

}  // namespace
}  // namespace coord2seg
