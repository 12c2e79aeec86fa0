// Micro benchmarks: the line parser on realistic lines (cut out, and read in place, also for
// longer number shapes), the minutes conversion, and the whole in-memory conversion without file
// I/O; where there are CPU-specific fast paths, with those this machine runs ("best") and with the
// plain ones.
// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "driver/fast_paths.h"
#include "driver/line_walk.h"
#include "segment_file/minutes.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"
#include "text_input/parse_coordinate_line.h"

namespace {

using coord2seg::GeoPoint;

std::string SixDecimals(double value) {
  char text[32];
  return {text, std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6).ptr};
}

// Lines as the converter meets them: six decimals, mostly one blank, some ';', TAB and commas.
std::vector<std::string> RealisticLines(std::size_t count) {
  std::mt19937_64 engine(3);
  std::uniform_real_distribution<double> longitude(-180, 180);
  std::uniform_real_distribution<double> latitude(-80, 80);
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < count; ++i) {
    std::string line = SixDecimals(longitude(engine));
    line += i % 50 == 0 ? ";" : i % 50 == 1 ? "\t" : " ";
    line += SixDecimals(latitude(engine));
    if (i % 50 == 2) line[line.find('.')] = ',';
    lines.push_back(line);
  }
  return lines;
}

void BM_ParseCoordinateLine(benchmark::State& state) {
  const std::vector<std::string> lines = RealisticLines(1 << 16);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(coord2seg::ParseCoordinateLine(lines[i], false));
    i = (i + 1) & (lines.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseCoordinateLine);

// Lines of one number shape, as exports write them: `decimals` fraction digits, or with -1 the
// shortest text that reads back as the same double (15 to 17 significant digits). The points
// walk as along a shoreline, so neighbouring lines have the same signs and integer digits.
std::vector<std::string> ShapeLines(int decimals) {
  std::mt19937_64 engine(5);
  std::normal_distribution<double> step(0, 0.01);
  double longitude = -130.9;
  double latitude = -7.8;
  const auto number = [decimals](double value) {
    char text[32];
    char* const end = decimals < 0 ? std::to_chars(text, text + sizeof text, value).ptr
                                   : std::to_chars(text, text + sizeof text, value,
                                                   std::chars_format::fixed, decimals)
                                         .ptr;
    return std::string(text, end);
  };
  std::vector<std::string> lines(1 << 16);
  for (std::string& line : lines) {
    longitude += step(engine);
    latitude += step(engine);
    line = number(longitude) + " " + number(latitude);
  }
  return lines;
}

// The way the converter meets most lines: runs of them read in place, end marks included, by the
// reader for the instruction set; the realistic six-decimal lines unless `decimals` is given.
void BM_ReadSimpleLines(benchmark::State& state, coord2seg::InstructionSet set, int decimals = 6) {
  if (!coord2seg::CanRun(set)) {
    state.SkipWithError("this CPU does not run it");
    return;
  }
  const coord2seg::SimpleLinesReader read_simple_lines =
      coord2seg::FastPathsFor(set).read_simple_lines;
  const std::vector<std::string> lines =
      decimals == 6 ? RealisticLines(1 << 16) : ShapeLines(decimals);
  std::string text;
  for (const std::string& line : lines) text += line + '\n';
  std::vector<GeoPoint> points(lines.size());
  for (auto _ : state) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end) {
      const coord2seg::SimpleLinesRead read = read_simple_lines(p, end, false, points);
      benchmark::DoNotOptimize(points.data());
      p = read.lines > 0 ? read.next : static_cast<const char*>(std::memchr(p, '\n', end - p)) + 1;
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * lines.size()));
}
BENCHMARK_CAPTURE(BM_ReadSimpleLines, best, coord2seg::BestInstructionSet());
BENCHMARK_CAPTURE(BM_ReadSimpleLines, plain, coord2seg::InstructionSet::kPlain);
BENCHMARK_CAPTURE(BM_ReadSimpleLines, 10_decimals_best, coord2seg::BestInstructionSet(), 10);
BENCHMARK_CAPTURE(BM_ReadSimpleLines, 10_decimals_plain, coord2seg::InstructionSet::kPlain, 10);
BENCHMARK_CAPTURE(BM_ReadSimpleLines, 12_decimals_best, coord2seg::BestInstructionSet(), 12);
BENCHMARK_CAPTURE(BM_ReadSimpleLines, 12_decimals_plain, coord2seg::InstructionSet::kPlain, 12);
BENCHMARK_CAPTURE(BM_ReadSimpleLines, shortest_best, coord2seg::BestInstructionSet(), -1);
BENCHMARK_CAPTURE(BM_ReadSimpleLines, shortest_plain, coord2seg::InstructionSet::kPlain, -1);

void BM_DegreesToMinutes(benchmark::State& state) {
  std::mt19937_64 engine(4);
  std::uniform_real_distribution<double> degrees(-180, 180);
  std::vector<double> values(1 << 16);
  for (double& value : values) value = degrees(engine);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(coord2seg::DegreesToMinutes(values[i]));
    i = (i + 1) & (values.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DegreesToMinutes);

void BM_ConvertInMemory(benchmark::State& state, coord2seg::InstructionSet set) {
  if (!coord2seg::CanRun(set)) {
    state.SkipWithError("this CPU does not run it");
    return;
  }
  const coord2seg::FastPaths paths = coord2seg::FastPathsFor(set);
  std::string text;
  const std::vector<std::string> lines = RealisticLines(1 << 18);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i % 1500 == 0) text += "# segment\n";
    text += lines[i] + '\n';
  }
  coord2seg::SegmentBuffer buffer;
  std::vector<unsigned char> record(coord2seg::RecordBytes(coord2seg::kMaxSegmentPoints));
  for (auto _ : state) {
    coord2seg::CollectSegments(
        text, false, buffer,
        [&](const coord2seg::SegmentBuffer& segment) {
          benchmark::DoNotOptimize(paths.encode_record(segment.points(), record.data()));
        },
        paths.read_simple_lines);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK_CAPTURE(BM_ConvertInMemory, best, coord2seg::BestInstructionSet());
BENCHMARK_CAPTURE(BM_ConvertInMemory, plain, coord2seg::InstructionSet::kPlain);

}  // namespace
