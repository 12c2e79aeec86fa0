// Half and whole turns of longitude in stored minutes of arc.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace coord2seg {

// Half and whole turns of longitude in minutes of arc: stored longitudes of valid positions lie
// in [-kHalfTurn, kHalfTurn).
constexpr int kHalfTurn = 180 * 60;
constexpr int kFullTurn = 360 * 60;

// A stored value in degrees: the minutes divided by 60.
inline double StoredDegrees(std::int16_t minutes) { return minutes / 60.0; }

// The longitude to write as text so that the converter, which wraps a longitude once (360 off
// at 180 and above, then 360 on below -180), reads back exactly `minutes`. Stored values outside
// [-180, 180) are moved 360 further out, where the wrap brings them back.
inline double LongitudeTextDegrees(std::int16_t minutes) {
  if (minutes >= kHalfTurn) return (minutes + kFullTurn) / 60.0;
  if (minutes < -kHalfTurn) return (minutes - kFullTurn) / 60.0;
  return StoredDegrees(minutes);
}

}  // namespace coord2seg
