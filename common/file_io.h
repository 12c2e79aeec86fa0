// File access the programs share: whole reads, writes, file identity and failure messages.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "common/byte_block.h"

namespace coord2seg {

// Tells whether two paths lead to the same file, whatever their names: device and inode on POSIX
// systems, volume serial number and file index on Windows.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// Owns an open file and closes it on destruction: a descriptor on POSIX systems, a HANDLE on
// Windows, held as an integer so that this header names neither.
class FileHandle {
 public:
  using Native = std::intptr_t;
  static constexpr Native kNone = -1;  // no descriptor; also Windows' INVALID_HANDLE_VALUE

  FileHandle() = default;
  explicit FileHandle(Native native) : native_(native) {}
  FileHandle(FileHandle&& other) noexcept : native_(other.Release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle();

  Native get() const { return native_; }
  bool is_open() const { return native_ != kNone; }
  Native Release() { return std::exchange(native_, kNone); }

 private:
  Native native_ = kNone;
};

// A whole file held in memory.
class FileContents {
 public:
  std::string_view text() const { return {bytes_.data(), size_}; }
  const FileIdentity& identity() const { return identity_; }

 private:
  friend std::optional<FileContents> ReadRegularFile(const std::string& path);
  friend FileContents ReadStandardInput();
  ByteBlock bytes_;
  std::size_t size_ = 0;
  FileIdentity identity_;
};

// Writes all of `bytes` at `offset` of the open file `file`, leaving its position alone, in one
// system call unless the system writes less (at a limit, a full disk): a record handed over this
// way is never split by a buffer. 0, or the system error number (GetLastError() on Windows).
int WriteAllAt(FileHandle::Native file, std::uint64_t offset, std::span<const unsigned char> bytes);

// Reads the regular file under `path` (symbolic links followed) whole. Returns nothing when no
// regular file is there: a missing path, a directory, a FIFO or a device. Never blocks on a FIFO.
// Throws RunError when the file is there but cannot be read.
std::optional<FileContents> ReadRegularFile(const std::string& path);

// Reads standard input to its end, whatever it is: a pipe, a terminal or a redirected file.
// Throws RunError when it cannot be read.
FileContents ReadStandardInput();

// Why ReadRegularFile found nothing under `path`, as "<action> '<path>': <reason>" in the Unix
// wording: "No such file or directory", "Is a directory", "not a regular file".
std::string DescribeMissingFile(const char* action, const std::string& path);

}  // namespace coord2seg
