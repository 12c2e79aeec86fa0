// A coordinate text read through the converter's own loop, with each finding noted.
// SPDX-License-Identifier: MIT
#include "tools/coordlint/lint_text.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "decimal_text/library_stand_ins.h"
#include "decimal_text/shortest_double.h"
#include "driver/line_walk.h"
#include "segment_file/minutes.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"
#include "text_input/line_rejection.h"
#include "tools/coordlint/text_notes.h"

namespace coord2seg {
namespace {

constexpr std::size_t kQuotedBytes = 40;

std::string Number(double value) {
  char text[32];
  return {text, WriteShortestDouble(text, text + sizeof text, value).ptr};
}

// A field between single quotes, bytes outside 32..126 (and the backslash) escaped, at most
// kQuotedBytes of it.
std::string Quoted(std::string_view field) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string quoted = "'";
  for (const char c : field.substr(0, kQuotedBytes)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\\') {
      quoted += "\\\\";
    } else if (byte >= 32 && byte <= 126) {
      quoted += c;
    } else {
      quoted += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  quoted += '\'';
  if (field.size() > kQuotedBytes) {
    quoted += " (first " + std::to_string(kQuotedBytes) + " of " + std::to_string(field.size()) +
              " bytes)";
  }
  return quoted;
}

std::string DescribeRejection(const LineRejection& why) {
  const std::string which = why.field_number == 1 ? "first" : "second";
  std::string text;
  switch (why.reason) {
    case RejectReason::kNoSeparator:
      return "no blank, ';' or TAB between the values";
    case RejectReason::kEmptyField:
      text = which + " field is empty";
      break;
    case RejectReason::kNotANumber:
      text = which + " field is not a number: " + Quoted(why.field);
      break;
    case RejectReason::kSeveralValues:
      text = which + " field holds more than one value: " + Quoted(why.field);
      break;
    case RejectReason::kTooLarge:
      text = which + " value is too large for a double: " + Quoted(why.field);
      break;
  }
  if (why.window_cut) text += " (only the 999 bytes after the first separator are read)";
  return text;
}

enum class Axis : std::uint8_t { kLongitude, kLatitude };

const char* NameOf(Axis axis) { return axis == Axis::kLongitude ? "longitude" : "latitude"; }

// Where the text says a value is: a longitude after the one wrap, a latitude as read. Values
// there always have minutes, and those fit in 16 bits.
bool LongitudeInRange(double degrees) { return degrees >= -180 && degrees < 180; }
bool LatitudeInRange(double degrees) { return degrees >= -90 && degrees <= 90; }

// A stored value whose place is not the one the text says.
struct MovedValue {
  std::uint64_t line;
  Axis axis;
  double degrees;
  std::int64_t minutes;
};

std::string DescribeMovedValue(const MovedValue& moved) {
  const std::int16_t stored = LowSixteenBits(moved.minutes);
  std::string text = std::string(NameOf(moved.axis)) + " " + Number(moved.degrees);
  text += moved.axis == Axis::kLongitude ? " after the wrap is outside [-180, 180)"
                                         : " is outside [-90, 90]";
  if (stored != moved.minutes) {
    text += " and its " + std::to_string(moved.minutes) + " minutes do not fit in 16 bits";
  }
  return text + "; stored as " + std::to_string(stored) + " minutes (" + Number(stored / 60.0) +
         " degrees)";
}

// Hears every line of the converter's loop and keeps the findings of the current segment until
// its end shows whether it is written.
class LineLinter {
 public:
  static constexpr bool kWantsReasons = true;
  static constexpr bool kHearsRuns = true;

  LineLinter(std::string_view text, bool lat_first, FindingsReport& report,
             unsigned char* record_scratch, const TextLinter::RecordSink& records)
      : report_(report),
        record_scratch_(record_scratch),
        records_(records),
        notes_(text, lat_first, report) {}

  void Point(std::uint64_t line, std::string_view bytes, const GeoPoint& point, bool stored) {
    notes_.Point(line, bytes, point);
    if (segment_points_++ == 0) segment_first_line_ = line;
    if (!stored) {
      if (first_capped_line_ == 0) first_capped_line_ = line;
      return;
    }
    if (!LongitudeInRange(point.longitude) || !LatitudeInRange(point.latitude)) {
      CheckUnusualPoint(line, point);
    }
  }

  // The same for a run of points on lines from `first_line` on, as Point hears each of them.
  void Points(std::uint64_t first_line, std::string_view bytes, std::span<const GeoPoint> points,
              std::size_t stored) {
    notes_.Points(first_line, bytes, points);
    if (segment_points_ == 0) segment_first_line_ = first_line;
    segment_points_ += points.size();
    if (stored < points.size() && first_capped_line_ == 0) first_capped_line_ = first_line + stored;
    for (std::size_t i = 0; i < stored; ++i) {
      if (!LongitudeInRange(points[i].longitude) || !LatitudeInRange(points[i].latitude)) {
        CheckUnusualPoint(first_line + i, points[i]);
      }
    }
  }

  void Rejected(std::uint64_t line, std::string_view text, const LineRejection& why) {
    notes_.Rejected(line, text, why);
    ++counts_.dropped_lines;
    if (report_.Counts(FindingKind::kDropped)) {
      report_.Add(line, FindingKind::kDropped, DescribeRejection(why));
    }
  }

  void SeparatorLine(std::uint64_t line, std::string_view text) {
    notes_.SeparatorLine(line, text);
  }

  void EndSegment(const SegmentBuffer& buffer) {
    // The writer's own rule, and its own bytes, decide what the file would hold.
    const std::span<const unsigned char> record = EncodeSegment(buffer, record_scratch_);
    if (!record.empty()) {
      if (records_) records_(record);
      ++counts_.segments;
      counts_.points += buffer.count();
      counts_.bytes += record.size();
      ReportMovedValues();
    } else if (buffer.count() > 0) {
      ReportDroppedSegment();
    }
    if (segment_points_ > buffer.count()) ReportCapped(segment_points_ - buffer.count());
    segment_points_ = 0;
    first_capped_line_ = 0;
    moved_.clear();
    no_minutes_.reset();
  }

  LintCounts Finish() {
    notes_.Finish();
    return counts_;
  }

  bool Utf16() const { return notes_.Utf16(); }

 private:
  // Apart from the point's hearing, which runs for nearly every line and so is to stay small
  // enough to be inlined into the line loop.
  [[gnu::noinline]] void CheckUnusualPoint(std::uint64_t line, const GeoPoint& point) {
    CheckValue(line, Axis::kLongitude, point.longitude, LongitudeInRange(point.longitude));
    CheckValue(line, Axis::kLatitude, point.latitude, LatitudeInRange(point.latitude));
  }

  // A value outside its range is stored elsewhere, or has no minutes and leaves the segment out.
  void CheckValue(std::uint64_t line, Axis axis, double degrees, bool in_range) {
    if (in_range) return;
    std::int64_t minutes = 0;
    if (DegreesToMinutes(degrees, minutes)) {
      moved_.push_back({line, axis, degrees, minutes});
    } else if (!no_minutes_) {
      no_minutes_ = MovedValue{line, axis, degrees, 0};
    }
  }

  void ReportMovedValues() {
    counts_.values_out_of_range += moved_.size();
    for (const MovedValue& moved : moved_) {
      if (report_.Counts(FindingKind::kOutOfRange)) {
        report_.Add(moved.line, FindingKind::kOutOfRange, DescribeMovedValue(moved));
      }
    }
  }

  void ReportDroppedSegment() {
    ++counts_.dropped_segments;
    if (!report_.Counts(FindingKind::kSegmentDropped)) return;
    std::string text = "segment of " + std::to_string(segment_points_) + " points left out whole";
    if (no_minutes_) {
      text += ": line " + std::to_string(no_minutes_->line) + ", " + NameOf(no_minutes_->axis) +
              " " + Number(no_minutes_->degrees) + " has no minutes in 64 bits";
    }
    report_.Add(segment_first_line_, FindingKind::kSegmentDropped, std::move(text));
  }

  void ReportCapped(std::uint64_t capped) {
    counts_.capped_points += capped;
    if (!report_.Counts(FindingKind::kCapped)) return;
    report_.Add(segment_first_line_, FindingKind::kCapped,
                "segment of " + std::to_string(segment_points_) + " points keeps its first " +
                    std::to_string(kMaxSegmentPoints) + "; the " + std::to_string(capped) +
                    " from line " + std::to_string(first_capped_line_) + " on are dropped");
  }

  FindingsReport& report_;
  unsigned char* record_scratch_;
  const TextLinter::RecordSink& records_;
  TextNotes notes_;
  LintCounts counts_;

  // The segment being collected.
  std::uint64_t segment_points_ = 0;  // accepted, also beyond the cap
  std::uint64_t segment_first_line_ = 0;
  std::uint64_t first_capped_line_ = 0;
  std::vector<MovedValue> moved_;
  std::optional<MovedValue> no_minutes_;  // the first value that drops the segment
};

}  // namespace

// A check in parts: the linter with what it refers to, and where the line loop is.
class TextLinter::InParts {
 public:
  InParts(std::string_view text, bool lat_first, FindingsReport& report,
          unsigned char* record_scratch, RecordSink records)
      : lat_first_(lat_first),
        records_(std::move(records)),
        linter_(text, lat_first, report, record_scratch, records_) {}

  bool lat_first_;
  RecordSink records_;
  LineLinter linter_;
  std::uint64_t last_number_ = 0;
};

TextLinter::TextLinter()
    : record_scratch_(MakeUninitializedArray<unsigned char>(RecordBytes(kMaxSegmentPoints))) {}
TextLinter::TextLinter(TextLinter&&) noexcept = default;
TextLinter& TextLinter::operator=(TextLinter&&) noexcept = default;
TextLinter::~TextLinter() = default;

bool TextLinter::Begin(std::string_view text, bool lat_first, FindingsReport& report,
                       RecordSink records) {
  in_parts_ =
      std::make_unique<InParts>(text, lat_first, report, record_scratch_.get(), std::move(records));
  if (in_parts_->linter_.Utf16()) {
    in_parts_.reset();
    return false;
  }
  buffer_.Clear();
  return true;
}

void TextLinter::Part(std::string_view part) {
  WalkLinesOfPart(part, in_parts_->lat_first_, buffer_, in_parts_->linter_, in_parts_->last_number_,
                  FastPathsFor(BestInstructionSet()).read_simple_lines);
}

LintCounts TextLinter::Finish() {
  in_parts_->linter_.EndSegment(buffer_);
  buffer_.Clear();
  const LintCounts counts = in_parts_->linter_.Finish();
  in_parts_.reset();
  return counts;
}

LintCounts TextLinter::Check(std::string_view text, bool lat_first, FindingsReport& report,
                             const RecordSink& records) {
  LineLinter linter(text, lat_first, report, record_scratch_.get(), records);
  WalkLines(text, lat_first, buffer_, linter);
  return linter.Finish();
}

}  // namespace coord2seg
