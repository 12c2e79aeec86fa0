// segdump --check's lines.
// SPDX-License-Identifier: MIT
#include "tools/segdump/check_report.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "common/text_bytes.h"

namespace coord2seg {
namespace {

// No segment file starts with text: its first record's count has a zero byte.
bool LooksLikeText(std::span<const unsigned char> bytes) {
  constexpr std::size_t kSampledBytes = 4096;
  const std::span<const unsigned char> start = bytes.first(std::min(bytes.size(), kSampledBytes));
  return !start.empty() &&
         !HoldsBinaryByte({reinterpret_cast<const char*>(start.data()), start.size()});
}

// "1 point", "2 points".
std::string Counted(std::uint64_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace

std::string DescribeCheck(const std::string& name, const SegmentFileCheck& check) {
  return name + ": " + Counted(check.segments, "segment") + ", " + Counted(check.points, "point") +
         "\n";
}

std::string DescribeDamage(const std::string& name, std::span<const unsigned char> bytes,
                           const SegmentFileDamage& damage) {
  if (LooksLikeText(bytes)) {
    return name +
           ": looks like coordinate text, not a segment file: convert it with coord2seg "
           "(coordlint tells what that would drop)";
  }
  return name + ": " + DescribeDamagePlace(damage);
}

}  // namespace coord2seg
