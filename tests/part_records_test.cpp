// Features' parts as records: the longitude wrap against the converter's own output for the same
// numbers, the split of long parts, refusals and the layer's closing summary.
#include "segment_file/part_records.h"

#include <gtest/gtest.h>

#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "segment_file/segment_reader.h"
#include "tests/run_program.h"
#include "tests/segment_bytes.h"

namespace coord2seg {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using testing::StoredRecord;
using testing::TempDir;
using testing::WriteFileBytes;

using Parts = std::vector<std::span<const GeoPoint>>;

std::string RecordsOf(PartRecords& records, std::span<const GeoPoint> part,
                      FeatureOutcome* outcome = nullptr) {
  const Parts parts = {part};
  std::vector<unsigned char> out;
  const FeatureOutcome result = records.Add(parts, std::nullopt, out);
  if (outcome != nullptr) *outcome = result;
  return std::string(out.begin(), out.end());
}

double Number(const std::string& text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

struct WrapCase {
  const char* longitude;
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
    const GeoPoint point{Number(c.longitude), 10};
    FeatureOutcome outcome;
    const std::string wrapped = RecordsOf(wrapping, {&point, 1}, &outcome);
    EXPECT_EQ(outcome.written, c.wrapped.has_value()) << c.longitude;
    if (c.wrapped) {
      EXPECT_EQ(wrapped, StoredRecord({{*c.wrapped, 600}})) << c.longitude;
      text += std::string(c.longitude) + " 10\n#\n";
      converted_here += wrapped;
    } else {
      ASSERT_TRUE(outcome.message);
      EXPECT_EQ(outcome.message->severity, PartMessage::Severity::kError);
      EXPECT_NE(outcome.message->text.find(std::string("longitude ") + c.longitude),
                std::string::npos)
          << outcome.message->text;
    }
    const std::string kept = RecordsOf(as_given, {&point, 1});
    EXPECT_EQ(kept, c.as_given ? StoredRecord({{*c.as_given, 600}}) : "") << c.longitude;
  }
  const TempDir dir;
  WriteFileBytes(dir / "wrap.txt", text);
  const testing::ProgramResult run =
      testing::RunProgram(COORD2SEG_EXECUTABLE, {"wrap.txt"}, {.working_directory = dir.path()});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(testing::DescribeDifference(converted_here, ReadFileBytes(dir / "wrap.bin")), "");
}

TEST(PartRecords, SplitsLongPartsAtSharedPointsAndCountsPointsOnTheSameMinute) {
  // Every point repeats the minute of the one before it, then moves on: half of them land on
  // the same minute.
  std::vector<GeoPoint> line;
  for (int i = 0; i < 150000; ++i) line.push_back({(i / 2 % 1000) / 60.0, 1});
  // A GPS track of 4 points a few metres apart: one minute pair for all.
  const std::vector<GeoPoint> track = {
      {8.5411, 47.3769}, {8.5412, 47.3770}, {8.5414, 47.3771}, {8.5415, 47.3772}};
  PartRecords records;
  FeatureOutcome split;
  std::string file = RecordsOf(records, line, &split);
  file += RecordsOf(records, track);
  ASSERT_TRUE(split.written && split.message);
  EXPECT_EQ(split.message->severity, PartMessage::Severity::kWarning);
  EXPECT_EQ(split.message->text,
            "feature 1 has a part of 150000 points, more than the 99999 a record holds; it is "
            "written as consecutive records that share their joining points");

  SegmentReader reader(Bytes(file));
  SegmentRecord first, second, gps, none;
  ASSERT_TRUE(reader.Next(first) && reader.Next(second) && reader.Next(gps));
  EXPECT_FALSE(reader.Next(none) || reader.damage());
  EXPECT_EQ(first.point_count(), 99999u);
  EXPECT_EQ(second.point_count(), 150000u - 99999u + 1);
  EXPECT_EQ(second.point(0).longitude, first.point(99998).longitude);
  EXPECT_EQ(gps.point_count(), 4u);
  EXPECT_EQ(records.same_minute_points(), 75000u + 3);

  // A refused feature is not counted; nor is the joining point a split repeats.
  PartRecords refusing({.long_parts = LongParts::kRefuse});
  FeatureOutcome refused;
  EXPECT_EQ(RecordsOf(refusing, line, &refused), "");
  EXPECT_FALSE(refused.written);
  EXPECT_NE(refused.message->text.find("(LONG_PARTS=REFUSE)"), std::string::npos);
  RecordsOf(refusing, track);
  EXPECT_EQ(refusing.same_minute_points(), 3u);
  const std::vector<PartMessage> summary = refusing.Summary();
  ASSERT_EQ(summary.size(), 1u);
  EXPECT_EQ(summary[0].text.find("3 of 4 points landed on the same minute of arc"), 0u);
}

TEST(PartRecords, RefusesAFeatureWholeAndPassesOverEmptyOnes) {
  const std::vector<GeoPoint> good = {{1, 1}, {2, 2}};
  const std::vector<GeoPoint> bad = {{3, 3}, {4, 600}};
  PartRecords records;
  std::vector<unsigned char> out;
  EXPECT_TRUE(records.Add(Parts{good}, std::nullopt, out).written);
  const FeatureOutcome refused = records.Add(Parts{good, {}, bad}, 7, out);
  EXPECT_FALSE(refused.written);
  EXPECT_EQ(refused.message->text,
            "feature 2 (FID 7): latitude 600 degrees has no minutes of arc from -32768 to 32767, "
            "the range of a segment file; the feature is not written");
  EXPECT_FALSE(records.Add(Parts{{}, {}}, std::nullopt, out).written);
  EXPECT_FALSE(records.Add(Parts{}, std::nullopt, out).message);
  EXPECT_EQ(std::string(out.begin(), out.end()), StoredRecord({{60, 60}, {120, 120}}));
  const std::vector<PartMessage> summary = records.Summary();
  ASSERT_EQ(summary.size(), 1u);
  EXPECT_EQ(summary[0].text,
            "2 of 4 features had no geometry or an empty one and were passed over");
}

}  // namespace
}  // namespace coord2seg
