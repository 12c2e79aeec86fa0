// coordlint's command: its request and the whole program.
// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tools/command_options.h"
#include "tools/coordlint/failure_gate.h"
#include "tools/coordlint/findings_report.h"

namespace coord2seg {

enum class LintMode { kCheck, kHelp, kVersion };

struct LintRequest {
  LintMode mode = LintMode::kCheck;
  FindingLimit limit = FindingLimit::kTenOfEachKind;
  std::string path;
  bool lat_first = false;
  FailureGate gate;
};

// Exit statuses: findings are 1, so every failure of the program itself is 2.
inline constexpr int kCleanStatus = 0;
inline constexpr int kFindingsStatus = 1;
inline constexpr int kTroubleStatus = 2;

// Reads the arguments after the program's name: options anywhere before "--", then the file
// first, as coord2seg takes it, and after it only the LATLON switch, recognised by coord2seg's
// rule. Nothing, with `problem` set, when they make no valid request.
std::optional<LintRequest> ParseLintArguments(std::span<const std::string_view> arguments,
                                              std::string& problem);

// The whole program. Returns 0 for a clean file, 1 when there are findings that fail the gate, 2 on
// a usage error
// (reported on stderr). Throws RunError with status 2 when the file cannot be read or the report
// cannot be written.
int RunCoordlint(std::span<const std::string_view> arguments);

// The options coordlint knows, as its arguments are read.
std::span<const OptionSpec> CoordlintOptions();

}  // namespace coord2seg
