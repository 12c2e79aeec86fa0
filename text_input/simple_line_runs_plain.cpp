// The plain C++ line reader.
// SPDX-License-Identifier: MIT
#include "text_input/read_simple_line.h"
#include "text_input/simple_line_runs.h"

namespace coord2seg {

SimpleLinesRead ReadSimpleLines(const char* p, const char* end, bool lat_first,
                                std::span<GeoPoint> points) {
  std::uint32_t lines = 0;
  while (lines < points.size()) {
    const char* next = ReadSimpleLine(p, end, lat_first, points[lines]);
    if (next == nullptr) break;
    p = next;
    ++lines;
  }
  return {p, lines, 0, 0};
}

}  // namespace coord2seg
