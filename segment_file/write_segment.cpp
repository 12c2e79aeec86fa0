// WriteSegment: one segment's record appended to the output file.
// SPDX-License-Identifier: MIT
#include "segment_file/record_encoder.h"
#include "segment_file/segment_file.h"

namespace coord2seg {

void WriteSegment(SegmentFile& file, const SegmentBuffer& buffer) {
  const std::span<const unsigned char> record =
      EncodeSegment(buffer, file.record_scratch(), file.encode_record());
  if (!record.empty()) file.AppendRecord(record);
}

}  // namespace coord2seg
