// The output file, open for appending whole records.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "common/file_io.h"
#include "decimal_text/library_stand_ins.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"

namespace coord2seg {

// The output file, open for appending whole records.
class SegmentFile {
 public:
  // Creates the file, or truncates it when it exists. Throws RunError when it cannot be created
  // or when it is the file `input` (by its identity, so links and other spellings of the name
  // count), before anything of it is truncated. Records are encoded with `encode_record`.
  SegmentFile(std::string path, const FileIdentity& input,
              RecordEncoder encode_record = EncodeRecord);

  // Hands the whole record to the file system in one write. When the file system fails part way,
  // the file is cut back to where the record began and RunError is thrown, so the file only ever
  // holds whole records.
  void AppendRecord(std::span<const unsigned char> record);

  // Throws RunError when the file system reports a failure at close.
  void Close();

  // Scratch room for one record of the largest size, reused for every segment.
  unsigned char* record_scratch() { return record_scratch_.get(); }
  RecordEncoder encode_record() const { return encode_record_; }

 private:
  void CutBackToLastRecord();

  std::string path_;
  FileHandle fd_;
  bool is_regular_ = false;  // only a regular file can be cut back
  std::uint64_t size_ = 0;   // bytes of whole records written so far
  std::unique_ptr<unsigned char[]> record_scratch_ =
      MakeUninitializedArray<unsigned char>(RecordBytes(kMaxSegmentPoints));
  RecordEncoder encode_record_;
};

// Appends the buffer's points as one record; writes nothing for an empty buffer. When a value
// cannot be converted to minutes, the whole record is left out and the run goes on.
void WriteSegment(SegmentFile& file, const SegmentBuffer& buffer);

}  // namespace coord2seg
