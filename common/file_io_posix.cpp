// File access on POSIX systems.
// SPDX-License-Identifier: MIT
#include "common/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "common/run_error.h"

namespace coord2seg {

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (native_ >= 0) ::close(native_);
    native_ = other.Release();
  }
  return *this;
}

FileHandle::~FileHandle() {
  if (native_ >= 0) ::close(native_);
}

namespace {

bool IsRegularFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// Kernel settings under /proc/sys report size 0 and answer only a read at offset 0, so the first
// read must be large enough to take such a file whole.
constexpr std::size_t kFirstReadBytes = 64 * 1024;

// Read in parts small enough that the pages mapped for a part are still in the cache when the
// copy fills them.
constexpr std::size_t kReadPartBytes = 512 * 1024;
static_assert(kReadPartBytes >= kFirstReadBytes);

// Reads until end of file. The size from fstat is only a first guess: files under /proc report 0,
// and a file may grow while it is read. `name` is how a failure names the file.
void ReadAll(int fd, std::size_t expected_size, ByteBlock& bytes, std::size_t& size,
             const std::string& name) {
  bytes = ByteBlock(std::max(expected_size, kFirstReadBytes) + 1);
  size = 0;
  for (;;) {
    if (size == bytes.capacity()) {
      ByteBlock larger(bytes.capacity() * 2);
      larger.MapPages(0, size);
      std::memcpy(larger.data(), bytes.data(), size);
      bytes = std::move(larger);
    }
    const std::size_t part = std::min(kReadPartBytes, bytes.capacity() - size);
    bytes.MapPages(size, part);
    const ssize_t got = ::read(fd, bytes.data() + size, part);
    if (got == 0) return;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw RunError("cannot read " + name + ": " + std::strerror(errno));
    }
    size += static_cast<std::size_t>(got);
  }
}

}  // namespace

std::optional<FileContents> ReadRegularFile(const std::string& path) {
  // The first test keeps open() away from FIFOs and devices; O_NONBLOCK covers a swap between the
  // test and the open, and fstat confirms what was opened.
  if (!IsRegularFile(path)) return std::nullopt;
  FileHandle fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.is_open()) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    throw RunError(DescribeFileFailure("cannot open", path, errno));
  }
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0)
    throw RunError(DescribeFileFailure("cannot read", path, errno));
  if (!S_ISREG(status.st_mode)) return std::nullopt;

  FileContents contents;
  contents.identity_ = {status.st_dev, status.st_ino};
  ReadAll(fd.get(), static_cast<std::size_t>(status.st_size), contents.bytes_, contents.size_,
          "'" + path + "'");
  return contents;
}

FileContents ReadStandardInput() {
  FileContents contents;
  ReadAll(STDIN_FILENO, 0, contents.bytes_, contents.size_, "standard input");
  return contents;
}

int WriteAllAt(FileHandle::Native file, std::uint64_t offset,
               std::span<const unsigned char> bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t result = ::pwrite(static_cast<int>(file), bytes.data() + written,
                                    bytes.size() - written, static_cast<off_t>(offset + written));
    if (result < 0 && errno == EINTR) continue;
    if (result < 0) return errno;
    if (result == 0) return EIO;  // nothing taken and no reason: give up rather than spin
    written += static_cast<std::size_t>(result);
  }
  return 0;
}

std::string DescribeMissingFile(const char* action, const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return DescribeFileFailure(action, path, errno);
  if (S_ISDIR(status.st_mode)) return DescribeFileFailure(action, path, EISDIR);
  return std::string(action) + " '" + path + "': not a regular file";
}

}  // namespace coord2seg
