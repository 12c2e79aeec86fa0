// Finds coordlint's notes in its report by their words.
// SPDX-License-Identifier: MIT
#include "web/report_notes.h"

#include <array>
#include <utility>

namespace coord2seg {

std::uint32_t ReportNotes(std::string_view report, std::string_view name) {
  static constexpr std::array<std::pair<std::string_view, ReportNote>, 8> kWords = {{
      {"starts with a UTF-8 byte-order mark", kNoteByteOrderMark},
      {"coord2seg FILE -LATLON", kNoteLatitudeFirst},
      {"',' is a decimal mark here", kNoteCommas},
      {"the text is UTF-16", kNoteUtf16},
      {"three values (x y z)", kNoteThirdValue},
      {"a header line at the top", kNoteHeader},
      {"a line starting with '>'", kNoteAngleBracket},
      {"a '#' after leading blanks", kNoteIndentedHash},
  }};
  constexpr std::string_view kNoteMark = ": note: ";
  std::uint32_t notes = 0;
  while (!report.empty()) {
    const std::size_t end = report.find('\n');
    std::string_view line = report.substr(0, end);
    report.remove_prefix(end == std::string_view::npos ? report.size() : end + 1);
    // "NAME:LINE: note: text"
    if (!line.starts_with(name) || line.size() <= name.size() || line[name.size()] != ':') {
      continue;
    }
    line.remove_prefix(name.size() + 1);
    const std::size_t digits = line.find_first_not_of("0123456789");
    if (digits == 0 || digits == std::string_view::npos) continue;
    line.remove_prefix(digits);
    if (!line.starts_with(kNoteMark)) continue;
    line.remove_prefix(kNoteMark.size());
    for (const auto& [words, note] : kWords) {
      if (line.find(words) != std::string_view::npos) notes |= note;
    }
  }
  return notes;
}

}  // namespace coord2seg
