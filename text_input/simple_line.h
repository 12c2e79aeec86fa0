#pragma once

#include <cstdint>

#include "common/geo_point.h"
#include "common/wrap_longitude.h"
#include "text_input/simple_decimal.h"

namespace coord2seg {

// Only this much of the text after the first blank of a line is read for the second value.
inline constexpr long kSecondFieldWindow = 999;

inline bool IsControlOrBlank(char c) { return static_cast<unsigned char>(c) <= 32; }
inline bool IsFieldSeparator(char c) { return c == ' ' || c == ';' || c == '\t'; }
// Once ';' is read as a blank, it is trimmed like one.
inline bool IsTrimmedAroundSecondField(char c) { return IsControlOrBlank(c) || c == ';'; }
inline bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// Byte classes as bit sets over the codes 0 to 63, so a test is one comparison and one bit test.
inline constexpr std::uint64_t kBlanksWithinLine =
    ((std::uint64_t{1} << 33) - 1) & ~(std::uint64_t{1} << '\n') & ~(std::uint64_t{1} << '\r');
inline constexpr std::uint64_t kBlanksOrSemicolonWithinLine = kBlanksWithinLine | std::uint64_t{1}
                                                                                      << ';';

inline bool IsIn(std::uint64_t byte_set, char c) {
  const auto code = static_cast<unsigned char>(c);
  return code < 64 && ((byte_set >> code) & 1) != 0;
}

inline GeoPoint AssignAndWrap(double first, double second, bool lat_first) {
  const double longitude = lat_first ? second : first;
  const double latitude = lat_first ? first : second;
  return GeoPoint{WrapLongitude(longitude), latitude};
}

// Nearly every line is "number separators number" with plain numbers. Such a line is read here
// straight from the text in one forward pass, end mark included, without first cutting it out:
// returns where the next line starts and sets `point`. Any other line, including every line that
// would be rejected, gets nullptr and is left to the general reading, which alone decides what
// is rejected. `p` is the start of a line inside a text that ends at `end`.
template <LongFractions kRoute = LongFractions::kDivideWhenExact>
inline const char* ReadSimpleLine(const char* p, const char* end, bool lat_first, GeoPoint& point) {
  const char* const line_start = p;
  const auto skip_while = [&p, end](std::uint64_t byte_set) {
    while (p != end && IsIn(byte_set, *p)) ++p;
  };
  skip_while(kBlanksWithinLine);
  double first = 0;
  p = ParseSimpleDecimal<kRoute>(p, end, first);
  if (p == nullptr || p == end || !IsFieldSeparator(*p)) return nullptr;
  skip_while(kBlanksOrSemicolonWithinLine);
  double second = 0;
  p = ParseSimpleDecimal<kRoute>(p, end, second);
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
