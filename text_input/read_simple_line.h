// A common line read in place in one pass.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "common/geo_point.h"
#include "decimal_text/read_decimal.h"
#include "text_input/coordinate_grammar.h"

namespace coord2seg {

// Byte classes as bit sets over the codes 0 to 63, so a test is one comparison and one bit test.
// Made from the grammar's own tests.
template <typename Test>
constexpr std::uint64_t ByteSetBelow64(Test test) {
  std::uint64_t set = 0;
  for (unsigned code = 0; code < 64; ++code) {
    if (test(static_cast<char>(code))) set |= std::uint64_t{1} << code;
  }
  return set;
}
inline constexpr std::uint64_t kBlanksWithinLine =
    ByteSetBelow64([](char c) { return IsControlOrBlank(c) && !IsLineEnd(c); });
inline constexpr std::uint64_t kBlanksOrSemicolonWithinLine =
    ByteSetBelow64([](char c) { return IsTrimmedAroundSecondField(c) && !IsLineEnd(c); });

inline bool IsIn(std::uint64_t byte_set, char c) {
  const auto code = static_cast<unsigned char>(c);
  return code < 64 && ((byte_set >> code) & 1) != 0;
}

// Nearly every line is "number separators number" with plain numbers. Such a line is read here
// straight from the text in one forward pass, end mark included, without first cutting it out:
// returns where the next line starts and sets `point`. Any other line, including every line that
// would be rejected, gets nullptr and is left to the general reading, which alone decides what
// is rejected. `p` is the start of a line inside a text that ends at `end`.
inline const char* ReadSimpleLine(const char* p, const char* end, bool lat_first, GeoPoint& point) {
  const char* const line_start = p;
  const auto skip_while = [&p, end](std::uint64_t byte_set) {
    while (p != end && IsIn(byte_set, *p)) ++p;
  };
  skip_while(kBlanksWithinLine);
  double first = 0;
  p = ReadSimpleDecimal(p, end, first);
  if (p == nullptr || p == end || !IsFieldSeparator(*p)) return nullptr;
  skip_while(kBlanksOrSemicolonWithinLine);
  double second = 0;
  p = ReadSimpleDecimal(p, end, second);
  if (p == nullptr) return nullptr;
  skip_while(kBlanksOrSemicolonWithinLine);
  // Within the window the second field is all there is after the first separator.
  if (p - line_start > kSecondFieldWindow) return nullptr;
  if (p != end) {
    if (!IsLineEnd(*p)) return nullptr;
    if (*p++ == '\r' && p != end && *p == '\n') ++p;
  }
  point = AssignAndWrap(first, second, lat_first);
  return p;
}

}  // namespace coord2seg
