// Degrees to minutes of arc: the exact product with 60, rounded to nearest with ties to even.
// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

namespace coord2seg {

// Degrees to minutes of arc: the exact product with 60, rounded to the nearest integer with
// halves going to the even neighbour. Nothing when that integer does not fit in 64 signed bits.
// Works on the double's significand in integer arithmetic, for every value.
std::optional<std::int64_t> ExactDegreesToMinutes(double degrees);

// The same result, quicker for the usual values, as a flag and an out-parameter so that a loop
// keeps it in registers. The double product p = degrees * 60 rounds the exact product P to a
// neighbouring double. For |p| < 2^51 every integer and half-integer near p is a double too, and
// rounding is monotonic, so P cannot lie on the far side of a half-integer from p: an integer
// less than one half from p is the one nearest P too. Adding and removing 1.5 * 2^52 rounds p to
// an integer, the nearest one in the default rounding mode; the plugin runs in host processes
// that may have set another mode, so the result is taken only when it is less than one half from
// p. Halves, values that another mode rounded the far way, and large or non-finite values take
// the exact way.
inline bool DegreesToMinutes(double degrees, std::int64_t& minutes) {
  constexpr double kLimit = 0x1p51;
  constexpr double kRoundingShift = 0x1.8p52;
  const double product = degrees * 60;
  if (product > -kLimit && product < kLimit) {
    const double rounded = (product + kRoundingShift) - kRoundingShift;
    if (std::fabs(product - rounded) < 0.5) {
      minutes = static_cast<std::int64_t>(rounded);
      return true;
    }
  }
  const std::optional<std::int64_t> exact = ExactDegreesToMinutes(degrees);
  if (exact) minutes = *exact;
  return exact.has_value();
}

inline std::optional<std::int64_t> DegreesToMinutes(double degrees) {
  std::int64_t minutes = 0;
  if (!DegreesToMinutes(degrees, minutes)) return std::nullopt;
  return minutes;
}

// The segment file keeps the low 16 bits in two's complement, so values beyond the 16-bit range
// wrap around.
inline std::int16_t LowSixteenBits(std::int64_t minutes) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(minutes));
}

}  // namespace coord2seg
