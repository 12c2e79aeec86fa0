// Messages for failed file operations.
// SPDX-License-Identifier: MIT
#include "common/run_error.h"

#include "common/system.h"

namespace coord2seg {

std::string DescribeFileFailure(const char* action, const std::string& path, int error_number) {
  return std::string(action) + " '" + path + "': " + SystemErrorReason(error_number);
}

}  // namespace coord2seg
