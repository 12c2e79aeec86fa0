// The line parser must agree with the slow reference on any bytes, in both orders: the same
// accept or reject, and the same bits for both values (so 0 and -0 differ). Each reader of runs
// of common lines, given the bytes as the first line of a text, must read that line with the
// same point or leave it.
// SPDX-License-Identifier: MIT
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

#include "driver/fast_paths.h"
#include "tests/support/reference_parser.h"
#include "text_input/parse_coordinate_line.h"

namespace coord2seg {
namespace {

bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool Agree(const std::optional<GeoPoint>& fast, const std::optional<GeoPoint>& slow) {
  if (fast.has_value() != slow.has_value()) return false;
  return !fast ||
         (SameBits(fast->longitude, slow->longitude) && SameBits(fast->latitude, slow->latitude));
}

void PrintPoint(const char* name, const std::optional<GeoPoint>& point) {
  if (point) {
    std::fprintf(stderr, "%s: %a %a\n", name, point->longitude, point->latitude);
  } else {
    std::fprintf(stderr, "%s: rejected\n", name);
  }
}

void CheckLine(const std::string& line, bool lat_first) {
  const std::optional<GeoPoint> fast = ParseCoordinateLine(line, lat_first);
  const std::optional<GeoPoint> slow = testing::ReferenceParseLine(line, lat_first);
  if (Agree(fast, slow)) return;
  std::fprintf(stderr, "parser and reference disagree (lat_first=%d)\n", lat_first);
  PrintPoint("parser", fast);
  PrintPoint("reference", slow);
  std::abort();
}

void CheckReaders(const std::string& line, bool lat_first) {
  // Room after the line, so the vector readers read it with their window.
  const std::string text = line + "\n#" + std::string(100, '#');
  std::size_t end = 0;
  while (text[end] != '\n' && text[end] != '\r') ++end;
  const std::size_t next_line = end + (text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
  for (const InstructionSet set : {InstructionSet::kPlain, InstructionSet::kAvx2}) {
    if (!CanRun(set)) continue;
    GeoPoint point;
    const SimpleLinesRead read = FastPathsFor(set).read_simple_lines(
        text.data(), text.data() + text.size(), lat_first, std::span<GeoPoint>(&point, 1));
    if (read.lines == 0) continue;
    const std::optional<GeoPoint> slow =
        testing::ReferenceParseLine(text.substr(0, end), lat_first);
    if (Agree(point, slow) && read.next == text.data() + next_line) continue;
    std::fprintf(stderr, "reader %d and reference disagree (lat_first=%d)\n", static_cast<int>(set),
                 lat_first);
    PrintPoint("reader", point);
    PrintPoint("reference", slow);
    std::abort();
  }
}

}  // namespace
}  // namespace coord2seg

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Any bytes, CR and LF included: the splitter never hands those over, but the parser treats
  // them as plain control bytes and so must agree on them too.
  const std::string line(reinterpret_cast<const char*>(data), size);
  coord2seg::CheckLine(line, false);
  coord2seg::CheckLine(line, true);
  coord2seg::CheckReaders(line, false);
  coord2seg::CheckReaders(line, true);
  return 0;
}
