// The output file on POSIX systems.
// SPDX-License-Identifier: MIT
#include "segment_file/segment_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "common/run_error.h"

namespace coord2seg {

SegmentFile::SegmentFile(std::string path, const FileIdentity& input, RecordEncoder encode_record)
    : path_(std::move(path)), encode_record_(encode_record) {
  // Opened without O_TRUNC so the file can be checked against the input before it is emptied;
  // O_NONBLOCK keeps a FIFO without a reader from blocking the run.
  fd_ = FileHandle(::open(path_.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666));
  if (!fd_.is_open()) throw RunError(DescribeFileFailure("cannot create", path_, errno));
  struct stat status {};
  if (::fstat(fd_.get(), &status) != 0) {
    throw RunError(DescribeFileFailure("cannot create", path_, errno));
  }
  if (FileIdentity{status.st_dev, status.st_ino} == input) {
    throw RunError("cannot create '" + path_ + "': it is the input file itself");
  }
  is_regular_ = S_ISREG(status.st_mode);
  if (is_regular_ && ::ftruncate(fd_.get(), 0) != 0) {
    throw RunError(DescribeFileFailure("cannot create", path_, errno));
  }
  const int flags = ::fcntl(fd_.get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd_.get(), F_SETFL, flags & ~O_NONBLOCK);
}

void SegmentFile::AppendRecord(std::span<const unsigned char> record) {
  std::size_t written = 0;
  while (written < record.size()) {
    const ssize_t result = ::write(fd_.get(), record.data() + written, record.size() - written);
    if (result < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      CutBackToLastRecord();
      throw RunError(DescribeFileFailure("cannot write", path_, error));
    }
    written += static_cast<std::size_t>(result);
  }
  size_ += record.size();
}

void SegmentFile::CutBackToLastRecord() {
  // Best effort: the write failure is what gets reported either way.
  if (is_regular_) static_cast<void>(::ftruncate(fd_.get(), static_cast<off_t>(size_)));
}

void SegmentFile::Close() {
  // Linux releases the descriptor even when close reports EINTR, so that is not a failure.
  if (::close(fd_.Release()) != 0 && errno != EINTR) {
    throw RunError(DescribeFileFailure("cannot close", path_, errno));
  }
}

}  // namespace coord2seg
