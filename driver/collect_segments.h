#pragma once

#include <string_view>

#include "common/segment_buffer.h"
#include "text_input/line_splitter.h"
#include "text_input/parse_coordinate_line.h"
#include "text_input/simple_line.h"

namespace coord2seg {

// Walks the lines of `text` once, collecting accepted points in `buffer` and calling
// `end_segment(buffer)` at every separator line ('#' as its first byte) and after the last line,
// then emptying the buffer. Empty lines are passed over; lines that do not parse are dropped.
template <typename EndSegment>
void CollectSegments(std::string_view text, bool lat_first, SegmentBuffer& buffer,
                     EndSegment&& end_segment) {
  LineSplitter lines(text);
  const char* const text_end = text.data() + text.size();
  std::string_view line;
  GeoPoint point;
  buffer.Clear();
  for (;;) {
    // The common line is read in place, without cutting it out first.
    if (const char* next = ReadSimpleLine(lines.cursor(), text_end, lat_first, point)) {
      buffer.Append(point);
      lines.SkipTo(next);
      continue;
    }
    if (!lines.Next(line)) break;
    if (line.empty()) continue;
    if (line.front() == '#') {
      end_segment(static_cast<const SegmentBuffer&>(buffer));
      buffer.Clear();
    } else if (const auto parsed = ParseCoordinateLineInFull(line, lat_first)) {
      buffer.Append(*parsed);
    }
  }
  end_segment(static_cast<const SegmentBuffer&>(buffer));
  buffer.Clear();
}

}  // namespace coord2seg
