// segdump's GeoJSON.
// SPDX-License-Identifier: MIT
#include "tools/segdump/geojson.h"

#include "segment_file/segment_reader.h"
#include "tools/segdump/antimeridian_cut.h"

namespace coord2seg {
namespace {

void AppendPosition(const MapPosition& position, OutputBuffer& out) {
  out.Append('[');
  out.AppendNumber(position.longitude / 60);
  out.Append(',');
  out.AppendNumber(position.latitude / 60);
  out.Append(']');
}

void AppendPiece(const CutLine& line, std::size_t piece, OutputBuffer& out) {
  out.Append('[');
  for (std::size_t i = line.piece_starts[piece]; i < line.piece_end(piece); ++i) {
    if (i != line.piece_starts[piece]) out.Append(',');
    AppendPosition(line.positions[i], out);
  }
  out.Append(']');
}

// A one-point record is a Point. A line is a LineString, or a MultiLineString when it is cut at
// the antimeridian or every line must have the same type.
void AppendGeometry(const CutLine& line, bool lines_only, OutputBuffer& out) {
  if (line.positions.size() == 1) {
    out.Append("{\"type\":\"Point\",\"coordinates\":");
    AppendPosition(line.positions[0], out);
  } else if (line.piece_count() == 1 && !lines_only) {
    out.Append("{\"type\":\"LineString\",\"coordinates\":");
    AppendPiece(line, 0, out);
  } else {
    out.Append("{\"type\":\"MultiLineString\",\"coordinates\":[");
    for (std::size_t piece = 0; piece < line.piece_count(); ++piece) {
      if (piece != 0) out.Append(',');
      AppendPiece(line, piece, out);
    }
    out.Append(']');
  }
  out.Append('}');
}

void AppendFeature(const SegmentRecord& record, const CutLine& line, bool lines_only,
                   OutputBuffer& out) {
  out.Append("{\"type\":\"Feature\",\"properties\":{\"segment\":");
  out.AppendInteger(record.number());
  out.Append(",\"points\":");
  out.AppendInteger(record.point_count());
  out.Append("},\"geometry\":");
  AppendGeometry(line, lines_only, out);
  out.Append('}');
}

}  // namespace

void WriteGeoJson(std::span<const unsigned char> file, const GeoJsonOptions& options,
                  OutputBuffer& out) {
  out.Append("{\"type\":\"FeatureCollection\",\"features\":[");
  SegmentReader reader(file);
  SegmentRecord record;
  CutLine line;  // reused for every record
  bool first = true;
  while (reader.Next(record)) {
    if (options.lines_only && record.point_count() == 1) continue;
    if (options.raw) {
      KeepAsStored(record, line);
    } else {
      CutAtAntimeridian(record, line);
    }
    out.Append(first ? "\n" : ",\n");
    first = false;
    AppendFeature(record, line, options.lines_only, out);
  }
  out.Append("\n]}\n");
}

}  // namespace coord2seg
