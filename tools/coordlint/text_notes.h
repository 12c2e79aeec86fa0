// coordlint's notes: hints that name the fix for a common mistake.
// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/geo_point.h"
#include "text_input/line_rejection.h"
#include "tools/coordlint/findings_report.h"

namespace coord2seg {

// The notes: hints that name the fix for a common mistake, each given once, at the line where it
// first applies. A note on the top of the text is given as it is heard; the others at the end,
// when the whole text shows that it is text, and for most of them that their pattern holds for
// most data lines.
class TextNotes {
 public:
  TextNotes(std::string_view text, bool lat_first, FindingsReport& report);

  // Runs for nearly every line, so it stays small and inline.
  void Point(std::uint64_t line, std::string_view bytes, const GeoPoint& point) {
    NoteNul(line, bytes);
    ++data_lines_;
    if (std::abs(point.longitude) > 90 || std::abs(point.latitude) > 90) {
      CountColumnOrder(line, point);
    }
  }
  // The same for a run of points on lines from `first_line` on, `bytes` holding those lines.
  void Points(std::uint64_t first_line, std::string_view bytes, std::span<const GeoPoint> points) {
    if (bytes.data() + bytes.size() > first_nul_) NoteNulInRun(first_line, bytes);
    data_lines_ += points.size();
    for (std::size_t i = 0; i < points.size(); ++i) {
      if (std::abs(points[i].longitude) > 90 || std::abs(points[i].latitude) > 90) {
        CountColumnOrder(first_line + i, points[i]);
      }
    }
  }
  void Rejected(std::uint64_t line, std::string_view text, const LineRejection& why);
  void SeparatorLine(std::uint64_t line, std::string_view text);
  // Gives the notes that need the whole text.
  void Finish();
  // Whether the start of the text looks like UTF-16.
  bool Utf16() const { return !utf16_name_.empty(); }

 private:
  enum class Note : std::uint8_t {
    kByteOrderMark,
    kUtf16,
    kAngleBracket,
    kIndentedHash,
    kHeader,
    kLatitudeFirst,
    kCommas,
    kCommaBlank,
    kThirdValue,
    kBinary,
  };
  static constexpr std::size_t kNotes = 10;

  // Data lines that show one pattern: how many, and the first.
  struct Pattern {
    std::uint64_t lines = 0;
    std::uint64_t first_line = 0;
    void Add(std::uint64_t line) {
      if (lines++ == 0) first_line = line;
    }
  };

  bool HoldsForMost(const Pattern& pattern) const { return pattern.lines * 2 > data_lines_; }
  void NoteNul(std::uint64_t line, std::string_view bytes) {
    if (bytes.data() + bytes.size() > first_nul_) NoteUtf16(line);
  }
  void NoteUtf16(std::uint64_t line);
  // NoteNul for the line of a run that holds the first NUL.
  void NoteNulInRun(std::uint64_t first_line, std::string_view bytes);
  // Which column order a point with a value beyond 90 degrees allows: only a longitude can lie
  // there.
  void CountColumnOrder(std::uint64_t line, const GeoPoint& point) {
    if (lat_first_) return;
    const bool first_beyond = std::abs(point.longitude) > 90;
    const bool second_beyond = std::abs(point.latitude) > 90;
    if (first_beyond && !second_beyond) {
      ++only_longitude_first_;
    } else if (!first_beyond && second_beyond && std::abs(point.latitude) <= 180) {
      only_latitude_first_.Add(line);
    }
  }
  void NoteTopLine(std::uint64_t line, std::string_view text, bool dropped);
  void Give(Note note, std::uint64_t line, std::string text);

  std::string_view text_;
  bool lat_first_;
  FindingsReport& report_;
  const char* first_nul_;  // past the text unless it is UTF-16 and the note is still to come
  std::string_view utf16_name_;

  std::uint64_t data_lines_ = 0;
  std::uint64_t only_longitude_first_ = 0;  // points whose second value fits no longitude
  Pattern only_latitude_first_;             // points whose first value fits no longitude
  Pattern angle_brackets_;                  // dropped, starting with '>'
  Pattern indented_hashes_;                 // dropped, a '#' after blanks
  Pattern commas_;                          // dropped for want of a separator while holding a comma
  Pattern comma_blanks_;                    // dropped, holding ", "
  Pattern third_values_;                    // dropped, the second field two numbers
  Pattern binary_lines_;                    // dropped, holding bytes no text has
  std::array<bool, kNotes> given_{};
};

}  // namespace coord2seg
