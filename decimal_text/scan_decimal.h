// ScanDecimal: a field that follows the decimal grammar, taken apart.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace coord2seg {

// A field that follows the decimal grammar, taken apart: the value is
// (negative ? -1 : 1) * significand * 10^exponent, exactly when `truncated` is false.
struct DecimalNumber {
  bool negative = false;
  // The first 19 significant digits; 19 digits always fit in 64 bits.
  std::uint64_t significand = 0;
  int significant_digits = 0;  // digits held in `significand`, at most 19
  bool truncated = false;      // a nonzero digit beyond the 19th was dropped
  std::int64_t exponent = 0;   // power of ten applied to `significand`
};

// Checks `field` against the decimal grammar: an optional '+' or '-', digits with at most one
// decimal mark ('.' or ','), at least one digit, then an optional exponent of 'e' or 'E', an
// optional sign and one or more digits. Anything else, including a blank, fails. Digits on only
// one side of the mark (".5", "5.") are accepted. When the field fails and `stop` is given, it is
// set to where the field leaves the grammar: the offset of the first byte that does not fit, or
// the field's size when the field ends too early ("", "-", "1e").
std::optional<DecimalNumber> ScanDecimal(std::string_view field, std::size_t* stop = nullptr);

}  // namespace coord2seg
