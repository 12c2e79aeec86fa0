// The slow reference conversion.
// SPDX-License-Identifier: MIT
#include "tests/support/reference_converter.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "common/geo_point.h"
#include "tests/support/reference_parser.h"

namespace coord2seg::testing {
namespace {

void AppendLittleEndian(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
}

// Appends the record, or nothing when the segment is empty or a value has no minutes.
void AppendRecord(std::string& out, const std::vector<GeoPoint>& segment) {
  if (segment.empty()) return;
  std::string record;
  AppendLittleEndian(record, segment.size(), 4);
  record += '\0';
  for (const GeoPoint& point : segment) {
    for (double degrees : {point.longitude, point.latitude}) {
      const std::optional<std::int64_t> minutes = ReferenceMinutes(degrees);
      if (!minutes) return;
      AppendLittleEndian(record, static_cast<std::uint64_t>(*minutes), 2);
    }
  }
  out += record;
}

}  // namespace

static_assert(std::numeric_limits<long double>::digits >= 64, "needs 64-bit long double");

std::optional<std::int64_t> ReferenceMinutes(double degrees) {
  const long double rounded = std::nearbyintl(static_cast<long double>(degrees) * 60.0L);
  if (!(rounded >= -0x1p63L && rounded < 0x1p63L)) return std::nullopt;
  return static_cast<std::int64_t>(rounded);
}

std::vector<std::string> ReferenceSplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(current);
      current.clear();
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += text[i];
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

std::string ReferenceSegmentFile(const std::string& text, bool lat_first) {
  constexpr std::size_t kMaxPoints = 99999;
  std::string out;
  std::vector<GeoPoint> segment;
  for (const std::string& line : ReferenceSplitLines(text)) {
    if (line.empty()) continue;
    if (line.front() == '#') {
      AppendRecord(out, segment);
      segment.clear();
    } else if (const std::optional<GeoPoint> point = ReferenceParseLine(line, lat_first)) {
      if (segment.size() < kMaxPoints) segment.push_back(*point);
    }
  }
  AppendRecord(out, segment);
  return out;
}

}  // namespace coord2seg::testing
