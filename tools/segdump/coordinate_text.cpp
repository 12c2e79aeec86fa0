// segdump's coordinate text.
// SPDX-License-Identifier: MIT
#include "tools/segdump/coordinate_text.h"

#include "segment_file/segment_reader.h"
#include "segment_file/stored_degrees.h"

namespace coord2seg {

void WriteCoordinateText(std::span<const unsigned char> file, OutputBuffer& out) {
  SegmentReader reader(file);
  SegmentRecord record;
  while (reader.Next(record)) {
    out.Append("# segment ");
    out.AppendInteger(record.number());
    out.Append(": ");
    out.AppendInteger(record.point_count());
    out.Append(record.point_count() == 1 ? " point\n" : " points\n");
    for (std::uint32_t i = 0; i < record.point_count(); ++i) {
      const StoredPoint point = record.point(i);
      out.AppendNumber(LongitudeTextDegrees(point.longitude));
      out.Append(' ');
      out.AppendNumber(StoredDegrees(point.latitude));
      out.Append('\n');
    }
  }
}

}  // namespace coord2seg
