// ScanDecimal: a field taken apart by the decimal grammar.
// SPDX-License-Identifier: MIT
#include "decimal_text/scan_decimal.h"

#include "decimal_text/decimal_grammar.h"

namespace coord2seg {
namespace {

// Reads "digits[mark digits]" into `number`; returns where it stopped and whether a digit was seen.
const char* ScanSignificand(const char* p, const char* end, DecimalNumber& number,
                            bool& saw_digit) {
  bool after_mark = false;
  for (; p != end; ++p) {
    const char c = *p;
    if (IsDigit(c)) {
      saw_digit = true;
      const unsigned digit = static_cast<unsigned>(c - '0');
      if (number.significant_digits == 0 && digit == 0) {
        if (after_mark) --number.exponent;  // leading zero: only its place counts
      } else if (number.significant_digits < kMaxSignificantDigits) {
        number.significand = number.significand * 10 + digit;
        ++number.significant_digits;
        if (after_mark) --number.exponent;
      } else {
        number.truncated |= digit != 0;
        if (!after_mark) ++number.exponent;
      }
    } else if (IsDecimalMark(c) && !after_mark) {
      after_mark = true;
    } else {
      break;
    }
  }
  return p;
}

// Reads "[sign] digits" from `p` to the end of the field. False when the exponent is malformed;
// `p` then points at the byte that does not fit, or at the end when the digits are missing.
bool ScanExponent(const char*& p, const char* end, std::int64_t& exponent) {
  bool negative = false;
  if (p != end && IsSign(*p)) negative = *p++ == '-';
  if (p == end) return false;
  std::int64_t value = 0;
  for (; p != end; ++p) {
    if (!IsDigit(*p)) return false;
    if (value < kExponentCap) value = value * 10 + (*p - '0');
  }
  exponent += negative ? -value : value;
  return true;
}

}  // namespace

std::optional<DecimalNumber> ScanDecimal(std::string_view field, std::size_t* stop) {
  const char* p = field.data();
  const char* const end = p + field.size();
  const auto fail = [stop, &field](const char* at) -> std::optional<DecimalNumber> {
    if (stop != nullptr) *stop = static_cast<std::size_t>(at - field.data());
    return std::nullopt;
  };
  DecimalNumber number;
  if (p != end && IsSign(*p)) number.negative = *p++ == '-';
  bool saw_digit = false;
  p = ScanSignificand(p, end, number, saw_digit);
  if (!saw_digit) return fail(p);
  if (p != end) {
    if (*p != 'e' && *p != 'E') return fail(p);
    ++p;
    if (!ScanExponent(p, end, number.exponent)) return fail(p);
  }
  return number;
}

}  // namespace coord2seg
