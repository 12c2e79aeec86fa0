#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "common/geo_point.h"
#include "common/uninitialized_array.h"

namespace coord2seg {

// A segment keeps at most this many points; further points of the same segment are dropped.
inline constexpr std::uint32_t kMaxSegmentPoints = 99999;

// The points of the segment being collected. One fixed block for the whole run, so collecting
// points never allocates.
class SegmentBuffer {
 public:
  SegmentBuffer() : points_(MakeUninitializedArray<GeoPoint>(kMaxSegmentPoints + kSpareRoom)) {}

  // Stores the point unless the segment is already full; true when it was stored.
  bool Append(const GeoPoint& point) {
    if (count_ >= kMaxSegmentPoints) return false;
    points_[count_++] = point;
    return true;
  }
  void Clear() { count_ = 0; }

  // Room for points stored in place, which Extend then takes in. Once the segment is full it is
  // spare room past the end, so a reader can go on storing points that Extend drops.
  std::span<GeoPoint> free_space() {
    if (count_ == kMaxSegmentPoints) return {points_.get() + kMaxSegmentPoints, kSpareRoom};
    return {points_.get() + count_, kMaxSegmentPoints - count_};
  }
  // Takes in the first `added` points of free_space(), as far as the segment has room.
  void Extend(std::size_t added) {
    count_ = static_cast<std::uint32_t>(std::min<std::size_t>(count_ + added, kMaxSegmentPoints));
  }

  std::uint32_t count() const { return count_; }
  std::span<const GeoPoint> points() const { return {points_.get(), count_}; }

 private:
  static constexpr std::uint32_t kSpareRoom = 256;

  std::unique_ptr<GeoPoint[]> points_;
  std::uint32_t count_ = 0;
};

}  // namespace coord2seg
