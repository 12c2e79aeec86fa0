// Records appended to a segment file, one feature's at a time.
// SPDX-License-Identifier: MIT
#include "gdal_plugin/record_appender.h"

#include <cpl_error.h>

#include <cerrno>
#include <cstring>

#include "common/system.h"

namespace coord2seg::gdal {
namespace {

// The descriptor (a HANDLE on Windows) under a local file; none for GDAL's other file systems.
std::optional<FileHandle::Native> NativeFile(VSILFILE* file) {
  void* native = VSIFGetNativeFileDescriptorL(file);
  if (native == nullptr) return std::nullopt;
  return reinterpret_cast<FileHandle::Native>(native);
}

}  // namespace

RecordAppender::RecordAppender(VSILFILE* file, std::string path, std::uint64_t size,
                               std::string abandoned_state)
    : file_(file),
      path_(std::move(path)),
      start_(size),
      size_(size),
      abandoned_state_(std::move(abandoned_state)),
      native_(NativeFile(file)) {
  // The limit binds real files only; a file in memory may grow past it.
  if (native_) size_limit_ = FileSizeLimit();
}

std::optional<std::string> RecordAppender::WriteAtEnd(std::span<const unsigned char> records) {
  if (native_) {
    // Nothing of ours waits in the virtual file's buffer, but its owner may have written.
    const int error = VSIFFlushL(file_) == 0 ? WriteAllAt(*native_, size_, records) : EIO;
    if (error == 0) return std::nullopt;
    return SystemErrorReason(error);
  }
  errno = 0;
  const FileSizeSignalHeld signal_held;
  const bool written = VSIFSeekL(file_, size_, SEEK_SET) == 0 &&
                       VSIFWriteL(records.data(), 1, records.size(), file_) == records.size() &&
                       VSIFFlushL(file_) == 0;
  if (written) return std::nullopt;
  return errno != 0 ? std::strerror(errno) : "write failed";
}

bool RecordAppender::Fail(const std::string& reason) {
  failed_ = true;
  // Best effort here; the dataset gives up the write as a whole when it ends.
  VSIFTruncateL(file_, start_);
  size_ = start_;
  CPLError(CE_Failure, CPLE_FileIO, "SegmentFile: cannot write '%s': %s; %s", path_.c_str(),
           reason.c_str(), abandoned_state_.c_str());
  return false;
}

void RecordAppender::CutBack(std::uint64_t size) {
  if (failed_ || size >= size_) return;
  VSIFTruncateL(file_, size);
  size_ = size;
}

bool RecordAppender::Append(std::span<const unsigned char> records) {
  if (failed_) {
    CPLError(CE_Failure, CPLE_FileIO, "SegmentFile: a write has failed; nothing more is written");
    return false;
  }
  if (records.empty()) return true;
  if (size_limit_ && size_ + records.size() > *size_limit_) {
    return Fail(SystemErrorReason(EFBIG) + " (the file-size limit, ulimit -f, is " +
                std::to_string(*size_limit_) + " bytes)");
  }
  if (const std::optional<std::string> failure = WriteAtEnd(records)) return Fail(*failure);
  size_ += records.size();
  return true;
}

}  // namespace coord2seg::gdal
