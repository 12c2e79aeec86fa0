#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "common/byte_block.h"

namespace coord2seg {

// Device and inode: tells whether two paths lead to the same file, whatever their names.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// Owns an open file descriptor and closes it on destruction.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor();

  int get() const { return fd_; }
  bool is_open() const { return fd_ >= 0; }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_ = -1;
};

// A whole file held in memory.
class FileContents {
 public:
  std::string_view text() const { return {bytes_.data(), size_}; }
  const FileIdentity& identity() const { return identity_; }

 private:
  friend std::optional<FileContents> ReadRegularFile(const std::string& path);

  // Reads standard input to its end, whatever it is: a pipe, a terminal or a redirected file.
  // Throws RunError when it cannot be read.
  FileContents ReadStandardInput();
  friend FileContents ReadStandardInput();
  ByteBlock bytes_;
  std::size_t size_ = 0;
  FileIdentity identity_;
};

// Reads the regular file under `path` (symbolic links followed) whole. Returns nothing when no
// regular file is there: a missing path, a directory, a FIFO or a device. Never blocks on a FIFO.
// Throws RunError when the file is there but cannot be read.
std::optional<FileContents> ReadRegularFile(const std::string& path);

// Reads standard input to its end, whatever it is: a pipe, a terminal or a redirected file.
// Throws RunError when it cannot be read.
FileContents ReadStandardInput();

}  // namespace coord2seg
