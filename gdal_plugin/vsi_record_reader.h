// Reads a segment file's records through GDAL's virtual file functions.
// SPDX-License-Identifier: MIT
#pragma once

#include <cpl_vsi.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "segment_file/segment_reader.h"

namespace coord2seg::gdal {

// Reads the records of a segment file through GDAL's virtual file functions, one record at a time,
// so that compressed, archived and remote files work and a large file opens at once. Each reader
// keeps its own place and seeks to it, so several can share one open file.
class VsiRecordReader {
 public:
  explicit VsiRecordReader(VSILFILE* file) : file_(file) {}

  // Back to the first record.
  void Rewind();

  // Reads the next whole record: its point pairs as stored, 4 bytes each. False at the end of the
  // file and at damage, which damage() then describes; nothing past the end is read.
  bool Next(std::vector<unsigned char>& pairs);

  // Moves past the next whole record reading its header alone; the file's size tells whether the
  // record is whole. False at the end and at damage, as Next.
  bool Skip(std::uint64_t file_size);

  const std::optional<SegmentFileDamage>& damage() const { return damage_; }
  // The number of the record Next or Skip last delivered, 1 for the first.
  std::uint64_t record_number() const { return place_.number - 1; }
  // Where the next record starts: after the last whole record.
  std::uint64_t offset() const { return place_.offset; }

 private:
  // Reads the header at the current place. The point count, or 0 at the end and at damage.
  std::uint32_t ReadHeader();
  bool Stop(SegmentFileDamage damage);

  VSILFILE* file_;
  RecordPlace place_;
  std::optional<SegmentFileDamage> damage_;
};

// The size of an open file, by seeking to its end.
std::uint64_t VsiFileSize(VSILFILE* file);

// A reader that has walked the headers of the whole file: its record_number() is the count of
// whole records, and its damage() the first damage if there is one.
VsiRecordReader WalkRecordHeaders(VSILFILE* file);

// The smallest and largest stored minutes on each axis over the whole records of a file, found
// without making features, and the first damage if there is one.
struct StoredExtent {
  std::uint64_t records = 0;
  StoredPoint min;
  StoredPoint max;
  std::optional<SegmentFileDamage> damage;
};

StoredExtent FindStoredExtent(VSILFILE* file);

}  // namespace coord2seg::gdal
