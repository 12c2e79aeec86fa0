// GeoPoint: one position in decimal degrees, longitude first.
// SPDX-License-Identifier: MIT
#pragma once

namespace coord2seg {

// One position in decimal degrees, longitude first as in the segment file.
struct GeoPoint {
  double longitude = 0;
  double latitude = 0;
};

}  // namespace coord2seg
