#pragma once

#include <string>

namespace coord2seg::testing {

// The whole conversion done the slow way: lines split byte by byte, each parsed by
// ReferenceParseLine, minutes rounded in x87 extended precision, records built byte by byte.
// Returns the bytes the segment file must hold.
std::string ReferenceSegmentFile(const std::string& text, bool lat_first);

}  // namespace coord2seg::testing
