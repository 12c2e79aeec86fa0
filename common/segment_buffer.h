// The points of the segment being collected, in one fixed block for the whole run.
// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "common/geo_point.h"

namespace coord2seg {

// The points of the segment being collected, at most kCapacity of them: further points of the
// same segment are dropped. One fixed block for the whole run, so collecting points never
// allocates. The record format sets the capacity (SegmentBuffer, segment_file/record_format.h); a
// constant, so that the line loop tests against it for free.
template <std::uint32_t kCapacity>
class SegmentBufferOf {
 public:
  // The block is left as the allocator gives it: points are stored before they are read, and
  // constructing them would write every page of it.
  SegmentBufferOf() : points_(std::allocator<GeoPoint>().allocate(kBlockPoints)) {}

  // Stores the point unless the segment is already full; true when it was stored.
  bool Append(const GeoPoint& point) {
    if (count_ >= kCapacity) return false;
    points_[count_++] = point;
    return true;
  }
  void Clear() { count_ = 0; }

  // Room for points stored in place, which Extend then takes in. Once the segment is full it is
  // spare room past the end, so a reader can go on storing points that Extend drops.
  std::span<GeoPoint> free_space() {
    if (count_ == kCapacity) return {points_.get() + kCapacity, kSpareRoom};
    return {points_.get() + count_, kCapacity - count_};
  }
  // Takes in the first `added` points of free_space(), as far as the segment has room.
  void Extend(std::size_t added) {
    count_ = static_cast<std::uint32_t>(std::min<std::size_t>(count_ + added, kCapacity));
  }

  std::uint32_t count() const { return count_; }
  std::span<const GeoPoint> points() const { return {points_.get(), count_}; }

 private:
  static constexpr std::uint32_t kSpareRoom = 256;
  static constexpr std::size_t kBlockPoints = std::size_t{kCapacity} + kSpareRoom;
  struct Deallocate {
    void operator()(GeoPoint* points) const {
      std::allocator<GeoPoint>().deallocate(points, kBlockPoints);
    }
  };

  std::unique_ptr<GeoPoint[], Deallocate> points_;
  std::uint32_t count_ = 0;
};

}  // namespace coord2seg
