// Which of coordlint's notes a report holds, for the page's own advice beside it.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>

namespace coord2seg {

// One bit for each trap the page advises on.
enum ReportNote : std::uint32_t {
  kNoteByteOrderMark = 1,
  kNoteLatitudeFirst = 2,
  kNoteCommas = 4,
  kNoteUtf16 = 8,
  kNoteThirdValue = 16,
  kNoteHeader = 32,
  kNoteAngleBracket = 64,
  kNoteIndentedHash = 128,
};

// The notes in a report of coordlint's for the file `name`, found by the words of each note,
// which scripts compare and so stay as they are.
std::uint32_t ReportNotes(std::string_view report, std::string_view name);

}  // namespace coord2seg
