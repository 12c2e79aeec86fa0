// Features' parts as records: the longitude wrap against the converter's own output for the same
// numbers, the split of long parts, refusals and the layer's closing summary.
// SPDX-License-Identifier: MIT
#include "segment_file/part_records.h"

#include <gtest/gtest.h>

#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "segment_file/segment_reader.h"
#include "tests/support/run_program.h"
#include "tests/support/segment_bytes.h"

namespace coord2seg {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using testing::StoredRecord;
using testing::TempDir;
using testing::WriteFileBytes;

std::pair<std::string, FeatureOutcome> RecordsOf(PartRecords& records,
                                                 std::span<const GeoPoint> part) {
  const std::span<const GeoPoint> parts[] = {part};
  std::vector<unsigned char> out;
  const FeatureOutcome outcome = records.Add(parts, std::nullopt, out);
  return {std::string(out.begin(), out.end()), outcome};
}

struct WrapCase {
  std::string_view longitude;
  std::optional<std::int16_t> wrapped;   // minutes with the wrap; none: refused
  std::optional<std::int16_t> as_given;  // minutes without it; none: refused
};

// Each longitude as a one-point feature, latitude 10, with and without the wrap; with it, the
// records equal what coord2seg writes for the same text.
TEST(PartRecords, WrapsLongitudesAsTheConverterDoes) {
  const std::vector<WrapCase> cases = {
      {"0.125", 8, 8},          {"180", -10800, 10800},
      {"-180", -10800, -10800}, {"540", 10800, 32400},
      {"-540", -10800, -32400}, {"190", -10200, 11400},
      {"-190", 10200, -11400},  {"359.99", -1, 21599},
      {"179.99", 10799, 10799}, {"-180.005", 10800, -10800},
      {"600", 14400, {}},       {"-600", -14400, {}},
      {"906", 32760, {}},       {"1000", {}, {}},
      {"-1e+300", {}, {}},
  };
  PartRecords wrapping;
  PartRecords as_given({.wrap_longitude = false});
  std::string text, converted_here;
  for (const WrapCase& c : cases) {
    GeoPoint point{0, 10};
    std::from_chars(c.longitude.data(), c.longitude.data() + c.longitude.size(), point.longitude);
    const auto [wrapped, outcome] = RecordsOf(wrapping, {&point, 1});
    EXPECT_EQ(outcome.written, c.wrapped.has_value()) << c.longitude;
    if (c.wrapped) {
      EXPECT_EQ(wrapped, StoredRecord({{*c.wrapped, 600}})) << c.longitude;
      text += std::string(c.longitude) + " 10\n#\n";
      converted_here += wrapped;
    } else {
      ASSERT_TRUE(outcome.message);
      EXPECT_EQ(outcome.message->severity, PartMessage::Severity::kError);
      EXPECT_NE(outcome.message->text.find("longitude " + std::string(c.longitude)),
                std::string::npos)
          << outcome.message->text;
    }
    const std::string kept = RecordsOf(as_given, {&point, 1}).first;
    EXPECT_EQ(kept, c.as_given ? StoredRecord({{*c.as_given, 600}}) : "") << c.longitude;
  }
  const TempDir dir;
  WriteFileBytes(dir / "wrap.txt", text);
  const testing::ProgramResult run =
      testing::RunProgram(COORD2SEG_EXECUTABLE, {"wrap.txt"}, {.working_directory = dir.path()});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(testing::DescribeDifference(converted_here, ReadFileBytes(dir / "wrap.bin")), "");
}

// Half the points of a long line repeat the minute of the point before; the joining point that a
// split repeats is not counted, nor are the points of a refused feature. A GPS track of 4 points
// a few metres apart has one minute pair for all.
TEST(PartRecords, CountsPointsOnTheMinuteOfThePointBeforeWhereWritten) {
  std::vector<GeoPoint> line;
  for (int i = 0; i < 150000; ++i) line.push_back({(i / 2 % 1000) / 60.0, 1});
  const std::vector<GeoPoint> track = {
      {8.5411, 47.3769}, {8.5412, 47.3770}, {8.5414, 47.3771}, {8.5415, 47.3772}};
  for (const LongParts long_parts : {LongParts::kSplit, LongParts::kRefuse}) {
    PartRecords records({.long_parts = long_parts});
    const auto [split, outcome] = RecordsOf(records, line);
    EXPECT_EQ(outcome.written, long_parts == LongParts::kSplit);
    EXPECT_EQ(CheckSegmentFile(Bytes(split)).points, outcome.written ? 150001u : 0u);
    RecordsOf(records, track);
    const std::uint64_t repeats = (outcome.written ? 75000 : 0) + 3;
    const std::uint64_t points = (outcome.written ? 150000 : 0) + 4;
    EXPECT_EQ(records.same_minute_points(), repeats);
    const std::vector<PartMessage> summary = records.Summary();
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0].text.find(std::to_string(repeats) + " of " + std::to_string(points) +
                                   " points landed on the same minute of arc"),
              0u)
        << summary[0].text;
  }
}

}  // namespace
}  // namespace coord2seg
