// Reading a segment file's records back, and finding where one is damaged.
// SPDX-License-Identifier: MIT
#include "segment_file/segment_reader.h"

#include <algorithm>

#include "segment_file/record_format.h"

namespace coord2seg {

std::string DescribeDamagePlace(const SegmentFileDamage& damage) {
  return "offset " + std::to_string(damage.offset) + " (segment " + std::to_string(damage.segment) +
         "): " + damage.what;
}

std::variant<std::uint32_t, SegmentFileDamage> ReadRecordHeader(
    std::span<const unsigned char> header, RecordPlace place) {
  if (header.size() < kRecordHeaderBytes) {
    return SegmentFileDamage{place.offset, place.number,
                             "record header cut short: " + std::to_string(header.size()) + " of " +
                                 std::to_string(kRecordHeaderBytes) + " bytes"};
  }
  const std::uint32_t count = LoadUint32(header.data());
  if (count == 0 || count > kMaxSegmentPoints) {
    return SegmentFileDamage{place.offset, place.number,
                             "point count " + std::to_string(count) + " is not from 1 to " +
                                 std::to_string(kMaxSegmentPoints)};
  }
  const unsigned char reserved = header[kReservedByteOffset];
  if (reserved != 0) {
    return SegmentFileDamage{place.offset + kReservedByteOffset, place.number,
                             "reserved byte is " + std::to_string(reserved) + ", not 0"};
  }
  return count;
}

SegmentFileDamage RecordCutShort(std::uint32_t point_count, std::uint64_t bytes_left,
                                 RecordPlace place) {
  return {place.offset, place.number,
          "record of " + std::to_string(point_count) + (point_count == 1 ? " point" : " points") +
              " needs " + std::to_string(RecordBytes(point_count)) + " bytes, only " +
              std::to_string(bytes_left) + " left"};
}

bool SegmentReader::Next(SegmentRecord& record) {
  if (damage_) return false;
  const std::size_t start = position_;
  const std::size_t left = bytes_.size() - start;
  if (left == 0) return false;
  const RecordPlace place{records_read_ + 1, start};
  const auto header =
      ReadRecordHeader(bytes_.subspan(start, std::min(left, kRecordHeaderBytes)), place);
  if (const auto* damage = std::get_if<SegmentFileDamage>(&header)) {
    damage_ = *damage;
    return false;
  }
  const std::uint32_t count = std::get<std::uint32_t>(header);
  if (left < RecordBytes(count)) {
    damage_ = RecordCutShort(count, left, place);
    return false;
  }
  position_ += RecordBytes(count);
  record = SegmentRecord(++records_read_, start, count, bytes_.data() + start + kRecordHeaderBytes);
  return true;
}

SegmentFileCheck CheckSegmentFile(std::span<const unsigned char> bytes) {
  SegmentFileCheck check;
  SegmentReader reader(bytes);
  SegmentRecord record;
  while (reader.Next(record)) {
    ++check.segments;
    check.points += record.point_count();
  }
  check.damage = reader.damage();
  return check;
}

}  // namespace coord2seg
