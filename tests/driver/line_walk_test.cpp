// The line loop's hearing of runs of points against its hearing of each point, on random texts.
// SPDX-License-Identifier: MIT
#include "driver/line_walk.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "driver/fast_paths.h"
#include "segment_file/record_format.h"
#include "tests/support/instruction_sets.h"
#include "tests/support/property_rounds.h"
#include "tests/support/random_lines.h"

namespace coord2seg {
namespace {

using LineWalkOnEachSet = testing::EachInstructionSet;

// One thing an observer heard: its kind, the line number and what the line says.
struct Heard {
  char kind;  // 'P' point, 'R' rejected, 'S' separator, 'E' end of segment
  std::uint64_t number;
  std::string bytes;  // the line without its end mark
  double longitude = 0;
  double latitude = 0;
  std::uint64_t stored = 0;  // a point: whether it is in the segment; a segment end: its count

  bool operator==(const Heard&) const = default;
};

void PrintTo(const Heard& heard, std::ostream* out) {
  *out << heard.kind << heard.number << " '" << heard.bytes << "' " << heard.longitude << ' '
       << heard.latitude << ' ' << heard.stored;
}

std::string WithoutEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return std::string(line);
}

// Writes down everything it hears; with `kRuns` it hears the lines read in place a run at a time
// and writes them down one by one, as the loop would have told them.
template <bool kRuns>
class Recorder {
 public:
  static constexpr bool kWantsReasons = false;
  static constexpr bool kHearsRuns = kRuns;

  void Point(std::uint64_t number, std::string_view bytes, const GeoPoint& point, bool stored) {
    heard.push_back({'P', number, WithoutEnd(bytes), point.longitude, point.latitude, stored});
  }
  void Points(std::uint64_t number, std::string_view bytes, std::span<const GeoPoint> points,
              std::size_t stored) {
    ASSERT_TRUE(kRuns);
    for (std::size_t i = 0; i < points.size(); ++i) {
      // Each line of the run up to its end mark, "\r\n" being one.
      std::size_t end = bytes.find_first_of("\r\n");
      if (end == std::string_view::npos) end = bytes.size();
      std::size_t next = end;
      if (next < bytes.size() && bytes[next++] == '\r' && next < bytes.size() &&
          bytes[next] == '\n') {
        ++next;
      }
      Point(number + i, bytes.substr(0, end), points[i], i < stored);
      bytes.remove_prefix(next);
    }
    EXPECT_EQ(bytes, "") << "the run's bytes hold more lines than points";
  }
  void Rejected(std::uint64_t number, std::string_view line, const LineRejection&) {
    heard.push_back({'R', number, std::string(line)});
  }
  void SeparatorLine(std::uint64_t number, std::string_view line) {
    heard.push_back({'S', number, std::string(line)});
  }
  void EndSegment(const SegmentBuffer& buffer) {
    heard.push_back({'E', 0, "", 0, 0, buffer.count()});
    for (const GeoPoint& point : buffer.points()) {
      heard.push_back({'p', 0, "", point.longitude, point.latitude});
    }
  }

  std::vector<Heard> heard;
};

std::string RandomText(testing::RandomLines& random, std::mt19937_64& engine) {
  static const char* const kEnds[] = {"\n", "\r\n", "\r", "\n\n", " \n"};
  std::string text;
  const std::size_t lines = engine() % 80;
  for (std::size_t i = 0; i < lines; ++i) {
    const auto kind = engine() % 12;
    if (kind == 0) {
      text += "#";
    } else if (kind == 1) {
      text += random.Line();
    } else if (kind == 2) {
      text += std::string("\0 1.5\0 2", 8);  // NUL bytes as blanks, as in UTF-16
    } else {
      text += kind < 5 ? random.PlainLine()
                       : std::to_string(static_cast<int>(engine() % 720) - 360) + "." +
                             std::to_string(engine() % 1000) + " " +
                             std::to_string(static_cast<int>(engine() % 180) - 90);
    }
    if (i + 1 < lines || engine() % 2) text += kEnds[engine() % std::size(kEnds)];
  }
  return text;
}

template <bool kRuns>
std::vector<Heard> Walk(const std::string& text, bool lat_first, InstructionSet set) {
  SegmentBuffer buffer;
  Recorder<kRuns> recorder;
  WalkLines(text, lat_first, buffer, recorder, FastPathsFor(set).read_simple_lines);
  return recorder.heard;
}

TEST_P(LineWalkOnEachSet, RunsAreHeardAsTheirPointsOnRandomTexts) {
  testing::RandomLines random(31);
  std::mt19937_64 engine(31);
  for (int round = 0; round < testing::PropertyRounds(3000); ++round) {
    const std::string text = RandomText(random, engine);
    const bool lat_first = round % 3 == 0;
    ASSERT_EQ(Walk<true>(text, lat_first, GetParam()), Walk<false>(text, lat_first, GetParam()))
        << "text: " << ::testing::PrintToString(text);
  }
}

// A run beyond the segment's room: the points past it are heard, but not stored.
TEST_P(LineWalkOnEachSet, RunsPastTheSegmentsRoomAreHeardAsNotStored) {
  std::string text;
  for (std::uint32_t i = 0; i < kMaxSegmentPoints + 700; ++i) {
    text += std::to_string(i % 360) + ".5 " + std::to_string(i % 90) + "\n";
    if (i == kMaxSegmentPoints + 300) text += "x y\n";
  }
  text += "#\n1 2\n";
  const std::vector<Heard> runs = Walk<true>(text, false, GetParam());
  ASSERT_EQ(runs, Walk<false>(text, false, GetParam()));
  std::size_t stored = 0;
  for (const Heard& heard : runs) stored += heard.kind == 'P' && heard.stored;
  EXPECT_EQ(stored, kMaxSegmentPoints + 1);
}

// The text in parts, each ending after an LF at random, numbered on from part to part.
std::vector<Heard> WalkInParts(const std::string& text, bool lat_first, InstructionSet set,
                               std::mt19937_64& engine) {
  SegmentBuffer buffer;
  Recorder<true> recorder;
  std::uint64_t last_number = 0;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t to = text.find('\n', from + engine() % 40);
    to = to == std::string::npos ? text.size() : to + 1;
    WalkLinesOfPart(std::string_view(text).substr(from, to - from), lat_first, buffer, recorder,
                    last_number, FastPathsFor(set).read_simple_lines);
    from = to;
  }
  recorder.EndSegment(buffer);
  return recorder.heard;
}

TEST_P(LineWalkOnEachSet, TextInPartsIsHeardAsTheWholeOnRandomTexts) {
  testing::RandomLines random(37);
  std::mt19937_64 engine(37);
  for (int round = 0; round < testing::PropertyRounds(3000); ++round) {
    const std::string text = RandomText(random, engine);
    const bool lat_first = round % 3 == 0;
    ASSERT_EQ(WalkInParts(text, lat_first, GetParam(), engine),
              Walk<true>(text, lat_first, GetParam()))
        << "text: " << ::testing::PrintToString(text);
  }
}

INSTANTIATE_TEST_SUITE_P(, LineWalkOnEachSet, testing::kEveryInstructionSet, testing::ParamName);

}  // namespace
}  // namespace coord2seg
