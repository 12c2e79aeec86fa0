// Random coordinate lines and fields.
// SPDX-License-Identifier: MIT
#include "tests/support/random_lines.h"

#include <array>

namespace coord2seg::testing {

std::string RandomLines::Digits(std::size_t max_count) {
  std::string digits;
  const std::size_t count = OneIn(20) ? Below(400) : Below(max_count + 1);
  const bool zeros = OneIn(8);  // leading or trailing zero runs move the exponent, not the value
  for (std::size_t i = 0; i < count; ++i) {
    digits += zeros && OneIn(2) ? '0' : static_cast<char>('0' + Below(10));
  }
  return digits;
}

std::string RandomLines::Exponent() {
  static constexpr std::array<int, 14> kNearEdges = {0,   1,   22,  23,  290, 306, 307,
                                                     308, 309, 320, 323, 324, 325, 400};
  std::string exponent = OneIn(2) ? "e" : "E";
  const std::size_t sign = Below(3);
  exponent += sign == 0 ? "" : sign == 1 ? "+" : "-";
  if (OneIn(30)) return exponent;  // no digits
  exponent += OneIn(3) ? std::to_string(kNearEdges[Below(kNearEdges.size())] + Below(3))
                       : std::to_string(Below(40));
  if (OneIn(50)) exponent += std::string(25, '9');
  return exponent;
}

std::string RandomLines::StrayByte() {
  static constexpr std::array<char, 16> kStray = {
      'x', 'e', '.', ',', '+', '-', '#', ' ', ';', '\t', '\0', '\x7f', '\xff', '\x01', 'i', '\r'};
  return std::string(1, kStray[Below(kStray.size())]);
}

std::string RandomLines::Field() {
  static constexpr std::array<const char*, 8> kSpecial = {
      "180", "-180", "540", "-540", "179.99999999999997", "inf", "nan", "0x1p3"};
  if (OneIn(40)) return kSpecial[Below(kSpecial.size())];
  std::string field;
  const std::size_t sign = Below(6);
  field += sign == 0 ? "-" : sign == 1 ? "+" : sign == 2 && OneIn(10) ? "+-" : "";
  field += Digits(6);
  const std::size_t mark = Below(5);
  if (mark < 3) field += mark == 0 ? "," : ".";
  if (mark < 3 || OneIn(4)) field += Digits(20);
  if (OneIn(4)) field += Exponent();
  if (OneIn(15)) field.insert(Below(field.size() + 1), StrayByte());
  return field;
}

std::string RandomLines::Separator() {
  static constexpr std::array<const char*, 8> kSeparators = {" ",  " ",   ";",     "\t",
                                                             "  ", " ; ", "\t;\t", ""};
  if (OneIn(25)) return std::string(995 + Below(8), ' ');
  return kSeparators[Below(kSeparators.size())];
}

std::string RandomLines::Padding() {
  static constexpr std::array<const char*, 7> kPadding = {"", "", "", " ", "\t", "\x01\x02", ";"};
  std::string padding = kPadding[Below(kPadding.size())];
  if (OneIn(30)) padding += std::string(1, '\0');
  return padding;
}

std::string RandomLines::Line() {
  std::string line = Padding() + Field() + Separator() + Field();
  if (OneIn(10)) line += Separator() + Field();
  line += Padding();
  return line;
}

std::string RandomLines::PlainNumber() {
  static constexpr std::array<const char*, 6> kSigns = {"", "", "", "-", "-", "+"};
  static constexpr std::array<const char*, 5> kMarks = {".", ".", ",", ".", ""};
  std::string number = kSigns[Below(kSigns.size())];
  // One in three has up to 21 digits, as exports of doubles print them.
  const bool long_digits = OneIn(3);
  number += Digits(long_digits ? 4 : 9);
  number += kMarks[Below(kMarks.size())];
  return number + Digits(long_digits ? 17 : 9);
}

std::string RandomLines::PlainLine() {
  static constexpr std::array<const char*, 6> kBetween = {" ", " ", ";", "\t", "  ", " ; "};
  std::string line = PlainNumber() + kBetween[Below(kBetween.size())] + PlainNumber();
  if (OneIn(3)) line.append(Below(16), ' ');
  return line;
}

}  // namespace coord2seg::testing
