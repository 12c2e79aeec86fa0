#pragma once

#include <string_view>

#include "common/segment_buffer.h"
#include "driver/fast_paths.h"
#include "text_input/line_splitter.h"
#include "text_input/parse_coordinate_line.h"
#include "text_input/simple_lines.h"

namespace coord2seg {

// Walks the lines of `text` once, collecting accepted points in `buffer` and calling
// `end_segment(buffer)` at every separator line ('#' as its first byte) and after the last line,
// then emptying the buffer. Empty lines are passed over; lines that do not parse are dropped.
// `read_simple_lines` takes the runs of common lines; the fastest this CPU runs unless given.
template <typename EndSegment>
void CollectSegments(
    std::string_view text, bool lat_first, SegmentBuffer& buffer, EndSegment&& end_segment,
    SimpleLinesReader read_simple_lines = FastPathsFor(BestInstructionSet()).read_simple_lines) {
  LineSplitter lines(text);
  const char* const text_end = text.data() + text.size();
  std::string_view line;
  buffer.Clear();
  for (;;) {
    // Common lines are read in place, without cutting them out first.
    const SimpleLinesRead run =
        read_simple_lines(lines.cursor(), text_end, lat_first, buffer.free_space());
    buffer.Extend(run.lines);
    lines.SkipTo(run.next);
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
