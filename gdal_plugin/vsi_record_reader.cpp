#include "gdal_plugin/vsi_record_reader.h"

#include <algorithm>
#include <array>
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

StoredExtent FindStoredExtent(VSILFILE* file) {
  StoredExtent extent;
  extent.min = {INT16_MAX, INT16_MAX};
  extent.max = {INT16_MIN, INT16_MIN};
  VsiRecordReader reader(file);
  std::vector<unsigned char> pairs;
  while (reader.Next(pairs)) {
    for (std::size_t at = 0; at < pairs.size(); at += kPointPairBytes) {
      const StoredPoint point = LoadStoredPoint(pairs.data() + at);
      extent.min.longitude = std::min(extent.min.longitude, point.longitude);
      extent.min.latitude = std::min(extent.min.latitude, point.latitude);
      extent.max.longitude = std::max(extent.max.longitude, point.longitude);
      extent.max.latitude = std::max(extent.max.latitude, point.latitude);
    }
  }
  extent.records = reader.record_number();
  extent.damage = reader.damage();
  return extent;
}

}  // namespace coord2seg::gdal
