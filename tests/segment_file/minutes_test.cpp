// Degrees to minutes, and every record encoder, against the exact products.
// SPDX-License-Identifier: MIT
#include "segment_file/minutes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfenv>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "driver/fast_paths.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"
#include "tests/support/instruction_sets.h"
#include "tests/support/reference_converter.h"

namespace coord2seg {
namespace {

using EncodeRecordOnEachSet = testing::EachInstructionSet;

struct MinutesCase {
  double degrees;
  std::int64_t minutes;
};

TEST(DegreesToMinutes, RoundsTheExactProductHalvesToEven) {
  const MinutesCase cases[] = {
      {0, 0},         {-0.0, 0},      {12.5, 750},
      {48.25, 2895},  {48.3, 2898},   {-180, -10800},
      {-90, -5400},   {0.125, 8},     {0.375, 22},
      {0.625, 38},    {-0.375, -22},  {-0.125, -8},
      {0.275, 17},    {0.425, 25},    {600, 36000},
      {1.0 / 120, 0}, {3.0 / 120, 2}, {std::numeric_limits<double>::denorm_min(), 0},
  };
  for (const MinutesCase& c : cases) EXPECT_EQ(DegreesToMinutes(c.degrees), c.minutes) << c.degrees;
}

TEST(DegreesToMinutes, FailsBeyondSixtyFourBits) {
  // 60 * 2^57 = 15 * 2^59 still fits; 60 * 2^58 does not.
  EXPECT_EQ(DegreesToMinutes(std::ldexp(1.0, 57)), 60 * (std::int64_t{1} << 57));
  EXPECT_EQ(DegreesToMinutes(-std::ldexp(1.0, 57)), -60 * (std::int64_t{1} << 57));
  EXPECT_EQ(DegreesToMinutes(std::ldexp(1.0, 58)), std::nullopt);
  EXPECT_EQ(DegreesToMinutes(-std::ldexp(1.0, 58)), std::nullopt);
  EXPECT_EQ(DegreesToMinutes(1e300), std::nullopt);
  EXPECT_EQ(DegreesToMinutes(std::numeric_limits<double>::infinity()), std::nullopt);
  EXPECT_EQ(DegreesToMinutes(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

TEST(DegreesToMinutes, KeepsLowSixteenBits) {
  EXPECT_EQ(LowSixteenBits(36000), -29536);
  EXPECT_EQ(LowSixteenBits(-10800), -10800);
  EXPECT_EQ(LowSixteenBits(65536 + 5), 5);
  EXPECT_EQ(LowSixteenBits(std::numeric_limits<std::int64_t>::min()), 0);
}

// Values of every exponent, of the usual range, on halves of a minute and next to them.
double RandomDegrees(std::mt19937_64& engine, int i) {
  std::uniform_real_distribution<double> degrees(-1000, 1000);
  std::uniform_int_distribution<int> ties(-2'000'000, 2'000'000);
  switch (i % 4) {
    case 0:
      return std::bit_cast<double>(engine());
    case 1:
      return degrees(engine);
    case 2:
      return (ties(engine) + 0.5) / 60;
    default:
      return std::nextafter((ties(engine) + 0.5) / 60, (i & 8) ? 1e9 : -1e9);
  }
}

TEST(DegreesToMinutes, AgreesWithExtendedPrecisionOnRandomValues) {
  ASSERT_EQ(std::fegetround(), FE_TONEAREST);
  std::mt19937_64 engine(60);
  for (int i = 0; i < 3'000'000; ++i) {
    const double value = RandomDegrees(engine, i);
    if (std::isnan(value)) continue;
    ASSERT_EQ(DegreesToMinutes(value), testing::ReferenceMinutes(value)) << std::hexfloat << value;
  }
}

// A host process of the GDAL plugin may round its arithmetic another way: every encoder still
// stores the minutes of the exact product, rounded to nearest.
TEST_P(EncodeRecordOnEachSet, IgnoresTheProcessRoundingMode) {
  const InstructionSet set = GetParam();
  std::mt19937_64 engine(62);
  std::vector<GeoPoint> points(4096);
  for (std::size_t i = 0; i < points.size(); ++i) {
    points[i] = {RandomDegrees(engine, 1 + static_cast<int>(i % 3)) / 4,
                 RandomDegrees(engine, 1) / 8};
  }
  std::vector<unsigned char> expected(RecordBytes(4096));
  ASSERT_TRUE(EncodeRecord(points, expected.data()));
  std::vector<unsigned char> bytes(expected.size());
  for (const int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    ASSERT_EQ(std::fesetround(mode), 0);
    const bool done = FastPathsFor(set).encode_record(points, bytes.data());
    std::fesetround(FE_TONEAREST);
    ASSERT_TRUE(done);
    EXPECT_EQ(bytes, expected) << "rounding mode " << mode;
  }
}

// Every record encoder this machine runs against the plain one, on records of 0 to 13 points
// (whole groups and leftovers) whose values are mostly common with an uncommon one now and then;
// none writes past the record.
TEST_P(EncodeRecordOnEachSet, EncodersAgreeWithThePlainOne) {
  const InstructionSet set = GetParam();
  std::mt19937_64 engine(61);
  std::uniform_real_distribution<double> degrees(-200, 700);
  const double kUncommon[] = {0.125,
                              -0.375,
                              0.275,
                              1e300,
                              -std::ldexp(1.0, 57),
                              0x1p31 / 60,
                              -0x1p31 / 60,
                              std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()};
  std::vector<unsigned char> plain(RecordBytes(13));
  std::vector<unsigned char> fast(RecordBytes(13));
  const RecordEncoder encode_record = FastPathsFor(set).encode_record;
  for (int round = 0; round < 300'000; ++round) {
    std::vector<GeoPoint> points(engine() % 14);
    for (GeoPoint& point : points) {
      for (double* value : {&point.longitude, &point.latitude}) {
        *value = engine() % 40 == 0 ? kUncommon[engine() % std::size(kUncommon)] : degrees(engine);
      }
    }
    const bool plain_done = EncodeRecord(points, plain.data());
    std::fill(fast.begin(), fast.end(), 0xa5);
    ASSERT_EQ(encode_record(points, fast.data()), plain_done) << round;
    // Nothing is written past the record, which may end the caller's buffer.
    ASSERT_TRUE(std::all_of(fast.begin() + RecordBytes(static_cast<std::uint32_t>(points.size())),
                            fast.end(), [](unsigned char byte) { return byte == 0xa5; }))
        << round;
    if (!plain_done) continue;  // the bytes are then in no defined state
    ASSERT_TRUE(std::equal(plain.begin(),
                           plain.begin() + RecordBytes(static_cast<std::uint32_t>(points.size())),
                           fast.begin()))
        << round;
  }
}

INSTANTIATE_TEST_SUITE_P(, EncodeRecordOnEachSet, testing::kEveryInstructionSet,
                         testing::ParamName);

}  // namespace
}  // namespace coord2seg
