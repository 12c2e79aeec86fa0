// The decimal grammar's rules: digits, signs, the decimal marks and the limits on a number.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace coord2seg {

// A number's rules, each once: the decimal readers here and the coordinate grammar, which reads
// two such numbers on a line, take them from this header.

inline constexpr bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }
inline constexpr bool IsSign(char c) { return c == '+' || c == '-'; }
// Both marks are read as the decimal point, so "12,5" is 12.5.
inline constexpr bool IsDecimalMark(char c) { return c == '.' || c == ','; }

// The significant digits a number keeps: 10^19 - 1 still fits in 64 bits. The fast readers take
// numbers of at most this many and leave longer ones to the general reading.
inline constexpr int kMaxSignificantDigits = 19;

// Exponent digits beyond this add nothing: any such exponent already leaves the double range,
// and capping keeps the arithmetic far from overflow.
inline constexpr std::int64_t kExponentCap = 1'000'000'000'000;

}  // namespace coord2seg
