// The page's map of a segment file: a small SVG thinned to its pixels, with degree labels.
// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace coord2seg {

inline constexpr int kMinMapWidth = 64;
inline constexpr int kMaxMapWidth = 8192;

// An SVG map in plate carree of a segment file that has passed CheckSegmentFile, framed to its
// records with a margin (across the antimeridian when that frame is narrower), `width` pixels
// wide for the data, with the graticule labelled in degrees on the left and bottom edges.
// Points closer than a pixel to the last one drawn are left out, so the picture stays small
// whatever the file's size; a record of one point is a dot. `name` gives the picture its
// accessible name.
std::string MapSvg(std::span<const unsigned char> file, std::string_view name, int width);

}  // namespace coord2seg
