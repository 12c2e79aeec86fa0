// Lines on a map that runs from -180 to 180 degrees: random records, many near and across the
// antimeridian, cut for GeoJSON and drawn in SVG.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "segment_file/segment_reader.h"
#include "tests/segment_bytes.h"
#include "tools/segdump/antimeridian_cut.h"
#include "tools/segdump/dump_formats.h"

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

// The step in minutes from one stored longitude to the next the short way; at exactly half a
// turn either way is short.
double ShortStep(std::int16_t from, std::int16_t to) {
  return std::remainder(static_cast<double>(to) - from, kFullTurn);
}

bool SameMeridian(double map_longitude, std::int16_t stored) {
  return std::fmod(map_longitude - stored, kFullTurn) == 0;
}

bool OnTheMap(const MapPosition& position) { return std::abs(position.longitude) <= kHalfTurn; }

// Checks the cut between stored points `from` and `to`, where the piece that holds `from` at
// position `next - 1` is followed by one that starts at `start`: the line really leaves the map
// there, the piece ends on that edge (or at `from` when it lies on the edge) and the next piece
// starts at the same place on the other edge, on the line between the points.
std::string CheckCutAt(StoredPoint from, StoredPoint to, const CutLine& line, std::size_t next,
                       std::size_t start) {
  const MapPosition& before = line.positions[next - 1];
  const MapPosition& end = start == next ? before : line.positions[next];
  const double edge = -line.positions[start].longitude;
  double step = ShortStep(from.longitude, to.longitude);
  if (std::abs(step) == kHalfTurn) step = std::copysign(kHalfTurn, edge);
  if (std::abs(edge) != kHalfTurn || (step > 0) != (edge > 0)) return "a cut at no edge";
  if (OnTheMap({before.longitude + step, 0})) return "a cut where the line stays on the map";
  const double latitude =
      from.latitude + (edge - before.longitude) / step * (to.latitude - from.latitude);
  if (end.longitude != edge || end.latitude != line.positions[start].latitude ||
      std::abs(end.latitude - latitude) > 1e-9) {
    return "edge positions off the line";
  }
  return "";
}

// Whether the line from `from` (at position `next - 1`) to `to` leaves the map. Exactly half a
// turn apart, both ways are short, so the line may take either; the cut line says which.
bool NeedsCut(StoredPoint from, StoredPoint to, const CutLine& line, std::size_t piece,
              std::size_t next) {
  const double step = ShortStep(from.longitude, to.longitude);
  if (std::abs(step) != kHalfTurn) return !OnTheMap({line.positions[next - 1].longitude + step, 0});
  return piece + 1 < line.piece_count() && line.piece_starts[piece + 1] <= next + 1 &&
         CheckCutAt(from, to, line, next, line.piece_starts[piece + 1]).empty();
}

// Walks the cut line beside the record: every stored point in order, on the map, each step the
// short way, and between two points at most one cut.
std::string CheckCut(const std::vector<StoredPoint>& points, const CutLine& line) {
  for (std::size_t piece = 0; piece < line.piece_count(); ++piece) {
    const std::size_t size = line.piece_end(piece) - line.piece_starts[piece];
    if (size < std::min<std::size_t>(points.size(), 2)) return "a piece of one position";
  }
  std::size_t next = 0;   // the position point i should be at
  std::size_t piece = 0;  // the piece `next` is in
  for (std::size_t i = 0; i < points.size(); ++i) {
    const std::string where = " before point " + std::to_string(i);
    if (i > 0 && NeedsCut(points[i - 1], points[i], line, piece, next)) {
      if (piece + 1 == line.piece_count() || line.piece_starts[piece + 1] > next + 1) {
        return "no cut where the line leaves the map" + where;
      }
      const std::size_t start = line.piece_starts[++piece];
      const std::string problem = CheckCutAt(points[i - 1], points[i], line, next, start);
      if (!problem.empty()) return problem + where;
      next = start + 1;
    } else if (i > 0 &&
               std::abs(line.positions[next].longitude - line.positions[next - 1].longitude) !=
                   std::abs(ShortStep(points[i - 1].longitude, points[i].longitude))) {
      return "a step the long way round" + where;
    }
    if (next >= line.piece_end(piece)) return "missing point" + where;
    const MapPosition& position = line.positions[next];
    if (!SameMeridian(position.longitude, points[i].longitude) ||
        position.latitude != points[i].latitude || !OnTheMap(position)) {
      return "a point not where it was stored" + where;
    }
    if (i == 0 && position.longitude == kHalfTurn && points.size() == 1) {
      return "a lone point at 180 rather than -180";
    }
    ++next;
  }
  return next == line.positions.size() && piece + 1 == line.piece_count() ? ""
                                                                          : "positions left over";
}

TEST(AntimeridianCut, KeepsEveryPointAndCutsOnlyAcrossTheLine) {
  RandomRecords random(1809);
  CutLine line;
  int cuts = 0;
  for (int i = 0; i < 200000; ++i) {
    const std::vector<StoredPoint> points = random.Points();
    CutAtAntimeridian(OnlyRecord(StoredRecord(points)), line);
    ASSERT_EQ(CheckCut(points, line), "") << "record " << i;
    cuts += static_cast<int>(line.piece_count()) - 1;
  }
  EXPECT_GT(cuts, 100000);  // or the generator tests little
}

TEST(AntimeridianCut, CutsAtTheEdgeWithAnInterpolatedLatitude) {
  CutLine line;
  CutAtAntimeridian(OnlyRecord(StoredRecord({{10740, 0}, {-10680, 180}})), line);
  ASSERT_EQ(line.piece_count(), 2u);
  const std::vector<std::pair<double, double>> expected = {
      {10740, 0}, {10800, 60}, {-10800, 60}, {-10680, 180}};
  ASSERT_EQ(line.positions.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(line.positions[i].longitude, expected[i].first) << i;
    EXPECT_EQ(line.positions[i].latitude, expected[i].second) << i;
  }
  // A point on the line is drawn on its neighbours' side; there is no cut.
  CutAtAntimeridian(OnlyRecord(StoredRecord({{-10800, 5}, {10740, 5}, {-10800, 5}})), line);
  EXPECT_EQ(line.piece_count(), 1u);
  EXPECT_EQ(line.positions[0].longitude, 10800);
  EXPECT_EQ(line.positions[2].longitude, 10800);
}

// segdump's own path data: "M x y" starts a piece, then "l" and relative steps.
struct SvgPiece {
  std::vector<std::pair<long long, long long>> points;  // absolute, in tenths of a pixel
};

std::vector<SvgPiece> ReadPaths(const std::string& svg) {
  std::vector<SvgPiece> pieces;
  for (std::size_t at = svg.find("<path d=\""); at != std::string::npos;
       at = svg.find("<path d=\"", at + 1)) {
    const char* p = svg.c_str() + at + 9;
    while (*p != '"') {
      const char command = *p++;
      char* end = nullptr;
      long long x = std::strtoll(p, &end, 10);
      long long y = std::strtoll(end, &end, 10);
      p = end;
      if (command == 'M') {
        pieces.emplace_back();
        pieces.back().points.push_back({x, y});
        continue;
      }
      while (true) {
        const auto [last_x, last_y] = pieces.back().points.back();
        pieces.back().points.push_back({last_x + x, last_y + y});
        if (*p == '"' || *p == 'M') break;
        x = std::strtoll(p, &end, 10);
        y = std::strtoll(end, &end, 10);
        p = end;
      }
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
        ASSERT_GE(piece.points.size(), 2u);
        for (std::size_t k = 0; k < piece.points.size(); ++k) {
          const auto [x, y] = piece.points[k];
          ASSERT_TRUE(x >= 0 && x <= width) << "x " << x << " file " << i;
          if (fit) {
            ASSERT_TRUE(y >= 0 && y <= height) << "y " << y << " file " << i;
          }
          if (k > 0) {
            ASSERT_LE(std::abs(x - piece.points[k - 1].first), width / 2);
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
  EXPECT_EQ(ReadPaths(Svg(file, {}))[0].points.size(), 74u);
  EXPECT_EQ(ReadPaths(Svg(file, {.width = 21600}))[0].points.size(), 100u);
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
  EXPECT_EQ(pieces[0].points[0], std::make_pair(500LL, 5250LL));
  EXPECT_EQ(pieces[0].points[1], std::make_pair(10500LL, 250LL));
}

}  // namespace
}  // namespace coord2seg
