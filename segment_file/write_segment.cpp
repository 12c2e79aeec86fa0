#include "segment_file/record_encoder.h"
#include "segment_file/segment_file.h"

namespace coord2seg {

void WriteSegment(SegmentFile& file, const SegmentBuffer& buffer) {
  if (buffer.count() == 0) return;
  unsigned char* record = file.record_scratch();
  if (!EncodeRecord(buffer.points(), record)) return;
  file.AppendRecord({record, RecordBytes(buffer.count())});
}

}  // namespace coord2seg
