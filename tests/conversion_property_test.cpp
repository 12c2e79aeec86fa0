// The in-memory conversion against a slow one built from obviously correct pieces, on random
// texts that mix every kind of line and line end.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "driver/collect_segments.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"
#include "tests/random_lines.h"
#include "tests/reference_parser.h"

namespace coord2seg {
namespace {

std::string Encode(const std::vector<GeoPoint>& points) {
  std::string record(RecordBytes(static_cast<std::uint32_t>(points.size())), '\0');
  auto* out = reinterpret_cast<unsigned char*>(record.data());
  return EncodeRecord(points, out) ? record : std::string();
}

std::string FastConversion(const std::string& text, bool lat_first) {
  std::string output;
  SegmentBuffer buffer;
  CollectSegments(text, lat_first, buffer, [&output](const SegmentBuffer& segment) {
    if (segment.count() == 0) return;
    output += Encode({segment.points().begin(), segment.points().end()});
  });
  return output;
}

// Splits byte by byte, parses with the reference parser, keeps the first 99999 points.
std::string SlowConversion(const std::string& text, bool lat_first) {
  std::vector<std::string> lines;
  std::string current;
  bool open_line = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(current);
      current.clear();
      open_line = false;
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += text[i];
      open_line = true;
    }
  }
  if (open_line) lines.push_back(current);

  std::string output;
  std::vector<GeoPoint> points;
  const auto end_segment = [&] {
    if (!points.empty()) output += Encode(points);
    points.clear();
  };
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    if (line[0] == '#') {
      end_segment();
    } else if (auto point = testing::ReferenceParseLine(line, lat_first)) {
      if (points.size() < kMaxSegmentPoints) points.push_back(*point);
    }
  }
  end_segment();
  return output;
}

std::string RandomText(testing::RandomLines& random, std::mt19937_64& engine) {
  static const char* const kEnds[] = {"\n", "\r\n", "\r", "\n\n", " \n", "\t\r\n"};
  std::string text;
  const std::size_t lines = engine() % 60;
  for (std::size_t i = 0; i < lines; ++i) {
    const auto kind = engine() % 10;
    if (kind == 0) {
      text += engine() % 2 ? "#" : "# segment";
    } else if (kind == 1) {
      text += "";  // an empty line
    } else if (kind < 5) {
      text += random.Line();
    } else {  // plain lines, the common case the fast reading takes
      text += std::to_string(static_cast<int>(engine() % 720) - 360) + "." +
              std::to_string(engine() % 1000000) + (engine() % 3 ? " " : ";") +
              std::to_string(static_cast<int>(engine() % 180) - 90) + "," +
              std::to_string(engine() % 100);
    }
    if (i + 1 < lines || engine() % 2) text += kEnds[engine() % std::size(kEnds)];
  }
  return text;
}

TEST(ConversionProperty, AgreesWithSlowConversionOnRandomTexts) {
  testing::RandomLines random(99);
  std::mt19937_64 engine(5);
  for (int round = 0; round < 30000; ++round) {
    const std::string text = RandomText(random, engine);
    const bool lat_first = round % 3 == 0;
    ASSERT_EQ(FastConversion(text, lat_first), SlowConversion(text, lat_first)) << text;
  }
}

}  // namespace
}  // namespace coord2seg
