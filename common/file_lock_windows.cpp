// The advisory whole-file lock on Windows: LockFileEx over every byte, released when the handle
// is closed.
// SPDX-License-Identifier: MIT
#include "common/file_lock.h"

#include <windows.h>

namespace coord2seg {

int LockWholeFile(FileHandle::Native file) {
  OVERLAPPED from_start{};
  if (LockFileEx(reinterpret_cast<HANDLE>(file), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD,
                 &from_start)) {
    return 0;
  }
  return static_cast<int>(GetLastError());
}

// Windows renames nothing over a file that is open without FILE_SHARE_DELETE, so the name still
// leads to the file that was locked.
bool PathNamesFile(const std::string&, FileHandle::Native) { return true; }

}  // namespace coord2seg
