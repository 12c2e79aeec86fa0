// Runs of decimal digits read eight bytes at a time.
// SPDX-License-Identifier: MIT
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "decimal_text/powers_of_ten.h"

namespace coord2seg {

// Reading a run of decimal digits eight bytes at a time. A coordinate has runs of one to eight
// digits, and a loop over bytes spends most of its time on branches; one 64-bit word tells where
// the run ends and yields its value with a few multiplications.

static_assert(std::endian::native == std::endian::little, "the word tricks assume little-endian");

inline std::uint64_t LoadEightBytes(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// How many of the word's bytes, from the first, are ASCII digits (0 to 8). A byte gets its top
// bit set in `non_digits` unless it is in '0'..'9'. Carries and borrows only run toward later
// bytes, and only out of a non-digit, so the first non-digit is always marked correctly.
inline int LeadingDigitCount(std::uint64_t word) {
  const std::uint64_t non_digits =
      ((word + 0x4646464646464646) | (word - 0x3030303030303030)) & 0x8080808080808080;
  return non_digits == 0 ? 8 : std::countr_zero(non_digits) / 8;
}

// The value of the first `count` bytes (1 to 8), which are all digits, the first byte being the
// most significant digit.
inline std::uint64_t DigitsValue(std::uint64_t word, int count) {
  std::uint64_t digits = word - 0x3030303030303030;
  // Keep the run and move it to the top, so the empty places become leading zeros.
  digits <<= 8 * (8 - count);
  digits = digits * 10 + (digits >> 8);  // byte 2i: the two-digit number of digits 2i, 2i+1
  const std::uint64_t pairs_0_2 = digits & 0x000000FF000000FF;
  const std::uint64_t pairs_1_3 = (digits >> 16) & 0x000000FF000000FF;
  return (pairs_0_2 * (100 + (1000000ULL << 32)) + pairs_1_3 * (1 + (10000ULL << 32))) >> 32;
}

// `value` followed by the first `count` bytes of `word` (1 to 8 digits): value * 10^count + them.
// Wraps beyond 19 digits in all; callers count the digits and refuse those.
inline std::uint64_t AppendDigits(std::uint64_t value, std::uint64_t word, int count) {
  return value * kIntegerPowersOfTen[count] + DigitsValue(word, count);
}

// Reads the digits from `p` up to the first non-digit or `end` and adds them to `value`
// (value * 10^n + digits). Runs longer than 19 digits wrap `value`; callers count the digits and
// refuse those.
inline const char* ReadDigitRun(const char* p, const char* end, std::uint64_t& value) {
  while (end - p >= 8) {
    const std::uint64_t word = LoadEightBytes(p);
    const int count = LeadingDigitCount(word);
    if (count > 0) value = AppendDigits(value, word, count);
    p += count;
    if (count < 8) return p;
  }
  for (; p != end && static_cast<unsigned>(*p - '0') < 10; ++p) {
    value = value * 10 + static_cast<unsigned>(*p - '0');
  }
  return p;
}

}  // namespace coord2seg
