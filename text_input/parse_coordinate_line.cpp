#include "text_input/parse_coordinate_line.h"

#include <cstddef>

#include "text_input/parse_decimal.h"
#include "text_input/simple_line.h"

namespace coord2seg {
namespace {

template <typename Predicate>
std::string_view TrimBoth(std::string_view text, Predicate trimmed) {
  while (!text.empty() && trimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && trimmed(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

// Every line: the trimmed line is cut at its first blank, and the second field is the trimmed
// window after it.
std::optional<GeoPoint> ParseCoordinateLineInFull(std::string_view line, bool lat_first) {
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
  return AssignAndWrap(*first, *second, lat_first);
}

std::optional<GeoPoint> ParseCoordinateLine(std::string_view line, bool lat_first) {
  const char* const end = line.data() + line.size();
  GeoPoint point;
  if (ReadSimpleLine(line.data(), end, lat_first, point) == end) return point;
  return ParseCoordinateLineInFull(line, lat_first);
}

}  // namespace coord2seg
