// Why the reading turns a field or a data line down.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>

namespace coord2seg {

// Why the reading turns a field or a data line down. The converter drops such lines without a
// word; a checking tool asks for the reason, which the same reading reports as it decides.
enum class RejectReason : std::uint8_t {
  kNoSeparator,    // the trimmed line has no blank, ';' or TAB
  kEmptyField,     // nothing to read: a line that starts with ';', or nothing after the separator
  kNotANumber,     // the field leaves the decimal grammar at a byte that is not a separator
  kSeveralValues,  // the field leaves the grammar at a blank, ';' or TAB: a further value follows
  kTooLarge,       // a decimal number too large in magnitude for a double
};

// A rejected data line: the reason, and the field it concerns as it stands in the line.
struct LineRejection {
  RejectReason reason = RejectReason::kNoSeparator;
  int field_number = 0;    // 1 or 2; 0 for kNoSeparator
  std::string_view field;  // the bytes of that field in the line, untranslated
  // Only part of the line was read for the second field: its 999-byte window ends before the
  // line does.
  bool window_cut = false;
};

}  // namespace coord2seg
