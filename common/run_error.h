// RunError, the failure that ends a run with a message and an exit status.
// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>

namespace coord2seg {

// A failure that ends the run abnormally. The message is what the user reads after the program's
// name, e.g. "cannot create 'x.bin': Is a directory"; the program exits with `exit_status`, 1
// unless a program keeps 1 for another meaning.
class RunError : public std::runtime_error {
 public:
  explicit RunError(const std::string& message, int exit_status = 1)
      : std::runtime_error(message), exit_status_(exit_status) {}

  int exit_status() const { return exit_status_; }

 private:
  int exit_status_;
};

// "<action> '<path>': <reason for the system error number>", the Unix way of naming a failed file
// operation.
std::string DescribeFileFailure(const char* action, const std::string& path, int error_number);

}  // namespace coord2seg
