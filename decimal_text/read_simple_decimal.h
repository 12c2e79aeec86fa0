// ReadSimpleDecimal: the one-pass reading of the shape nearly every coordinate has.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>

#include "decimal_text/decimal_grammar.h"
#include "decimal_text/digit_run.h"
#include "decimal_text/eisel_lemire.h"
#include "decimal_text/powers_of_ten.h"

namespace coord2seg {

// The shape nearly every coordinate has: an optional sign, at most 19 digits with at most one
// decimal mark, no exponent. Such a number is an integer of at most 19 digits divided by a power
// of ten no larger than 10^19, so whenever that integer is an exact double (at most 2^53) one
// division rounds only once and gives the correctly rounded result; longer integers take the
// 128-bit product (eisel_lemire.h).

namespace read_simple_decimal_detail {

// One rounding only: the significand is an exact double and so is the power of ten.
inline double ScaledValue(std::uint64_t significand, long fraction_digits, bool negative) {
  const double value = static_cast<double>(significand) / kExactPowersOfTen[fraction_digits];
  return negative ? -value : value;
}

// The digits of the number from `start` to `end` (digits and at most one mark) from the first
// nonzero one on: zeros before it leave the significand as it is.
inline long SignificantDigits(const char* start, const char* end) {
  const char* p = start;
  while (p != end && (*p == '0' || IsDecimalMark(*p))) ++p;
  long digits = end - p;
  for (; p != end; ++p) digits -= IsDecimalMark(*p);
  return digits;
}

// Any significand of at most 19 digits over 10^fraction_digits by the 128-bit product; false
// only in the rare cases it leaves to the exact conversion.
inline bool ProductOfDigits(std::uint64_t significand, long fraction_digits, bool negative,
                            double& value) {
  const std::optional<double> product =
      fraction_digits > 0 && fraction_digits <= kMaxExactPowerOfTen
          ? EiselLemireFraction(significand, static_cast<int>(fraction_digits), negative)
          : EiselLemire(significand, -fraction_digits, negative);
  if (product) value = *product;
  return product.has_value();
}

// The same, by one division when the significand is an exact double.
inline bool ValueOfDigits(std::uint64_t significand, long fraction_digits, bool negative,
                          double& value) {
  if (significand <= kMaxExactSignificand && fraction_digits <= kMaxExactPowerOfTen) {
    value = ScaledValue(significand, fraction_digits, negative);
    return true;
  }
  return ProductOfDigits(significand, fraction_digits, negative, value);
}

// The integer digits, at most seven, found with one word; the fraction digits with one word, or
// two when there are more than seven, as in the 15 to 17 significant digits of doubles printed
// shortest. At most 19 digits in all. Needs kShortDecimalReadable readable bytes at `p`; returns
// nullptr when the number is not of this shape.
inline constexpr long kShortDecimalReadable = 24;

inline const char* ParseShortDecimal(const char* p, bool negative, double& value) {
  const std::uint64_t integer_word = LoadEightBytes(p);
  const int integer_digits = LeadingDigitCount(integer_word);
  if (integer_digits == 8) return nullptr;
  std::uint64_t significand = integer_digits ? DigitsValue(integer_word, integer_digits) : 0;
  const char* q = p + integer_digits;
  int fraction_digits = 0;
  if (IsDecimalMark(*q)) {
    const std::uint64_t fraction_word = LoadEightBytes(++q);
    fraction_digits = LeadingDigitCount(fraction_word);
    if (fraction_digits > 0) {
      significand = AppendDigits(significand, fraction_word, fraction_digits);
      q += fraction_digits;
    }
    if (fraction_digits == 8) {
      const std::uint64_t more_word = LoadEightBytes(q);
      const int more = LeadingDigitCount(more_word);
      if (more == 8 || integer_digits + fraction_digits + more > kMaxSignificantDigits)
        return nullptr;
      if (more > 0) {
        significand = AppendDigits(significand, more_word, more);
        q += more;
        fraction_digits += more;
      }
    }
  }
  if (integer_digits + fraction_digits == 0) return nullptr;
  if (fraction_digits < 8) {  // at most 14 digits: always an exact double
    value = ScaledValue(significand, fraction_digits, negative);
    return q;
  }
  return ValueOfDigits(significand, fraction_digits, negative, value) ? q : nullptr;
}

// Any run lengths, eight bytes at a time and byte by byte near the end of the text.
inline const char* ParseLongDecimal(const char* p, const char* end, bool negative, double& value) {
  std::uint64_t significand = 0;
  const char* const digits_start = p;
  p = ReadDigitRun(p, end, significand);
  const long integer_digits = p - digits_start;
  long fraction_digits = 0;
  if (p != end && IsDecimalMark(*p)) {
    const char* const fraction_start = ++p;
    p = ReadDigitRun(p, end, significand);
    fraction_digits = p - fraction_start;
  }
  const long digits = integer_digits + fraction_digits;
  if (digits == 0) return nullptr;
  if (digits > kMaxSignificantDigits && SignificantDigits(digits_start, p) > kMaxSignificantDigits)
    return nullptr;
  return ValueOfDigits(significand, fraction_digits, negative, value) ? p : nullptr;
}

}  // namespace read_simple_decimal_detail

// Reads such a number starting at `p` and returns the position after it, or nullptr when the text
// there has another shape (which the full grammar then decides on). The number ends at the first
// byte that is not a digit or the first mark, or at `end`. The caller must check that this byte
// ends the field: where it is an exponent or a second mark, the field has another shape.
inline const char* ReadSimpleDecimal(const char* p, const char* end, double& value) {
  bool negative = false;
  if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  if (end - p >= read_simple_decimal_detail::kShortDecimalReadable) {
    if (const char* after = read_simple_decimal_detail::ParseShortDecimal(p, negative, value)) {
      return after;
    }
  }
  return read_simple_decimal_detail::ParseLongDecimal(p, end, negative, value);
}

}  // namespace coord2seg
