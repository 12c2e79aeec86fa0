#pragma once

#include <cpl_vsi.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/file_io.h"

namespace coord2seg::gdal {

// Appends records to a segment file, the records of one feature at a time. A local file takes
// them in one system call, past GDAL's buffered virtual file functions, which would hand a large
// record over in pieces that a kill can separate; other files (in memory, compressed) go through
// those functions. A feature whose records would pass the process's file-size limit is refused
// before anything is written, since the limit's signal would end the host mid-record. On a
// failure the file is cut back to its last whole record and the failure is reported as a GDAL
// error, so the file only ever holds whole records, as the converter leaves it.
class RecordAppender {
 public:
  // `size`: the bytes of whole records the file holds already; records go after them.
  RecordAppender(VSILFILE* file, std::string path, std::uint64_t size);

  // Hands the records to the file; false, with a GDAL error, when that failed or was refused.
  // After a failure nothing more is written.
  bool Append(std::span<const unsigned char> records);

  bool failed() const { return failed_; }

 private:
  // Nothing, or why the write failed.
  std::optional<std::string> WriteAtEnd(std::span<const unsigned char> records);
  bool Fail(const std::string& reason);

  VSILFILE* file_;
  std::string path_;
  std::uint64_t size_;
  std::optional<FileHandle::Native> native_;  // the local file's own descriptor
  std::optional<std::uint64_t> size_limit_;
  bool failed_ = false;
};

}  // namespace coord2seg::gdal
