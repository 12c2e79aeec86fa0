// The segment file's record layout and its limits.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/segment_buffer.h"

// A segment file is a sequence of records and nothing else: no header, no trailer, no padding.
// A record is a little-endian uint32 point count N (1 to kMaxSegmentPoints), one reserved byte
// that is always 0, and N pairs of little-endian int16 minutes of arc, longitude then latitude.
namespace coord2seg {

// The most points a record holds, and so a segment: the converter drops further points of the
// same segment.
inline constexpr std::uint32_t kMaxSegmentPoints = 99999;
using SegmentBuffer = SegmentBufferOf<kMaxSegmentPoints>;

inline constexpr std::size_t kRecordHeaderBytes = 5;
inline constexpr std::size_t kPointPairBytes = 4;
inline constexpr std::size_t kReservedByteOffset = 4;

constexpr std::size_t RecordBytes(std::uint32_t point_count) {
  return kRecordHeaderBytes + kPointPairBytes * std::size_t{point_count};
}

inline void StoreUint32(unsigned char* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

inline void StoreInt16(unsigned char* out, std::int16_t value) {
  const auto bits = static_cast<std::uint16_t>(value);
  out[0] = static_cast<unsigned char>(bits);
  out[1] = static_cast<unsigned char>(bits >> 8);
}

inline void StoreRecordHeader(unsigned char* out, std::uint32_t point_count) {
  StoreUint32(out, point_count);
  out[kReservedByteOffset] = 0;
}

inline std::uint32_t LoadUint32(const unsigned char* in) {
  return std::uint32_t{in[0]} | std::uint32_t{in[1]} << 8 | std::uint32_t{in[2]} << 16 |
         std::uint32_t{in[3]} << 24;
}

inline std::int16_t LoadInt16(const unsigned char* in) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(in[0] | in[1] << 8));
}

}  // namespace coord2seg
