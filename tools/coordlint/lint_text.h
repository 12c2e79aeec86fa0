// Reads a coordinate text as the converter does and reports what it would drop.
// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string_view>

#include "segment_file/record_format.h"
#include "tools/coordlint/findings_report.h"

namespace coord2seg {

// Reads a coordinate text through the converter's own line loop, reading and record encoding,
// writing nothing, and reports every line the converter would drop, every segment it would leave
// out or cap, and every value it would store elsewhere than the text says. Holds the converter's
// buffers, so one instance can check many texts.
class TextLinter {
 public:
  TextLinter();

  // Every record the converter writes, in order: its output, made in the check's own pass.
  using RecordSink = std::function<void(std::span<const unsigned char>)>;

  // Adds the findings to `report` (without finishing it) and returns the counts; when given,
  // `records` hears every record the converter writes for the text.
  LintCounts Check(std::string_view text, bool lat_first, FindingsReport& report,
                   const RecordSink& records = {});

  // The same check on a text that comes in parts, as it is read: Begin with the whole text's
  // place, of which at least the first 4096 bytes (or all, when fewer) are in; then Part for
  // each part in order, every part but the last ending right after an LF; then Finish, which
  // gives the counts. Begin checks nothing and returns false for a text whose start looks like
  // UTF-16, whose notes need the whole text first: Check reads that.
  bool Begin(std::string_view text, bool lat_first, FindingsReport& report,
             RecordSink records = {});
  void Part(std::string_view part);
  LintCounts Finish();

  TextLinter(TextLinter&&) noexcept;
  TextLinter& operator=(TextLinter&&) noexcept;
  ~TextLinter();

 private:
  class InParts;

  SegmentBuffer buffer_;
  std::unique_ptr<unsigned char[]> record_scratch_;
  std::unique_ptr<InParts> in_parts_;
};

}  // namespace coord2seg
