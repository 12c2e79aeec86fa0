// RoundHalfAway against std::llround on halves, their neighbours and random doubles.
// SPDX-License-Identifier: MIT
#include "common/round_half_away.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace coord2seg {
namespace {

// The C library's llround is the model. MinGW's takes the doubles just inside one half to the
// next whole number; read at run time, so that the compiler's own llround does not answer.
bool LlroundIsSound() {
  volatile double below_a_half = -0.49999999999999994;
  return std::llround(below_a_half) == 0;
}

TEST(RoundHalfAway, AgreesWithLlroundAtHalvesAndTheirNeighbours) {
  if (!LlroundIsSound())
    GTEST_SKIP() << "this C library's llround takes -0.49999999999999994 to -1";
  for (std::int64_t whole = -5000; whole <= 5000; ++whole) {
    const double half = static_cast<double>(whole) + 0.5;
    for (const double value :
         {half, std::nextafter(half, -INFINITY), std::nextafter(half, INFINITY),
          static_cast<double>(whole), std::nextafter(static_cast<double>(whole), INFINITY),
          std::nextafter(static_cast<double>(whole), -INFINITY)}) {
      ASSERT_EQ(RoundHalfAway(value), std::llround(value)) << value;
    }
  }
  for (const double value :
       {0.49999999999999994, -0.49999999999999994, 0.0, -0.0, 4503599627370495.5,
        -4503599627370495.5, 9007199254740993.0, 1e18, -1e18}) {
    ASSERT_EQ(RoundHalfAway(value), std::llround(value)) << value;
  }
}

TEST(RoundHalfAway, AgreesWithLlroundOnRandomDoubles) {
  std::mt19937_64 random(29);
  std::uniform_real_distribution<double> small(-70000, 70000);  // the map's grid, and beyond
  std::uniform_real_distribution<double> exponent(-20, 61);
  for (int i = 0; i < 2'000'000; ++i) {
    const double near = small(random);
    const double wide = std::copysign(std::exp2(exponent(random)), small(random));
    ASSERT_EQ(RoundHalfAway(near), std::llround(near)) << near;
    ASSERT_EQ(RoundHalfAway(wide), std::llround(wide)) << wide;
  }
}

}  // namespace
}  // namespace coord2seg
