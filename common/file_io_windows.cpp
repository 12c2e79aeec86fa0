// File access on Windows.
// SPDX-License-Identifier: MIT
#include "common/file_io.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "common/run_error.h"
#include "common/system.h"
#include "common/windows_file.h"

namespace coord2seg {

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (is_open()) ::CloseHandle(ToHandle(native_));
    native_ = other.Release();
  }
  return *this;
}

FileHandle::~FileHandle() {
  if (is_open()) ::CloseHandle(ToHandle(native_));
}

bool GetFileIdentity(HANDLE file, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!::GetFileInformationByHandle(file, &information)) return false;
  identity = {information.dwVolumeSerialNumber,
              std::uint64_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow};
  return true;
}

// ReadFile and WriteFile count in 32 bits; pieces of 1 GiB keep every file size in reach.
constexpr std::size_t kMaxPiece = std::size_t{1} << 30;

bool WriteWhole(HANDLE file, const void* data, std::size_t size) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    DWORD written = 0;
    if (!::WriteFile(file, next, static_cast<DWORD>(std::min(size, kMaxPiece)), &written,
                     nullptr)) {
      return false;
    }
    next += written;
    size -= written;
  }
  return true;
}

int WriteAllAt(FileHandle::Native file, std::uint64_t offset,
               std::span<const unsigned char> bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const std::uint64_t at = offset + written;
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(at);
    place.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD done = 0;
    const auto piece = static_cast<DWORD>(std::min(bytes.size() - written, kMaxPiece));
    if (!::WriteFile(ToHandle(file), bytes.data() + written, piece, &done, &place)) {
      return LastError();
    }
    if (done == 0) return ERROR_WRITE_FAULT;
    written += done;
  }
  return 0;
}

namespace {

// Reads the `size` bytes the file had when it was opened; fewer when it shrinks meanwhile.
void ReadWhole(HANDLE file, std::size_t size, ByteBlock& bytes, std::size_t& read,
               const std::string& path) {
  bytes = ByteBlock(size);
  read = 0;
  while (read < size) {
    DWORD got = 0;
    const DWORD piece = static_cast<DWORD>(std::min(size - read, kMaxPiece));
    if (!::ReadFile(file, bytes.data() + read, piece, &got, nullptr)) {
      throw RunError(DescribeFileFailure("cannot read", path, LastError()));
    }
    if (got == 0) return;
    read += got;
  }
}

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

std::optional<FileContents> ReadRegularFile(const std::string& path) {
  // Directories cannot be opened as files; devices (NUL, CON) and pipes are told apart by their
  // type once open.
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  // Shared for writing and deleting too, as a POSIX system would let another program do.
  FileHandle file(FromHandle(::CreateFileA(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)));
  if (!file.is_open()) {
    const DWORD error = ::GetLastError();
    if (IsMissing(error)) return std::nullopt;
    throw RunError(DescribeFileFailure("cannot open", path, static_cast<int>(error)));
  }
  const HANDLE handle = ToHandle(file.get());
  if (::GetFileType(handle) != FILE_TYPE_DISK) return std::nullopt;

  FileContents contents;
  LARGE_INTEGER file_size;
  if (!::GetFileSizeEx(handle, &file_size) || !GetFileIdentity(handle, contents.identity_)) {
    throw RunError(DescribeFileFailure("cannot read", path, LastError()));
  }
  ReadWhole(handle, static_cast<std::size_t>(file_size.QuadPart), contents.bytes_, contents.size_,
            path);
  return contents;
}

FileContents ReadStandardInput() {
  // A pipe has no size to ask for: the block doubles as it fills. Its writer closing it shows as
  // ERROR_BROKEN_PIPE, which is the end of the input, not a failure.
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE) {
    throw RunError("cannot read standard input: " + SystemErrorReason(ERROR_INVALID_HANDLE));
  }
  FileContents contents;
  contents.bytes_ = ByteBlock(std::size_t{1} << 16);
  for (;;) {
    if (contents.size_ == contents.bytes_.capacity()) {
      ByteBlock larger(contents.bytes_.capacity() * 2);
      std::memcpy(larger.data(), contents.bytes_.data(), contents.size_);
      contents.bytes_ = std::move(larger);
    }
    DWORD got = 0;
    const DWORD piece =
        static_cast<DWORD>(std::min(contents.bytes_.capacity() - contents.size_, kMaxPiece));
    if (!::ReadFile(input, contents.bytes_.data() + contents.size_, piece, &got, nullptr)) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return contents;
      throw RunError("cannot read standard input: " + SystemErrorReason(static_cast<int>(error)));
    }
    if (got == 0) return contents;
    contents.size_ += got;
  }
}

std::string DescribeMissingFile(const char* action, const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return DescribeFileFailure(action, path, LastError());
  const std::string failure = std::string(action) + " '" + path + "': ";
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return failure + kIsADirectory;
  return failure + "not a regular file";
}

}  // namespace coord2seg
