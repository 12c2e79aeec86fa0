// The whole conversion of a text in memory, through the same line loop and record writer the
// program runs, with the fast paths it takes on this machine and with the plain ones, into a
// memory file. The output must be whole records only (count 1 to 99999, reserved byte 0, 5 + 4N
// bytes each), no more of them than separator lines plus one, and the very bytes the slow
// reference conversion gives. coordlint, on the same text, must count the records, points and
// bytes written, and as many dropped lines as the slow reference parser rejects.
// SPDX-License-Identifier: MIT
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_io.h"
#include "common/output_buffer.h"
#include "driver/fast_paths.h"
#include "driver/line_walk.h"
#include "segment_file/record_format.h"
#include "segment_file/segment_file.h"
#include "segment_file/segment_reader.h"
#include "tests/support/reference_converter.h"
#include "tests/support/reference_parser.h"
#include "tools/coordlint/lint_text.h"

namespace coord2seg {
namespace {

[[noreturn]] void Fail(const char* what, std::size_t offset) {
  std::fprintf(stderr, "bad segment bytes at offset %zu: %s\n", offset, what);
  std::abort();
}

// A line starts at the text's start or right after CR or LF (CR LF: the '#' follows the LF).
std::size_t CountSeparatorLines(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool line_start = i == 0 || text[i - 1] == '\n' || text[i - 1] == '\r';
    if (line_start && text[i] == '#') ++count;
  }
  return count;
}

// The program uses one buffer for a whole run; reusing it across inputs here spares an allocation
// of 1.6 MB per input that would slow the fuzzer down several times.
std::vector<unsigned char> Convert(std::string_view text, SegmentBuffer& buffer,
                                   const FastPaths& paths) {
  FileHandle memory(::memfd_create("segments", MFD_CLOEXEC));
  if (!memory.is_open()) std::abort();
  {
    SegmentFile output("/proc/self/fd/" + std::to_string(memory.get()), FileIdentity{},
                       paths.encode_record);
    CollectSegments(
        text, false, buffer,
        [&output](const SegmentBuffer& segment) { WriteSegment(output, segment); },
        paths.read_simple_lines);
    output.Close();
  }
  struct stat status {};
  if (::fstat(memory.get(), &status) != 0) std::abort();
  std::vector<unsigned char> bytes(static_cast<std::size_t>(status.st_size));
  if (::pread(memory.get(), bytes.data(), bytes.size(), 0) != status.st_size) std::abort();
  return bytes;
}

std::size_t CheckWholeRecords(const std::vector<unsigned char>& bytes) {
  std::size_t records = 0;
  std::size_t offset = 0;
  while (offset < bytes.size()) {
    if (bytes.size() - offset < kRecordHeaderBytes) Fail("cut record header", offset);
    const std::uint32_t count = LoadUint32(&bytes[offset]);
    if (count < 1 || count > kMaxSegmentPoints) Fail("point count out of range", offset);
    if (bytes[offset + kReservedByteOffset] != 0) Fail("reserved byte not 0", offset);
    if (bytes.size() - offset < RecordBytes(count)) Fail("cut record pairs", offset);
    offset += RecordBytes(count);
    ++records;
  }
  return records;
}

std::uint64_t ReferenceDroppedLines(const std::string& text) {
  std::uint64_t dropped = 0;
  for (const std::string& line : testing::ReferenceSplitLines(text)) {
    if (line.empty() || line.front() == '#') continue;
    dropped += !testing::ReferenceParseLine(line, false).has_value();
  }
  return dropped;
}

void CheckLintCounts(std::string_view text, const std::vector<unsigned char>& bytes) {
  static TextLinter linter;  // its buffers, like the converter's, are reused across inputs
  OutputBuffer discard([](std::string_view) {});
  FindingsReport report("fuzz", FindingLimit::kAll, discard);
  const LintCounts counts = linter.Check(text, false, report);
  report.Finish(counts);
  const SegmentFileCheck written = CheckSegmentFile(bytes);
  if (counts.segments != written.segments || counts.points != written.points ||
      counts.bytes != bytes.size()) {
    Fail("coordlint's counts differ from the output", 0);
  }
  if (counts.dropped_lines != ReferenceDroppedLines(std::string(text))) {
    Fail("coordlint's dropped lines differ from the reference parser", 0);
  }
}

}  // namespace
}  // namespace coord2seg

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  static coord2seg::SegmentBuffer buffer;
  const std::string expected = coord2seg::testing::ReferenceSegmentFile(std::string(text), false);
  // The fast paths the program takes on this machine, and the plain ones.
  for (const coord2seg::InstructionSet set :
       {coord2seg::BestInstructionSet(), coord2seg::InstructionSet::kPlain}) {
    const std::vector<unsigned char> bytes =
        coord2seg::Convert(text, buffer, coord2seg::FastPathsFor(set));
    const std::size_t records = coord2seg::CheckWholeRecords(bytes);
    if (records > coord2seg::CountSeparatorLines(text) + 1) coord2seg::Fail("too many records", 0);
    const std::string got(bytes.begin(), bytes.end());
    if (got != expected) {
      const auto differs = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
      coord2seg::Fail("differs from the reference conversion",
                      static_cast<std::size_t>(differs.first - got.begin()));
    }
    if (set == coord2seg::InstructionSet::kPlain) coord2seg::CheckLintCounts(text, bytes);
  }
  return 0;
}
