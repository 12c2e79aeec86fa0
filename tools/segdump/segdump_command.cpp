// segdump's command: its options, files and output.
// SPDX-License-Identifier: MIT
#include "tools/segdump/segdump_command.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <span>
#include <utility>
#include <vector>

#include "common/file_io.h"
#include "common/output_buffer.h"
#include "common/run_error.h"
#include "common/version.h"
#include "segment_file/segment_reader.h"
#include "tools/command_options.h"
#include "tools/segdump/check_report.h"
#include "tools/segdump/coordinate_text.h"
#include "tools/segdump/geojson.h"
#include "tools/segdump/svg.h"

namespace coord2seg {
namespace {

constexpr std::array<OptionSpec, 9> kDumpOptions = {{{"--check"},
                                                     {"--geojson"},
                                                     {"--svg"},
                                                     {"--help", false, "-h"},
                                                     {"--version"},
                                                     {"--raw"},
                                                     {"--lines-only"},
                                                     {"--fit"},
                                                     {"--width", true, {}, "PIXELS"}}};

std::optional<DumpMode> ModeForOption(std::string_view option) {
  if (option == "--check") return DumpMode::kCheck;
  if (option == "--geojson") return DumpMode::kGeoJson;
  if (option == "--svg") return DumpMode::kSvg;
  if (option == "--help") return DumpMode::kHelp;
  if (option == "--version") return DumpMode::kVersion;
  return std::nullopt;
}

// The mode each further option belongs to.
struct ModeOption {
  std::string_view name;
  DumpMode mode;
};
constexpr std::array<ModeOption, 4> kModeOptions = {{{"--raw", DumpMode::kGeoJson},
                                                     {"--lines-only", DumpMode::kGeoJson},
                                                     {"--fit", DumpMode::kSvg},
                                                     {"--width", DumpMode::kSvg}}};

std::optional<int> ReadWidth(std::string_view text) {
  int width = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), width);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (width < kMinSvgWidth || width > kMaxSvgWidth) return std::nullopt;
  return width;
}

// Sets the request from an option that goes with a mode; false, with `problem` set, when its
// value is wrong.
bool TakeModeOption(const CommandArgument& option, DumpRequest& request, std::string& problem) {
  if (option.Is("--width")) {
    const std::optional<int> width = ReadWidth(option.text);
    if (!width) {
      problem = "--width takes a whole number of pixels from " + std::to_string(kMinSvgWidth) +
                " to " + std::to_string(kMaxSvgWidth);
      return false;
    }
    request.svg.width = *width;
  } else if (option.Is("--raw")) {
    request.geojson.raw = true;
  } else if (option.Is("--lines-only")) {
    request.geojson.lines_only = true;
  } else if (option.Is("--fit")) {
    request.svg.fit = true;
  }
  return true;
}

// An option given for another mode than the one chosen is a mistake, not something to ignore.
bool OptionsFitTheMode(const DumpRequest& request, std::span<const std::string_view> given,
                       std::string& problem) {
  for (const std::string_view name : given) {
    for (const ModeOption& option : kModeOptions) {
      if (option.name == name && option.mode != request.mode) {
        problem = std::string(name) + " goes with " +
                  (option.mode == DumpMode::kSvg ? "--svg" : "--geojson");
        return false;
      }
    }
  }
  return true;
}

constexpr std::string_view kStandardInputPath = "-";

// How messages and the --check line name the file.
std::string DisplayName(const std::string& path) {
  return path == kStandardInputPath ? "standard input" : path;
}

FileContents ReadSegmentFile(const std::string& path) {
  if (path == kStandardInputPath) return ReadStandardInput();
  std::optional<FileContents> contents = ReadRegularFile(path);
  if (!contents) throw RunError(DescribeMissingFile("cannot read", path));
  return std::move(*contents);
}

std::span<const unsigned char> BytesOf(const FileContents& contents) {
  const std::string_view text = contents.text();
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

// Reads and checks a whole file; throws RunError when it cannot be read or is damaged.
SegmentFileCheck CheckWholeFile(const std::string& path, const FileContents& contents) {
  const std::span<const unsigned char> bytes = BytesOf(contents);
  SegmentFileCheck check = CheckSegmentFile(bytes);
  if (check.damage) throw RunError(DescribeDamage(DisplayName(path), bytes, *check.damage));
  return check;
}

// One line for each file on stdout, or its problem on stderr; 1 when any file has one.
int CheckFiles(const std::vector<std::string>& paths, OutputBuffer& out) {
  int status = 0;
  for (const std::string& path : paths) {
    std::optional<SegmentFileCheck> check;
    std::string problem;
    try {
      check = CheckWholeFile(path, ReadSegmentFile(path));
    } catch (const RunError& error) {
      problem = error.what();
    }
    if (check) {  // a failed write to stdout is not this file's problem, so outside the try
      out.Append(DescribeCheck(DisplayName(path), *check));
      continue;
    }
    out.Flush();  // the lines before it first, should both streams go to one terminal
    std::fprintf(stderr, "segdump: %s\n", problem.c_str());
    status = 1;
  }
  out.Flush();
  return status;
}

void WriteDump(const DumpRequest& request, std::span<const unsigned char> bytes,
               OutputBuffer& out) {
  switch (request.mode) {
    case DumpMode::kGeoJson:
      WriteGeoJson(bytes, request.geojson, out);
      break;
    case DumpMode::kSvg:
      WriteSvg(bytes, request.svg, out);
      break;
    case DumpMode::kText:
      WriteCoordinateText(bytes, out);
      break;
    case DumpMode::kCheck:  // answered by CheckFiles
    case DumpMode::kHelp:   // answered before a file is read
    case DumpMode::kVersion:
      break;
  }
}

}  // namespace

std::span<const OptionSpec> SegdumpOptions() { return kDumpOptions; }

std::optional<DumpRequest> ParseDumpArguments(std::span<const std::string_view> arguments,
                                              std::string& problem) {
  DumpRequest request;
  std::vector<std::string_view> mode_options;
  bool has_mode = false;
  for (CommandOptions options(arguments, kDumpOptions); !options.AtEnd();) {
    const std::optional<CommandArgument> argument = options.Next(problem);
    if (!argument) return std::nullopt;
    if (!argument->option) {
      request.paths.emplace_back(argument->text);
      continue;
    }
    const std::optional<DumpMode> mode = ModeForOption(argument->option->name);
    if (!mode) {
      if (!TakeModeOption(*argument, request, problem)) return std::nullopt;
      mode_options.push_back(argument->option->name);
      continue;
    }
    if (*mode == DumpMode::kHelp || *mode == DumpMode::kVersion) {
      request.mode = *mode;
      return request;
    }
    if (has_mode && *mode != request.mode) {
      problem = "choose one of --check, --geojson and --svg";
      return std::nullopt;
    }
    request.mode = *mode;
    has_mode = true;
  }
  if (!OptionsFitTheMode(request, mode_options, problem)) return std::nullopt;
  if (request.paths.empty()) {
    problem = "no file given";
  } else if (request.paths.size() > 1 && request.mode != DumpMode::kCheck) {
    problem = "one file at a time (several only with --check)";
  } else if (std::count(request.paths.begin(), request.paths.end(), kStandardInputPath) > 1) {
    problem = "standard input can be read only once";
  } else {
    return request;
  }
  return std::nullopt;
}

int RunSegdump(std::span<const std::string_view> arguments) {
  std::string problem;
  const std::optional<DumpRequest> request = ParseDumpArguments(arguments, problem);
  if (!request) {
    std::fprintf(stderr, "segdump: %s\n%.*s", problem.c_str(),
                 static_cast<int>(kSegdumpUsage.size()), kSegdumpUsage.data());
    return 2;
  }
  OutputBuffer out(StandardOutputSink());
  if (request->mode == DumpMode::kHelp || request->mode == DumpMode::kVersion) {
    if (request->mode == DumpMode::kHelp) {
      out.Append(kSegdumpUsage);
    } else {
      out.Append("segdump ");
      out.Append(kVersion);
      out.Append('\n');
    }
    out.Flush();
    return 0;
  }
  if (request->mode == DumpMode::kCheck) return CheckFiles(request->paths, out);
  const std::string& path = request->paths.front();
  const FileContents contents = ReadSegmentFile(path);
  // The whole file is checked before anything is written, so damage never leaves half a dump.
  CheckWholeFile(path, contents);
  WriteDump(*request, BytesOf(contents), out);
  out.Flush();
  return 0;
}

}  // namespace coord2seg
