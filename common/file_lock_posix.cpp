// The advisory whole-file lock on POSIX systems: flock, which every process that opens the file
// shares and which is released when the descriptor is closed.
// SPDX-License-Identifier: MIT
#include "common/file_lock.h"

#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>

namespace coord2seg {

int LockWholeFile(FileHandle::Native file, bool wait) {
  while (::flock(static_cast<int>(file), LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
    if (errno == EWOULDBLOCK) return kLockHeld;
    if (errno != EINTR) return errno;
  }
  return 0;
}

bool PathNamesFile(const std::string& path, FileHandle::Native file) {
  struct stat named {};
  struct stat open {};
  return ::stat(path.c_str(), &named) == 0 && ::fstat(static_cast<int>(file), &open) == 0 &&
         named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

}  // namespace coord2seg
