// The programs' shared main: arguments, binary standard streams and the report of a failed run.
// SPDX-License-Identifier: MIT
#include "common/run_main.h"

#include <cstdio>
#include <new>
#include <vector>

#include "common/run_error.h"
#include "common/system.h"

namespace coord2seg {
int RunMain(const char* program, int argc, char** argv, ProgramBody body) {
  UseBinaryStandardStreams();
  std::vector<std::string_view> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  try {
    return body(arguments);
  } catch (const RunError& error) {
    std::fprintf(stderr, "%s: %s\n", program, error.what());
    return error.exit_status();
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "%s: out of memory\n", program);
  }
  return 1;
}

}  // namespace coord2seg
