// segdump's command: its request, usage and the whole program.
// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/command_options.h"
#include "tools/segdump/geojson.h"
#include "tools/segdump/svg.h"

namespace coord2seg {

enum class DumpMode { kText, kCheck, kGeoJson, kSvg, kHelp, kVersion };

struct DumpRequest {
  DumpMode mode = DumpMode::kText;
  std::vector<std::string> paths;  // one, or several for --check; "-" for standard input
  GeoJsonOptions geojson;
  SvgOptions svg;
};

inline constexpr std::string_view kSegdumpUsage =
    "usage: segdump [--check | --geojson [--raw] [--lines-only] | --svg [--fit] [--width PIXELS]] "
    "FILE.bin\n"
    "       segdump --check FILE.bin...\n"
    "       segdump --help | --version\n"
    "FILE.bin may be - for standard input.\n";

// Reads the arguments after the program's name: at most one mode option, the options that go
// with it, and exactly one file, or with --check one or more ("--" ends the options). Nothing, with
// `problem` set, when they make no valid request.
std::optional<DumpRequest> ParseDumpArguments(std::span<const std::string_view> arguments,
                                              std::string& problem);

// The whole program. Returns the exit status: 0 on success, 2 on a usage error (reported on
// stderr), 1 when --check finds a file damaged or unreadable (each reported on stderr, the others
// checked all the same). Otherwise throws RunError when the file cannot be read or is damaged;
// then nothing has been written on stdout.
int RunSegdump(std::span<const std::string_view> arguments);

// The options segdump knows, as its arguments are read.
std::span<const OptionSpec> SegdumpOptions();

}  // namespace coord2seg
