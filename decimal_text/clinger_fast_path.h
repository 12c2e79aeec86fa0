// Decimal to double exactly when the significand and the power of ten are exact doubles.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>

#include "decimal_text/powers_of_ten.h"
#include "decimal_text/scan_decimal.h"

namespace coord2seg {

// Most coordinates have few digits and a small power of ten. When the significand is an exact
// double (at most 2^53) and the power of ten is one too (10^22 at most), one IEEE multiplication
// or division rounds only once, so it yields the correctly rounded result (Clinger, 1990).
inline std::optional<double> ClingerFastPath(const DecimalNumber& number) {
  if (number.truncated || number.significand > kMaxExactSignificand) return std::nullopt;
  if (number.exponent < -kMaxExactPowerOfTen || number.exponent > kMaxExactPowerOfTen) {
    if (number.significand != 0) return std::nullopt;
    return number.negative ? -0.0 : 0.0;  // zero stays zero under any power of ten
  }
  double value = static_cast<double>(number.significand);
  value = number.exponent < 0 ? value / kExactPowersOfTen[-number.exponent]
                              : value * kExactPowersOfTen[number.exponent];
  return number.negative ? -value : value;
}

}  // namespace coord2seg
