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

 private:
  SegmentBuffer buffer_;
  std::unique_ptr<unsigned char[]> record_scratch_;
};

}  // namespace coord2seg
