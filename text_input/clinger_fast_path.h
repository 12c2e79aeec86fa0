#pragma once

#include <cstdint>
#include <optional>

#include "text_input/decimal_number.h"

namespace coord2seg {

// Most coordinates have few digits and a small power of ten. When the significand is an exact
// double (at most 2^53) and the power of ten is one too (10^22 at most), one IEEE multiplication
// or division rounds only once, so it yields the correctly rounded result (Clinger, 1990).
inline std::optional<double> ClingerFastPath(const DecimalNumber& number) {
  static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  constexpr std::uint64_t kMaxExactSignificand = std::uint64_t{1} << 53;
  if (number.truncated || number.significand > kMaxExactSignificand) return std::nullopt;
  if (number.exponent < -22 || number.exponent > 22) {
    if (number.significand != 0) return std::nullopt;
    return number.negative ? -0.0 : 0.0;  // zero stays zero under any power of ten
  }
  double value = static_cast<double>(number.significand);
  value = number.exponent < 0 ? value / kPowersOfTen[-number.exponent]
                              : value * kPowersOfTen[number.exponent];
  return number.negative ? -value : value;
}

}  // namespace coord2seg
