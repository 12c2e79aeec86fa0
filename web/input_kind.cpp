#include "web/input_kind.h"

#include <algorithm>
#include <cstddef>

#include "segment_file/segment_reader.h"

namespace coord2seg {
namespace {

bool EndsWithNoCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() &&
         std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                    [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b); });
}

}  // namespace

bool StartsLikeJson(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && text[first] == '{';
}

InputKind ClassifyInput(std::string_view name, std::span<const unsigned char> bytes,
                        std::string& /*why*/) {
  if (EndsWithNoCase(name, ".bin")) return InputKind::kSegmentFile;
  if (EndsWithNoCase(name, ".geojson") || EndsWithNoCase(name, ".json")) {
    return InputKind::kGeoJson;
  }
  // Text never reads as a segment file: a record's count needs NUL bytes. An empty file is the
  // converter's empty text.
  if (!bytes.empty() && !CheckSegmentFile(bytes).damage) return InputKind::kSegmentFile;
  return InputKind::kCoordinateText;
}

}  // namespace coord2seg
