// What a file dropped on the page is, by its bytes and name.
// SPDX-License-Identifier: MIT
#include "web/input_kind.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/text_bytes.h"
#include "segment_file/segment_reader.h"

namespace coord2seg {
namespace {

bool EndsWithNoCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() &&
         std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                    [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b); });
}

}  // namespace

bool HoldsBinaryByteAnywhere(std::span<const unsigned char> bytes) {
  // Eight bytes at a time: in each byte's top bit, whether it is below 32 and not from 9 to 13
  // (bytes from 128 up count as text). Exact for every byte, so the words need no second look.
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kTops = kOnes * 0x80;
  constexpr std::uint64_t kLows = kOnes * 0x7F;
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + at, 8);
    const std::uint64_t low = word & kLows;
    const std::uint64_t below_32 = ~((low + kOnes * (0x80 - 32)) | word) & kTops;
    const std::uint64_t from_9 = (low + kOnes * (0x80 - 9)) & kTops;
    const std::uint64_t below_14 = ~(low + kOnes * (0x80 - 14)) & kTops;
    if ((below_32 & ~(from_9 & below_14)) != 0) return true;
  }
  return std::any_of(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end(),
                     [](unsigned char byte) { return IsBinaryByte(static_cast<char>(byte)); });
}

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
