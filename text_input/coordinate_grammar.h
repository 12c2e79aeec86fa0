// The coordinate grammar's rules: separators, blanks, line ends and limits, over the numbers'.
// SPDX-License-Identifier: MIT
#pragma once

// The numbers' own rules (digits, signs, decimal marks, limits) are the decimal readers'.
#include "decimal_text/read_decimal.h"
// The longitude wrap is part of reading a line too; it lives in common/ because the GDAL plugin's
// writer applies the same rule.
#include "common/geo_point.h"
#include "common/wrap_longitude.h"

namespace coord2seg {

// The coordinate text's grammar, each rule once. The general parser, the plain line reader and
// the vector line reader (whose byte classes are checked against these at compile time) all
// take their rules from here.

// Bytes 0 to 32 are trimmed from both ends of a line.
inline constexpr bool IsControlOrBlank(char c) { return static_cast<unsigned char>(c) <= 32; }
// The first of these ends the first field.
inline constexpr bool IsFieldSeparator(char c) { return c == ' ' || c == ';' || c == '\t'; }
// Once ';' is read as a blank, it is trimmed like one.
inline constexpr bool IsTrimmedAroundSecondField(char c) { return IsControlOrBlank(c) || c == ';'; }
inline constexpr bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// Only this much of the text after the first separator of a line is read for the second value.
inline constexpr long kSecondFieldWindow = 999;

// The first value is the longitude, or the latitude in lat-first order; the longitude is wrapped
// once, the latitude kept as read.
inline GeoPoint AssignAndWrap(double first, double second, bool lat_first) {
  const double longitude = lat_first ? second : first;
  const double latitude = lat_first ? first : second;
  return GeoPoint{WrapLongitude(longitude), latitude};
}

}  // namespace coord2seg
