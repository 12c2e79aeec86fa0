// What coord2seg would write for a text, and what it would lose or move on the way.
// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/output_buffer.h"

namespace coord2seg {

enum class FindingKind : std::uint8_t { kDropped, kSegmentDropped, kCapped, kOutOfRange, kNote };
inline constexpr std::size_t kFindingKinds = 5;

// The kind as the report names it: "dropped", "segment-dropped", "capped", "out-of-range", "note".
std::string_view FindingKindName(FindingKind kind);

// What coord2seg would write for a text, and what it would lose or move on the way.
struct LintCounts {
  std::uint64_t segments = 0;
  std::uint64_t points = 0;
  std::uint64_t bytes = 0;
  std::uint64_t dropped_lines = 0;
  std::uint64_t dropped_segments = 0;
  std::uint64_t capped_points = 0;
  std::uint64_t values_out_of_range = 0;
};

enum class FindingLimit {
  kTenOfEachKind,  // then one line "... and N more" per kind
  kAll,
  kSummaryOnly,
};

// Writes findings as "FILE:LINE: KIND: detail", in line order, then one summary line. Findings
// are held and written sorted when the report finishes, so that a finding known only later (a
// segment's, a note on the whole text) still stands at its line; notes are never limited.
class FindingsReport {
 public:
  FindingsReport(std::string_view file_name, FindingLimit limit, OutputBuffer& out);

  // Counts one finding of `kind`; true when it is to be written, so that only those are worded.
  bool Counts(FindingKind kind);
  // Hears each finding as it is written, for callers that take the findings as data.
  using Listener =
      std::function<void(std::uint64_t line, FindingKind kind, std::string_view detail)>;
  void set_listener(Listener listener) { listener_ = std::move(listener); }

  // Adds a finding that Counts let through.
  void Add(std::uint64_t line, FindingKind kind, std::string detail);
  // Writes what has been added, then a line for each kind that had more findings than were
  // written, and the summary.
  void Finish(const LintCounts& counts);

 private:
  struct Finding {
    std::uint64_t line;
    FindingKind kind;
    std::string detail;
  };
  // A bound on the findings held at once (with --all); past it, what is held is written early.
  static constexpr std::size_t kMostHeld = 4096;

  // Writes what has been added, sorted by line.
  void Flush();

  std::string file_name_;
  FindingLimit limit_;
  OutputBuffer& out_;
  std::vector<Finding> held_;
  std::array<std::uint64_t, kFindingKinds> counted_{};
  Listener listener_;
};

}  // namespace coord2seg
