// Lines on a map from -180 to 180 degrees, cut where they cross the antimeridian.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <vector>

#include "segment_file/segment_reader.h"

namespace coord2seg {

// A position on a map whose longitudes run from -180 to 180 degrees (or half a turn either side of
// another middle meridian), in minutes of arc. Stored points keep their whole minutes; positions
// added on the map's edge have an interpolated latitude.
struct MapPosition {
  double longitude = 0;
  double latitude = 0;
};

// A record drawn as a line that never runs across the antimeridian: its positions in order, cut
// into pieces wherever two neighbours lie more than 180 degrees of longitude apart, since the
// short way between them crosses the ±180 line. Each cut ends a piece with a position on one edge
// of the map and starts the next with the same place on the other edge.
struct CutLine {
  std::vector<MapPosition> positions;
  std::vector<std::size_t> piece_starts;  // index in `positions` of each piece's first position

  std::size_t piece_count() const { return piece_starts.size(); }
  std::size_t piece_end(std::size_t piece) const {
    return piece + 1 < piece_starts.size() ? piece_starts[piece + 1] : positions.size();
  }
};

// Fills `line` with the record's points, longitudes brought into [-180, 180] (a point right on
// the antimeridian is written on the side its neighbours are drawn from), and the positions added
// on the edges. Every stored point is kept, in order; a one-point record gives one position.
// With a `middle` meridian (in minutes) other than 0, the map runs from middle - 180 to
// middle + 180 degrees instead, and lines are cut where they cross its edges.
void CutAtAntimeridian(const SegmentRecord& record, CutLine& line, int middle = 0);

// Fills `line` with the record's points exactly as stored, in one piece.
void KeepAsStored(const SegmentRecord& record, CutLine& line);

}  // namespace coord2seg
