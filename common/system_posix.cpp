#include "common/system.h"

#include <csignal>
#include <cstring>

namespace coord2seg {

std::string_view HostPathSeparators() { return kPosixPathSeparators; }

std::string SystemErrorReason(int error_number) { return std::strerror(error_number); }

void UseBinaryStandardStreams() {}  // they always are

void ReportWritesPastTheFileSizeLimit() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace coord2seg
