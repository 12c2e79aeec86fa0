// The output file and the segment buffer.
// SPDX-License-Identifier: MIT
#include "segment_file/segment_file.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "common/run_error.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"
#include "tests/support/run_program.h"

namespace coord2seg {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char b : bytes) {
    if (!hex.empty()) hex += ' ';
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

std::string EncodedHex(std::initializer_list<GeoPoint> points) {
  SegmentBuffer buffer;
  for (const GeoPoint& p : points) buffer.Append(p);
  std::string record(RecordBytes(buffer.count()), '\0');
  if (!EncodeRecord(buffer.points(), reinterpret_cast<unsigned char*>(record.data())))
    return "fail";
  return Hex(record);
}

TEST(EncodeRecord, LaysOutCountReservedByteAndPairs) {
  EXPECT_EQ(EncodedHex({{0, 0}}), "01 00 00 00 00 00 00 00 00");
  EXPECT_EQ(EncodedHex({{12.5, 48.25}}), "01 00 00 00 00 EE 02 4F 0B");
  EXPECT_EQ(EncodedHex({{-180, -90}}), "01 00 00 00 00 D0 D5 E8 EA");
  EXPECT_EQ(EncodedHex({{12.5, 48.25}, {12.75, 48.3}}), "02 00 00 00 00 EE 02 4F 0B FD 02 52 0B");
  EXPECT_EQ(EncodedHex({{0, 600}}), "01 00 00 00 00 00 00 A0 8C");  // 36000 wraps to -29536
  EXPECT_EQ(EncodedHex({{0, 0}, {1e300, 0}}), "fail");
}

TEST(SegmentBuffer, KeepsAtMostTheCapacity) {
  SegmentBuffer buffer;
  for (std::uint32_t i = 0; i <= kMaxSegmentPoints; ++i) buffer.Append({double(i), 0});
  ASSERT_EQ(buffer.count(), kMaxSegmentPoints);
  EXPECT_EQ(buffer.points().back().longitude, kMaxSegmentPoints - 1);
}

TEST(SegmentBuffer, TakesInPointsStoredInPlaceUpToTheCapacity) {
  SegmentBuffer buffer;
  std::span<GeoPoint> room = buffer.free_space();
  ASSERT_EQ(room.size(), kMaxSegmentPoints);
  room[0] = {1, 2};
  buffer.Extend(kMaxSegmentPoints - 1);
  EXPECT_EQ(buffer.points().front().latitude, 2);
  EXPECT_EQ(buffer.free_space().size(), 1u);
  buffer.free_space()[0] = {3, 4};
  buffer.Extend(1);
  EXPECT_EQ(buffer.points().back().latitude, 4);
  // Once full, the room is spare: points stored there are dropped.
  room = buffer.free_space();
  ASSERT_FALSE(room.empty());
  room[0] = {5, 6};
  buffer.Extend(1);
  EXPECT_EQ(buffer.count(), kMaxSegmentPoints);
  EXPECT_EQ(buffer.points().back().latitude, 4);
}

class SegmentFileTest : public ::testing::Test {
 protected:
  TempDir dir_;
  const FileIdentity kSomeOtherFile{0, 0};
};

TEST_F(SegmentFileTest, WritesWholeRecordsAndSkipsUnconvertibleOnes) {
  const auto path = dir_ / "out.bin";
  testing::WriteFileBytes(path, "old contents are truncated");
  SegmentFile file(path.string(), kSomeOtherFile);
  SegmentBuffer buffer;
  WriteSegment(file, buffer);  // empty: nothing
  buffer.Append({12.5, 48.25});
  WriteSegment(file, buffer);
  buffer.Append({std::numeric_limits<double>::max(), 0});
  WriteSegment(file, buffer);  // left out whole
  buffer.Clear();
  buffer.Append({0, 0});
  WriteSegment(file, buffer);
  file.Close();
  EXPECT_EQ(Hex(ReadFileBytes(path)), "01 00 00 00 00 EE 02 4F 0B 01 00 00 00 00 00 00 00 00");
}

TEST_F(SegmentFileTest, RefusesToCreateOverTheInput) {
  const auto path = dir_ / "x.bin";
  testing::WriteFileBytes(path, "input");
  const auto input = ReadRegularFile(path.string());
  ASSERT_TRUE(input);
  EXPECT_THROW(SegmentFile(path.string(), input->identity()), RunError);
  EXPECT_EQ(ReadFileBytes(path), "input");
}

TEST_F(SegmentFileTest, ReportsWhyItCannotCreate) {
  try {
    SegmentFile file(dir_.path().string(), kSomeOtherFile);
    FAIL() << "a directory was opened for writing";
  } catch (const RunError& error) {
    EXPECT_EQ(std::string(error.what()),
              "cannot create '" + dir_.path().string() + "': Is a directory");
  }
}

TEST_F(SegmentFileTest, ReportsAFullDiskAndKeepsOnlyWholeRecords) {
  SKIP_ON_WINDOWS("no /dev/full");
  SegmentFile file("/dev/full", kSomeOtherFile);
  SegmentBuffer buffer;
  buffer.Append({1, 1});
  try {
    WriteSegment(file, buffer);
    FAIL() << "a write to /dev/full succeeded";
  } catch (const RunError& error) {
    EXPECT_EQ(std::string(error.what()), "cannot write '/dev/full': No space left on device");
  }
}

}  // namespace
}  // namespace coord2seg
