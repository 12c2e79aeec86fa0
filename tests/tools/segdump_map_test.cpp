// Lines on a map that runs from -180 to 180 degrees: random records, many near and across the
// antimeridian, cut for GeoJSON and drawn in SVG.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "segment_file/segment_reader.h"
#include "tests/support/property_rounds.h"
#include "tests/support/segment_bytes.h"
#include "tools/segdump/antimeridian_cut.h"
#include "tools/segdump/svg.h"

namespace coord2seg {
namespace {

using testing::Bytes;
using testing::StoredRecord;

constexpr int kHalfTurn = 10800;
constexpr int kFullTurn = 21600;

class RandomRecords {
 public:
  explicit RandomRecords(std::uint64_t seed) : engine_(seed) {}

  std::vector<StoredPoint> Points() {
    std::vector<StoredPoint> points(Between(1, 40));
    for (StoredPoint& point : points) {
      point = {Longitude(), static_cast<std::int16_t>(Between(-5400, 5400))};
      if (Between(0, 9) == 0) point.latitude = static_cast<std::int16_t>(Between(-32768, 32767));
    }
    if (points.size() > 2 && Between(0, 4) == 0) points[1] = points[0];  // repeated points
    return points;
  }

 private:
  // Mostly near the antimeridian, on it, or one turn out, where the cuts happen.
  std::int16_t Longitude() {
    switch (Between(0, 3)) {
      case 0:
        return static_cast<std::int16_t>(Between(-32768, 32767));
      case 1:
        return static_cast<std::int16_t>((Between(0, 1) ? kHalfTurn : -kHalfTurn) +
                                         Between(0, 1) * kFullTurn * (Between(0, 1) ? 1 : -1));
      default:
        return static_cast<std::int16_t>((Between(0, 1) ? kHalfTurn : -kHalfTurn) +
                                         Between(-120, 120));
    }
  }
  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }

  std::mt19937_64 engine_;
};

SegmentRecord OnlyRecord(const std::string& file) {
  SegmentReader reader(Bytes(file));
  SegmentRecord record;
  EXPECT_TRUE(reader.Next(record));
  return record;
}

bool OnTheMap(double longitude) { return std::abs(longitude) <= kHalfTurn; }

bool IsStored(const MapPosition& position, StoredPoint point) {
  return std::fmod(position.longitude - point.longitude, kFullTurn) == 0 &&
         position.latitude == point.latitude;
}

// A position that is not a stored point must be a cut's: the last of a piece or the first of the
// next, on the edge the line leaves by, on the straight line from the stored point before it
// (drawn at `from`) to the one after.
std::string CheckEdge(const CutLine& line, std::size_t piece, std::size_t k, StoredPoint before,
                      const MapPosition& from, StoredPoint after) {
  const MapPosition& position = line.positions[k];
  const bool starts_piece = piece > 0 && k == line.piece_starts[piece];
  if (!starts_piece && (piece + 1 == line.piece_count() || k + 1 != line.piece_end(piece))) {
    return "a position that is neither a stored point nor on a cut";
  }
  const double edge = starts_piece ? -position.longitude : position.longitude;
  double step = std::remainder(static_cast<double>(after.longitude) - before.longitude, kFullTurn);
  if (std::abs(step) == kHalfTurn) step = std::copysign(kHalfTurn, edge);  // both ways are short
  if (std::abs(edge) != kHalfTurn || (step > 0) != (edge > 0) || OnTheMap(from.longitude + step)) {
    return "a cut where the line does not leave the map";
  }
  const double latitude =
      before.latitude + (edge - from.longitude) / step * (after.latitude - before.latitude);
  if (std::abs(position.latitude - latitude) > 1e-9) return "an edge position off the line";
  const MapPosition& end = line.positions[k - 1];
  if (starts_piece && (end.longitude != edge || end.latitude != position.latitude)) {
    return "pieces that do not meet on the edge";
  }
  return "";
}

// Walks the cut line beside the record: every stored point in order, every position on the map,
// no step longer than half a turn within a piece, and nothing else but the cuts' edge positions.
std::string CheckCut(const std::vector<StoredPoint>& points, const CutLine& line) {
  if (points.size() == 1) {
    const MapPosition& only = line.positions[0];
    return line.positions.size() == 1 && IsStored(only, points[0]) &&
                   only.longitude >= -kHalfTurn && only.longitude < kHalfTurn
               ? ""
               : "a one-point record is not one position in [-180, 180)";
  }
  std::size_t next = 0;     // the next stored point to meet
  MapPosition last_stored;  // where the one before it is drawn
  for (std::size_t piece = 0; piece < line.piece_count(); ++piece) {
    if (line.piece_end(piece) - line.piece_starts[piece] < 2) return "a piece of one position";
    for (std::size_t k = line.piece_starts[piece]; k < line.piece_end(piece); ++k) {
      const MapPosition& position = line.positions[k];
      const auto where = [k] { return " at position " + std::to_string(k); };
      if (!OnTheMap(position.longitude)) return "off the map" + where();
      if (k > line.piece_starts[piece] &&
          std::abs(position.longitude - line.positions[k - 1].longitude) > kHalfTurn) {
        return "a step the long way round" + where();
      }
      if (next < points.size() && IsStored(position, points[next])) {
        if (piece > 0 && k == line.piece_starts[piece]) return "a piece not begun on the edge";
        last_stored = position;
        ++next;
        continue;
      }
      if (next == 0 || next == points.size()) return "an extra position" + where();
      const std::string problem =
          CheckEdge(line, piece, k, points[next - 1], last_stored, points[next]);
      if (!problem.empty()) return problem + where();
    }
  }
  return next == points.size() ? "" : "stored points missing";
}

// The points half a turn further west, each kept within 16 bits by a whole turn.
std::vector<StoredPoint> HalfATurnWest(std::vector<StoredPoint> points) {
  for (StoredPoint& point : points) {
    int longitude = point.longitude - kHalfTurn;
    if (longitude < -32768) longitude += kFullTurn;
    point.longitude = static_cast<std::int16_t>(longitude);
  }
  return points;
}

TEST(AntimeridianCut, KeepsEveryPointAndCutsOnlyAcrossTheLine) {
  RandomRecords random(1809);
  CutLine line;
  CutLine turned;
  int cuts = 0;
  for (int i = 0; i < testing::PropertyRounds(200000); ++i) {
    const std::vector<StoredPoint> points = random.Points();
    CutAtAntimeridian(OnlyRecord(StoredRecord(points)), line);
    ASSERT_EQ(CheckCut(points, line), "") << "record " << i;
    cuts += static_cast<int>(line.piece_count()) - 1;
    // On the map from 0 to 360 degrees, the same as the points half a turn west on the plain map,
    // half a turn east.
    CutAtAntimeridian(OnlyRecord(StoredRecord(HalfATurnWest(points))), line);
    CutAtAntimeridian(OnlyRecord(StoredRecord(points)), turned, kHalfTurn);
    ASSERT_EQ(turned.piece_starts, line.piece_starts) << "record " << i;
    for (std::size_t k = 0; k < line.positions.size(); ++k) {
      ASSERT_EQ(turned.positions[k].longitude, line.positions[k].longitude + kHalfTurn) << i;
      ASSERT_EQ(turned.positions[k].latitude, line.positions[k].latitude) << i;
    }
  }
  EXPECT_GT(cuts, testing::PropertyRounds(100000));  // or the generator tests little
}

// segdump's own path data: "M x y" starts a piece, then "l" and relative steps. The points of
// each piece, absolute, in tenths of a pixel.
using SvgPiece = std::vector<std::pair<long long, long long>>;

std::vector<SvgPiece> ReadPaths(const std::string& svg) {
  std::vector<SvgPiece> pieces;
  for (std::size_t at = svg.find("<path d=\""); at != std::string::npos;
       at = svg.find("<path d=\"", at + 1)) {
    bool relative = false;
    for (const char* p = svg.c_str() + at + 9; *p != '"';) {
      if (*p == 'M' || *p == 'l') {
        relative = *p++ == 'l';
        if (!relative) pieces.emplace_back();
      }
      char* end = nullptr;
      const long long x = std::strtoll(p, &end, 10);
      const long long y = std::strtoll(end, &end, 10);
      p = end;
      SvgPiece& piece = pieces.back();
      piece.push_back(relative ? std::pair{piece.back().first + x, piece.back().second + y}
                               : std::pair{x, y});
    }
  }
  return pieces;
}

std::string Svg(const std::string& file, const SvgOptions& options) {
  std::string svg;
  OutputBuffer out([&svg](std::string_view piece) { svg += piece; });
  WriteSvg(Bytes(file), options, out);
  out.Flush();
  return svg;
}

TEST(SvgMap, LinesStayOnThePictureAndNeverRunAcrossIt) {
  RandomRecords random(2024);
  for (int i = 0; i < 300; ++i) {
    std::string file;
    for (int record = 0; record < 20; ++record) file += StoredRecord(random.Points());
    for (const bool fit : {false, true}) {
      const std::string svg = Svg(file, {.fit = fit, .width = 1000});
      const long long width = 10000;
      const long long height = std::stoll(svg.substr(svg.find("viewBox=\"0 0 10000 ") + 19));
      for (const SvgPiece& piece : ReadPaths(svg)) {
        ASSERT_GE(piece.size(), 2u);
        for (std::size_t k = 0; k < piece.size(); ++k) {
          const auto [x, y] = piece[k];
          ASSERT_TRUE(x >= 0 && x <= width) << "x " << x << " file " << i;
          if (fit) {
            ASSERT_TRUE(y >= 0 && y <= height) << "y " << y << " file " << i;
          }
          if (k > 0) {
            ASSERT_LE(std::abs(x - piece[k - 1].first), width / 2);
          }
        }
      }
    }
  }
}

TEST(SvgMap, MergesPointsCloserThanATenthOfAPixel) {
  // A minute of arc is 0.074 pixels at the default width and 1 pixel at 21600.
  std::vector<StoredPoint> points;
  for (std::int16_t minutes = 0; minutes < 100; ++minutes) points.push_back({minutes, 0});
  const std::string file = StoredRecord(points);
  EXPECT_EQ(ReadPaths(Svg(file, {}))[0].size(), 74u);
  EXPECT_EQ(ReadPaths(Svg(file, {.width = 21600}))[0].size(), 100u);
  // A line that shrinks to one point is still drawn, as a dot.
  EXPECT_NE(Svg(StoredRecord({{0, 0}, {0, 0}}), {}).find("<path d=\"M8000 4000l0 0\"/>"),
            std::string::npos);
}

TEST(SvgMap, FitFramesTheDataWithAMargin) {
  const std::string file = StoredRecord({{600, 3000}, {660, 3030}});  // a degree by half a degree
  const std::string svg = Svg(file, {.fit = true, .width = 1100});
  EXPECT_NE(svg.find("viewBox=\"0 0 11000 5500\" width=\"1100\" height=\"550\""), std::string::npos)
      << svg;
  const std::vector<SvgPiece> pieces = ReadPaths(svg);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0], (SvgPiece{{500, 5250}, {10500, 250}}));
}

TEST(SvgMap, FitDrawsDataAcrossTheAntimeridianWhole) {
  // A box of 10 by 10 degrees around the antimeridian, and the same around the prime meridian.
  const std::string across =
      StoredRecord({{10500, -300}, {-10500, -300}, {-10500, 300}, {10500, 300}, {10500, -300}});
  const std::string svg = Svg(across, {.fit = true, .width = 1100});
  EXPECT_NE(svg.find("viewBox=\"0 0 11000 11000\""), std::string::npos) << svg;
  EXPECT_EQ(ReadPaths(svg),
            (std::vector<SvgPiece>{
                {{500, 10500}, {10500, 10500}, {10500, 500}, {500, 500}, {500, 10500}}}));
  const std::string around_zero =
      StoredRecord({{-300, -300}, {300, -300}, {300, 300}, {-300, 300}, {-300, -300}});
  EXPECT_EQ(svg, Svg(around_zero, {.fit = true, .width = 1100}));
  // The whole world keeps the map from -180 to 180 degrees.
  EXPECT_NE(Svg(across, {.width = 1100}).find("viewBox=\"0 0 11000 5500\""), std::string::npos);
}

}  // namespace
}  // namespace coord2seg
