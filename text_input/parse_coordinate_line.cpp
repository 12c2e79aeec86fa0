// ParseCoordinateLine: the general reading of one data line.
// SPDX-License-Identifier: MIT
#include "text_input/parse_coordinate_line.h"

#include <cstddef>

#include "decimal_text/read_decimal.h"
#include "text_input/coordinate_grammar.h"
#include "text_input/line_rejection.h"
#include "text_input/read_simple_line.h"

namespace coord2seg {
namespace {

template <typename Predicate>
std::string_view TrimBoth(std::string_view text, Predicate trimmed) {
  while (!text.empty() && trimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && trimmed(text.back())) text.remove_suffix(1);
  return text;
}

// The reason a field was turned down, told apart by where it leaves the grammar: at a blank,
// ';' or TAB (only the second field can hold one) a further value follows.
RejectReason FieldReason(std::string_view field, const FieldRejection& rejection) {
  if (rejection.too_large) return RejectReason::kTooLarge;
  if (field.empty()) return RejectReason::kEmptyField;
  if (rejection.stop < field.size() && IsFieldSeparator(field[rejection.stop])) {
    return RejectReason::kSeveralValues;
  }
  return RejectReason::kNotANumber;
}

bool HoldsMoreThanBlanks(std::string_view text) {
  for (const char c : text) {
    if (!IsTrimmedAroundSecondField(c)) return true;
  }
  return false;
}

}  // namespace

// Every line: the trimmed line is cut at its first blank, and the second field is the trimmed
// window after it. Each rejection says why when asked.
std::optional<GeoPoint> ParseCoordinateLineInFull(std::string_view line, bool lat_first,
                                                  LineRejection* why) {
  line = TrimBoth(line, IsControlOrBlank);
  std::size_t blank = 0;
  while (blank < line.size() && !IsFieldSeparator(line[blank])) ++blank;
  if (blank == line.size()) {
    if (why) *why = LineRejection{};
    return std::nullopt;
  }

  const std::string_view first_field = line.substr(0, blank);
  const std::string_view after_blank = line.substr(blank + 1);
  const std::string_view second_field =
      TrimBoth(after_blank.substr(0, kSecondFieldWindow), IsTrimmedAroundSecondField);

  FieldRejection rejection;
  FieldRejection* const field_why = why ? &rejection : nullptr;
  const std::optional<double> first = ParseDecimalField(first_field, field_why);
  if (!first) {
    if (why) *why = {FieldReason(first_field, rejection), 1, first_field};
    return std::nullopt;
  }
  const std::optional<double> second = ParseDecimalField(second_field, field_why);
  if (!second) {
    if (why) {
      const bool window_cut = after_blank.size() > kSecondFieldWindow &&
                              HoldsMoreThanBlanks(after_blank.substr(kSecondFieldWindow));
      *why = {FieldReason(second_field, rejection), 2, second_field, window_cut};
    }
    return std::nullopt;
  }
  return AssignAndWrap(*first, *second, lat_first);
}

std::optional<GeoPoint> ParseCoordinateLine(std::string_view line, bool lat_first) {
  const char* const end = line.data() + line.size();
  GeoPoint point;
  if (ReadSimpleLine(line.data(), end, lat_first, point) == end) return point;
  return ParseCoordinateLineInFull(line, lat_first);
}

}  // namespace coord2seg
