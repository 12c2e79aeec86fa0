// The advisory whole-file lock on Windows: LockFileEx over every byte, released when the handle
// is closed.
// SPDX-License-Identifier: MIT
#include "common/file_lock.h"

#include <windows.h>

namespace coord2seg {

int LockWholeFile(FileHandle::Native file, bool wait) {
  OVERLAPPED from_start{};
  const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
  if (LockFileEx(reinterpret_cast<HANDLE>(file), flags, 0, MAXDWORD, MAXDWORD, &from_start)) {
    return 0;
  }
  const DWORD error = GetLastError();
  return error == ERROR_LOCK_VIOLATION ? kLockHeld : static_cast<int>(error);
}

// Windows renames nothing over a file that is open without FILE_SHARE_DELETE, so the name still
// leads to the file that was locked.
bool PathNamesFile(const std::string&, FileHandle::Native) { return true; }

}  // namespace coord2seg
