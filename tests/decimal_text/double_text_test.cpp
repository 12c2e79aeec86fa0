// The C library versions of reading and writing doubles, which builds without floating-point
// <charconv> use, against <charconv> itself.
// SPDX-License-Identifier: MIT
#include "decimal_text/double_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

#include "decimal_text/shortest_double.h"

namespace coord2seg {
namespace {

std::string ByToChars(double value) {
  char text[40];
  return {text, std::to_chars(text, text + sizeof text, value).ptr};
}

std::string ByPrintf(double value) {
  char text[40];
  return {text, WriteShortestDoubleByPrintf(text, text + sizeof text, value).ptr};
}

// Doubles of every kind: any bits, powers of two (whose gap below is half the gap above),
// stored degrees (minutes / 60), short decimals and their neighbours.
double SomeDouble(std::mt19937_64& random, int kind) {
  switch (kind) {
    case 0: {
      const double value = std::bit_cast<double>(random());
      return std::isfinite(value) ? value : 1.5;
    }
    case 1:
      return std::ldexp(1.0, static_cast<int>(random() % 2098) - 1074);
    case 2:
      return static_cast<double>(static_cast<std::int16_t>(random())) / 60;
    default: {
      const double decimal = static_cast<double>(random() % 100000) / 1000;
      return std::nextafter(decimal, (random() & 1) ? 1e9 : -1e9);
    }
  }
}

TEST(DoubleText, ShortestByPrintfIsToChars) {
  std::mt19937_64 random(20261209);
  for (const double value : {0.0, -0.0, 1e20, 1e21, 1e-5, 123456789012345680.0, 5e-324,
                             1.7976931348623157e308, 0.3, 100.0, -240.0}) {
    EXPECT_EQ(ByPrintf(value), ByToChars(value)) << ByToChars(value);
  }
  for (int i = 0; i < 400000; ++i) {
    const double value = SomeDouble(random, i % 4);
    ASSERT_EQ(ByPrintf(value), ByToChars(value)) << ByToChars(value);
  }
}

TEST(DoubleText, ReadingByStrtodIsFromChars) {
  std::mt19937_64 random(7);
  const std::string cases[] = {"0",
                               "12.5",
                               ".5",
                               "5.",
                               "1e-400",
                               "1e400",
                               "0e999",
                               "2.5e-324",
                               "4.9406564584124654e-324",
                               "1.7976931348623158e308"};
  auto same = [](std::string_view text) {
    double by_strtod = -1;
    double by_from_chars = -1;
    const auto a = ReadDoubleByStrtod(text.data(), text.data() + text.size(), by_strtod);
    const auto b = std::from_chars(text.data(), text.data() + text.size(), by_from_chars);
    ASSERT_EQ(a.ec, b.ec) << text;
    ASSERT_EQ(a.ptr, b.ptr) << text;
    if (a.ec == std::errc()) {
      ASSERT_EQ(std::bit_cast<std::uint64_t>(by_strtod),
                std::bit_cast<std::uint64_t>(by_from_chars))
          << text;
    }
  };
  for (const std::string& text : cases) same(text);
  for (int i = 0; i < 100000; ++i) {
    // Long digit strings near halfway points: the printed exact neighbourhood of a double.
    char text[80];
    std::snprintf(text, sizeof text, "%.*e", static_cast<int>(16 + random() % 40),
                  SomeDouble(random, i % 4));
    same(std::string_view(text).substr(text[0] == '-'));
  }
}

}  // namespace
}  // namespace coord2seg
