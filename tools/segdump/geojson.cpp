#include "segment_file/segment_reader.h"
#include "tools/segdump/dump_formats.h"
#include "tools/segdump/stored_degrees.h"

namespace coord2seg {
namespace {

void AppendPosition(StoredPoint point, OutputBuffer& out) {
  out.Append('[');
  out.AppendNumber(StoredDegrees(point.longitude));
  out.Append(',');
  out.AppendNumber(StoredDegrees(point.latitude));
  out.Append(']');
}

void AppendGeometry(const SegmentRecord& record, OutputBuffer& out) {
  if (record.point_count() == 1) {
    out.Append("{\"type\":\"Point\",\"coordinates\":");
    AppendPosition(record.point(0), out);
    out.Append('}');
    return;
  }
  out.Append("{\"type\":\"LineString\",\"coordinates\":[");
  for (std::uint32_t i = 0; i < record.point_count(); ++i) {
    if (i != 0) out.Append(',');
    AppendPosition(record.point(i), out);
  }
  out.Append("]}");
}

void AppendFeature(const SegmentRecord& record, OutputBuffer& out) {
  out.Append("{\"type\":\"Feature\",\"properties\":{\"segment\":");
  out.AppendInteger(record.number());
  out.Append(",\"points\":");
  out.AppendInteger(record.point_count());
  out.Append("},\"geometry\":");
  AppendGeometry(record, out);
  out.Append('}');
}

}  // namespace

void WriteGeoJson(std::span<const unsigned char> file, OutputBuffer& out) {
  out.Append("{\"type\":\"FeatureCollection\",\"features\":[");
  SegmentReader reader(file);
  SegmentRecord record;
  while (reader.Next(record)) {
    out.Append(record.number() == 1 ? "\n" : ",\n");
    AppendFeature(record, out);
  }
  out.Append("\n]}\n");
}

}  // namespace coord2seg
