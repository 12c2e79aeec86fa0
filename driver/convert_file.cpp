// ConvertFile: the converter's whole run, from the input file to the segment file beside it.
// SPDX-License-Identifier: MIT
#include "driver/convert_file.h"

#include <optional>
#include <string>

#include "common/file_io.h"
#include "driver/command_line.h"
#include "driver/fast_paths.h"
#include "driver/line_walk.h"
#include "segment_file/record_format.h"
#include "segment_file/segment_file.h"

namespace coord2seg {

int ConvertFile(std::span<const std::string_view> arguments) {
  const bool lat_first = HasLatLonSwitch(arguments);
  if (arguments.empty()) return 0;
  // The first argument is the input path whatever it holds, even the switch.
  const std::string input_path(arguments.front());
  const std::optional<FileContents> input = ReadRegularFile(input_path);
  if (!input) return 0;

  const FastPaths fast_paths = FastPathsFor(BestInstructionSet());
  SegmentFile output(OutputPathFor(input_path), input->identity(), fast_paths.encode_record);
  SegmentBuffer buffer;
  CollectSegments(
      input->text(), lat_first, buffer,
      [&output](const SegmentBuffer& segment) { WriteSegment(output, segment); },
      fast_paths.read_simple_lines);
  output.Close();
  return 0;
}

}  // namespace coord2seg
