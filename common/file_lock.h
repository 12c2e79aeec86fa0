#pragma once
// An advisory lock on a whole open file, so that writers that add to one file in turn never
// interleave: flock on POSIX systems, LockFileEx on Windows. One source file per system.
// SPDX-License-Identifier: MIT

#include <string>

#include "common/file_io.h"

namespace coord2seg {

// Takes an exclusive lock on the open file `file`, waiting for it if `wait`; it is released when
// the file is closed. 0, kLockHeld when another holds it and `wait` is false, or the system error
// number.
inline constexpr int kLockHeld = -1;
int LockWholeFile(FileHandle::Native file, bool wait);

// True when `path` still names the open file `file`: a writer that waited for the lock checks
// that the file was not replaced under its name meanwhile.
bool PathNamesFile(const std::string& path, FileHandle::Native file);

}  // namespace coord2seg
