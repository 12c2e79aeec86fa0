// Runs of common lines read in place, one after another.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/geo_point.h"

namespace coord2seg {

// Runs of common lines, read in place one after another. A coordinate file is mostly long runs
// of plain lines between separator lines, so the line loop hands the whole run to one call.

struct SimpleLinesRead {
  const char* next;     // where the first line not read starts
  std::uint32_t lines;  // lines read, each one point stored in order
  // A reader may also find the end of the line at `next` when it is a separator line ('#' first),
  // which ends every segment, so that the caller need not search for it: the line's length up
  // to its end mark, the first CR or LF, and the mark's length, 2 for CR LF; both 0 when not
  // found. 16 bytes in all, so that the result comes back in two registers.
  std::uint16_t separator_length;
  std::uint16_t separator_mark;
};

// Reads lines from `p` (a line start in a text that ends at `end`) one after another while it
// takes them and `points` has room, storing one point per line. Stops before the first line it
// does not take, which the caller then reads the general way. `points` holds fewer than 2^32. Like
// ReadSimpleLine it only ever accepts: every line it reads has exactly the point the general
// reading gives; readers differ only in how fast they are and in which lines they leave.
using SimpleLinesReader = SimpleLinesRead (*)(const char* p, const char* end, bool lat_first,
                                              std::span<GeoPoint> points);

// Plain C++, on every machine.
SimpleLinesRead ReadSimpleLines(const char* p, const char* end, bool lat_first,
                                std::span<GeoPoint> points);

// The same with AVX2: x86-64 builds only, and only where CanRun(InstructionSet::kAvx2).
SimpleLinesRead ReadSimpleLinesAvx2(const char* p, const char* end, bool lat_first,
                                    std::span<GeoPoint> points);

}  // namespace coord2seg
