// Decimal to the nearest double from one 64 x 128-bit product (the Eisel-Lemire method).
// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>

#include "decimal_text/library_stand_ins.h"
#include "decimal_text/powers_of_five_128.h"

namespace coord2seg {

// w * 10^q to the nearest double for any 64-bit w, from one 64 x 128-bit product (the method of
// Eisel and Lemire): w * 10^q = w * 5^q * 2^q, and the leading 128 bits of 5^q come from a table.
// Returns nothing in the rare cases the product cannot decide (the caller then converts exactly):
// a value within one unit of the product's last bit below a rounding boundary, a result below
// the normal range, and one beyond the largest double.

namespace eisel_lemire_detail {

__extension__ using Uint128 = unsigned __int128;

inline constexpr int kMantissaBits = 52;
inline constexpr int kExponentBias = 1023;

// The nearest double to m * 2^e, m in [2^52, 2^53], or nothing outside the normal range.
inline std::optional<double> ComposeDouble(std::uint64_t mantissa, int exponent, bool negative) {
  if (mantissa >> (kMantissaBits + 1)) {  // rounding carried into a new leading bit
    mantissa >>= 1;
    ++exponent;
  }
  const int biased = exponent + kExponentBias + kMantissaBits;
  if (biased >= 2047) return std::nullopt;
  const std::uint64_t bits = (std::uint64_t{negative} << 63) |
                             (static_cast<std::uint64_t>(biased) << kMantissaBits) |
                             (mantissa & ((std::uint64_t{1} << kMantissaBits) - 1));
  return BitCast<double>(bits);
}

// w * 10^q when it is an integer times 2^q, else nothing. For 0 > q >= -27 only, where 5^-q
// fits in 64 bits.
inline std::optional<double> DyadicValue(std::uint64_t w, int q, bool negative) {
  if (q >= 0 || q < -27) return std::nullopt;
  std::uint64_t five = 1;
  for (int i = 0; i < -q; ++i) five *= 5;
  if (w % five != 0) return std::nullopt;
  // The conversion rounds to nearest, ties to even; the power of two only moves the exponent.
  const double value = std::ldexp(static_cast<double>(w / five), q);
  return negative ? -value : value;
}

// The place of the leading bit of w * 10^power, from where the product's leading bit fell
// (`top_bit`) and how far w was shifted to normalize it.
constexpr int LeadingBitExponent(int top_bit, int power, int leading_zeros) {
  return 190 + top_bit + PowerOfFiveExponent(power) - leading_zeros + power;
}

}  // namespace eisel_lemire_detail

inline std::optional<double> EiselLemire(std::uint64_t w, std::int64_t q, bool negative) {
  using eisel_lemire_detail::Uint128;
  if (w == 0) return negative ? -0.0 : 0.0;
  if (q < kMinPowerOfFive || q > kMaxPowerOfFive) return std::nullopt;
  const int power = static_cast<int>(q);
  const int leading_zeros = std::countl_zero(w);
  const std::uint64_t normalized = w << leading_zeros;
  const Uint128Parts& five = PowerOfFive128(power);
  const Uint128 lower = Uint128{normalized} * five.low;
  // The top 128 bits of the 192-bit product, exactly: at least 2^126.
  const Uint128 product = Uint128{normalized} * five.high + (lower >> 64);
  const auto high = static_cast<std::uint64_t>(product >> 64);
  const auto low = static_cast<std::uint64_t>(product);
  // 54 leading bits: the double's 53 and the bit that rounds them.
  const int top_bit = static_cast<int>(high >> 63);
  const int shift = 9 + top_bit;
  const std::uint64_t leading = high >> shift;
  const std::uint64_t below_mask = (std::uint64_t{1} << shift) - 1;
  const std::uint64_t below = high & below_mask;  // with `low`: the bits below the rounding bit
  bool rest_nonzero = true;
  if (power >= 0 && power <= 55) {
    // The entry is 5^q itself, so the product is the exact value scaled.
    rest_nonzero = (below | low | static_cast<std::uint64_t>(lower)) != 0;
  } else if (below == below_mask && low == ~std::uint64_t{0}) {
    // The entry is 5^q truncated, so the exact value lies above the product by less than two
    // units of its last bit: only a product one unit short of the next boundary is in doubt.
    // Nearly always that is a value with few binary digits, such as 12.5 written with 19 digits.
    return eisel_lemire_detail::DyadicValue(w, power, negative);
  }
  // The leading bit's place in w * 10^q, and whether the result is a normal double.
  const int exponent = eisel_lemire_detail::LeadingBitExponent(top_bit, power, leading_zeros);
  if (exponent < 1 - eisel_lemire_detail::kExponentBias) return std::nullopt;
  std::uint64_t mantissa = leading >> 1;
  if ((leading & 1) != 0 && (rest_nonzero || (mantissa & 1) != 0)) ++mantissa;  // ties to even
  return eisel_lemire_detail::ComposeDouble(mantissa, exponent - eisel_lemire_detail::kMantissaBits,
                                            negative);
}

// w / 10^k for 1 <= k <= 22, the shape of every coordinate with a fraction, in few instructions
// for the vector reader's loop; the value is always zero or a normal double. With the table's 5^-k
// truncated, the exact value lies above the product's leading 64 bits P by less than one unit of
// P's last bit and a hair, so a rounding boundary can lie between them only when P's bits 0 to 8
// are all ones, whichever bit leads. Otherwise P's leading 63 bits, with the lowest set for the
// part left out, which is never zero, round to nearest as the exact value does: the processor's
// conversion rounds them, and powers of two scale the result exactly. When P leaves the rounding
// open, the product with the table's next 64 bits decides it, short of a 2^-63 chance. False
// then.

namespace eisel_lemire_detail {

inline constexpr int kMaxFractionDigits = 22;

// For each k: the leading 128 bits of 5^-k, and 2^(e - 1084) for e the biased exponent of the
// result less one for a normalized w whose product has its top bit set; for each count z of w's
// leading zeros, 2^-z, and 0 for z = 64 (w = 0). The converted value is P / 2,
// P having its leading bit at 2^63 for a product whose top bit is set. One object, which one
// address reaches.
struct FractionScaleTable {
  std::uint64_t five_high[kMaxFractionDigits + 1];
  std::uint64_t five_low[kMaxFractionDigits + 1];
  double of_digits[kMaxFractionDigits + 1];
  double of_leading_zeros[65];
};

constexpr double PowerOfTwo(int exponent) {
  return BitCast<double>(static_cast<std::uint64_t>(exponent + kExponentBias) << kMantissaBits);
}

constexpr FractionScaleTable MakeFractionScaleTable() {
  FractionScaleTable table{};
  for (int k = 1; k <= kMaxFractionDigits; ++k) {
    table.five_high[k] = PowerOfFive128(-k).high;
    table.five_low[k] = PowerOfFive128(-k).low;
    table.of_digits[k] = PowerOfTwo(LeadingBitExponent(1, -k, 0) + kExponentBias - 1 - 1084);
  }
  for (int z = 0; z < 64; ++z) table.of_leading_zeros[z] = PowerOfTwo(-z);
  table.of_leading_zeros[64] = 0;  // w = 0
  return table;
}

inline constexpr FractionScaleTable kFractionScaleTable = MakeFractionScaleTable();

}  // namespace eisel_lemire_detail

// The two parts of FractionMagnitude, for callers that convert and scale in their own registers:
// the leading bits to convert, and the count of w's leading zeros that picks the second scale.
// `count_zero` for callers whose leading-zero count is one instruction (LZCNT): w = 0 is counted,
// 64, and scaled by 0 instead of taking a branch; without LZCNT the branch is cheaper.
template <bool count_zero = false>
inline bool FractionLeadingBits(std::uint64_t w, int k, std::int64_t& leading,
                                std::uint64_t& leading_zeros) {
  using eisel_lemire_detail::Uint128;
  const auto& table = eisel_lemire_detail::kFractionScaleTable;
  const auto index = static_cast<std::size_t>(k);
  if (!count_zero && w == 0) {
    leading = 0;
    leading_zeros = 0;
    return true;
  }
  leading_zeros = static_cast<std::uint32_t>(std::countl_zero(w));
  const std::uint64_t normalized = w << (leading_zeros & 63);
  Uint128 product = Uint128{normalized} * table.five_high[index];
  // Adding 1 carries out of bits 0 to 8 exactly when all of them are ones.
  if (((static_cast<std::uint64_t>(product >> 64) + 1) & 0x1ff) == 0) [[unlikely]] {
    product += (Uint128{normalized} * table.five_low[index]) >> 64;
    // The exact value now lies less than two units of the last bit above the 128 bits.
    if (static_cast<std::uint64_t>(product) >= ~std::uint64_t{1}) return false;
  }
  leading = static_cast<std::int64_t>(static_cast<std::uint64_t>(product >> 64) >> 1 | 1);
  return true;
}

template <bool count_zero = false>
inline bool FractionMagnitude(std::uint64_t w, int k, double& magnitude) {
  std::int64_t leading = 0;
  std::uint64_t leading_zeros = 0;
  if (!FractionLeadingBits<count_zero>(w, k, leading, leading_zeros)) return false;
  const auto& table = eisel_lemire_detail::kFractionScaleTable;
  magnitude = static_cast<double>(leading) * table.of_digits[static_cast<std::size_t>(k)] *
              table.of_leading_zeros[leading_zeros];
  return true;
}

inline std::optional<double> EiselLemireFraction(std::uint64_t w, int k, bool negative) {
  double magnitude = 0;
  if (!FractionMagnitude(w, k, magnitude)) return EiselLemire(w, -k, negative);
  return negative ? -magnitude : magnitude;
}

}  // namespace coord2seg
