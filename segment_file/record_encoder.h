// Encodes one segment's points as a whole record.
// SPDX-License-Identifier: MIT
#pragma once

#include <span>

#include "common/geo_point.h"
#include "segment_file/record_format.h"

namespace coord2seg {

// Encodes the points as one whole record at `out`, which has room for RecordBytes(points.size())
// bytes. Returns false, with `out` in no defined state, when a value has no minutes in 64 bits.
bool EncodeRecord(std::span<const GeoPoint> points, unsigned char* out);

// The pairs part of a record alone: the points' minutes at `out`, 4 bytes a point.
bool EncodePointPairs(std::span<const GeoPoint> points, unsigned char* out);

// The same with AVX2: x86-64 builds only, and only where CanRun(InstructionSet::kAvx2).
bool EncodeRecordAvx2(std::span<const GeoPoint> points, unsigned char* out);

using RecordEncoder = bool (*)(std::span<const GeoPoint> points, unsigned char* out);

// The record a finished segment leaves in the file, encoded at `scratch` (room for the largest
// record) by `encode_record`: empty when the segment writes nothing, because it has no points or
// because a value has no minutes in 64 bits and the whole record is left out.
std::span<const unsigned char> EncodeSegment(const SegmentBuffer& buffer, unsigned char* scratch,
                                             RecordEncoder encode_record = EncodeRecord);

}  // namespace coord2seg
