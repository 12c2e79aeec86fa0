// One decimal field to a double: scanned, then converted by the fastest exact stage.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "decimal_text/clinger_fast_path.h"
#include "decimal_text/eisel_lemire.h"
#include "decimal_text/from_chars_fallback.h"
#include "decimal_text/scan_decimal.h"

namespace coord2seg {

// Why ParseDecimalField turned a field down.
struct FieldRejection {
  bool too_large = false;  // a decimal number beyond the double range; else no number at all
  std::size_t stop = 0;    // for no number: where the field leaves the grammar (ScanDecimal)
};

// One field to the nearest double, or nothing when the field is not a decimal number or its
// value is too large for a double; then `why`, when given, says which.
inline std::optional<double> ParseDecimalField(std::string_view field,
                                               FieldRejection* why = nullptr) {
  const std::optional<DecimalNumber> number = ScanDecimal(field, why ? &why->stop : nullptr);
  if (!number) return std::nullopt;
  if (std::optional<double> fast = ClingerFastPath(*number)) return fast;
  if (!number->truncated) {
    if (std::optional<double> product =
            EiselLemire(number->significand, number->exponent, number->negative)) {
      return product;
    }
  }
  std::optional<double> full = ConvertByFromChars(field, *number);
  if (!full && why) why->too_large = true;
  return full;
}

}  // namespace coord2seg
