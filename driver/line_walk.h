// The loop over a text's lines: points collected into segments, each finished segment handed on.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

#include "driver/fast_paths.h"
#include "segment_file/record_format.h"
#include "text_input/line_rejection.h"
#include "text_input/line_splitter.h"
#include "text_input/parse_coordinate_line.h"
#include "text_input/simple_line_runs.h"

namespace coord2seg {

// Whether the observer hears of each point: yes, unless it says kHearsPoints = false.
template <typename Observer>
constexpr bool HearsPoints() {
  if constexpr (requires { Observer::kHearsPoints; }) {
    return Observer::kHearsPoints;
  } else {
    return true;
  }
}

// Whether the observer hears of the points of each run of common lines in one call: no, unless it
// says kHearsRuns = true.
template <typename Observer>
constexpr bool HearsRuns() {
  if constexpr (requires { Observer::kHearsRuns; }) {
    return Observer::kHearsRuns;
  } else {
    return false;
  }
}

// Walks the lines of `text` once, collecting accepted points in `buffer` and calling
// `observer.EndSegment(buffer)` at every separator line ('#' as its first byte) and after the last
// line, then emptying the buffer. Empty lines are passed over; lines that do not parse are
// dropped; a segment keeps its first kMaxSegmentPoints points.
//
// The observer also hears of every line but the empty ones, numbered from 1 as the text is split:
//   Point(number, bytes, point, stored)  an accepted point, `stored` false beyond the cap; `bytes`
//                                        holds the line, with its end mark when read in place
//   Rejected(number, line, why)          a dropped data line; `why` is only filled in when the
//                                        observer's kWantsReasons is true
//   SeparatorLine(number, line)          just before the EndSegment it causes
//   Points(number, bytes, points, stored) only with kHearsRuns = true, in place of Point for the
//                                        lines read in place: a run of accepted points on lines
//                                        from `number` on, `bytes` holding those lines with their
//                                        end marks; the first `stored` are in the segment
// An observer that does nothing there costs nothing: the numbers and views it never reads compile
// away, and the loop is the converter's plain loop. One that does not hear of points at all
// (kHearsPoints = false) lets the loop read each run of common lines in one call, and so does one
// that hears a run's points together (kHearsRuns = true).
//
// `read_simple_lines` reads the common lines in place, without cutting them out first; unless
// given, the fastest this CPU runs.
template <typename Observer>
void WalkLines(
    std::string_view text, bool lat_first, SegmentBuffer& buffer, Observer& observer,
    SimpleLinesReader read_simple_lines = FastPathsFor(BestInstructionSet()).read_simple_lines);

// WalkLines on a text that comes in parts, each ending right after an LF (or where the text
// ends): the lines of `part` numbered on from `last_number`, which is left at the part's last
// line, and the segment being collected left in `buffer` for the next part. For a whole text:
// an empty buffer and 0 as the last number, the parts in order, then EndSegment once.
template <typename Observer>
void WalkLinesOfPart(std::string_view part, bool lat_first, SegmentBuffer& buffer,
                     Observer& observer, std::uint64_t& last_number,
                     SimpleLinesReader read_simple_lines) {
  LineSplitter lines(part);
  const char* const text_end = part.data() + part.size();
  std::string_view line;
  LineRejection why;
  std::uint64_t number = last_number;
  for (;;) {
    const char* const start = lines.cursor();
    if constexpr (HearsRuns<Observer>()) {
      const std::uint32_t before = buffer.count();
      const std::span<GeoPoint> room = buffer.free_space();
      const SimpleLinesRead run = read_simple_lines(start, text_end, lat_first, room);
      if (run.lines > 0) {
        buffer.Extend(run.lines);
        const std::string_view bytes(start, static_cast<std::size_t>(run.next - start));
        observer.Points(number + 1, bytes, std::as_const(room).first(run.lines),
                        buffer.count() - before);
        number += run.lines;
        lines.SkipTo(run.next);
      }
    } else if constexpr (HearsPoints<Observer>()) {
      GeoPoint point;
      const SimpleLinesRead read =
          read_simple_lines(start, text_end, lat_first, std::span<GeoPoint>(&point, 1));
      if (read.lines == 1) {
        const std::string_view bytes(start, static_cast<std::size_t>(read.next - start));
        observer.Point(++number, bytes, point, buffer.Append(point));
        lines.SkipTo(read.next);
        continue;
      }
    } else {
      const SimpleLinesRead run =
          read_simple_lines(start, text_end, lat_first, buffer.free_space());
      buffer.Extend(run.lines);
      number += run.lines;
      if (run.separator_mark != 0) {
        lines.SkipTo(run.next + run.separator_length + run.separator_mark);
        observer.SeparatorLine(++number, std::string_view(run.next, run.separator_length));
        observer.EndSegment(std::as_const(buffer));
        buffer.Clear();
        continue;
      }
      lines.SkipTo(run.next);
    }
    if (!lines.Next(line)) break;
    ++number;
    if (line.empty()) continue;
    if (line.front() == '#') {
      observer.SeparatorLine(number, line);
      observer.EndSegment(std::as_const(buffer));
      buffer.Clear();
    } else if (const auto parsed = ParseCoordinateLineInFull(
                   line, lat_first, Observer::kWantsReasons ? &why : nullptr)) {
      observer.Point(number, line, *parsed, buffer.Append(*parsed));
    } else {
      observer.Rejected(number, line, why);
    }
  }
  last_number = number;
}

template <typename Observer>
void WalkLines(std::string_view text, bool lat_first, SegmentBuffer& buffer, Observer& observer,
               SimpleLinesReader read_simple_lines) {
  std::uint64_t number = 0;
  buffer.Clear();
  WalkLinesOfPart(text, lat_first, buffer, observer, number, read_simple_lines);
  observer.EndSegment(std::as_const(buffer));
  buffer.Clear();
}

// An observer for callers that only take the finished segments.
template <typename EndSegmentFunction>
class SegmentsOnly {
 public:
  static constexpr bool kWantsReasons = false;
  static constexpr bool kHearsPoints = false;

  explicit SegmentsOnly(EndSegmentFunction& end_segment) : end_segment_(end_segment) {}

  void Point(std::uint64_t, std::string_view, const GeoPoint&, bool) {}
  void Rejected(std::uint64_t, std::string_view, const LineRejection&) {}
  void SeparatorLine(std::uint64_t, std::string_view) {}
  void EndSegment(const SegmentBuffer& buffer) { end_segment_(buffer); }

 private:
  EndSegmentFunction& end_segment_;
};

// The converter's walk: `end_segment(buffer)` for every finished segment, and nothing else.
template <typename EndSegmentFunction>
void CollectSegments(
    std::string_view text, bool lat_first, SegmentBuffer& buffer, EndSegmentFunction&& end_segment,
    SimpleLinesReader read_simple_lines = FastPathsFor(BestInstructionSet()).read_simple_lines) {
  SegmentsOnly<std::remove_reference_t<EndSegmentFunction>> observer(end_segment);
  WalkLines(text, lat_first, buffer, observer, read_simple_lines);
}

}  // namespace coord2seg
