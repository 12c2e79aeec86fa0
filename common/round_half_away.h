// Rounding to the nearest whole number, halves away from zero, without a library call.
// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <cstdint>

namespace coord2seg {

// std::llround's result for values well inside 64 bits (|value| < 2^62). std::llround is a
// library call in WebAssembly that costs more than the rest of drawing a point on the page's map;
// trunc is one instruction, and value - trunc(value) is exact.
inline std::int64_t RoundHalfAway(double value) {
  const double whole = std::trunc(value);
  const double rest = value - whole;
  return static_cast<std::int64_t>(whole) + (rest >= 0.5 ? 1 : rest <= -0.5 ? -1 : 0);
}

}  // namespace coord2seg
