#pragma once

#include <cstdint>
#include <optional>

namespace coord2seg {

// Degrees to minutes of arc: the exact product with 60, rounded to the nearest integer with
// halves going to the even neighbour. Nothing when that integer does not fit in 64 signed bits.
std::optional<std::int64_t> DegreesToMinutes(double degrees);

// The segment file keeps the low 16 bits in two's complement, so values beyond the 16-bit range
// wrap around.
inline std::int16_t LowSixteenBits(std::int64_t minutes) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(minutes));
}

}  // namespace coord2seg
