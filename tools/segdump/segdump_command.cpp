#include "tools/segdump/segdump_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <span>
#include <utility>

#include "common/file_io.h"
#include "common/output_buffer.h"
#include "common/run_error.h"
#include "segment_file/segment_reader.h"
#include "tools/segdump/dump_formats.h"

namespace coord2seg {
namespace {

std::optional<DumpMode> ModeForOption(std::string_view option) {
  if (option == "--check") return DumpMode::kCheck;
  if (option == "--geojson") return DumpMode::kGeoJson;
  if (option == "--svg") return DumpMode::kSvg;
  if (option == "--help" || option == "-h") return DumpMode::kHelp;
  return std::nullopt;
}

bool IsOption(std::string_view argument) { return argument.size() > 1 && argument[0] == '-'; }

// Why no regular file could be read under `path`, in the Unix wording.
std::string DescribeMissingFile(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return DescribeFileFailure("cannot read", path, errno);
  if (S_ISDIR(status.st_mode)) return DescribeFileFailure("cannot read", path, EISDIR);
  return "cannot read '" + path + "': not a regular file";
}

FileContents ReadSegmentFile(const std::string& path) {
  std::optional<FileContents> contents = ReadRegularFile(path);
  if (!contents) throw RunError(DescribeMissingFile(path));
  return std::move(*contents);
}

std::span<const unsigned char> BytesOf(const FileContents& contents) {
  const std::string_view text = contents.text();
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

std::string DescribeDamage(const std::string& path, const SegmentFileDamage& damage) {
  return path + ": offset " + std::to_string(damage.offset) + " (segment " +
         std::to_string(damage.segment) + "): " + damage.what;
}

void WriteDump(DumpMode mode, const std::string& path, std::span<const unsigned char> bytes,
               const SegmentFileCheck& check, OutputBuffer& out) {
  switch (mode) {
    case DumpMode::kCheck:
      out.Append(path + ": " + std::to_string(check.segments) + " segments, " +
                 std::to_string(check.points) + " points\n");
      break;
    case DumpMode::kGeoJson:
      WriteGeoJson(bytes, out);
      break;
    case DumpMode::kSvg:
      WriteSvg(bytes, out);
      break;
    case DumpMode::kText:
      WriteCoordinateText(bytes, out);
      break;
    case DumpMode::kHelp:  // answered before the file is read
      break;
  }
}

}  // namespace

std::optional<DumpRequest> ParseDumpArguments(std::span<const std::string_view> arguments,
                                              std::string& problem) {
  DumpRequest request;
  bool has_mode = false;
  bool has_path = false;
  bool options_ended = false;
  for (const std::string_view argument : arguments) {
    if (!options_ended && argument == "--") {
      options_ended = true;
    } else if (!options_ended && IsOption(argument)) {
      const std::optional<DumpMode> mode = ModeForOption(argument);
      if (!mode) {
        problem = "unknown option '" + std::string(argument) + "'";
        return std::nullopt;
      }
      if (*mode == DumpMode::kHelp) return DumpRequest{DumpMode::kHelp, ""};
      if (has_mode && *mode != request.mode) {
        problem = "choose one of --check, --geojson and --svg";
        return std::nullopt;
      }
      request.mode = *mode;
      has_mode = true;
    } else if (has_path) {
      problem = "one file at a time";
      return std::nullopt;
    } else {
      request.path = argument;
      has_path = true;
    }
  }
  if (!has_path) {
    problem = "no file given";
    return std::nullopt;
  }
  return request;
}

int RunSegdump(std::span<const std::string_view> arguments) {
  std::string problem;
  const std::optional<DumpRequest> request = ParseDumpArguments(arguments, problem);
  if (!request) {
    std::fprintf(stderr, "segdump: %s\n%.*s", problem.c_str(),
                 static_cast<int>(kSegdumpUsage.size()), kSegdumpUsage.data());
    return 2;
  }
  OutputBuffer out(FileDescriptorSink(STDOUT_FILENO, "standard output"));
  if (request->mode == DumpMode::kHelp) {
    out.Append(kSegdumpUsage);
    out.Flush();
    return 0;
  }
  const FileContents contents = ReadSegmentFile(request->path);
  const std::span<const unsigned char> bytes = BytesOf(contents);
  // The whole file is checked before anything is written, so damage never leaves half a dump.
  const SegmentFileCheck check = CheckSegmentFile(bytes);
  if (check.damage) throw RunError(DescribeDamage(request->path, *check.damage));
  WriteDump(request->mode, request->path, bytes, check, out);
  out.Flush();
  return 0;
}

}  // namespace coord2seg
