// The page's map of a segment file: framing, thinning to pixels, graticule and degree labels.
// SPDX-License-Identifier: MIT
#include "web/page_map.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "common/round_half_away.h"
#include "segment_file/record_format.h"
#include "segment_file/segment_reader.h"
#include "segment_file/stored_degrees.h"
#include "tools/segdump/antimeridian_cut.h"

namespace coord2seg {
namespace {

// Room around the data for the labels, in pixels.
constexpr int kLeft = 60;
constexpr int kTop = 10;
constexpr int kRight = 26;
constexpr int kBottom = 26;
// The data is drawn on a grid of half pixels, and a point is kept once it lies a pixel away.
constexpr int kGridPerPixel = 2;
// Past this many points drawn as lines (data that a pixel's thinning does not reduce, such as
// long lines criss-crossing the frame), each further piece is a dot at its first point, one per
// pixel, so that the picture stays quick to draw.
constexpr std::size_t kMostLinePoints = 100000;

// The part of the map the picture shows, in minutes, and the meridian in its middle.
struct Frame {
  double west = -kHalfTurn;
  double north = 90 * 60;
  double width = kFullTurn;
  double height = 180 * 60;
  int middle = 0;
};

// A stored longitude in minutes brought into [0, 360) degrees.
int WithinTurn(int minutes) {
  if (minutes < -kFullTurn || minutes >= kFullTurn) minutes %= kFullTurn;
  return minutes < 0 ? minutes + kFullTurn : minutes;
}

// The records' extent on the map from -180 to 180 degrees or, when narrower, on the one from 0
// to 360, with a twentieth of it as margin on every side, never narrower than three quarters of
// its height nor lower than a third of its width, so that a line along a parallel or a meridian
// and a lone point still give a picture. The stored points decide (the places where lines are
// cut at the map's edge lie between them).
Frame FrameOf(const MapExtent& extent) {
  if (extent.empty()) return {};
  // The map from 0 to 360 only when it is clearly the narrower, as for data across the
  // antimeridian alone.
  const auto width_on = [&extent](int map) {
    return static_cast<double>(extent.east(map)) - static_cast<double>(extent.west(map));
  };
  const int map = width_on(1) < 0.9 * width_on(0) ? 1 : 0;
  const double west = extent.west(map);
  const double east = extent.east(map);
  const double south = extent.south();
  const double north = extent.north();
  constexpr double kLeastSpan = 6;
  double width = std::max(east - west, kLeastSpan);
  double height = std::max(north - south, kLeastSpan);
  width = std::max(width, height * 0.75);
  height = std::max(height, width / 3);
  width *= 1.1;
  height *= 1.1;
  return {(west + east - width) / 2, (north + south + height) / 2, width, height,
          map == 1 ? kHalfTurn : 0};
}

void AppendInteger(std::string& out, std::int64_t value) {
  std::array<char, 24> digits{};
  const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
  out.append(digits.data(), end);
}

void AppendFixed(std::string& out, double value) {
  AppendInteger(out, std::llround(value * 10) / 10);
  const std::int64_t tenth = std::llabs(std::llround(value * 10)) % 10;
  if (tenth != 0) {
    out += '.';
    AppendInteger(out, tenth);
  }
}

void AppendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
}

// "12°", "12°30′" for a whole number of minutes.
std::string Degrees(std::int64_t minutes) {
  std::string text = std::to_string(minutes / 60) + "\u00B0";
  if (minutes % 60 != 0) text += std::to_string(minutes % 60) + "\u2032";
  return text;
}

std::string LongitudeLabel(std::int64_t minutes) {
  while (minutes > kHalfTurn) minutes -= kFullTurn;
  while (minutes <= -kHalfTurn) minutes += kFullTurn;
  if (minutes == 0 || minutes == kHalfTurn) return Degrees(minutes);
  return Degrees(std::llabs(minutes)) + (minutes > 0 ? "E" : "W");
}

std::string LatitudeLabel(std::int64_t minutes) {
  if (minutes == 0) return Degrees(0);
  return Degrees(std::llabs(minutes)) + (minutes > 0 ? "N" : "S");
}

// Round minutes or degrees, about three to eight lines across the longer side, and labels along
// the bottom at least 50 pixels apart.
std::int64_t GraticuleStep(const Frame& frame, int width) {
  constexpr std::array<std::int64_t, 15> kSteps = {1,   2,   5,   10,   15,   30,   60,  120,
                                                   300, 600, 900, 1200, 1800, 3600, 5400};
  for (const std::int64_t step : kSteps) {
    const double lines = std::max(frame.width, frame.height) / static_cast<double>(step);
    const double label_pixels = width * static_cast<double>(step) / frame.width;
    if (lines <= 8 && label_pixels >= 50) return step;
  }
  return kSteps.back();
}

// Path elements of a few hundred points each: a renderer strokes many small paths far faster
// than one that crosses itself everywhere.
class PathChunks {
 public:
  static constexpr std::size_t kPointsPerPath = 400;

  std::string& Open() { return current_; }
  void Close(std::size_t points) {
    points_ += points;
    if (points_ >= kPointsPerPath) Finish();
  }
  // The elements, each `<path d="..."/>`.
  std::string Elements() {
    Finish();
    return std::move(elements_);
  }

 private:
  void Finish() {
    if (current_.empty()) return;
    elements_ += "<path d=\"" + current_ + "\"/>\n";
    current_.clear();
    points_ = 0;
  }

  std::string elements_;
  std::string current_;
  std::size_t points_ = 0;
};

class Picture {
 public:
  Picture(const Frame& frame, int width)
      : frame_(frame),
        width_(width),
        height_(std::max(1, static_cast<int>(std::lround(width * frame.height / frame.width)))),
        pixels_per_minute_(width / frame.width),
        drawn_(static_cast<std::size_t>(width_ + 1) * static_cast<std::size_t>(height_ + 1)) {}

  int width() const { return width_; }
  int height() const { return height_; }
  double X(double longitude) const {
    return kLeft + (longitude - frame_.west) * pixels_per_minute_;
  }
  double Y(double latitude) const { return kTop + (frame_.north - latitude) * pixels_per_minute_; }

  // Adds a record to `paths`, or to `dots` when it is a single point.
  void AddRecord(const CutLine& line, PathChunks& paths, PathChunks& dots) {
    PathChunks& target = line.positions.size() == 1 ? dots : paths;
    for (std::size_t piece = 0; piece < line.piece_count(); ++piece) {
      kept_.clear();
      for (std::size_t i = line.piece_starts[piece]; i < line.piece_end(piece); ++i) {
        const Grid point = ToGrid(line.positions[i]);
        const bool last = i + 1 == line.piece_end(piece);
        if (kept_.empty() || Apart(point, kept_.back(), kGridPerPixel) ||
            (last && Apart(point, kept_.back(), 1))) {
          kept_.push_back(point);
        }
      }
      if (line_points_ >= kMostLinePoints) kept_.resize(1);
      line_points_ += kept_.size();
      AddPiece(target.Open());
      target.Close(kept_.size());
    }
  }

 private:
  struct Grid {
    std::int64_t x = 0;
    std::int64_t y = 0;
  };

  Grid ToGrid(const MapPosition& position) const {
    return {RoundHalfAway((position.longitude - frame_.west) * pixels_per_minute_ * kGridPerPixel),
            RoundHalfAway((frame_.north - position.latitude) * pixels_per_minute_ * kGridPerPixel)};
  }
  static bool Apart(const Grid& a, const Grid& b, std::int64_t least) {
    return std::llabs(a.x - b.x) >= least || std::llabs(a.y - b.y) >= least;
  }
  // Marks the pixel of a point; true when it was marked before.
  bool Mark(const Grid& point) {
    const std::int64_t x = std::clamp<std::int64_t>(point.x / kGridPerPixel, 0, width_);
    const std::int64_t y = std::clamp<std::int64_t>(point.y / kGridPerPixel, 0, height_);
    const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width_ + 1) +
                           static_cast<std::size_t>(x);
    const bool before = drawn_[at];
    drawn_[at] = true;
    return before;
  }

  // A piece that covers no more than a pixel is drawn once per pixel, so that millions of short
  // records in one place make one dot.
  void AddPiece(std::string& path) {
    bool all_drawn = true;
    for (const Grid& point : kept_) all_drawn = Mark(point) && all_drawn;
    const bool tiny = kept_.size() <= 2 && !Apart(kept_.front(), kept_.back(), kGridPerPixel);
    if (tiny && all_drawn) return;
    path += 'M';
    AppendInteger(path, kept_.front().x);
    path += ' ';
    AppendInteger(path, kept_.front().y);
    if (kept_.size() == 1) {
      path += "h0";
      return;
    }
    path += 'l';
    for (std::size_t i = 1; i < kept_.size(); ++i) {
      if (i > 1 && kept_[i].x - kept_[i - 1].x >= 0) path += ' ';
      AppendInteger(path, kept_[i].x - kept_[i - 1].x);
      if (kept_[i].y - kept_[i - 1].y >= 0) path += ' ';
      AppendInteger(path, kept_[i].y - kept_[i - 1].y);
    }
  }

  Frame frame_;
  int width_;
  int height_;
  double pixels_per_minute_;
  std::vector<bool> drawn_;
  std::vector<Grid> kept_;
  std::size_t line_points_ = 0;
};

void AppendGraticule(const Frame& frame, const Picture& picture, std::string& out) {
  const std::int64_t step = GraticuleStep(frame, picture.width());
  const double east = frame.west + frame.width;
  const double south = frame.north - frame.height;
  std::string lines;
  std::string labels;
  const auto label = [&labels](double x, double y, const char* anchor, const std::string& text) {
    labels += "<text x=\"";
    AppendFixed(labels, x);
    labels += "\" y=\"";
    AppendFixed(labels, y);
    labels += "\" text-anchor=\"";
    labels += anchor;
    labels += "\">";
    labels += text;
    labels += "</text>\n";
  };
  const double top = picture.Y(frame.north);
  const double bottom = picture.Y(south);
  const double left = picture.X(frame.west);
  const double right = picture.X(east);
  const auto first = [step](double from) {
    return static_cast<std::int64_t>(std::ceil(from / static_cast<double>(step))) * step;
  };
  for (std::int64_t x = first(frame.west); static_cast<double>(x) <= east; x += step) {
    if (x < frame.middle - kHalfTurn || x > frame.middle + kHalfTurn) continue;
    const double at = picture.X(static_cast<double>(x));
    lines += 'M';
    AppendFixed(lines, at);
    lines += ' ';
    AppendFixed(lines, top);
    lines += 'V';
    AppendFixed(lines, bottom);
    label(at, bottom + 17, "middle", LongitudeLabel(x));
  }
  for (std::int64_t y = first(south); static_cast<double>(y) <= frame.north; y += step) {
    if (y < -90 * 60 || y > 90 * 60) continue;
    const double at = picture.Y(static_cast<double>(y));
    lines += 'M';
    AppendFixed(lines, left);
    lines += ' ';
    AppendFixed(lines, at);
    lines += 'H';
    AppendFixed(lines, right);
    label(left - 6, at + 4, "end", LatitudeLabel(y));
  }
  out += "<path fill=\"none\" stroke=\"#d5dde6\" stroke-width=\"1\" d=\"" + lines + "\"/>\n";
  out += "<g fill=\"#5b6775\">\n" + labels + "</g>\n";
}

}  // namespace

void MapExtent::AddRecord(std::span<const unsigned char> record) {
  const std::uint32_t count = LoadUint32(record.data());
  ++segments_;
  points_ += count;
  const unsigned char* pair = record.data() + kRecordHeaderBytes;
  // Kept in locals, so that the loop runs in registers.
  std::array<int, 2> west = west_;
  std::array<int, 2> east = east_;
  int south = south_;
  int north = north_;
  for (std::uint32_t i = 0; i < count; ++i, pair += kPointPairBytes) {
    const StoredPoint point = LoadStoredPoint(pair);
    // On the map from 0 to 360 degrees, and from -180 to 180.
    const int turned = WithinTurn(point.longitude);
    const int plain = turned >= kHalfTurn ? turned - kFullTurn : turned;
    west[0] = std::min(west[0], plain);
    east[0] = std::max(east[0], plain);
    west[1] = std::min(west[1], turned);
    east[1] = std::max(east[1], turned);
    south = std::min<int>(south, point.latitude);
    north = std::max<int>(north, point.latitude);
  }
  west_ = west;
  east_ = east;
  south_ = south;
  north_ = north;
}

void MapExtent::AddFile(std::span<const unsigned char> file) {
  std::size_t at = 0;
  while (file.size() - at >= kRecordHeaderBytes) {
    const std::size_t size = RecordBytes(LoadUint32(file.data() + at));
    if (size > file.size() - at) break;  // damage, which the drawing stops at too
    AddRecord(file.subspan(at, size));
    at += size;
  }
}

std::string MapSvg(std::span<const unsigned char> file, std::string_view name, int width) {
  MapExtent extent;
  extent.AddFile(file);
  return MapSvg(file, extent, name, width);
}

std::string MapSvg(std::span<const unsigned char> file, const MapExtent& extent,
                   std::string_view name, int width) {
  const Frame frame = FrameOf(extent);
  Picture picture(frame, std::clamp(width, kMinMapWidth, kMaxMapWidth));
  const int full_width = kLeft + picture.width() + kRight;
  const int full_height = kTop + picture.height() + kBottom;

  std::string title = "Map of the segments of ";
  AppendEscaped(title, name);
  title += ": " + std::to_string(extent.segments()) + " segments, " +
           std::to_string(extent.points()) + " points";
  std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 ";
  out += std::to_string(full_width) + ' ' + std::to_string(full_height) + "\" width=\"" +
         std::to_string(full_width) + "\" height=\"" + std::to_string(full_height) +
         "\" role=\"img\" aria-label=\"" + title +
         "\" font-family=\"system-ui, sans-serif\" font-size=\"12\">\n<title>" + title +
         "</title>\n<rect x=\"" + std::to_string(kLeft) + "\" y=\"" + std::to_string(kTop) +
         "\" width=\"" + std::to_string(picture.width()) + "\" height=\"" +
         std::to_string(picture.height()) + "\" fill=\"#f7fafc\"/>\n";
  AppendGraticule(frame, picture, out);

  PathChunks paths;
  PathChunks dots;
  SegmentReader reader(file);
  SegmentRecord record;
  CutLine line;
  while (reader.Next(record)) {
    CutAtAntimeridian(record, line, frame.middle);
    picture.AddRecord(line, paths, dots);
  }
  const std::string group = "<g transform=\"translate(" + std::to_string(kLeft) + ' ' +
                            std::to_string(kTop) + ") scale(0.5)\" fill=\"none\" ";
  out += group +
         "stroke=\"#1d3557\" stroke-width=\"3\" stroke-linecap=\"round\" "
         "stroke-linejoin=\"round\">\n" +
         paths.Elements() + "</g>\n";
  out += group + "stroke=\"#c4291c\" stroke-width=\"8\" stroke-linecap=\"round\">\n" +
         dots.Elements() + "</g>\n</svg>\n";
  return out;
}

}  // namespace coord2seg
