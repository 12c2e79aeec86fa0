// Appends records to a segment file, the records of one feature at a time.
// SPDX-License-Identifier: MIT
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
// before anything is written, since the limit's signal would end the host mid-record; other files
// are written with the signal held, so that the limit gives an error there too. On a failure the
// whole write is given up: the file is cut back to the bytes it had before it, and the failure is
// reported as a GDAL error that says what is left.
class RecordAppender {
 public:
  // `size`: the bytes of whole records the file holds already; records go after them. `path`
  // names the file in messages, and `abandoned_state` says what a failed write leaves.
  RecordAppender(VSILFILE* file, std::string path, std::uint64_t size, std::string abandoned_state);

  // Hands the records to the file; false, with a GDAL error, when that failed or was refused.
  // After a failure nothing more is written.
  bool Append(std::span<const unsigned char> records);

  // Drops the records after the first `size` bytes (a rolled back transaction).
  void CutBack(std::uint64_t size);

  bool failed() const { return failed_; }
  std::uint64_t size() const { return size_; }

 private:
  // Nothing, or why the write failed.
  std::optional<std::string> WriteAtEnd(std::span<const unsigned char> records);
  bool Fail(const std::string& reason);

  VSILFILE* file_;
  std::string path_;
  std::uint64_t start_;
  std::uint64_t size_;
  std::string abandoned_state_;
  std::optional<FileHandle::Native> native_;  // the local file's own descriptor
  std::optional<std::uint64_t> size_limit_;
  bool failed_ = false;
};

}  // namespace coord2seg::gdal
