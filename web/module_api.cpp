// The functions the web page and the JavaScript package call. The caller puts the input's bytes
// in the module's memory once (InputBuffer) and then asks for any of the answers on them; each
// answer waits in memory (ResultData, ResultSize) until the next call.
// SPDX-License-Identifier: MIT
#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <exception>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/output_buffer.h"
#include "common/run_error.h"
#include "driver/command_line.h"
#include "driver/line_walk.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"
#include "segment_file/segment_reader.h"
#include "tools/coordlint/findings_report.h"
#include "tools/coordlint/lint_text.h"
#include "tools/segdump/check_report.h"
#include "tools/segdump/coordinate_text.h"
#include "tools/segdump/geojson.h"
#include "tools/segdump/svg.h"
#include "web/geojson_records.h"
#include "web/input_error.h"
#include "web/input_kind.h"
#include "web/page_map.h"
#include "web/report_notes.h"

namespace coord2seg::web {
namespace {

// Kept between calls; one page or program uses one module at a time.
std::vector<unsigned char> input;
std::string name;
std::string result;   // an answer's bytes or text
std::string message;  // why a call failed, or warnings of one that did not
// The page's answer on coordinate text besides the report: the segment file and its map.
std::string page_records;
std::string page_map;

// The kind of the last failure, and the byte it concerns (-1 for none).
InputFault fault = InputFault::kOther;
double fault_offset = -1;

// The page's pass over coordinate text while the file is still coming in: the check, the records
// and the map's extent as PageText makes them, fed the text's lines as they arrive.
struct TextInParts {
  explicit TextInParts(std::string_view file_name)
      : out([this](std::string_view text) { report_text.append(text); }),
        report(file_name, FindingLimit::kTenOfEachKind, out) {}

  std::string report_text;
  OutputBuffer out;
  FindingsReport report;
  TextLinter linter;
  MapExtent extent;
  std::size_t walked = 0;  // the bytes of the input whose lines are heard
};
std::unique_ptr<TextInParts> in_parts;

std::string_view InputText() { return {reinterpret_cast<const char*>(input.data()), input.size()}; }

// Runs `work` and turns what it throws into `message`; 0 when it went through, 1 when not.
template <typename Work>
int Answer(Work&& work) {
  result.clear();
  message.clear();
  fault = InputFault::kOther;
  fault_offset = -1;
  try {
    work();
    return 0;
  } catch (const std::bad_alloc&) {
    result = {};  // its memory back first, so that the message has room
    message = "out of memory: the file is too large for this browser's memory";
    fault = InputFault::kOutOfMemory;
  } catch (const InputError& error) {
    message = error.what();
    fault = error.fault();
    if (error.offset()) fault_offset = static_cast<double>(*error.offset());
  } catch (const std::exception& error) {
    message = error.what();
  }
  result = {};
  return 1;
}

OutputBuffer::Sink ToResult() {
  return [](std::string_view text) { result.append(text); };
}

void Convert(bool lat_first) {
  SegmentBuffer buffer;
  std::vector<unsigned char> scratch(RecordBytes(kMaxSegmentPoints));
  CollectSegments(InputText(), lat_first, buffer, [&scratch](const SegmentBuffer& segment) {
    const std::span<const unsigned char> record = EncodeSegment(segment, scratch.data());
    result.append(reinterpret_cast<const char*>(record.data()), record.size());
  });
}

void Lint(bool lat_first) {
  OutputBuffer out(ToResult());
  FindingsReport report(name, FindingLimit::kTenOfEachKind, out);
  TextLinter linter;
  report.Finish(linter.Check(InputText(), lat_first, report));
  out.Flush();
}

enum class DumpFormat { kText, kGeoJson, kSvg, kCheck };

// What CheckSegmentFile finds, or RunError with segdump's words for damage.
SegmentFileCheck CheckedInput() {
  SegmentFileCheck check = CheckSegmentFile(input);
  if (check.damage) {
    throw InputError(InputFault::kDamaged, DescribeDamage(name, input, *check.damage),
                     check.damage->offset);
  }
  return check;
}

void Dump(DumpFormat format, int flags, int width) {
  const SegmentFileCheck check = CheckedInput();
  OutputBuffer out(ToResult());
  switch (format) {
    case DumpFormat::kText:
      WriteCoordinateText(input, out);
      break;
    case DumpFormat::kGeoJson:
      WriteGeoJson(input, {.raw = (flags & 1) != 0, .lines_only = (flags & 2) != 0}, out);
      break;
    case DumpFormat::kSvg:
      if (width < kMinSvgWidth || width > kMaxSvgWidth) {
        throw InputError(InputFault::kBadOption, "width out of range");
      }
      WriteSvg(input, {.fit = (flags & 4) != 0, .width = width}, out);
      break;
    case DumpFormat::kCheck:
      out.Append(DescribeCheck(name, check));
      break;
  }
  out.Flush();
}

}  // namespace
}  // namespace coord2seg::web

using namespace coord2seg;
using namespace coord2seg::web;

extern "C" {

// Room for the input's `size` bytes, which the caller fills; null when memory is short.
EMSCRIPTEN_KEEPALIVE unsigned char* InputBuffer(std::size_t size) {
  in_parts.reset();
  try {
    input.clear();
    input.shrink_to_fit();
    input.resize(size);
    return size == 0 ? reinterpret_cast<unsigned char*>(&input) : input.data();
  } catch (const std::exception&) {  // bad_alloc, or length_error beyond 2 GB
    return nullptr;
  }
}

// Room for the input's name in UTF-8, `size` bytes, which the caller fills.
EMSCRIPTEN_KEEPALIVE char* NameBuffer(std::size_t size) {
  try {
    name.assign(size, '\0');
    return name.data();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// Lets go of the input and the last answer.
EMSCRIPTEN_KEEPALIVE void Release() {
  in_parts.reset();
  input = {};
  result = {};
  message = {};
  page_records = {};
  page_map = {};
}

EMSCRIPTEN_KEEPALIVE const char* ResultData() { return result.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t ResultSize() { return result.size(); }
EMSCRIPTEN_KEEPALIVE const char* Message() { return message.c_str(); }
// The kind of the last call's failure (InputFault), and the byte offset it names or -1.
EMSCRIPTEN_KEEPALIVE int ErrorCode() { return static_cast<int>(fault); }
EMSCRIPTEN_KEEPALIVE double ErrorOffset() { return fault_offset; }

// The segment file the converter writes for the input.
EMSCRIPTEN_KEEPALIVE int Convert(int lat_first) {
  return Answer([&] { Convert(lat_first != 0); });
}

// coordlint's report on the input, named by the name.
EMSCRIPTEN_KEEPALIVE int Lint(int lat_first) {
  return Answer([&] { Lint(lat_first != 0); });
}

// segdump's output for the input: `format` 0 text, 1 GeoJSON, 2 SVG, 3 the --check line;
// `flags` 1 --raw, 2 --lines-only, 4 --fit.
EMSCRIPTEN_KEEPALIVE int Dump(int format, int flags, int width) {
  return Answer([&] { Dump(static_cast<DumpFormat>(format), flags, width); });
}

// The segment file ogr2ogr writes from the input as GeoJSON, with its messages in Message(): 0,
// or 2 when a feature was refused, where ogr2ogr stops (the records before it are kept).
EMSCRIPTEN_KEEPALIVE int FromGeoJson() {
  bool stopped = false;
  const int status = Answer([&] {
    GeoJsonRecords converted = ConvertGeoJson(InputText(), name);
    result.assign(converted.records.begin(), converted.records.end());
    message = std::move(converted.messages);
    stopped = converted.stopped;
  });
  return status == 0 && stopped ? 2 : status;
}

// The name the converter gives its output for an input of the name.
EMSCRIPTEN_KEEPALIVE int OutputName() {
  return Answer([] { result = coord2seg::OutputPathFor(name, "/"); });
}

// What the input is: 0 coordinate text, 1 a segment file, 2 GeoJSON, 3 none of them (`message`
// says why).
EMSCRIPTEN_KEEPALIVE int Classify() {
  int kind = 0;
  const int status = Answer([&] { kind = static_cast<int>(ClassifyInput(name, input, message)); });
  return status == 0 ? kind : -1;
}

}  // extern "C"

// The page's own calls, on the input already in memory as above.

namespace coord2seg::web {
namespace {

// What PageLint counted: segments, points, bytes, dropped lines, dropped segments, capped points,
// values out of range, and the notes of the report (ReportNote bits).
std::array<double, 8> page_facts{};

// page_facts for the counts and the report in `result`.
void SetPageFacts(const LintCounts& counts) {
  page_facts = {static_cast<double>(counts.segments),
                static_cast<double>(counts.points),
                static_cast<double>(counts.bytes),
                static_cast<double>(counts.dropped_lines),
                static_cast<double>(counts.dropped_segments),
                static_cast<double>(counts.capped_points),
                static_cast<double>(counts.values_out_of_range),
                static_cast<double>(ReportNotes(result, name))};
}

}  // namespace
}  // namespace coord2seg::web

extern "C" {

// What the input is, the name deciding first: 0 coordinate text, 1 a segment file, 2 GeoJSON;
// plus 4 when it holds bytes that text does not, and 8 when it starts as JSON does.
EMSCRIPTEN_KEEPALIVE int PageKind() {
  std::string unused;
  const int kind = static_cast<int>(ClassifyInput(name, input, unused));
  return kind | (HoldsBinaryByteAnywhere(input) ? 4 : 0) | (StartsLikeJson(InputText()) ? 8 : 0);
}

// coordlint's report on the input into `result`, its counts and notes into page_facts; `records`
// hears the converter's records, made in the same pass.
void PageCheck(bool lat_first, const TextLinter::RecordSink& records) {
  OutputBuffer out(ToResult());
  FindingsReport report(name, FindingLimit::kTenOfEachKind, out);
  TextLinter linter;
  const LintCounts counts = linter.Check(InputText(), lat_first, report, records);
  report.Finish(counts);
  out.Flush();
  SetPageFacts(counts);
}

// coordlint's report on the input, named by the name, as Lint gives it; its counts and notes in
// PageFacts().
EMSCRIPTEN_KEEPALIVE int PageLint(int lat_first) {
  return Answer([&] { PageCheck(lat_first != 0, {}); });
}

// All the page shows for coordinate text, in one pass over it: coordlint's report as PageLint
// gives it, the segment file the converter writes (PageRecords), and its map as PageMap draws it
// (PageMapText), `width` pixels wide for the data.
EMSCRIPTEN_KEEPALIVE int PageText(int lat_first, int width) {
  return Answer([&] {
    page_records.clear();
    page_map.clear();
    // Room for the records of a text of common lines (four bytes for each line of twenty or so),
    // so that they seldom move as they grow.
    page_records.reserve(input.size() / 4);
    MapExtent extent;
    PageCheck(lat_first != 0, [&extent](std::span<const unsigned char> record) {
      page_records.append(reinterpret_cast<const char*>(record.data()), record.size());
      extent.AddRecord(record);
    });
    page_map = MapSvg(
        std::span(reinterpret_cast<const unsigned char*>(page_records.data()), page_records.size()),
        extent, name, width);
  });
}

}  // extern "C"

namespace coord2seg::web {
namespace {

// Hears the lines of the input from where the last part ended up to `end`.
void WalkInput(std::size_t end) {
  if (end > in_parts->walked) {
    in_parts->linter.Part(InputText().substr(in_parts->walked, end - in_parts->walked));
    in_parts->walked = end;
  }
}

// Whether the first bytes rule out a segment file: its first record's count or reserved byte is
// one no record has. A text's first bytes always do (a count needs NUL bytes).
bool CannotBeSegments(std::span<const unsigned char> start) {
  if (start.size() < kRecordHeaderBytes) return false;
  const std::uint32_t count = LoadUint32(start.data());
  return count == 0 || count > kMaxSegmentPoints || start[kReservedByteOffset] != 0;
}

}  // namespace
}  // namespace coord2seg::web

extern "C" {

// Starts the page's pass over coordinate text with the first `arrived` bytes of the input in:
// 1 when it runs, 0 when this input is not for it (by its name or first bytes, which may still
// say a segment file or GeoJSON, or UTF-16) or memory is short; PageText then reads it whole.
EMSCRIPTEN_KEEPALIVE int PageTextBegin(int lat_first, std::size_t arrived) {
  in_parts.reset();
  std::string unused;
  const std::span<const unsigned char> start(input.data(), std::min(arrived, input.size()));
  if (start.size() < std::min<std::size_t>(input.size(), 4096) || !CannotBeSegments(start) ||
      ClassifyInput(name, start, unused) != InputKind::kCoordinateText) {
    return 0;
  }
  try {
    in_parts = std::make_unique<TextInParts>(name);
    page_records.clear();
    page_records.reserve(input.size() / 4);
    const bool runs = in_parts->linter.Begin(
        InputText(), lat_first != 0, in_parts->report,
        [extent = &in_parts->extent](std::span<const unsigned char> record) {
          page_records.append(reinterpret_cast<const char*>(record.data()), record.size());
          extent->AddRecord(record);
        });
    if (!runs) in_parts.reset();
    return runs ? 1 : 0;
  } catch (const std::exception&) {
    in_parts.reset();
    return 0;
  }
}

// Hears the lines of the first `arrived` bytes of the input, up to the last LF among them: 0, or
// 1 when memory ran short, which ends the pass (PageText then reads the input whole).
EMSCRIPTEN_KEEPALIVE int PageTextPart(std::size_t arrived) {
  if (!in_parts) return 1;
  try {
    const std::size_t last_lf = InputText().substr(0, arrived).rfind('\n');
    if (last_lf != std::string_view::npos) WalkInput(last_lf + 1);
    return 0;
  } catch (const std::exception&) {
    in_parts.reset();
    page_records = {};
    return 1;
  }
}

// Ends the pass with the whole input in: all PageText gives, the same bytes. A pass that did not
// run (PageTextBegin gave 0, or memory ran short) fails with no message: PageText is to be called.
EMSCRIPTEN_KEEPALIVE int PageTextFinish(int width) {
  if (!in_parts) return 1;
  const int status = Answer([&] {
    WalkInput(input.size());
    const LintCounts counts = in_parts->linter.Finish();
    in_parts->report.Finish(counts);
    in_parts->out.Flush();
    result = std::move(in_parts->report_text);
    SetPageFacts(counts);
    page_map = MapSvg(
        std::span(reinterpret_cast<const unsigned char*>(page_records.data()), page_records.size()),
        in_parts->extent, name, width);
  });
  in_parts.reset();
  return status;
}

EMSCRIPTEN_KEEPALIVE const char* PageRecordsData() { return page_records.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t PageRecordsSize() { return page_records.size(); }
EMSCRIPTEN_KEEPALIVE const char* PageMapData() { return page_map.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t PageMapSize() { return page_map.size(); }

EMSCRIPTEN_KEEPALIVE const double* PageFacts() { return page_facts.data(); }

// The page's map of the input, a segment file, as SVG `width` pixels wide for the data.
EMSCRIPTEN_KEEPALIVE int PageMap(int width) {
  return Answer([&] {
    CheckedInput();
    result = MapSvg(input, name, width);
  });
}

}  // extern "C"
