#include <cstdint>

#include "segment_file/segment_reader.h"
#include "tools/segdump/dump_formats.h"
#include "tools/segdump/stored_degrees.h"

namespace coord2seg {
namespace {

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"-180 -90 360 180\" width=\"1440\" "
    "height=\"720\">\n"
    "<rect x=\"-180\" y=\"-90\" width=\"360\" height=\"180\" fill=\"#f7fafc\"/>\n";
constexpr std::string_view kSegmentsStart =
    "<g fill=\"none\" stroke=\"#1d3557\" stroke-width=\"0.25\" stroke-linejoin=\"round\" "
    "stroke-linecap=\"round\">\n";
constexpr std::string_view kFooter = "</g>\n</svg>\n";
constexpr int kGraticuleStep = 30;

// Plate carree: x is the longitude brought into [-180, 180), y the latitude turned upside down.
struct MapPoint {
  int x_minutes;
  int y_minutes;
};

MapPoint ToMap(StoredPoint point) {
  constexpr int kFullTurn = 360 * 60;
  int x = (point.longitude + 180 * 60) % kFullTurn;
  if (x < 0) x += kFullTurn;
  return {x - 180 * 60, -point.latitude};
}

void AppendMinutesAsDegrees(int minutes, OutputBuffer& out) { out.AppendNumber(minutes / 60.0); }

void AppendGraticule(OutputBuffer& out) {
  out.Append("<path fill=\"none\" stroke=\"#c9d3dd\" stroke-width=\"0.2\" d=\"");
  for (int lon = -180; lon <= 180; lon += kGraticuleStep) {
    out.Append('M');
    out.AppendNumber(lon);
    out.Append(" -90V90");
  }
  for (int lat = -90; lat <= 90; lat += kGraticuleStep) {
    out.Append("M-180 ");
    out.AppendNumber(lat);
    out.Append("H180");
  }
  out.Append("\"/>\n");
}

void AppendDot(MapPoint point, OutputBuffer& out) {
  out.Append("<circle cx=\"");
  AppendMinutesAsDegrees(point.x_minutes, out);
  out.Append("\" cy=\"");
  AppendMinutesAsDegrees(point.y_minutes, out);
  out.Append("\" r=\"0.4\" fill=\"#1d3557\" stroke=\"none\"/>\n");
}

// A segment that crosses the map's edge is cut there, so it is not drawn across the whole map.
bool JumpsAcrossTheEdge(MapPoint from, MapPoint to) {
  const int step = to.x_minutes - from.x_minutes;
  return step > 180 * 60 || step < -180 * 60;
}

void AppendPolylines(const SegmentRecord& record, OutputBuffer& out) {
  out.Append("<polyline points=\"");
  MapPoint previous = ToMap(record.point(0));
  for (std::uint32_t i = 0; i < record.point_count(); ++i) {
    const MapPoint point = ToMap(record.point(i));
    if (JumpsAcrossTheEdge(previous, point)) {
      out.Append("\"/>\n<polyline points=\"");
    } else if (i != 0) {
      out.Append(' ');
    }
    AppendMinutesAsDegrees(point.x_minutes, out);
    out.Append(',');
    AppendMinutesAsDegrees(point.y_minutes, out);
    previous = point;
  }
  out.Append("\"/>\n");
}

}  // namespace

void WriteSvg(std::span<const unsigned char> file, OutputBuffer& out) {
  out.Append(kHeader);
  AppendGraticule(out);
  out.Append(kSegmentsStart);
  SegmentReader reader(file);
  SegmentRecord record;
  while (reader.Next(record)) {
    if (record.point_count() == 1) {
      AppendDot(ToMap(record.point(0)), out);
    } else {
      AppendPolylines(record, out);
    }
  }
  out.Append(kFooter);
}

}  // namespace coord2seg
