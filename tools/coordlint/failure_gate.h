// Which findings fail coordlint's run.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "tools/coordlint/findings_report.h"

namespace coord2seg {

// Which findings fail the run (status 1). By default every dropped line, dropped segment, capped
// point and value out of range does; notes never do.
struct FailureGate {
  bool dropped = true;
  bool segment_dropped = true;
  bool capped = true;
  bool out_of_range = true;
  std::uint64_t allowed_dropped_lines = 0;

  bool Fails(const LintCounts& counts) const {
    return (dropped && counts.dropped_lines > allowed_dropped_lines) ||
           (segment_dropped && counts.dropped_segments > 0) ||
           (capped && counts.capped_points > 0) || (out_of_range && counts.values_out_of_range > 0);
  }
};

// Sets the kinds that fail from a list such as "dropped,segment-dropped,capped"; false for an
// empty list or an unknown kind.
bool SetFailingKinds(std::string_view list, FailureGate& gate);

// A count of lines as an option gives it: a whole number, nothing else.
std::optional<std::uint64_t> ReadLineCount(std::string_view text);

}  // namespace coord2seg
