// Records read through GDAL's virtual file functions, in large blocks.
// SPDX-License-Identifier: MIT
#include "gdal_plugin/vsi_record_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <variant>

#include "segment_file/record_format.h"

namespace coord2seg::gdal {

void VsiRecordReader::Rewind() {
  place_ = RecordPlace{};
  damage_.reset();
}

bool VsiRecordReader::Stop(SegmentFileDamage damage) {
  damage_ = std::move(damage);
  return false;
}

std::uint32_t VsiRecordReader::ReadHeader() {
  if (damage_) return 0;
  std::array<unsigned char, kRecordHeaderBytes> header{};
  if (VSIFSeekL(file_, place_.offset, SEEK_SET) != 0) return 0;
  const std::size_t got = VSIFReadL(header.data(), 1, header.size(), file_);
  if (got == 0) return 0;
  const auto result = ReadRecordHeader(std::span(header.data(), got), place_);
  if (const auto* damage = std::get_if<SegmentFileDamage>(&result)) {
    Stop(*damage);
    return 0;
  }
  return std::get<std::uint32_t>(result);
}

bool VsiRecordReader::Next(std::vector<unsigned char>& pairs) {
  const std::uint32_t count = ReadHeader();
  if (count == 0) return false;
  pairs.resize(std::size_t{count} * kPointPairBytes);
  const std::size_t got = VSIFReadL(pairs.data(), 1, pairs.size(), file_);
  if (got < pairs.size()) return Stop(RecordCutShort(count, kRecordHeaderBytes + got, place_));
  place_ = {place_.number + 1, place_.offset + RecordBytes(count)};
  return true;
}

bool VsiRecordReader::Skip(std::uint64_t file_size) {
  const std::uint32_t count = ReadHeader();
  if (count == 0) return false;
  const std::uint64_t left = file_size - place_.offset;
  if (left < RecordBytes(count)) return Stop(RecordCutShort(count, left, place_));
  place_ = {place_.number + 1, place_.offset + RecordBytes(count)};
  return true;
}

std::uint64_t VsiFileSize(VSILFILE* file) {
  const vsi_l_offset position = VSIFTellL(file);
  VSIFSeekL(file, 0, SEEK_END);
  const vsi_l_offset size = VSIFTellL(file);
  VSIFSeekL(file, position, SEEK_SET);
  return size;
}

VsiRecordReader WalkRecordHeaders(VSILFILE* file) {
  const std::uint64_t size = VsiFileSize(file);
  VsiRecordReader reader(file);
  while (reader.Skip(size)) {
  }
  return reader;
}

namespace {

// In locals, which the compiler keeps in registers across the loop.
void Widen(StoredExtent& extent, const SegmentRecord& record) {
  StoredPoint min = extent.min;
  StoredPoint max = extent.max;
  for (std::uint32_t i = 0; i < record.point_count(); ++i) {
    const StoredPoint point = record.point(i);
    min.longitude = std::min(min.longitude, point.longitude);
    min.latitude = std::min(min.latitude, point.latitude);
    max.longitude = std::max(max.longitude, point.longitude);
    max.latitude = std::max(max.latitude, point.latitude);
  }
  extent.min = min;
  extent.max = max;
}

}  // namespace

// The file is read in large blocks, each walked by the library's reader; a record cut by the
// block's end is read again at the start of the next block, which has room for the longest.
StoredExtent FindStoredExtent(VSILFILE* file) {
  StoredExtent extent;
  extent.min = {INT16_MAX, INT16_MAX};
  extent.max = {INT16_MIN, INT16_MIN};
  constexpr std::size_t kLongestRecord = RecordBytes(kMaxSegmentPoints);
  std::vector<unsigned char> block((std::size_t{1} << 20) + kLongestRecord);
  RecordPlace start;  // of the block in the file
  std::size_t held = 0;
  bool at_end = VSIFSeekL(file, 0, SEEK_SET) != 0;
  while (true) {
    if (!at_end) {
      const std::size_t wanted = block.size() - held;
      const std::size_t got = VSIFReadL(block.data() + held, 1, wanted, file);
      held += got;
      at_end = got < wanted;
    }
    SegmentReader reader(std::span(block.data(), held));
    SegmentRecord record;
    std::size_t used = 0;
    std::uint64_t records = 0;
    while (reader.Next(record)) {
      Widen(extent, record);
      used = record.offset() + RecordBytes(record.point_count());
      records = record.number();
    }
    extent.records += records;
    // Damage before the end of the file is real only where no record could reach past it.
    if (reader.damage() && (at_end || held - used >= kLongestRecord)) {
      extent.damage = *reader.damage();
      extent.damage->offset += start.offset;
      extent.damage->segment += start.number - 1;
      return extent;
    }
    if (at_end) return extent;
    std::memmove(block.data(), block.data() + used, held - used);
    held -= used;
    start = {start.number + records, start.offset + used};
  }
}

}  // namespace coord2seg::gdal
