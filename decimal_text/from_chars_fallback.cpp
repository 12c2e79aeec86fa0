// The general conversion of a decimal field to the nearest double.
// SPDX-License-Identifier: MIT
#include "decimal_text/from_chars_fallback.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <system_error>

#include "decimal_text/decimal_grammar.h"
#include "decimal_text/double_text.h"

namespace coord2seg {

std::optional<double> ConvertByFromChars(std::string_view field, const DecimalNumber& number) {
  // ReadDouble reads neither a leading '+' nor any decimal mark but '.', so the sign is applied
  // here and every mark is handed over as '.'. It is correctly rounded and locale-independent.
  if (!field.empty() && IsSign(field.front())) field.remove_prefix(1);
  const auto other_mark = [](char c) { return IsDecimalMark(c) && c != '.'; };
  std::string with_point;
  if (std::any_of(field.begin(), field.end(), other_mark)) {
    with_point.assign(field);
    std::replace_if(with_point.begin(), with_point.end(), other_mark, '.');
    field = with_point;
  }
  double magnitude = 0;
  const auto [end, error] = ReadDouble(field.data(), field.data() + field.size(), magnitude);
  if (error == std::errc::result_out_of_range) {
    // Reported both for a result that rounds to zero and for one beyond the largest double; the
    // place of the leading digit tells them apart.
    const bool too_small = number.exponent + number.significant_digits <= 0;
    if (!too_small) return std::nullopt;
    magnitude = 0;
  } else if (error != std::errc() || end != field.data() + field.size()) {
    return std::nullopt;
  }
  return number.negative ? -magnitude : magnitude;
}

}  // namespace coord2seg
