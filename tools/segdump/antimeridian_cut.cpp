// Lines cut where they cross the antimeridian.
// SPDX-License-Identifier: MIT
#include "tools/segdump/antimeridian_cut.h"

#include "segment_file/stored_degrees.h"

namespace coord2seg {
namespace {

// A longitude brought into [-180, 180); most already lie there, and a division costs more than
// the rest of a point's cut.
int NormalizedLongitude(int minutes) {
  if (minutes >= -kHalfTurn && minutes < kHalfTurn) return minutes;
  int longitude = (minutes + kHalfTurn) % kFullTurn;
  if (longitude < 0) longitude += kFullTurn;
  return longitude - kHalfTurn;
}

// The step in longitude from one point to the next the short way round, at most half a turn
// either way. Exactly half a turn apart, the way of the plain difference is taken, so such a step
// never counts as a crossing.
int ShortStep(int from, int to) {
  int step = NormalizedLongitude(to) - NormalizedLongitude(from);
  if (step > kHalfTurn) step -= kFullTurn;
  if (step < -kHalfTurn) step += kFullTurn;
  return step;
}

// The first point's longitude on a map turned so that `middle` is 0. A first point on the edge is
// written as 180 when the line leaves it westward, as -180 otherwise, so the first piece never
// holds that point alone.
int FirstLongitude(const SegmentRecord& record, int middle) {
  const std::int16_t first = record.point(0).longitude;
  if (NormalizedLongitude(first - middle) != -kHalfTurn) return NormalizedLongitude(first - middle);
  for (std::uint32_t i = 1; i < record.point_count(); ++i) {
    const int step = ShortStep(first - middle, record.point(i).longitude - middle);
    if (step != 0) return step < 0 ? kHalfTurn : -kHalfTurn;
  }
  return -kHalfTurn;
}

// Ends the piece on `edge` where the step from (longitude, latitude) crosses it and starts the next
// piece at the same place on the opposite edge. When the last position already lies on the edge it
// ends the piece itself.
void CutAt(int edge, int longitude, double latitude, int step, double next_latitude,
           CutLine& line) {
  const double share = static_cast<double>(edge - longitude) / step;
  const double edge_latitude = latitude + share * (next_latitude - latitude);
  if (longitude != edge) line.positions.push_back({static_cast<double>(edge), edge_latitude});
  line.piece_starts.push_back(line.positions.size());
  line.positions.push_back({static_cast<double>(-edge), edge_latitude});
}

}  // namespace

void CutAtAntimeridian(const SegmentRecord& record, CutLine& line, int middle) {
  line.positions.clear();
  line.piece_starts.assign(1, 0);
  StoredPoint previous = record.point(0);
  // The cut is made on the map turned so that `middle` is 0, and the map turned back after.
  int longitude = FirstLongitude(record, middle);  // in [-180, 180]
  line.positions.push_back(
      {static_cast<double>(longitude), static_cast<double>(previous.latitude)});
  for (std::uint32_t i = 1; i < record.point_count(); ++i) {
    const StoredPoint point = record.point(i);
    const int step = ShortStep(previous.longitude - middle, point.longitude - middle);
    int next = longitude + step;
    if (next > kHalfTurn) {
      CutAt(kHalfTurn, longitude, previous.latitude, step, point.latitude, line);
      next -= kFullTurn;
    } else if (next < -kHalfTurn) {
      CutAt(-kHalfTurn, longitude, previous.latitude, step, point.latitude, line);
      next += kFullTurn;
    }
    line.positions.push_back({static_cast<double>(next), static_cast<double>(point.latitude)});
    longitude = next;
    previous = point;
  }
  if (middle == 0) return;
  for (MapPosition& position : line.positions) position.longitude += middle;
}

void KeepAsStored(const SegmentRecord& record, CutLine& line) {
  line.positions.clear();
  line.piece_starts.assign(1, 0);
  for (std::uint32_t i = 0; i < record.point_count(); ++i) {
    const StoredPoint point = record.point(i);
    line.positions.push_back(
        {static_cast<double>(point.longitude), static_cast<double>(point.latitude)});
  }
}

}  // namespace coord2seg
