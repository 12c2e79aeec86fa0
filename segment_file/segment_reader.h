// Reads a segment file's records back and checks them.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "segment_file/record_format.h"

namespace coord2seg {

// One point as stored: minutes of arc, longitude first.
struct StoredPoint {
  std::int16_t longitude = 0;
  std::int16_t latitude = 0;
};

// A whole record inside the file's bytes.
class SegmentRecord {
 public:
  SegmentRecord() = default;
  SegmentRecord(std::uint64_t number, std::size_t offset, std::uint32_t point_count,
                const unsigned char* pairs)
      : number_(number), offset_(offset), point_count_(point_count), pairs_(pairs) {}

  std::uint64_t number() const { return number_; }  // 1 for the first record
  std::size_t offset() const { return offset_; }    // of its first byte in the file
  std::uint32_t point_count() const { return point_count_; }
  StoredPoint point(std::uint32_t index) const;

 private:
  std::uint64_t number_ = 0;
  std::size_t offset_ = 0;
  std::uint32_t point_count_ = 0;
  const unsigned char* pairs_ = nullptr;
};

// What is wrong with a file, and where: the byte offset of the faulty field and the number of the
// record it belongs to.
struct SegmentFileDamage {
  std::uint64_t offset = 0;
  std::uint64_t segment = 0;
  std::string what;
};

// "offset 9 (segment 2): point count 0 is not from 1 to 99999"
std::string DescribeDamagePlace(const SegmentFileDamage& damage);

// The pieces of reading, for readers that fetch a file part by part. Where a record starts, its
// number (1 for the first) and its offset place any damage.
struct RecordPlace {
  std::uint64_t number = 1;
  std::uint64_t offset = 0;
};

// The header of the record at `place`: `header` holds the file's bytes from the record's start,
// all kRecordHeaderBytes of them unless the file ends sooner, and at least one. The point count,
// or the damage.
std::variant<std::uint32_t, SegmentFileDamage> ReadRecordHeader(
    std::span<const unsigned char> header, RecordPlace place);

// The damage of a record of `point_count` points when the file holds only `bytes_left` bytes
// from its start.
SegmentFileDamage RecordCutShort(std::uint32_t point_count, std::uint64_t bytes_left,
                                 RecordPlace place);

// One stored pair from its kPointPairBytes bytes. Inline, since readers call it for every point.
inline StoredPoint LoadStoredPoint(const unsigned char* pair) {
  return {LoadInt16(pair), LoadInt16(pair + 2)};
}

inline StoredPoint SegmentRecord::point(std::uint32_t index) const {
  return LoadStoredPoint(pairs_ + std::size_t{index} * kPointPairBytes);
}

// Walks the records of a whole file held in memory, stopping at the end or at the first damage.
class SegmentReader {
 public:
  explicit SegmentReader(std::span<const unsigned char> bytes) : bytes_(bytes) {}

  // Moves to the next record. False at the end of the file, and at damage, which damage() then
  // describes.
  bool Next(SegmentRecord& record);
  const std::optional<SegmentFileDamage>& damage() const { return damage_; }

 private:
  std::span<const unsigned char> bytes_;
  std::size_t position_ = 0;
  std::uint64_t records_read_ = 0;
  std::optional<SegmentFileDamage> damage_;
};

// The whole records of a file and, when it is damaged, the first damage.
struct SegmentFileCheck {
  std::uint64_t segments = 0;
  std::uint64_t points = 0;
  std::optional<SegmentFileDamage> damage;
};

SegmentFileCheck CheckSegmentFile(std::span<const unsigned char> bytes);

}  // namespace coord2seg
