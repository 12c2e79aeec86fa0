// The segment reader on whole and damaged files.
// SPDX-License-Identifier: MIT
#include "segment_file/segment_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/segment_bytes.h"

namespace coord2seg {
namespace {

using testing::Bytes;
using testing::StoredRecord;

TEST(SegmentReader, WalksEveryRecordWithItsNumberOffsetAndPoints) {
  const std::string file = StoredRecord({{750, 2895}, {-32768, 32767}}) + StoredRecord({{0, -1}});
  SegmentReader reader(Bytes(file));
  SegmentRecord record;
  ASSERT_TRUE(reader.Next(record));
  EXPECT_EQ(record.number(), 1u);
  EXPECT_EQ(record.offset(), 0u);
  ASSERT_EQ(record.point_count(), 2u);
  EXPECT_EQ(record.point(0).longitude, 750);
  EXPECT_EQ(record.point(0).latitude, 2895);
  EXPECT_EQ(record.point(1).longitude, -32768);
  EXPECT_EQ(record.point(1).latitude, 32767);
  ASSERT_TRUE(reader.Next(record));
  EXPECT_EQ(record.number(), 2u);
  EXPECT_EQ(record.offset(), 13u);
  EXPECT_EQ(record.point(0).latitude, -1);
  EXPECT_FALSE(reader.Next(record));
  EXPECT_FALSE(reader.damage());
}

TEST(CheckSegmentFile, CountsSegmentsAndPointsOfAWholeFile) {
  const std::vector<StoredPoint> largest(99999, StoredPoint{1, 2});
  const SegmentFileCheck check =
      CheckSegmentFile(Bytes(StoredRecord({{1, 1}}) + StoredRecord(largest)));
  EXPECT_FALSE(check.damage);
  EXPECT_EQ(check.segments, 2u);
  EXPECT_EQ(check.points, 100000u);

  const SegmentFileCheck empty = CheckSegmentFile({});
  EXPECT_FALSE(empty.damage);
  EXPECT_EQ(empty.segments, 0u);
  EXPECT_EQ(empty.points, 0u);
}

struct DamageCase {
  const char* name;
  std::string bytes;  // what follows one good record of 9 bytes to the end of the file
  std::size_t offset;
  std::string what;
};

TEST(CheckSegmentFile, ReportsTheFirstDamageWithOffsetAndSegment) {
  const std::string good = StoredRecord({{1, 1}});
  const std::vector<DamageCase> cases = {
      {"header cut short", std::string("\x02\x00\x00", 3), 9,
       "record header cut short: 3 of 5 bytes"},
      {"count 0", std::string("\x00\x00\x00\x00\x00", 5), 9,
       "point count 0 is not from 1 to 99999"},
      {"count above 99999", std::string("\xa0\x86\x01\x00\x00", 5), 9,
       "point count 100000 is not from 1 to 99999"},
      {"count in the top byte", std::string("\x01\x00\x00\x80\x00", 5), 9,
       "point count 2147483649 is not from 1 to 99999"},
      {"reserved byte", std::string("\x01\x00\x00\x00\x07\x00\x00\x00\x00", 9), 13,
       "reserved byte is 7, not 0"},
      {"truncated record", std::string("\x02\x00\x00\x00\x00\x01\x00\x01\x00\x02", 10), 9,
       "record of 2 points needs 13 bytes, only 10 left"},
      {"header only", std::string("\x01\x00\x00\x00\x00", 5), 9,
       "record of 1 point needs 9 bytes, only 5 left"},
  };
  for (const DamageCase& c : cases) {
    const SegmentFileCheck check = CheckSegmentFile(Bytes(good + c.bytes));
    ASSERT_TRUE(check.damage) << c.name;
    EXPECT_EQ(check.damage->offset, c.offset) << c.name;
    EXPECT_EQ(check.damage->segment, 2u) << c.name;
    EXPECT_EQ(check.damage->what, c.what) << c.name;
    EXPECT_EQ(check.segments, 1u) << c.name;  // the whole records before the damage
  }
}

TEST(SegmentReader, StaysStoppedAfterDamage) {
  const std::string file = std::string("\x00\x00\x00\x00\x00", 5) + StoredRecord({{1, 1}});
  SegmentReader reader(Bytes(file));
  SegmentRecord record;
  EXPECT_FALSE(reader.Next(record));
  EXPECT_FALSE(reader.Next(record));
  ASSERT_TRUE(reader.damage());
  EXPECT_EQ(reader.damage()->segment, 1u);
}

}  // namespace
}  // namespace coord2seg
