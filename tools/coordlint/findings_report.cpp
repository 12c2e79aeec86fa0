// coordlint's report: findings line by line, then the summary.
// SPDX-License-Identifier: MIT
#include "tools/coordlint/findings_report.h"

#include <algorithm>
#include <utility>

namespace coord2seg {
namespace {

constexpr std::uint64_t kWrittenOfEachKind = 10;

constexpr std::array<std::string_view, kFindingKinds> kKindNames = {
    "dropped", "segment-dropped", "capped", "out-of-range", "note"};

}  // namespace

std::string_view FindingKindName(FindingKind kind) {
  return kKindNames[static_cast<std::size_t>(kind)];
}

FindingsReport::FindingsReport(std::string_view file_name, FindingLimit limit, OutputBuffer& out)
    : file_name_(file_name), limit_(limit), out_(out) {}

bool FindingsReport::Counts(FindingKind kind) {
  const std::uint64_t before = counted_[static_cast<std::size_t>(kind)]++;
  switch (limit_) {
    case FindingLimit::kSummaryOnly:
      return false;
    case FindingLimit::kAll:
      return true;
    case FindingLimit::kTenOfEachKind:
      break;
  }
  return kind == FindingKind::kNote || before < kWrittenOfEachKind;
}

void FindingsReport::Add(std::uint64_t line, FindingKind kind, std::string detail) {
  held_.push_back({line, kind, std::move(detail)});
  if (held_.size() >= kMostHeld) Flush();
}

void FindingsReport::Flush() {
  // A line's notes before its other findings: they tell why.
  const auto key = [](const Finding& finding) {
    return std::pair(finding.line, finding.kind != FindingKind::kNote);
  };
  std::stable_sort(held_.begin(), held_.end(),
                   [&key](const Finding& a, const Finding& b) { return key(a) < key(b); });
  for (const Finding& finding : held_) {
    out_.Append(file_name_);
    out_.Append(':');
    out_.AppendInteger(finding.line);
    out_.Append(": ");
    out_.Append(FindingKindName(finding.kind));
    out_.Append(": ");
    out_.Append(finding.detail);
    out_.Append('\n');
    if (listener_) listener_(finding.line, finding.kind, finding.detail);
  }
  held_.clear();
}

void FindingsReport::Finish(const LintCounts& counts) {
  Flush();
  if (limit_ == FindingLimit::kTenOfEachKind) {
    for (std::size_t kind = 0; kind < kFindingKinds; ++kind) {
      if (counted_[kind] <= kWrittenOfEachKind) continue;
      out_.Append(file_name_ + ": ... and " + std::to_string(counted_[kind] - kWrittenOfEachKind) +
                  " more " + std::string(kKindNames[kind]) + " findings\n");
    }
  }
  out_.Append(file_name_ + ": " + std::to_string(counts.segments) + " segments, " +
              std::to_string(counts.points) + " points, " + std::to_string(counts.bytes) +
              " bytes; " + std::to_string(counts.dropped_lines) + " lines dropped, " +
              std::to_string(counts.dropped_segments) + " segments dropped, " +
              std::to_string(counts.capped_points) + " points capped, " +
              std::to_string(counts.values_out_of_range) + " values out of range\n");
}

}  // namespace coord2seg
