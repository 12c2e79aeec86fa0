// The plain record encoder.
// SPDX-License-Identifier: MIT
#include "segment_file/record_encoder.h"

#include "segment_file/minutes.h"
#include "segment_file/record_format.h"

namespace coord2seg {
namespace {

bool StoreMinutes(unsigned char* out, double degrees) {
  std::int64_t minutes = 0;
  if (!DegreesToMinutes(degrees, minutes)) return false;
  StoreInt16(out, LowSixteenBits(minutes));
  return true;
}

}  // namespace

bool EncodeRecord(std::span<const GeoPoint> points, unsigned char* out) {
  StoreRecordHeader(out, static_cast<std::uint32_t>(points.size()));
  return EncodePointPairs(points, out + kRecordHeaderBytes);
}

bool EncodePointPairs(std::span<const GeoPoint> points, unsigned char* out) {
  for (const GeoPoint& point : points) {
    if (!StoreMinutes(out, point.longitude) || !StoreMinutes(out + 2, point.latitude)) return false;
    out += kPointPairBytes;
  }
  return true;
}

std::span<const unsigned char> EncodeSegment(const SegmentBuffer& buffer, unsigned char* scratch,
                                             RecordEncoder encode_record) {
  if (buffer.count() == 0 || !encode_record(buffer.points(), scratch)) return {};
  return {scratch, RecordBytes(buffer.count())};
}

}  // namespace coord2seg
