#pragma once

#include <optional>
#include <string_view>

#include "text_input/clinger_fast_path.h"
#include "text_input/decimal_number.h"
#include "text_input/full_conversion.h"

namespace coord2seg {

// One field to the nearest double, or nothing when the field is not a decimal number or its
// value is too large for a double.
inline std::optional<double> ParseDecimalField(std::string_view field) {
  const std::optional<DecimalNumber> number = ScanDecimal(field);
  if (!number) return std::nullopt;
  if (std::optional<double> fast = ClingerFastPath(*number)) return fast;
  return FullConversion(field, *number);
}

}  // namespace coord2seg
