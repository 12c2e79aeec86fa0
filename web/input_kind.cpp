#include "web/input_kind.h"

#include <algorithm>
#include <cstddef>

#include "common/text_bytes.h"
#include "segment_file/segment_reader.h"

namespace coord2seg {
namespace {

// As segdump tells text from a segment file: by the first 4096 bytes.
constexpr std::size_t kSampledBytes = 4096;

bool EndsWithNoCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() &&
         std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                    [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b); });
}

bool StartsLikeJson(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && text[first] == '{';
}

}  // namespace

InputKind ClassifyInput(std::string_view name, std::span<const unsigned char> bytes,
                        std::string& why) {
  const std::string_view start(reinterpret_cast<const char*>(bytes.data()),
                               std::min(bytes.size(), kSampledBytes));
  if (!HoldsBinaryByte(start)) {
    if (EndsWithNoCase(name, ".geojson") || EndsWithNoCase(name, ".json") ||
        StartsLikeJson(start)) {
      return InputKind::kGeoJson;
    }
    return InputKind::kCoordinateText;
  }
  const SegmentFileCheck check = CheckSegmentFile(bytes);
  if (!check.damage || EndsWithNoCase(name, ".bin")) return InputKind::kSegmentFile;
  why = std::string(name) +
        ": neither coordinate text, GeoJSON nor a segment file: it holds binary bytes, and as a "
        "segment file it is damaged: " +
        DescribeDamagePlace(*check.damage);
  return InputKind::kNeither;
}

}  // namespace coord2seg
