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
// neighbouring double, in whatever rounding mode the process has set. For |p| < 2^51 every
// integer and half-integer near p is a double too, and rounding is monotonic in every mode, so P
// cannot lie on the far side of a half-integer from p: rounding p to the nearest integer gives the
// same integer as rounding P, except when p is itself a half-integer and P a little off it. Only
// those, and large or non-finite values, take the exact way. p is rounded with a truncating
// conversion and an exact subtraction, which no rounding mode changes: the plugin runs in host
// processes that may have set another one.
inline bool DegreesToMinutes(double degrees, std::int64_t& minutes) {
  constexpr double kLimit = 0x1p51;
  const double product = degrees * 60;
  if (product > -kLimit && product < kLimit) {
    const auto whole = static_cast<std::int64_t>(product);
    const double fraction = product - static_cast<double>(whole);  // exact, below 1 in magnitude
    if (std::fabs(fraction) != 0.5) {
      minutes = whole + (fraction > 0.5) - (fraction < -0.5);
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
