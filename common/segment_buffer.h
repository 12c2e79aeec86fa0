#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "common/geo_point.h"

namespace coord2seg {

// A segment keeps at most this many points; further points of the same segment are dropped.
inline constexpr std::uint32_t kMaxSegmentPoints = 99999;

// The points of the segment being collected. One fixed block for the whole run, so collecting
// points never allocates.
class SegmentBuffer {
 public:
  SegmentBuffer() : points_(std::make_unique_for_overwrite<GeoPoint[]>(kMaxSegmentPoints)) {}

  // Stores the point unless the segment is already full; true when it was stored.
  bool Append(const GeoPoint& point) {
    if (count_ >= kMaxSegmentPoints) return false;
    points_[count_++] = point;
    return true;
  }
  void Clear() { count_ = 0; }

  std::uint32_t count() const { return count_; }
  std::span<const GeoPoint> points() const { return {points_.get(), count_}; }

 private:
  std::unique_ptr<GeoPoint[]> points_;
  std::uint32_t count_ = 0;
};

}  // namespace coord2seg
