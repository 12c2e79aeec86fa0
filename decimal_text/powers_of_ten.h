// The powers of ten that are exact doubles.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <iterator>

namespace coord2seg {

// Every integer up to 2^53 is exactly a double.
inline constexpr std::uint64_t kMaxExactSignificand = std::uint64_t{1} << 53;
// 10^0 to 10^22: every one is exactly a double (5^22 < 2^53), which the fast conversions need:
// an exact significand times or over an exact power of ten rounds once.
inline constexpr int kMaxExactPowerOfTen = 22;
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
static_assert(std::size(kExactPowersOfTen) == kMaxExactPowerOfTen + 1);

// 10^0 to 10^8, for scaling integers by the length of a digit run.
inline constexpr std::uint64_t kIntegerPowersOfTen[] = {1,      10,      100,      1000,     10000,
                                                        100000, 1000000, 10000000, 100000000};

}  // namespace coord2seg
