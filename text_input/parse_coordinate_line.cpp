#include "text_input/parse_coordinate_line.h"

#include <cstddef>

#include "text_input/parse_decimal.h"

namespace coord2seg {
namespace {

// Only this much of the text after the first blank is read for the second value.
constexpr std::size_t kSecondFieldWindow = 999;

bool IsControlOrBlank(char c) { return static_cast<unsigned char>(c) <= 32; }
bool IsFieldSeparator(char c) { return c == ' ' || c == ';' || c == '\t'; }
// Once ';' is read as a blank, it is trimmed like one.
bool IsTrimmedAroundSecondField(char c) { return IsControlOrBlank(c) || c == ';'; }

template <typename Predicate>
std::string_view TrimBoth(std::string_view text, Predicate trimmed) {
  while (!text.empty() && trimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && trimmed(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<GeoPoint> ParseCoordinateLine(std::string_view line, bool lat_first) {
  line = TrimBoth(line, IsControlOrBlank);
  std::size_t blank = 0;
  while (blank < line.size() && !IsFieldSeparator(line[blank])) ++blank;
  if (blank == line.size()) return std::nullopt;

  const std::string_view first_field = line.substr(0, blank);
  const std::string_view second_field =
      TrimBoth(line.substr(blank + 1, kSecondFieldWindow), IsTrimmedAroundSecondField);

  const std::optional<double> first = ParseDecimalField(first_field);
  if (!first) return std::nullopt;
  const std::optional<double> second = ParseDecimalField(second_field);
  if (!second) return std::nullopt;

  const double longitude = lat_first ? *second : *first;
  const double latitude = lat_first ? *first : *second;
  return GeoPoint{WrapLongitude(longitude), latitude};
}

}  // namespace coord2seg
