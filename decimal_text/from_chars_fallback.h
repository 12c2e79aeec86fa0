// Converts a scanned decimal field to the nearest double, for any number of digits.
// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string_view>

#include "decimal_text/scan_decimal.h"

namespace coord2seg {

// Converts a field that passed ScanDecimal to the nearest double, for any number of digits and
// any exponent. Fails only when the value is too large for a double; a value too small becomes
// zero with its sign.
std::optional<double> ConvertByFromChars(std::string_view field, const DecimalNumber& number);

}  // namespace coord2seg
