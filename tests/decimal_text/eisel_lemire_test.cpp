// The 128-bit product conversion against the exact one (std::from_chars), and its table against
// big-integer products.
// SPDX-License-Identifier: MIT
#include "decimal_text/eisel_lemire.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "decimal_text/powers_of_five_128.h"
#include "tests/support/property_rounds.h"

namespace coord2seg {
namespace {

// Just enough of a big integer to check the table: 32-bit limbs, least significant first.
using Big = std::vector<std::uint32_t>;

Big Product(const Big& a, const Big& b) {
  Big result(a.size() + b.size(), 0);
  for (std::size_t i = 0; i < a.size(); ++i) {
    std::uint64_t carry = 0;
    for (std::size_t j = 0; j < b.size(); ++j) {
      const std::uint64_t sum = std::uint64_t{a[i]} * b[j] + result[i + j] + carry;
      result[i + j] = static_cast<std::uint32_t>(sum);
      carry = sum >> 32;
    }
    result[i + b.size()] = static_cast<std::uint32_t>(carry);
  }
  return result;
}

Big PowerOf(std::uint32_t base, int exponent) {
  Big result{1};
  for (int i = 0; i < exponent; ++i) result = Product(result, Big{base});
  return result;
}

Big TwoTo(int exponent) {
  Big result(static_cast<std::size_t>(exponent / 32 + 1), 0);
  result.back() = std::uint32_t{1} << (exponent % 32);
  return result;
}

Big FromParts(const Uint128Parts& parts, std::uint32_t add) {
  const std::uint64_t low = parts.low + add;
  const std::uint64_t high = parts.high + (low < parts.low ? 1 : 0);
  return {static_cast<std::uint32_t>(low), static_cast<std::uint32_t>(low >> 32),
          static_cast<std::uint32_t>(high), static_cast<std::uint32_t>(high >> 32), 0};
}

// a < b, -1; a == b, 0; a > b, 1.
int Compare(Big a, Big b) {
  while (a.size() < b.size()) a.push_back(0);
  while (b.size() < a.size()) b.push_back(0);
  for (std::size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

// Each entry T with exponent e is the truncation of 5^q / 2^e: T * 2^e <= 5^q < (T + 1) * 2^e,
// checked as integers by moving the negative powers to the other side.
TEST(PowersOfFive, EachEntryIsTheTruncatedPower) {
  for (int q = kMinPowerOfFive; q <= kMaxPowerOfFive; ++q) {
    const Uint128Parts& entry = PowerOfFive128(q);
    ASSERT_NE(entry.high >> 63, 0u) << q;
    const int e = PowerOfFiveExponent(q);
    const Big five = PowerOf(5, q < 0 ? -q : q);
    for (const std::uint32_t add : {0u, 1u}) {
      Big left = FromParts(entry, add);
      Big right = five;
      // q >= 0: T * 2^e against 5^q; q < 0: T * 5^-q * 2^(e + ...) against 1, i.e. with
      // 2^-e on the right.
      if (q >= 0) {
        if (e >= 0) left = Product(left, TwoTo(e));
        if (e < 0) right = Product(right, TwoTo(-e));
      } else {
        left = Product(left, five);
        right = TwoTo(-e);
      }
      ASSERT_EQ(Compare(left, right), add == 0 ? (q >= 0 && q <= 55 ? 0 : -1) : 1) << q;
    }
  }
}

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

// The exact conversion of w * 10^q, or nothing beyond the normal double range.
std::optional<double> Exactly(std::uint64_t w, int q, bool negative) {
  const std::string text = std::to_string(w) + "e" + std::to_string(q);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || std::fpclassify(value) == FP_SUBNORMAL) return std::nullopt;
  return negative ? -value : value;
}

std::uint64_t FivePower(int k) {
  std::uint64_t five = 1;
  for (int i = 0; i < k; ++i) five *= 5;
  return five;
}

class Comparison {
 public:
  // Fails the test when the fast conversion gives a value other than the exact one.
  void Check(std::uint64_t w, int q, bool negative) {
    ++checked_;
    const std::optional<double> fast = EiselLemire(w, q, negative);
    if (q < 0 && q >= -22) {  // the shortcut for fractions decides the same, or leaves the same
      const std::optional<double> fraction = EiselLemireFraction(w, -q, negative);
      ASSERT_EQ(fraction.has_value(), fast.has_value()) << w << "e" << q;
      if (fast) {
        ASSERT_EQ(Bits(*fraction), Bits(*fast)) << w << "e" << q;
      }
    }
    const std::optional<double> exact = Exactly(w, q, negative);
    if (q < 0 && q >= -22) {  // the same magnitude as a double, unless it leaves the value open
      double magnitude = -1;
      if (FractionMagnitude(w, -q, magnitude)) {
        ASSERT_TRUE(exact.has_value()) << w << "e" << q;
        ASSERT_EQ(Bits(magnitude), Bits(std::fabs(*exact))) << w << "e" << q;
      } else if (w % FivePower(-q) != 0) {
        ++magnitudes_left_;  // only a value with few binary digits may lie on a boundary
      }
    }
    if (!fast) {
      if (exact && *exact != 0) ++undecided_;
      return;
    }
    ASSERT_TRUE(exact.has_value()) << w << "e" << q;
    ASSERT_EQ(Bits(*fast), Bits(*exact)) << w << "e" << q;
  }
  int checked() const { return checked_; }
  int undecided() const { return undecided_; }
  // Fractions FractionMagnitude left open though w / 10^k is no integer times 2^-k.
  int magnitudes_left() const { return magnitudes_left_; }

 private:
  int checked_ = 0;
  int undecided_ = 0;
  int magnitudes_left_ = 0;
};

TEST(EiselLemire, AgreesWithTheExactConversionOnRandomDecimals) {
  std::mt19937_64 engine(15);
  Comparison comparison;
  for (int i = 0; i < testing::PropertyRounds(2'000'000); ++i) {
    const int digits = 1 + static_cast<int>(engine() % 19);
    std::uint64_t w = engine() % 10'000'000'000'000'000'000u;
    w %= digits == 19 ? 10'000'000'000'000'000'000u
                      : static_cast<std::uint64_t>(std::pow(10, digits));
    // Mostly the exponents coordinates have, and every other one too.
    const int q =
        i % 4 == 0 ? static_cast<int>(engine() % 700) - 360 : -static_cast<int>(engine() % 20);
    comparison.Check(w, q, (i & 1) != 0);
    if (HasFailure()) return;
  }
  EXPECT_LT(comparison.undecided(), 10);
  EXPECT_EQ(comparison.magnitudes_left(), 0);
}

// The leading 64 bits of the fraction product, as FractionMagnitude forms them.
std::uint64_t LeadingProduct(std::uint64_t w, int k) {
  __extension__ using Uint128 = unsigned __int128;
  const std::uint64_t normalized = w << std::countl_zero(w);
  return static_cast<std::uint64_t>(
      (Uint128{normalized} * eisel_lemire_detail::kFractionScaleTable.five_high[k]) >> 64);
}

// Fractions whose leading 64 bits of product end in nine ones, where the exact value may lie past
// a rounding boundary and the next 64 bits decide, found among random ones of every length, and
// decimals that are exactly halfway between two doubles (an odd 54-bit integer times 5^k over
// 10^k), and their neighbours: FractionMagnitude gives the exact conversion's magnitude for each,
// or leaves it open only where the value is an integer times 2^-k (the exact halfway points).
TEST(EiselLemire, FractionMagnitudeDecidesOpenRoundingsAndHalfwayPoints) {
  std::mt19937_64 engine(17);
  Comparison comparison;
  int open = 0;
  for (int i = 0; open < 3000 && i < 10'000'000; ++i) {
    const int k = 1 + static_cast<int>(engine() % 22);
    const int digits = 1 + static_cast<int>(engine() % 19);
    const std::uint64_t w =
        1 + engine() % (digits == 19 ? 9'999'999'999'999'999'999u
                                     : static_cast<std::uint64_t>(std::pow(10, digits)) - 1);
    if (((LeadingProduct(w, k) + 1) & 0x1ff) != 0) continue;
    ++open;
    comparison.Check(w, -k, (i & 1) != 0);
    if (HasFailure()) return;
  }
  EXPECT_EQ(open, 3000);
  for (int i = 0; i < testing::PropertyRounds(200'000); ++i) {
    const std::uint64_t odd = (engine() >> 11) | (std::uint64_t{1} << 53) | 1;
    const int k = 1 + static_cast<int>(engine() % 4);  // 5^k * 2^54 < 10^19
    const std::uint64_t five = FivePower(k);
    comparison.Check(odd * five, -k, false);
    comparison.Check(odd * five - 1, -k, false);
    comparison.Check(odd * five + 1, -k, true);
    if (HasFailure()) return;
  }
  EXPECT_EQ(comparison.magnitudes_left(), 0);
}

// Zero in any number of fraction digits, and the smallest and largest significands, with zero
// taken by its branch and by its count of 64 leading zeros (w = 1 has 63, next to it).
TEST(EiselLemire, FractionMagnitudeAtTheEnds) {
  for (int k = 1; k <= 22; ++k) {
    double magnitude = -1;
    double counted = -1;
    ASSERT_TRUE(FractionMagnitude(0, k, magnitude));
    ASSERT_TRUE(FractionMagnitude<true>(0, k, counted));
    EXPECT_EQ(Bits(magnitude), Bits(0.0)) << k;
    EXPECT_EQ(Bits(counted), Bits(0.0)) << k;
    for (const std::uint64_t w :
         {std::uint64_t{1}, std::uint64_t{3}, ~std::uint64_t{0}, std::uint64_t{1} << 63}) {
      ASSERT_TRUE(FractionMagnitude(w, k, magnitude)) << w << " " << k;
      ASSERT_TRUE(FractionMagnitude<true>(w, k, counted)) << w << " " << k;
      EXPECT_EQ(Bits(magnitude), Bits(*Exactly(w, -k, false))) << w << " " << k;
      EXPECT_EQ(Bits(counted), Bits(magnitude)) << w << " " << k;
    }
  }
}

// Decimals of 19 digits on either side of the point halfway between two neighbouring doubles,
// and exact halfway points, which round to the even neighbour.
TEST(EiselLemire, AgreesWithTheExactConversionNextToHalfwayPoints) {
  std::mt19937_64 engine(16);
  Comparison comparison;
  for (int i = 0; i < testing::PropertyRounds(500'000); ++i) {
    // The two neighbours printed to 19 digits with one exponent; halfway is near their mean.
    // Every other one has a coordinate's size, so its 19 digits are mostly a fraction.
    const int binary_exponent = i % 2 == 0 ? static_cast<int>(engine() % 2000) - 1000
                                           : static_cast<int>(engine() % 40) - 20;
    const double value =
        std::ldexp(0.5 + static_cast<double>(engine() >> 12) * 0x1p-53, binary_exponent);
    const double next = std::nextafter(value, 2 * value);
    char low_text[40];
    char high_text[40];
    const auto low_end =
        std::to_chars(low_text, low_text + 40, value, std::chars_format::scientific, 18).ptr;
    const auto high_end =
        std::to_chars(high_text, high_text + 40, next, std::chars_format::scientific, 18).ptr;
    const std::string low(low_text, low_end);
    const int exponent = std::stoi(low.substr(low.find('e') + 1)) - 18;
    const std::string high(high_text, high_end);
    if (high.substr(high.find('e')) != low.substr(low.find('e'))) continue;
    const auto digits = [](const std::string& text) {
      return std::stoull(text.substr(0, 1) + text.substr(2, 18));
    };
    const std::uint64_t middle = digits(low) + (digits(high) - digits(low)) / 2;
    for (std::uint64_t w = middle - 2; w <= middle + 2; ++w) comparison.Check(w, exponent, false);
    // Exact halfway points: an odd 54-bit integer times a power of two or divided by one.
    const std::uint64_t odd = (engine() >> 10) | (std::uint64_t{1} << 53) | 1;
    const int k = static_cast<int>(engine() % 5);
    comparison.Check(odd << k, 0, true);
    comparison.Check(odd * static_cast<std::uint64_t>(std::pow(5, k)), -k, false);
    if (HasFailure()) return;
  }
  EXPECT_GT(comparison.checked(), testing::PropertyRounds(2'000'000));
  EXPECT_LT(comparison.undecided(), 10);
}

TEST(EiselLemire, LeavesWhatItCannotDecide) {
  // Beyond the table, beyond the largest double, below the normal range.
  EXPECT_FALSE(EiselLemire(1, 400, false));
  EXPECT_FALSE(EiselLemire(1, -400, false));
  EXPECT_FALSE(EiselLemire(2'000'000'000'000'000'000u, 290, false));
  EXPECT_FALSE(EiselLemire(1, -320, false));
  // 12.5 written with 19 digits is exact, and the truncated table entry puts the product a hair
  // below it: decided as an integer times a power of two.
  EXPECT_EQ(*EiselLemire(1'250'000'000'000'000'000u, -17, false), 12.5);
  EXPECT_EQ(Bits(*EiselLemire(0, 7, true)), Bits(-0.0));
  EXPECT_EQ(*EiselLemire(17'976'931'348'623'157u, 292, false), 1.7976931348623157e308);
}

}  // namespace
}  // namespace coord2seg
