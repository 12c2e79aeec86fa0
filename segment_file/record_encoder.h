#pragma once

#include <span>

#include "common/geo_point.h"

namespace coord2seg {

// Encodes the points as one whole record at `out`, which has room for RecordBytes(points.size())
// bytes. Returns false, with `out` in no defined state, when a value has no minutes in 64 bits.
bool EncodeRecord(std::span<const GeoPoint> points, unsigned char* out);

}  // namespace coord2seg
