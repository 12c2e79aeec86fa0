// Coordinate text that the converter turns back into the same segment file.
// SPDX-License-Identifier: MIT
#pragma once

#include <span>

#include "common/output_buffer.h"

namespace coord2seg {

// Coordinate text that the converter turns back into the same bytes, for a segment file that has
// passed CheckSegmentFile. Writes the whole file to `out` and leaves flushing to the caller.
void WriteCoordinateText(std::span<const unsigned char> file, OutputBuffer& out);

}  // namespace coord2seg
