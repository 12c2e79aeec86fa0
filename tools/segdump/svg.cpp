// segdump's SVG map.
// SPDX-License-Identifier: MIT
#include "tools/segdump/svg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "segment_file/segment_reader.h"
#include "segment_file/stored_degrees.h"
#include "tools/segdump/antimeridian_cut.h"

namespace coord2seg {
namespace {

// The part of the plate carree map a picture shows, in minutes: x is the longitude, y the
// latitude turned upside down so that north is up. The map runs half a turn either side of its
// middle meridian.
struct Frame {
  double left = -kHalfTurn;
  double top = -90 * 60;
  double width = kFullTurn;
  double height = 180 * 60;
  int middle = 0;
};

// The extent of every position of every record, the edges of cut lines included.
class Extent {
 public:
  void Add(const MapPosition& position) {
    min_x_ = std::min(min_x_, position.longitude);
    max_x_ = std::max(max_x_, position.longitude);
    min_y_ = std::min(min_y_, -position.latitude);
    max_y_ = std::max(max_y_, -position.latitude);
  }
  bool empty() const { return min_x_ > max_x_; }
  double width() const { return max_x_ - min_x_; }

  // The extent with a margin of a twentieth of its size on every side, at least ten minutes wide
  // and high, and never more than four times as wide as high nor twice as high as wide, so a
  // line along a parallel or a meridian still gives a picture.
  Frame Framed(int middle) const {
    constexpr double kLeastSpan = 10;
    double width = std::max(max_x_ - min_x_, kLeastSpan);
    double height = std::max(max_y_ - min_y_, kLeastSpan);
    width = std::max(width, height / 2);
    height = std::max(height, width / 4);
    width *= 1.1;
    height *= 1.1;
    return {(min_x_ + max_x_ - width) / 2, (min_y_ + max_y_ - height) / 2, width, height, middle};
  }

 private:
  double min_x_ = HUGE_VAL;
  double max_x_ = -HUGE_VAL;
  double min_y_ = HUGE_VAL;
  double max_y_ = -HUGE_VAL;
};

// The frame around every record, on the map from -180 to 180 degrees or, when that is narrower,
// on the one from 0 to 360, where data across the antimeridian is drawn whole.
Frame DataFrame(std::span<const unsigned char> file) {
  constexpr std::array<int, 2> kMiddles = {0, kHalfTurn};
  std::array<Extent, 2> extents;
  SegmentReader reader(file);
  SegmentRecord record;
  CutLine line;
  while (reader.Next(record)) {
    for (std::size_t map = 0; map < kMiddles.size(); ++map) {
      CutAtAntimeridian(record, line, kMiddles[map]);
      for (const MapPosition& position : line.positions) extents[map].Add(position);
    }
  }
  if (extents[0].empty()) return {};
  const std::size_t map = extents[1].width() < extents[0].width() ? 1 : 0;
  return extents[map].Framed(kMiddles[map]);
}

// A point on the picture's grid of tenths of a pixel. Whole tenths keep the text short, and
// points that fall on the same tenth are one point at this size.
struct GridPoint {
  std::int64_t x = 0;
  std::int64_t y = 0;
  friend bool operator==(const GridPoint&, const GridPoint&) = default;
};

constexpr int kGridPerPixel = 10;

// Maps minutes on the map to the picture's grid.
class Canvas {
 public:
  Canvas(const Frame& frame, int width_pixels)
      : frame_(frame),
        width_pixels_(width_pixels),
        height_pixels_(std::max(1L, std::lround(width_pixels * frame.height / frame.width))),
        grid_per_minute_(kGridPerPixel * width_pixels / frame.width) {}

  int width_pixels() const { return width_pixels_; }
  int height_pixels() const { return static_cast<int>(height_pixels_); }
  std::int64_t GridX(double longitude) const {
    return std::llround((longitude - frame_.left) * grid_per_minute_);
  }
  std::int64_t GridY(double latitude) const {
    return std::llround((-latitude - frame_.top) * grid_per_minute_);
  }
  GridPoint ToGrid(const MapPosition& position) const {
    return {GridX(position.longitude), GridY(position.latitude)};
  }
  const Frame& frame() const { return frame_; }

 private:
  Frame frame_;
  int width_pixels_;
  long height_pixels_;
  double grid_per_minute_;
};

void AppendHeader(const Canvas& canvas, OutputBuffer& out) {
  const auto size = [&](const char* name, int pixels) {
    out.Append(name);
    out.Append("=\"");
    out.AppendInteger(static_cast<std::uint64_t>(pixels));
    out.Append('"');
  };
  out.Append(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 ");
  out.AppendInteger(static_cast<std::uint64_t>(canvas.width_pixels()) * kGridPerPixel);
  out.Append(' ');
  out.AppendInteger(static_cast<std::uint64_t>(canvas.height_pixels()) * kGridPerPixel);
  out.Append("\" ");
  size("width", canvas.width_pixels());
  out.Append(' ');
  size("height", canvas.height_pixels());
  out.Append(">\n<rect ");
  size("width", canvas.width_pixels() * kGridPerPixel);
  out.Append(' ');
  size("height", canvas.height_pixels() * kGridPerPixel);
  out.Append(" fill=\"#f7fafc\"/>\n");
}

// About four to twelve lines across the frame, on round minutes and degrees.
int GraticuleStep(const Frame& frame) {
  constexpr std::array<int, 12> kSteps = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800};
  for (const int step : kSteps) {
    if (std::max(frame.width, frame.height) / step <= 12) return step;
  }
  return kSteps.back();
}

// A move to (x, y), then a vertical ('V') or horizontal ('H') line to `to`.
void AppendStraightLine(std::int64_t x, std::int64_t y, char direction, std::int64_t to,
                        OutputBuffer& out) {
  out.Append('M');
  out.AppendSignedInteger(x);
  out.Append(' ');
  out.AppendSignedInteger(y);
  out.Append(direction);
  out.AppendSignedInteger(to);
}

// Meridians and parallels every step, within the world and the frame.
void AppendGraticule(const Canvas& canvas, OutputBuffer& out) {
  const Frame& frame = canvas.frame();
  const int step = GraticuleStep(frame);
  const double left = std::max(frame.left, static_cast<double>(frame.middle - kHalfTurn));
  const double right =
      std::min(frame.left + frame.width, static_cast<double>(frame.middle + kHalfTurn));
  const double north = std::min(-frame.top, 90.0 * 60);
  const double south = std::max(-(frame.top + frame.height), -90.0 * 60);
  out.Append("<path fill=\"none\" stroke=\"#c9d3dd\" stroke-width=\"8\" d=\"");
  for (double x = std::ceil(left / step) * step; x <= right; x += step) {
    AppendStraightLine(canvas.GridX(x), canvas.GridY(north), 'V', canvas.GridY(south), out);
  }
  for (double y = std::ceil(south / step) * step; y <= north; y += step) {
    AppendStraightLine(canvas.GridX(left), canvas.GridY(y), 'H', canvas.GridX(right), out);
  }
  out.Append("\"/>\n");
}

void AppendDot(GridPoint point, OutputBuffer& out) {
  out.Append("<circle cx=\"");
  out.AppendSignedInteger(point.x);
  out.Append("\" cy=\"");
  out.AppendSignedInteger(point.y);
  out.Append("\" r=\"16\" fill=\"#1d3557\" stroke=\"none\"/>\n");
}

// Writes path data numbers, a blank between two only where the sign does not already part them.
class PathNumbers {
 public:
  explicit PathNumbers(OutputBuffer& out) : out_(out) {}

  void Command(char letter) {
    out_.Append(letter);
    after_number_ = false;
  }
  void Pair(std::int64_t x, std::int64_t y) {
    Number(x);
    Number(y);
  }

 private:
  void Number(std::int64_t value) {
    if (after_number_ && value >= 0) out_.Append(' ');
    out_.AppendSignedInteger(value);
    after_number_ = true;
  }

  OutputBuffer& out_;
  bool after_number_ = false;
};

// One piece as a subpath: a move to its first point, then relative steps to every point that
// falls on another tenth of a pixel than the last one written. A piece that shrinks to one point
// is still drawn, as a dot of the line's width.
void AppendSubpath(const CutLine& line, std::size_t piece, const Canvas& canvas,
                   PathNumbers& path) {
  GridPoint last = canvas.ToGrid(line.positions[line.piece_starts[piece]]);
  path.Command('M');
  path.Pair(last.x, last.y);
  path.Command('l');
  bool moved = false;
  for (std::size_t i = line.piece_starts[piece] + 1; i < line.piece_end(piece); ++i) {
    const GridPoint point = canvas.ToGrid(line.positions[i]);
    if (point == last) continue;
    path.Pair(point.x - last.x, point.y - last.y);
    last = point;
    moved = true;
  }
  if (!moved) path.Pair(0, 0);
}

void AppendRecord(const CutLine& line, const Canvas& canvas, OutputBuffer& out) {
  if (line.positions.size() == 1) {
    AppendDot(canvas.ToGrid(line.positions[0]), out);
    return;
  }
  out.Append("<path d=\"");
  PathNumbers path(out);
  for (std::size_t piece = 0; piece < line.piece_count(); ++piece) {
    AppendSubpath(line, piece, canvas, path);
  }
  out.Append("\"/>\n");
}

}  // namespace

void WriteSvg(std::span<const unsigned char> file, const SvgOptions& options, OutputBuffer& out) {
  const Canvas canvas(options.fit ? DataFrame(file) : Frame{}, options.width);
  AppendHeader(canvas, out);
  AppendGraticule(canvas, out);
  out.Append(
      "<g fill=\"none\" stroke=\"#1d3557\" stroke-width=\"10\" stroke-linejoin=\"round\" "
      "stroke-linecap=\"round\">\n");
  SegmentReader reader(file);
  SegmentRecord record;
  CutLine line;  // reused for every record
  while (reader.Next(record)) {
    CutAtAntimeridian(record, line, canvas.frame().middle);
    AppendRecord(line, canvas, out);
  }
  out.Append("</g>\n</svg>\n");
}

}  // namespace coord2seg
