#include "segment_file/segment_reader.h"

#include <utility>

#include "common/segment_buffer.h"
#include "segment_file/record_format.h"

namespace coord2seg {

StoredPoint SegmentRecord::point(std::uint32_t index) const {
  const unsigned char* pair = pairs_ + std::size_t{index} * kPointPairBytes;
  return {LoadInt16(pair), LoadInt16(pair + 2)};
}

bool SegmentReader::Fail(std::size_t offset, std::string what) {
  damage_ = SegmentFileDamage{offset, records_read_ + 1, std::move(what)};
  return false;
}

bool SegmentReader::Next(SegmentRecord& record) {
  if (damage_) return false;
  const std::size_t start = position_;
  const std::size_t left = bytes_.size() - start;
  if (left == 0) return false;
  if (left < kRecordHeaderBytes) {
    return Fail(start, "record header cut short: " + std::to_string(left) + " of " +
                           std::to_string(kRecordHeaderBytes) + " bytes");
  }
  const unsigned char* header = bytes_.data() + start;
  const std::uint32_t count = LoadUint32(header);
  if (count == 0 || count > kMaxSegmentPoints) {
    return Fail(start, "point count " + std::to_string(count) + " is not from 1 to " +
                           std::to_string(kMaxSegmentPoints));
  }
  if (header[kReservedByteOffset] != 0) {
    return Fail(start + kReservedByteOffset,
                "reserved byte is " + std::to_string(header[kReservedByteOffset]) + ", not 0");
  }
  if (left < RecordBytes(count)) {
    return Fail(start, "record of " + std::to_string(count) + (count == 1 ? " point" : " points") +
                           " needs " + std::to_string(RecordBytes(count)) + " bytes, only " +
                           std::to_string(left) + " left");
  }
  position_ += RecordBytes(count);
  record = SegmentRecord(++records_read_, start, count, header + kRecordHeaderBytes);
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
