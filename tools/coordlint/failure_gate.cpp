// Which findings fail coordlint's run.
// SPDX-License-Identifier: MIT
#include "tools/coordlint/failure_gate.h"

#include <charconv>

namespace coord2seg {

bool SetFailingKinds(std::string_view list, FailureGate& gate) {
  FailureGate chosen = gate;
  chosen.dropped = chosen.segment_dropped = chosen.capped = chosen.out_of_range = false;
  for (;;) {
    const std::size_t comma = list.find(',');
    const std::string_view kind = list.substr(0, comma);
    if (kind == "dropped") {
      chosen.dropped = true;
    } else if (kind == "segment-dropped") {
      chosen.segment_dropped = true;
    } else if (kind == "capped") {
      chosen.capped = true;
    } else if (kind == "out-of-range") {
      chosen.out_of_range = true;
    } else {
      return false;
    }
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  gate = chosen;
  return true;
}

std::optional<std::uint64_t> ReadLineCount(std::string_view text) {
  std::uint64_t count = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return count;
}

}  // namespace coord2seg
