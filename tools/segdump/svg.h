// An SVG map in plate carree with every record drawn.
// SPDX-License-Identifier: MIT
#pragma once

#include <span>

#include "common/output_buffer.h"

namespace coord2seg {

inline constexpr int kDefaultSvgWidth = 1600;
inline constexpr int kMinSvgWidth = 16;
inline constexpr int kMaxSvgWidth = 100000;

struct SvgOptions {
  bool fit = false;              // frame the records' extent instead of the whole world
  int width = kDefaultSvgWidth;  // in pixels; also sets how finely points are kept apart
};

// An SVG map in plate carree with all records drawn, for a segment file that has passed
// CheckSegmentFile. Writes the whole file to `out` and leaves flushing to the caller.
void WriteSvg(std::span<const unsigned char> file, const SvgOptions& options, OutputBuffer& out);

}  // namespace coord2seg
