#pragma once

#include <cstddef>
#include <limits>
#include <span>

#include "common/geo_point.h"

namespace coord2seg {

// Runs of common lines, read in place one after another. A coordinate file is mostly long runs
// of plain lines between separator lines, so the line loop hands the whole run to one call.

struct SimpleLinesRead {
  const char* next;   // where the first line not read starts
  std::size_t lines;  // lines read, each one point stored in order
};

// What a reader has seen of a text's lines so far, kept by the caller from one call to the next
// over the same text, so that what the reader learns outlasts a segment, or the single line
// coordlint reads a call. It holds runs of lines whose numbers have more than 15 digits, such as
// doubles printed shortest, which the vector reader hands to the plain reading; the plain reader
// keeps nothing. A new one for each text.
struct SimpleLinesState {
  std::size_t lines = 0;           // lines read in all calls so far
  std::size_t long_run_first = 0;  // the first line of the last run of lines with long numbers
  std::size_t long_run_last = std::numeric_limits<std::size_t>::max() - 1;  // and its last
  unsigned plain_left = 0;  // lines still to read the plain way
};

// Reads lines from `p` (a line start in a text that ends at `end`) one after another while it
// takes them and `points` has room, storing one point per line. Stops before the first line it
// does not take, which the caller then reads the general way. Like ReadSimpleLine it only ever
// accepts: every line it reads has exactly the point the general reading gives; readers differ
// only in how fast they are and in which lines they leave.
using SimpleLinesReader = SimpleLinesRead (*)(const char* p, const char* end, bool lat_first,
                                              std::span<GeoPoint> points, SimpleLinesState& state);

// Plain C++, on every machine.
SimpleLinesRead ReadSimpleLines(const char* p, const char* end, bool lat_first,
                                std::span<GeoPoint> points, SimpleLinesState& state);

// The same with AVX2: x86-64 builds only, and only where CanRun(InstructionSet::kAvx2).
SimpleLinesRead ReadSimpleLinesAvx2(const char* p, const char* end, bool lat_first,
                                    std::span<GeoPoint> points, SimpleLinesState& state);

}  // namespace coord2seg
