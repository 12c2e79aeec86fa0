#pragma once

#include <stdexcept>
#include <string>

namespace coord2seg {

// A failure that ends the run abnormally. The message is what the user reads after the program's
// name, e.g. "cannot create 'x.bin': Is a directory".
class RunError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "<action> '<path>': <reason for the system error number>", the Unix way of naming a failed file
// operation.
std::string DescribeFileFailure(const char* action, const std::string& path, int error_number);

}  // namespace coord2seg
