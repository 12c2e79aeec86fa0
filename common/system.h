// The facts about the operating system the programs need beyond files.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The few facts about the operating system that the programs need beyond files; each system has
// its own source file.
namespace coord2seg {

// The bytes after which a path's last component begins. Windows takes '/' as well as '\\', and a
// colon ends a drive ("C:coast.txt"); its only other use, naming a stream of a file, comes after
// the file's own name too.
inline constexpr std::string_view kPosixPathSeparators = "/";
inline constexpr std::string_view kWindowsPathSeparators = "\\/:";

// The separators of the system the program runs on.
std::string_view HostPathSeparators();

// The wording of a system error number (errno; GetLastError() on Windows). The common failures
// read the same on every system: "No such file or directory", "No space left on device".
std::string SystemErrorReason(int error_number);

// Called first in every program: the standard streams carry bytes as they are, with no line-end
// or end-of-file translation.
void UseBinaryStandardStreams();

// A write past the file-size limit then fails with an error the run can report and clean up
// after, instead of a signal that ends the process mid-record.
void ReportWritesPastTheFileSizeLimit();

// The most bytes a file this process writes may hold (RLIMIT_FSIZE), or none without a limit.
// A writer that may not change the process's signals (a plugin in its host) checks it first, so
// that no write runs into the limit's signal part way through a record.
std::optional<std::uint64_t> FileSizeLimit();

// While it lives, a write past the file-size limit fails with an error instead of raising the
// limit's signal; the signal's previous action comes back after. For a writer in a host whose
// writes go through a library that cannot check the limit first (a compressed stream).
class FileSizeSignalHeld {
 public:
  FileSizeSignalHeld();
  ~FileSizeSignalHeld();
  FileSizeSignalHeld(const FileSizeSignalHeld&) = delete;
  FileSizeSignalHeld& operator=(const FileSizeSignalHeld&) = delete;

 private:
  void* previous_ = nullptr;  // the previous action, on systems that have the signal
};

}  // namespace coord2seg
