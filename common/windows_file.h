// Pieces the Windows sources share.
// SPDX-License-Identifier: MIT
#pragma once

// Pieces the Windows sources share; built only for Windows.
#include <windows.h>

#include <cstddef>
#include <string>

#include "common/file_io.h"

namespace coord2seg {

inline HANDLE ToHandle(FileHandle::Native native) { return reinterpret_cast<HANDLE>(native); }
inline FileHandle::Native FromHandle(HANDLE handle) {
  return reinterpret_cast<FileHandle::Native>(handle);
}

// GetLastError() as the error number DescribeFileFailure takes.
inline int LastError() { return static_cast<int>(::GetLastError()); }

// Windows refuses to open a directory for writing with "access denied"; the report says what
// the user needs to know.
inline bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
inline constexpr char kIsADirectory[] = "Is a directory";

// Volume serial number and file index; false when the file system has none to give.
bool GetFileIdentity(HANDLE file, FileIdentity& identity);

// Writes all `size` bytes, in pieces a DWORD can count. False on failure, with GetLastError()
// telling why.
bool WriteWhole(HANDLE file, const void* data, std::size_t size);

}  // namespace coord2seg
