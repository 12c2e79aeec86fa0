#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "segment_file/record_format.h"
#include "segment_file/segment_reader.h"

namespace coord2seg::testing {

// The bytes of one well-formed record holding `points`.
inline std::string StoredRecord(std::span<const StoredPoint> points) {
  std::string bytes(RecordBytes(static_cast<std::uint32_t>(points.size())), '\0');
  auto* out = reinterpret_cast<unsigned char*>(bytes.data());
  StoreUint32(out, static_cast<std::uint32_t>(points.size()));
  out += kRecordHeaderBytes;
  for (const StoredPoint& point : points) {
    StoreInt16(out, point.longitude);
    StoreInt16(out + 2, point.latitude);
    out += kPointPairBytes;
  }
  return bytes;
}

inline std::string StoredRecord(std::initializer_list<StoredPoint> points) {
  return StoredRecord(std::span<const StoredPoint>(points.begin(), points.size()));
}

inline std::span<const unsigned char> Bytes(const std::string& bytes) {
  return {reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()};
}

// Empty when the byte strings are equal, else where they first differ: a short failure message
// instead of megabytes of escaped bytes.
inline std::string DescribeDifference(const std::string& got, const std::string& want) {
  if (got == want) return "";
  std::size_t offset = 0;
  while (offset < got.size() && offset < want.size() && got[offset] == want[offset]) ++offset;
  return std::to_string(got.size()) + " bytes instead of " + std::to_string(want.size()) +
         ", first difference at offset " + std::to_string(offset);
}

}  // namespace coord2seg::testing
