// The in-memory conversion against the slow reference conversion, on random texts that mix
// every kind of line and line end; and coordlint's account of the same texts against both.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <random>
#include <span>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "common/output_buffer.h"
#include "driver/fast_paths.h"
#include "driver/line_walk.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"
#include "segment_file/segment_reader.h"
#include "tests/support/instruction_sets.h"
#include "tests/support/property_rounds.h"
#include "tests/support/random_lines.h"
#include "tests/support/reference_converter.h"
#include "tests/support/reference_parser.h"
#include "tests/support/segment_bytes.h"
#include "tools/coordlint/lint_text.h"

namespace coord2seg {
namespace {

using ConversionPropertyOnEachSet = testing::EachInstructionSet;

// The converter's own line loop and record encoding, collected in memory.
// The converter's buffers, made once and reused for every text as the converter reuses them for
// every segment: making them anew for each of many small texts is most of a sanitized build's time.
class FastConverter {
 public:
  std::string Convert(const std::string& text, bool lat_first, const FastPaths& paths) {
    std::string output;
    CollectSegments(
        text, lat_first, buffer_,
        [&](const SegmentBuffer& segment) {
          if (segment.count() > 0 && paths.encode_record(segment.points(), record_.data())) {
            output.append(reinterpret_cast<const char*>(record_.data()),
                          RecordBytes(segment.count()));
          }
        },
        paths.read_simple_lines);
    return output;
  }

 private:
  SegmentBuffer buffer_;
  std::vector<unsigned char> record_ = std::vector<unsigned char>(RecordBytes(kMaxSegmentPoints));
};

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

TEST_P(ConversionPropertyOnEachSet, AgreesWithTheReferenceConversionOnRandomTexts) {
  const InstructionSet set = GetParam();
  testing::RandomLines random(99);
  std::mt19937_64 engine(5);
  FastConverter converter;
  for (int round = 0; round < testing::PropertyRounds(30000); ++round) {
    const std::string text = RandomText(random, engine);
    const bool lat_first = round % 3 == 0;
    const std::string expected = testing::ReferenceSegmentFile(text, lat_first);
    ASSERT_EQ(converter.Convert(text, lat_first, FastPathsFor(set)), expected)
        << "instruction set " << static_cast<int>(set) << ":\n"
        << text;
  }
}

// What coordlint must find, the slow way: the reference's lines, points and minutes; a segment
// with points is written when every value has minutes, and then each value outside the usual
// ranges is stored elsewhere.
struct ExpectedLint {
  LintCounts counts;
  std::vector<std::uint64_t> dropped_lines;
};

ExpectedLint ReferenceLint(const std::string& text, bool lat_first) {
  ExpectedLint lint;
  LintCounts& counts = lint.counts;
  std::vector<GeoPoint> segment;
  const auto end_segment = [&] {
    if (segment.size() > kMaxSegmentPoints)
      counts.capped_points += segment.size() - kMaxSegmentPoints;
    segment.resize(std::min<std::size_t>(segment.size(), kMaxSegmentPoints));
    bool has_minutes = true;
    std::uint64_t out_of_range = 0;
    for (const GeoPoint& point : segment) {
      has_minutes &=
          testing::ReferenceMinutes(point.longitude) && testing::ReferenceMinutes(point.latitude);
      out_of_range += !(point.longitude >= -180 && point.longitude < 180);
      out_of_range += !(point.latitude >= -90 && point.latitude <= 90);
    }
    if (!segment.empty() && !has_minutes) ++counts.dropped_segments;
    if (!segment.empty() && has_minutes) {
      ++counts.segments;
      counts.points += segment.size();
      counts.bytes += 5 + 4 * segment.size();
      counts.values_out_of_range += out_of_range;
    }
    segment.clear();
  };
  const std::vector<std::string> lines = testing::ReferenceSplitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    if (lines[i].front() == '#') {
      end_segment();
    } else if (const std::optional<GeoPoint> point =
                   testing::ReferenceParseLine(lines[i], lat_first)) {
      segment.push_back(*point);
    } else {
      lint.dropped_lines.push_back(i + 1);
      ++counts.dropped_lines;
    }
  }
  end_segment();
  return lint;
}

// The numbers of the lines coordlint reports as dropped: "t:LINE: dropped: ..." in a report of
// every finding (quoted bytes are escaped, so each finding is one line).
std::vector<std::uint64_t> DroppedLines(const std::string& report) {
  std::vector<std::uint64_t> lines;
  std::istringstream in(report);
  std::string line;
  std::uint64_t number = 0;
  char colon = 0;
  std::string kind;
  while (std::getline(in, line)) {
    std::istringstream fields(line.substr(2));
    if (line.starts_with("t:") && fields >> number >> colon >> kind && kind == "dropped:") {
      lines.push_back(number);
    }
  }
  return lines;
}

TEST(ConversionProperty, CoordlintAgreesWithTheConversionOnRandomTexts) {
  testing::RandomLines random(7);
  std::mt19937_64 engine(8);
  TextLinter linter;
  FastConverter converter;
  for (int round = 0; round < testing::PropertyRounds(10000); ++round) {
    const std::string text = RandomText(random, engine);
    const bool lat_first = round % 3 == 0;
    std::string report;
    OutputBuffer out([&report](std::string_view piece) { report += piece; });
    FindingsReport findings("t", FindingLimit::kAll, out);
    const LintCounts counts = linter.Check(text, lat_first, findings);
    findings.Finish(counts);
    out.Flush();

    const std::string output =
        converter.Convert(text, lat_first, FastPathsFor(BestInstructionSet()));
    const SegmentFileCheck written = CheckSegmentFile(testing::Bytes(output));
    ASSERT_EQ(counts.segments, written.segments) << text;
    ASSERT_EQ(counts.points, written.points) << text;
    ASSERT_EQ(counts.bytes, output.size()) << text;
    const ExpectedLint expected = ReferenceLint(text, lat_first);
    ASSERT_EQ(DroppedLines(report), expected.dropped_lines) << text << report;
    ASSERT_EQ(counts.dropped_lines, expected.counts.dropped_lines) << text;
    ASSERT_EQ(counts.dropped_segments, expected.counts.dropped_segments) << text;
    ASSERT_EQ(counts.values_out_of_range, expected.counts.values_out_of_range) << text;
    ASSERT_EQ(counts.capped_points, expected.counts.capped_points) << text;
  }
}

// coordlint's report, counts and records on a text, whole or in parts ending after an LF at random.
struct Checked {
  std::string report;
  LintCounts counts;
  std::string records;

  bool operator==(const Checked& other) const {
    return report == other.report && records == other.records &&
           std::tie(counts.segments, counts.points, counts.bytes, counts.dropped_lines,
                    counts.dropped_segments, counts.capped_points, counts.values_out_of_range) ==
               std::tie(other.counts.segments, other.counts.points, other.counts.bytes,
                        other.counts.dropped_lines, other.counts.dropped_segments,
                        other.counts.capped_points, other.counts.values_out_of_range);
  }
};

Checked CheckText(TextLinter& linter, const std::string& text, bool lat_first,
                  std::mt19937_64* parts) {
  Checked checked;
  OutputBuffer out([&checked](std::string_view piece) { checked.report += piece; });
  FindingsReport findings("t", FindingLimit::kTenOfEachKind, out);
  const TextLinter::RecordSink records = [&checked](std::span<const unsigned char> record) {
    checked.records.append(reinterpret_cast<const char*>(record.data()), record.size());
  };
  if (parts == nullptr) {
    checked.counts = linter.Check(text, lat_first, findings, records);
  } else {
    EXPECT_TRUE(linter.Begin(text, lat_first, findings, records));
    std::size_t from = 0;
    while (from < text.size()) {
      std::size_t to = text.find('\n', from + (*parts)() % 50);
      to = to == std::string::npos ? text.size() : to + 1;
      linter.Part(std::string_view(text).substr(from, to - from));
      from = to;
    }
    checked.counts = linter.Finish();
  }
  findings.Finish(checked.counts);
  out.Flush();
  return checked;
}

TEST(ConversionProperty, CoordlintInPartsAgreesWithCoordlintOnTheWholeOnRandomTexts) {
  testing::RandomLines random(11);
  std::mt19937_64 engine(12);
  TextLinter linter;
  for (int round = 0; round < testing::PropertyRounds(5000); ++round) {
    const std::string text = RandomText(random, engine);
    const bool lat_first = round % 3 == 0;
    ASSERT_EQ(CheckText(linter, text, lat_first, &engine),
              CheckText(linter, text, lat_first, nullptr))
        << ::testing::PrintToString(text);
  }
}

TEST(ConversionProperty, CoordlintInPartsLeavesUtf16ToTheWholeCheck) {
  OutputBuffer out([](std::string_view) {});
  FindingsReport findings("t", FindingLimit::kAll, out);
  TextLinter linter;
  EXPECT_FALSE(linter.Begin(std::string_view("1\0 \0002\0\n\0", 8), false, findings));
  EXPECT_FALSE(linter.Begin("\xFF\xFE", false, findings));
  EXPECT_TRUE(linter.Begin("1 2\n", false, findings));
}

INSTANTIATE_TEST_SUITE_P(, ConversionPropertyOnEachSet, testing::kEveryInstructionSet,
                         testing::ParamName);

}  // namespace
}  // namespace coord2seg
