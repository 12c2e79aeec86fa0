// Degrees to minutes of arc, exactly, rounded to nearest with ties to even.
// SPDX-License-Identifier: MIT
#include "segment_file/minutes.h"

#include <cmath>

#include "decimal_text/library_stand_ins.h"

namespace coord2seg {
namespace {

constexpr std::uint64_t kTopBit = std::uint64_t{1} << 63;

// A finite double as an exact product significand * 2^exponent.
struct BinaryValue {
  bool negative;
  std::uint64_t significand;  // below 2^53
  int exponent;
};

BinaryValue Decompose(double value) {
  const auto bits = BitCast<std::uint64_t>(value);
  const int biased_exponent = static_cast<int>((bits >> 52) & 0x7ff);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased_exponent == 0) return {(bits & kTopBit) != 0, fraction, -1074};  // zero, subnormal
  return {(bits & kTopBit) != 0, fraction | (std::uint64_t{1} << 52), biased_exponent - 1075};
}

// product / 2^shift rounded to nearest, ties to even; product is below 2^59.
std::uint64_t ShiftRightRoundingToEven(std::uint64_t product, int shift) {
  if (shift >= 60) return 0;  // the quotient is below one half
  const std::uint64_t quotient = product >> shift;
  const std::uint64_t remainder = product & ((std::uint64_t{1} << shift) - 1);
  const std::uint64_t half = std::uint64_t{1} << (shift - 1);
  const bool round_up = remainder > half || (remainder == half && (quotient & 1) != 0);
  return quotient + (round_up ? 1 : 0);
}

}  // namespace

std::optional<std::int64_t> ExactDegreesToMinutes(double degrees) {
  if (!std::isfinite(degrees)) return std::nullopt;
  const BinaryValue value = Decompose(degrees);
  // 60 times a 53-bit significand needs at most 59 bits, so the product is exact in 64.
  const std::uint64_t product = value.significand * 60;
  const std::uint64_t limit = value.negative ? kTopBit : kTopBit - 1;
  std::uint64_t magnitude = 0;
  if (value.exponent >= 0) {
    if (value.exponent >= 63 || product > (limit >> value.exponent)) return std::nullopt;
    magnitude = product << value.exponent;
  } else {
    magnitude = ShiftRightRoundingToEven(product, -value.exponent);
  }
  // Two's complement negation in unsigned arithmetic also covers -2^63.
  return static_cast<std::int64_t>(value.negative ? 0 - magnitude : magnitude);
}

}  // namespace coord2seg
