// Random text aimed at the corners of the coordinate line grammar.
// SPDX-License-Identifier: MIT
#pragma once

#include <random>
#include <string>

namespace coord2seg::testing {

// Random text aimed at the corners of the coordinate line grammar: signs, both decimal marks,
// long digit runs, exponents near the ends of the double range, stray bytes, and blank runs that
// straddle the 999-byte window of the second field.
class RandomLines {
 public:
  explicit RandomLines(std::uint64_t seed) : engine_(seed) {}

  std::string Field();  // one number-like field, valid or not
  std::string Line();   // one data line
  // A data line of two plain numbers (sign, digit runs of up to 9, or up to 4 and 17, either
  // mark or none) with blanks, ';' or TAB between them and blanks after, so its length varies
  // around 32 and 64 bytes.
  std::string PlainLine();

 private:
  std::size_t Below(std::size_t bound) {
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(engine_);
  }
  bool OneIn(std::size_t n) { return Below(n) == 0; }
  std::string Digits(std::size_t max_count);
  std::string Exponent();
  std::string Separator();
  std::string Padding();
  std::string StrayByte();
  std::string PlainNumber();

  std::mt19937_64 engine_;
};

}  // namespace coord2seg::testing
