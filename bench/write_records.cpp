// The floor that one write per record sets: copies the records of a segment file to another file
// through the converter's own file, one write each, and does nothing else. Given the converter's
// output of a text, it takes the time that text's conversion cannot go below as long as every
// record reaches the file system before the next line is read.
//
//   write_records SEGMENT_FILE OUTPUT
// SPDX-License-Identifier: MIT
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/file_io.h"
#include "common/run_error.h"
#include "common/run_main.h"
#include "segment_file/record_format.h"
#include "segment_file/segment_file.h"
#include "segment_file/segment_reader.h"

namespace {

int WriteRecords(std::span<const std::string_view> arguments) {
  using namespace coord2seg;
  if (arguments.size() != 2) throw RunError("usage: write_records SEGMENT_FILE OUTPUT");
  const std::string input_path(arguments[0]);
  const std::optional<FileContents> input = ReadRegularFile(input_path);
  if (!input) throw RunError(DescribeMissingFile("cannot read", input_path));
  const std::span<const unsigned char> bytes(
      reinterpret_cast<const unsigned char*>(input->text().data()), input->text().size());
  SegmentFile output(std::string(arguments[1]), input->identity());
  SegmentReader reader(bytes);
  for (SegmentRecord record; reader.Next(record);)
    output.AppendRecord(bytes.subspan(record.offset(), RecordBytes(record.point_count())));
  output.Close();
  if (reader.damage()) throw RunError(input_path + ": not a whole segment file");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return coord2seg::RunMain("write_records", argc, argv, WriteRecords);
}
