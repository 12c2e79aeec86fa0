// coordlint's command: its options, file and report.
// SPDX-License-Identifier: MIT
#include "tools/coordlint/coordlint_command.h"

#include <array>
#include <cstdio>
#include <new>
#include <utility>

#include "common/file_io.h"
#include "common/output_buffer.h"
#include "common/run_error.h"
#include "common/version.h"
#include "driver/command_line.h"
#include "tools/command_options.h"
#include "tools/coordlint/lint_text.h"

namespace coord2seg {
namespace {

constexpr std::string_view kUsage =
    "usage: coordlint [--all | --summary] [--fail-on KINDS] [--allow-dropped N] FILE "
    "[-LATLON | /LATLON]\n";

constexpr std::string_view kHelp =
    "Reports, line by line, what coord2seg would drop from FILE or store elsewhere than the\n"
    "text says, then one summary line. Writes nothing to disk.\n"
    "  --all        every finding (by default at most 10 of each kind)\n"
    "  --summary    the summary line alone\n"
    "  --fail-on KINDS    only these kinds of finding fail the run, a list of dropped,\n"
    "                     segment-dropped, capped and out-of-range (all by default)\n"
    "  --allow-dropped N  up to N dropped lines do not fail the run (0 by default)\n"
    "  --version    the version\n"
    "Exit status: 0 clean, 1 findings, 2 usage error or unreadable file.\n";

constexpr std::array<OptionSpec, 6> kLintOptions = {{{"--help", false, "-h"},
                                                     {"--version"},
                                                     {"--all"},
                                                     {"--summary"},
                                                     {"--fail-on", true, {}, "KINDS"},
                                                     {"--allow-dropped", true, {}, "N"}}};

// Sets the gate from an option that shapes it; false, with `problem` set, when its value is wrong.
bool TakeGateOption(const CommandArgument& option, FailureGate& gate, std::string& problem) {
  if (option.Is("--fail-on")) {
    if (SetFailingKinds(option.text, gate)) return true;
    problem = "--fail-on takes a list of dropped, segment-dropped, capped and out-of-range";
    return false;
  }
  const std::optional<std::uint64_t> lines = ReadLineCount(option.text);
  if (lines) {
    gate.allowed_dropped_lines = *lines;
    return true;
  }
  problem = "--allow-dropped takes a whole number of lines";
  return false;
}

// Sets `request` for one option; false, with `problem` set, when it conflicts or its value is
// wrong.
bool TakeOption(const CommandArgument& option, LintRequest& request, bool& limited,
                std::string& problem) {
  if (option.Is("--help")) {
    request.mode = LintMode::kHelp;
  } else if (option.Is("--version")) {
    request.mode = LintMode::kVersion;
  } else if (option.Is("--all") || option.Is("--summary")) {
    const FindingLimit limit = option.Is("--all") ? FindingLimit::kAll : FindingLimit::kSummaryOnly;
    if (limited && request.limit != limit) {
      problem = "choose one of --all and --summary";
      return false;
    }
    request.limit = limit;
    limited = true;
  } else {
    return TakeGateOption(option, request.gate, problem);
  }
  return true;
}

FileContents ReadInput(const std::string& path) {
  std::optional<FileContents> contents = ReadRegularFile(path);
  if (!contents) throw RunError(DescribeMissingFile("cannot open", path));
  return std::move(*contents);
}

int Check(const LintRequest& request, OutputBuffer& out) {
  const FileContents input = ReadInput(request.path);
  FindingsReport report(request.path, request.limit, out);
  TextLinter linter;
  const LintCounts counts = linter.Check(input.text(), request.lat_first, report);
  report.Finish(counts);
  out.Flush();
  return request.gate.Fails(counts) ? kFindingsStatus : kCleanStatus;
}

int Run(std::span<const std::string_view> arguments) {
  std::string problem;
  const std::optional<LintRequest> request = ParseLintArguments(arguments, problem);
  if (!request) {
    std::fprintf(stderr, "coordlint: %s\n%.*s", problem.c_str(), static_cast<int>(kUsage.size()),
                 kUsage.data());
    return kTroubleStatus;
  }
  OutputBuffer out(StandardOutputSink());
  switch (request->mode) {
    case LintMode::kHelp:
      out.Append(kUsage);
      out.Append(kHelp);
      break;
    case LintMode::kVersion:
      out.Append("coordlint ");
      out.Append(kVersion);
      out.Append('\n');
      break;
    case LintMode::kCheck:
      return Check(*request, out);
  }
  out.Flush();
  return kCleanStatus;
}

}  // namespace

std::span<const OptionSpec> CoordlintOptions() { return kLintOptions; }

std::optional<LintRequest> ParseLintArguments(std::span<const std::string_view> arguments,
                                              std::string& problem) {
  LintRequest request;
  bool limited = false;
  bool has_path = false;
  for (CommandOptions options(arguments, kLintOptions, IsLatLonSwitch); !options.AtEnd();) {
    const std::optional<CommandArgument> argument = options.Next(problem);
    if (!argument) return std::nullopt;
    const std::string_view text = argument->text;
    if (argument->option) {
      if (!TakeOption(*argument, request, limited, problem)) return std::nullopt;
    } else if (!has_path) {
      if (!argument->after_options && IsLatLonSwitch(text)) {
        // coord2seg would take it as the input path and look for a file of that name.
        problem = QuotedArgument(text) + " stands where the file should: FILE comes first";
        return std::nullopt;
      }
      request.path = text;
      // A file named like the switch sets it too, as it does for coord2seg.
      request.lat_first |= IsLatLonSwitch(text);
      has_path = true;
    } else if (IsLatLonSwitch(text)) {
      request.lat_first = true;
    } else {
      problem = "unexpected argument " + QuotedArgument(text) + " (coord2seg ignores it)";
      return std::nullopt;
    }
  }
  if (request.mode == LintMode::kCheck && !has_path) {
    problem = "no file given";
    return std::nullopt;
  }
  return request;
}

int RunCoordlint(std::span<const std::string_view> arguments) {
  // Status 1 means findings, so every failure of the program itself ends with status 2.
  try {
    return Run(arguments);
  } catch (const RunError& error) {
    throw RunError(error.what(), kTroubleStatus);
  } catch (const std::bad_alloc&) {
    throw RunError("out of memory", kTroubleStatus);
  }
}

}  // namespace coord2seg
