#include "common/run_main.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "common/run_error.h"
#include "common/version.h"

namespace coord2seg {
namespace {

int PrintVersion(const char* program) {
  std::printf("%s %.*s\n", program, static_cast<int>(kVersion.size()), kVersion.data());
  if (std::fflush(stdout) == 0) return 0;
  std::fprintf(stderr, "%s: cannot write standard output: %s\n", program, std::strerror(errno));
  return 1;
}

}  // namespace

int RunMain(const char* program, int argc, char** argv, ProgramBody body) {
  std::vector<std::string_view> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  if (arguments.size() == 1 && arguments.front() == "--version") return PrintVersion(program);
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
