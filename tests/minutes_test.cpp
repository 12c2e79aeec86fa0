#include "segment_file/minutes.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <limits>
#include <random>

#include "tests/reference_converter.h"

namespace coord2seg {
namespace {

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

TEST(DegreesToMinutes, AgreesWithExtendedPrecisionOnRandomValues) {
  ASSERT_EQ(std::fegetround(), FE_TONEAREST);
  std::mt19937_64 engine(60);
  std::uniform_real_distribution<double> degrees(-1000, 1000);
  std::uniform_int_distribution<int> ties(-2'000'000, 2'000'000);
  for (int i = 0; i < 3'000'000; ++i) {
    double value = 0;
    switch (i % 4) {
      case 0:
        value = std::bit_cast<double>(engine());
        break;  // every exponent
      case 1:
        value = degrees(engine);
        break;
      case 2:
        value = (ties(engine) + 0.5) / 60;
        break;  // near halves
      default:
        value = std::nextafter((ties(engine) + 0.5) / 60, (i & 8) ? 1e9 : -1e9);
    }
    if (std::isnan(value)) continue;
    ASSERT_EQ(DegreesToMinutes(value), testing::ReferenceMinutes(value)) << std::hexfloat << value;
  }
}

}  // namespace
}  // namespace coord2seg
