// The operating system's facts on POSIX systems.
// SPDX-License-Identifier: MIT
#include "common/system.h"

#include <signal.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>

namespace coord2seg {

std::string_view HostPathSeparators() { return kPosixPathSeparators; }

std::string SystemErrorReason(int error_number) { return std::strerror(error_number); }

void UseBinaryStandardStreams() {}  // they always are

void ReportWritesPastTheFileSizeLimit() { std::signal(SIGXFSZ, SIG_IGN); }

std::optional<std::uint64_t> FileSizeLimit() {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
    return std::nullopt;
  return static_cast<std::uint64_t>(limit.rlim_cur);
}

FileSizeSignalHeld::FileSizeSignalHeld() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  auto* previous = new struct sigaction();
  if (::sigaction(SIGXFSZ, &ignore, previous) == 0) {
    previous_ = previous;
  } else {
    delete previous;
  }
}

FileSizeSignalHeld::~FileSizeSignalHeld() {
  auto* previous = static_cast<struct sigaction*>(previous_);
  if (previous == nullptr) return;
  ::sigaction(SIGXFSZ, previous, nullptr);
  delete previous;
}

}  // namespace coord2seg
