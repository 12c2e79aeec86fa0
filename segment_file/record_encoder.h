#pragma once

#include <span>

#include "common/geo_point.h"
#include "common/segment_buffer.h"

namespace coord2seg {

// Encodes the points as one whole record at `out`, which has room for RecordBytes(points.size())
// bytes. Returns false, with `out` in no defined state, when a value has no minutes in 64 bits.
bool EncodeRecord(std::span<const GeoPoint> points, unsigned char* out);

// The record a finished segment leaves in the file, encoded at `scratch` (room for the largest
// record): empty when the segment writes nothing, because it has no points or because a value has
// no minutes in 64 bits and the whole record is left out.
std::span<const unsigned char> EncodeSegment(const SegmentBuffer& buffer, unsigned char* scratch);

}  // namespace coord2seg
