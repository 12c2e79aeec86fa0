// The leading 128 bits of the powers of five, for the Eisel-Lemire product and shortest printing.
// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace coord2seg {

// The leading 128 bits of 5^q for every q from kMinPowerOfFive to kMaxPowerOfFive, truncated:
// 5^q = (high * 2^64 + low + d) * 2^e with 0 <= d < 1 and the top bit of `high` set. The binary
// exponent e is PowerOfFiveExponent(q). Exact (d = 0) for q from 0 to 55, where 5^q < 2^128.
//
// The table is computed by the compiler from exact big integers: 5^q by repeated multiplication
// for q >= 0, and floor(2^kReciprocalBits / 5^-q) by repeated division for q < 0 (floor of a
// floor is the floor of the quotient, so no error builds up). The tests check each entry against
// a separate big-integer product.

inline constexpr int kMinPowerOfFive = -342;  // 10^19 * 10^-343 already rounds to zero
inline constexpr int kMaxPowerOfFive = 308;   // 10^309 is beyond the double range

struct Uint128Parts {
  std::uint64_t high;
  std::uint64_t low;
};

// floor(q * log2(5)) - 127, the power of two the table entry for q is scaled by: 2^32 * log2(5)
// is 9972605231.2 and the product stays exact far beyond |q| = 342.
constexpr int PowerOfFiveExponent(int q) {
  return static_cast<int>((std::int64_t{q} * 9972605231) >> 32) - 127;
}

namespace powers_of_five_detail {

// A nonnegative big integer in 32-bit limbs, least significant first: enough for 2^1024.
struct BigNumber {
  static constexpr int kLimbs = 33;
  std::uint32_t limbs[kLimbs] = {};

  constexpr void MultiplyBy(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs) {
      const std::uint64_t product = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
  }
  constexpr void DivideBy(std::uint32_t divisor) {
    std::uint64_t remainder = 0;
    for (int i = kLimbs - 1; i >= 0; --i) {
      const std::uint64_t current = (remainder << 32) | limbs[i];
      limbs[i] = static_cast<std::uint32_t>(current / divisor);
      remainder = current % divisor;
    }
  }
  constexpr int BitLength() const {
    for (int i = kLimbs - 1; i >= 0; --i) {
      if (limbs[i] != 0) return 32 * i + 32 - std::countl_zero(limbs[i]);
    }
    return 0;
  }
  // The 32 bits from bit `bit` up, bits below bit 0 reading as zeros.
  constexpr std::uint32_t BitsFrom(int bit) const {
    if (bit <= -32) return 0;
    if (bit < 0) return limbs[0] << -bit;
    const int limb = bit / 32;
    const std::uint64_t pair =
        limbs[limb] | (limb + 1 < kLimbs ? std::uint64_t{limbs[limb + 1]} << 32 : 0);
    return static_cast<std::uint32_t>(pair >> (bit % 32));
  }
  // The 128 bits below and including the leading one, zeros shifted in when there are fewer.
  constexpr Uint128Parts Leading128() const {
    const int low_bit = BitLength() - 128;
    const auto word = [this, low_bit](int at) {
      return (std::uint64_t{BitsFrom(low_bit + at + 32)} << 32) | BitsFrom(low_bit + at);
    };
    return {word(64), word(0)};
  }
};

constexpr int kReciprocalBits = 1000;  // 2^1000 / 5^342 still has 200 bits
constexpr std::size_t kCount = kMaxPowerOfFive - kMinPowerOfFive + 1;

constexpr std::array<Uint128Parts, kCount> MakeTable() {
  std::array<Uint128Parts, kCount> table{};
  BigNumber power;
  power.limbs[0] = 1;
  for (int q = 0; q <= kMaxPowerOfFive; ++q) {
    table[q - kMinPowerOfFive] = power.Leading128();
    power.MultiplyBy(5);
  }
  BigNumber reciprocal;
  reciprocal.limbs[kReciprocalBits / 32] = std::uint32_t{1} << (kReciprocalBits % 32);
  for (int q = -1; q >= kMinPowerOfFive; --q) {
    reciprocal.DivideBy(5);
    table[q - kMinPowerOfFive] = reciprocal.Leading128();
  }
  return table;
}

}  // namespace powers_of_five_detail

inline constexpr std::array<Uint128Parts, powers_of_five_detail::kCount> kPowersOfFive128 =
    powers_of_five_detail::MakeTable();

inline constexpr const Uint128Parts& PowerOfFive128(int q) {
  return kPowersOfFive128[static_cast<std::size_t>(q - kMinPowerOfFive)];
}

}  // namespace coord2seg
