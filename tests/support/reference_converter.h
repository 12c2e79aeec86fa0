// The whole conversion done the slow way, the model the fast one is held to.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace coord2seg::testing {

// The whole conversion done the slow way: lines split byte by byte, each parsed by
// ReferenceParseLine, minutes rounded in x87 extended precision, records built byte by byte.
// Returns the bytes the segment file must hold.
std::string ReferenceSegmentFile(const std::string& text, bool lat_first);

// Lines split byte by byte: CR LF is one end mark, CR or LF alone is one too.
std::vector<std::string> ReferenceSplitLines(const std::string& text);

// Minutes of arc the slow way: x87 extended precision holds 60 * x exactly for any double x, so
// one rounding gives the answer. Nothing when it does not fit in 64 signed bits.
std::optional<std::int64_t> ReferenceMinutes(double degrees);

}  // namespace coord2seg::testing
