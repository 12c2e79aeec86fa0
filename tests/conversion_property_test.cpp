// The in-memory conversion against the slow reference conversion, on random texts that mix
// every kind of line and line end.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "driver/collect_segments.h"
#include "driver/fast_paths.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"
#include "tests/random_lines.h"
#include "tests/reference_converter.h"

namespace coord2seg {
namespace {

// The converter's own line loop and record encoding, collected in memory.
std::string FastConversion(const std::string& text, bool lat_first, const FastPaths& paths) {
  std::string output;
  SegmentBuffer buffer;
  std::vector<unsigned char> record(RecordBytes(kMaxSegmentPoints));
  CollectSegments(
      text, lat_first, buffer,
      [&](const SegmentBuffer& segment) {
        if (segment.count() > 0 && paths.encode_record(segment.points(), record.data())) {
          output.append(reinterpret_cast<const char*>(record.data()), RecordBytes(segment.count()));
        }
      },
      paths.read_simple_lines);
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
    } else if (kind < 4) {
      text += random.Line();
    } else if (kind < 6) {
      text += random.PlainLine();
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

TEST(ConversionProperty, AgreesWithTheReferenceConversionOnRandomTexts) {
  testing::RandomLines random(99);
  std::mt19937_64 engine(5);
  for (int round = 0; round < 30000; ++round) {
    const std::string text = RandomText(random, engine);
    const bool lat_first = round % 3 == 0;
    const std::string expected = testing::ReferenceSegmentFile(text, lat_first);
    // Every set of fast paths this machine runs, the plain one always.
    for (const InstructionSet set : {InstructionSet::kPlain, InstructionSet::kAvx2}) {
      if (!CanRun(set)) continue;
      ASSERT_EQ(FastConversion(text, lat_first, FastPathsFor(set)), expected)
          << "instruction set " << static_cast<int>(set) << ":\n"
          << text;
    }
  }
}

}  // namespace
}  // namespace coord2seg
