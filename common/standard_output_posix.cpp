// Writing to standard output on POSIX systems.
// SPDX-License-Identifier: MIT
#include <unistd.h>

#include <cerrno>
#include <string>

#include "common/output_buffer.h"
#include "common/run_error.h"
#include "common/system.h"

namespace coord2seg {

OutputBuffer::Sink StandardOutputSink() {
  return [](std::string_view text) {
    while (!text.empty()) {
      const ssize_t written = ::write(STDOUT_FILENO, text.data(), text.size());
      if (written < 0) {
        if (errno == EINTR) continue;
        throw RunError("cannot write standard output: " + SystemErrorReason(errno));
      }
      text.remove_prefix(static_cast<std::size_t>(written));
    }
  };
}

}  // namespace coord2seg
