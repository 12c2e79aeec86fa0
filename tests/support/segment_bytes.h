// Segment file bytes laid out by hand, and files read and written whole.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "segment_file/segment_reader.h"

namespace coord2seg::testing {

// The bytes of one well-formed record holding `points`, laid out by hand rather than with the
// converter's own helpers, so the tests check the layout instead of restating it.
inline std::string StoredRecord(std::span<const StoredPoint> points) {
  const auto append_little_endian = [](std::string& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xff);
  };
  std::string bytes;
  append_little_endian(bytes, static_cast<std::uint32_t>(points.size()), 4);
  bytes += '\0';
  for (const StoredPoint& point : points) {
    append_little_endian(bytes, static_cast<std::uint16_t>(point.longitude), 2);
    append_little_endian(bytes, static_cast<std::uint16_t>(point.latitude), 2);
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
