// Free blocks of each size in the kernel's buddy allocator, read from /proc/buddyinfo.
// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <string_view>

namespace coord2seg {

// How many free blocks of 2^order pages the kernel's buddy allocator holds, from the text of
// /proc/buddyinfo: one line per zone, "Node 0, zone   Normal  c0 c1 ... cN", where ck counts the
// free blocks of 2^k pages. A free block of a higher order holds 2^(k - order) blocks of `order`.
// Lines that do not read so are passed over.
inline std::size_t CountFreeLargeBlocks(std::string_view buddyinfo, unsigned order) {
  std::size_t blocks = 0;
  while (!buddyinfo.empty()) {
    const std::size_t end = buddyinfo.find('\n');
    std::string_view line = buddyinfo.substr(0, end);
    buddyinfo.remove_prefix(end == std::string_view::npos ? buddyinfo.size() : end + 1);
    const std::size_t zone = line.find("zone");
    if (zone == std::string_view::npos) continue;
    line.remove_prefix(zone + 4);
    line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));  // to the zone name
    line.remove_prefix(std::min(line.find(' '), line.size()));               // past it
    for (unsigned k = 0;; ++k) {
      line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
      std::size_t count = 0;
      const auto [next, error] = std::from_chars(line.data(), line.data() + line.size(), count);
      if (error != std::errc()) break;
      line.remove_prefix(static_cast<std::size_t>(next - line.data()));
      if (k >= order && k - order < 8 * sizeof(std::size_t)) blocks += count << (k - order);
    }
  }
  return blocks;
}

}  // namespace coord2seg
