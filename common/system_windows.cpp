// The operating system's facts on Windows, and its errors in strerror's words.
// SPDX-License-Identifier: MIT
#include "common/system.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

namespace coord2seg {

std::string_view HostPathSeparators() { return kWindowsPathSeparators; }

namespace {

struct ErrorWording {
  DWORD error;
  const char* reason;
};

// The failures a file operation commonly meets, in the words strerror uses for their POSIX
// counterparts, so a report reads the same on every system.
constexpr ErrorWording kErrorWordings[] = {
    {ERROR_FILE_NOT_FOUND, "No such file or directory"},
    {ERROR_PATH_NOT_FOUND, "No such file or directory"},
    {ERROR_INVALID_DRIVE, "No such file or directory"},
    {ERROR_BAD_NETPATH, "No such file or directory"},
    {ERROR_BAD_NET_NAME, "No such file or directory"},
    {ERROR_ACCESS_DENIED, "Permission denied"},
    {ERROR_NETWORK_ACCESS_DENIED, "Permission denied"},
    {ERROR_SHARING_VIOLATION, "File is in use by another program"},
    {ERROR_LOCK_VIOLATION, "File is in use by another program"},
    {ERROR_DISK_FULL, "No space left on device"},
    {ERROR_HANDLE_DISK_FULL, "No space left on device"},
    {ERROR_FILE_TOO_LARGE, "File too large"},
    {ERROR_WRITE_PROTECT, "Read-only file system"},
    {ERROR_NOT_READY, "No medium found"},
    {ERROR_FILENAME_EXCED_RANGE, "File name too long"},
    {ERROR_INVALID_NAME, "Invalid argument"},
    {ERROR_INVALID_PARAMETER, "Invalid argument"},
    {ERROR_INVALID_HANDLE, "Bad file descriptor"},
    {ERROR_DIRECTORY, "Not a directory"},
    {ERROR_TOO_MANY_OPEN_FILES, "Too many open files"},
    {ERROR_NOT_ENOUGH_MEMORY, "Cannot allocate memory"},
    {ERROR_OUTOFMEMORY, "Cannot allocate memory"},
    {ERROR_INVALID_HANDLE, "Bad file descriptor"},
    {ERROR_BROKEN_PIPE, "Broken pipe"},
    {ERROR_NO_DATA, "Broken pipe"},
    {ERROR_NOT_SUPPORTED, "Operation not supported"},
    {ERROR_CRC, "Input/output error"},
    {ERROR_READ_FAULT, "Input/output error"},
    {ERROR_WRITE_FAULT, "Input/output error"},
    {ERROR_GEN_FAILURE, "Input/output error"},
    {ERROR_IO_DEVICE, "Input/output error"},
    {ERROR_DEV_NOT_EXIST, "No such device"},
    {ERROR_NETNAME_DELETED, "Input/output error"},
    {ERROR_UNEXP_NET_ERR, "Input/output error"},
};

// Windows' own sentence for any other error, without its closing ". " and line end.
std::string SystemMessage(DWORD error) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message(text != nullptr ? text : "", length);
  ::LocalFree(text);
  while (!message.empty() &&
         (message.back() == '.' || static_cast<unsigned char>(message.back()) <= ' ')) {
    message.pop_back();
  }
  return message.empty() ? "Windows error " + std::to_string(error) : message;
}

}  // namespace

std::string SystemErrorReason(int error_number) {
  const auto error = static_cast<DWORD>(error_number);
  for (const ErrorWording& wording : kErrorWordings) {
    if (wording.error == error) return wording.reason;
  }
  return SystemMessage(error);
}

void UseBinaryStandardStreams() {
  for (FILE* stream : {stdin, stdout, stderr}) _setmode(_fileno(stream), _O_BINARY);
}

void ReportWritesPastTheFileSizeLimit() {}  // Windows sets no such limit on a process

std::optional<std::uint64_t> FileSizeLimit() { return std::nullopt; }

FileSizeSignalHeld::FileSizeSignalHeld() = default;
FileSizeSignalHeld::~FileSizeSignalHeld() = default;

}  // namespace coord2seg
