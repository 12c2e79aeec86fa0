// Writing to standard output on Windows, straight to the handle.
// SPDX-License-Identifier: MIT
#include <string>

#include "common/output_buffer.h"
#include "common/run_error.h"
#include "common/system.h"
#include "common/windows_file.h"

namespace coord2seg {

// Straight to the handle: the C runtime's text mode never sees these bytes.
OutputBuffer::Sink StandardOutputSink() {
  return [](std::string_view text) {
    if (!WriteWhole(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), text.size())) {
      throw RunError("cannot write standard output: " + SystemErrorReason(LastError()));
    }
  };
}

}  // namespace coord2seg
