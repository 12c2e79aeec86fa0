// Random segment files of every shape the converter can write.
// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "segment_file/record_format.h"
#include "tests/support/segment_bytes.h"

namespace coord2seg::testing {

// Segment files of every shape the converter can write, stored values near the wrap points.
class RandomSegmentFiles {
 public:
  explicit RandomSegmentFiles(std::uint64_t seed) : engine_(seed) {}

  std::string File() {
    std::string file;
    for (std::size_t records = Below(6); records > 0; --records) file += Record();
    return file;
  }

 private:
  std::string Record() {
    const std::size_t count = OneIn(25) ? 1 + Below(kMaxSegmentPoints) : 1 + Below(30);
    std::vector<StoredPoint> points(count);
    for (StoredPoint& point : points) point = {Minutes(), Minutes()};
    return StoredRecord(points);
  }
  std::int16_t Minutes() {
    static constexpr std::array<int, 12> kEdges = {-32768, -21600, -10801, -10800, -5400, -1,
                                                   0,      5400,   10799,  10800,  21600, 32767};
    if (OneIn(4)) return static_cast<std::int16_t>(kEdges[Below(kEdges.size())] + Below(3) - 1);
    return static_cast<std::int16_t>(std::uniform_int_distribution<int>(-32768, 32767)(engine_));
  }
  std::size_t Below(std::size_t bound) {
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(engine_);
  }
  bool OneIn(std::size_t n) { return Below(n) == 0; }

  std::mt19937_64 engine_;
};

}  // namespace coord2seg::testing
