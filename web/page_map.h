// The page's map of a segment file: a small SVG thinned to its pixels, with degree labels.
// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

namespace coord2seg {

inline constexpr int kMinMapWidth = 64;
inline constexpr int kMaxMapWidth = 8192;

// What frames a map: the records' counts and the extent of their stored points, on the map from
// -180 to 180 degrees and on the one from 0 to 360, in whole minutes. Heard one record at a time,
// so that it comes out of the pass that writes the records.
class MapExtent {
 public:
  // One whole record, as the converter writes it.
  void AddRecord(std::span<const unsigned char> record);
  // Every record of a file that has passed CheckSegmentFile.
  void AddFile(std::span<const unsigned char> file);

  std::uint64_t segments() const { return segments_; }
  std::uint64_t points() const { return points_; }
  bool empty() const { return points_ == 0; }
  // Westmost and eastmost longitude on the map whose middle is 0 (`map` 0) or 180 degrees (1).
  int west(int map) const { return west_[map]; }
  int east(int map) const { return east_[map]; }
  int south() const { return south_; }
  int north() const { return north_; }

 private:
  std::uint64_t segments_ = 0;
  std::uint64_t points_ = 0;
  static constexpr int kNone = std::numeric_limits<int>::max();
  std::array<int, 2> west_ = {kNone, kNone};
  std::array<int, 2> east_ = {-kNone, -kNone};
  int south_ = kNone;
  int north_ = -kNone;
};

// An SVG map in plate carree of a segment file that has passed CheckSegmentFile, framed to its
// records with a margin (across the antimeridian when that frame is narrower), `width` pixels
// wide for the data, with the graticule labelled in degrees on the left and bottom edges.
// Points closer than a pixel to the last one drawn are left out, so the picture stays small
// whatever the file's size; a record of one point is a dot. `name` gives the picture its
// accessible name.
std::string MapSvg(std::span<const unsigned char> file, std::string_view name, int width);
// The same with the file's extent already heard, which spares a pass over its points.
std::string MapSvg(std::span<const unsigned char> file, const MapExtent& extent,
                   std::string_view name, int width);

}  // namespace coord2seg
