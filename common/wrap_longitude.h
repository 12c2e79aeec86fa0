// Brings a longitude from [-540, 540) into [-180, 180).
// SPDX-License-Identifier: MIT
#pragma once

namespace coord2seg {

// Brings a longitude from [-540, 540) into [-180, 180) with one test each way: 360 off at 180
// and above, then 360 on below -180. Values further out move by one turn only (600 gives 240).
// The converter applies it to every point it reads, and the GDAL plugin to every point it writes,
// so that the same numbers give the same bytes by either route.
inline constexpr double kHalfTurnDegrees = 180;
inline constexpr double kFullTurnDegrees = 360;

inline double WrapLongitude(double longitude) {
  if (longitude >= kHalfTurnDegrees) longitude -= kFullTurnDegrees;
  if (longitude < -kHalfTurnDegrees) longitude += kFullTurnDegrees;
  return longitude;
}

}  // namespace coord2seg
