// coordlint's notes: hints that name the fix for a common mistake.
// SPDX-License-Identifier: MIT
#include "tools/coordlint/text_notes.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <utility>

#include "common/text_bytes.h"
#include "segment_file/segment_reader.h"
#include "text_input/coordinate_grammar.h"
#include "text_input/parse_coordinate_line.h"

namespace coord2seg {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The start of the text that tells UTF-16 from other bytes; enough for a few lines.
constexpr std::size_t kSampledBytes = 4096;

// The name iconv knows the text's encoding by, when it is UTF-16; empty otherwise. ASCII as
// UTF-16 has a NUL in nearly every pair of bytes, always on the same side.
std::string_view Utf16Name(std::string_view text) {
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) return "UTF-16";
  const std::size_t pairs = std::min(text.size(), kSampledBytes) / 2;
  std::size_t nul_first = 0;
  std::size_t nul_second = 0;
  for (std::size_t i = 0; i < pairs; ++i) {
    nul_first += text[2 * i] == '\0';
    nul_second += text[2 * i + 1] == '\0';
  }
  const auto mostly = [pairs](std::size_t nuls) { return pairs >= 2 && nuls * 4 >= pairs * 3; };
  const auto hardly = [pairs](std::size_t nuls) { return nuls * 8 <= pairs; };
  if (mostly(nul_second) && hardly(nul_first)) return "UTF-16LE";
  if (mostly(nul_first) && hardly(nul_second)) return "UTF-16BE";
  return {};
}

// The line without the bytes 0 to 32 the reading trims from its start.
std::string_view TrimmedStart(std::string_view line) {
  while (!line.empty() && IsControlOrBlank(line.front())) line.remove_prefix(1);
  return line;
}

bool IsLetter(char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; }

bool EqualIgnoringCase(std::string_view text, std::string_view lower) {
  return std::equal(text.begin(), text.end(), lower.begin(), lower.end(),
                    [](char a, char b) { return Lower(a) == b; });
}

// Where `word` (lower case) first starts a word of `text`, in any letter case, or right after
// `joined` ("LatLon"); so "calculated" holds no "lat" and "along" no "lon".
std::size_t FindWordStart(std::string_view text, std::string_view word,
                          std::string_view joined = {}) {
  for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
    if (!EqualIgnoringCase(text.substr(at, word.size()), word)) continue;
    if (at == 0 || !IsLetter(text[at - 1])) return at;
    if (!joined.empty() && at >= joined.size() &&
        EqualIgnoringCase(text.substr(at - joined.size(), joined.size()), joined)) {
      return at;
    }
  }
  return std::string_view::npos;
}

// "lat lon", "Latitude;Longitude", "# y_lat x_lng", "LatLon" ...
bool NamesLatitudeFirst(std::string_view line) {
  const std::size_t latitude = FindWordStart(line, "lat");
  const std::size_t longitude =
      std::min(FindWordStart(line, "lon", "lat"), FindWordStart(line, "lng", "lat"));
  return latitude != std::string_view::npos && longitude != std::string_view::npos &&
         latitude < longitude;
}

// Column names: words apart, and a letter first, which no number has.
bool LooksLikeHeader(std::string_view trimmed) {
  return !trimmed.empty() && IsLetter(trimmed.front()) &&
         trimmed.find_first_of(" \t;,") != std::string_view::npos;
}

// "12.5, 48.25": a comma right before a blank.
bool HoldsCommaBlank(std::string_view line) {
  for (std::size_t at = line.find(','); at != std::string_view::npos; at = line.find(',', at + 1)) {
    if (at + 1 < line.size() && (line[at + 1] == ' ' || line[at + 1] == '\t')) return true;
  }
  return false;
}

constexpr std::string_view kSwitchAdvice =
    "give the switch after the file name: coord2seg FILE -LATLON";

}  // namespace

TextNotes::TextNotes(std::string_view text, bool lat_first, FindingsReport& report)
    : text_(text),
      lat_first_(lat_first),
      report_(report),
      first_nul_(text.data() + text.size()),
      utf16_name_(Utf16Name(text)) {
  if (utf16_name_.empty() || text.empty()) return;
  const void* nul = std::memchr(text.data(), '\0', text.size());
  if (nul) first_nul_ = static_cast<const char*>(nul);
}

void TextNotes::Rejected(std::uint64_t line, std::string_view text, const LineRejection& why) {
  NoteNul(line, text);
  if (line == 1 && text.starts_with(kByteOrderMark)) {
    Give(Note::kByteOrderMark, line,
         "the text starts with a UTF-8 byte-order mark; coord2seg reads it as part of line 1, so "
         "a point or '#' there is lost; remove it: tail -c +4 FILE > NEW.txt");
  }
  // What a line of a binary file starts with says nothing.
  const bool binary = utf16_name_.empty() && HoldsBinaryByte(text);
  if (binary) binary_lines_.Add(line);
  if (data_lines_ == 0 && !binary) NoteTopLine(line, text, true);
  ++data_lines_;
  const std::string_view trimmed = binary ? std::string_view() : TrimmedStart(text);
  if (trimmed.starts_with('>')) angle_brackets_.Add(line);
  if (trimmed.starts_with('#')) indented_hashes_.Add(line);
  if (why.reason == RejectReason::kNoSeparator && text.find(',') != std::string_view::npos) {
    commas_.Add(line);
  }
  if (HoldsCommaBlank(text)) comma_blanks_.Add(line);
  // The converter's own reading decides whether the rest is two numbers.
  if (why.reason == RejectReason::kSeveralValues && why.field_number == 2 &&
      ParseCoordinateLine(why.field, false)) {
    third_values_.Add(line);
  }
}

void TextNotes::SeparatorLine(std::uint64_t line, std::string_view text) {
  NoteNul(line, text);
  if (data_lines_ == 0) NoteTopLine(line, text, false);
}

void TextNotes::Finish() {
  if (HoldsForMost(binary_lines_)) {
    std::string text =
        "this is not coordinate text: most lines hold bytes that text does not, as a program, an "
        "image or a segment file does";
    const SegmentFileCheck check = CheckSegmentFile(
        std::span(reinterpret_cast<const unsigned char*>(text_.data()), text_.size()));
    if (!check.damage && check.segments > 0) {
      text += "; it reads as a segment file of " + std::to_string(check.segments) +
              " segments: segdump FILE writes it as text";
    }
    Give(Note::kBinary, binary_lines_.first_line, std::move(text));
    return;  // the other notes would only mislead
  }
  // The notes of a pattern: given when one line shows it, or when most data lines do.
  struct PatternNote {
    Note note;
    Pattern TextNotes::*pattern;
    bool most;
    std::string_view text;
  };
  static constexpr PatternNote kPatternNotes[] = {
      {Note::kAngleBracket, &TextNotes::angle_brackets_, false,
       "a line starting with '>' is a data line here, not a segment separator; start separator "
       "lines with '#'"},
      {Note::kIndentedHash, &TextNotes::indented_hashes_, false,
       "a '#' after leading blanks does not end a segment; only a '#' as the first byte of a line "
       "does"},
      {Note::kCommas, &TextNotes::commas_, true,
       "most data lines hold a comma but no blank, ';' or TAB; ',' is a decimal mark here, so "
       "separate the values with a blank, ';' or TAB"},
      {Note::kCommaBlank, &TextNotes::comma_blanks_, true,
       "most data lines put ', ' after a value; ',' is a decimal mark here, so '12.5, 48.25' is "
       "not read: turn ', ' into a blank: sed 's/, / /g' FILE > NEW.txt"},
      {Note::kThirdValue, &TextNotes::third_values_, true,
       "most data lines hold three values (x y z), and only two may stand on a line: keep the "
       "first two, e.g. awk 'NF > 2 { print $1, $2; next } 1' FILE > NEW.txt, or export with "
       "ogr2ogr -dim XY"},
  };
  for (const PatternNote& pattern_note : kPatternNotes) {
    const Pattern& shown = this->*pattern_note.pattern;
    if (pattern_note.most ? HoldsForMost(shown) : shown.lines > 0) {
      Give(pattern_note.note, shown.first_line, std::string(pattern_note.text));
    }
  }
  // No value that only a longitude can be stands first, and many stand second.
  if (only_longitude_first_ == 0 && only_latitude_first_.lines > 0 &&
      only_latitude_first_.lines * 10 >= data_lines_) {
    Give(Note::kLatitudeFirst, only_latitude_first_.first_line,
         std::to_string(only_latitude_first_.lines) +
             " second values lie beyond 90 degrees, where only longitudes lie, and no line has "
             "only its first value there: the text seems to list latitude first; " +
             std::string(kSwitchAdvice));
  }
}

void TextNotes::NoteUtf16(std::uint64_t line) {
  first_nul_ = text_.data() + text_.size();
  Give(Note::kUtf16, line,
       "NUL bytes: the text is UTF-16, which coord2seg does not decode; convert it to UTF-8: "
       "iconv -f " +
           std::string(utf16_name_) + " -t UTF-8 FILE > NEW.txt");
}

void TextNotes::NoteNulInRun(std::uint64_t first_line, std::string_view bytes) {
  // The lines before it each end in "\n", "\r\n" or a lone "\r".
  std::uint64_t line = first_line;
  for (const char* p = bytes.data(); p < first_nul_; ++p) {
    if (*p == '\n' || (*p == '\r' && p[1] != '\n')) ++line;
  }
  NoteUtf16(line);
}

// The first line that is not empty, unless it is a point.
void TextNotes::NoteTopLine(std::uint64_t line, std::string_view text, bool dropped) {
  if (line == 1 && text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  const std::string_view trimmed = TrimmedStart(text);
  const bool header = LooksLikeHeader(trimmed);
  if (dropped && header) {
    Give(Note::kHeader, line,
         "a header line at the top: dropping it loses no point (coordlint --allow-dropped=1 "
         "lets it pass)");
  }
  if (!lat_first_ && (header || !dropped) && NamesLatitudeFirst(trimmed)) {
    Give(Note::kLatitudeFirst, line,
         "the header names latitude before longitude; if the values stand so, " +
             std::string(kSwitchAdvice));
  }
}

void TextNotes::Give(Note note, std::uint64_t line, std::string text) {
  const auto index = static_cast<std::size_t>(note);
  if (given_[index]) return;
  given_[index] = true;
  if (report_.Counts(FindingKind::kNote)) report_.Add(line, FindingKind::kNote, std::move(text));
}

}  // namespace coord2seg
