#include <cstdio>
#include <new>
#include <string_view>
#include <vector>

#include "common/run_error.h"
#include "tools/segdump/segdump_command.h"

int main(int argc, char** argv) {
  std::vector<std::string_view> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  try {
    return coord2seg::RunSegdump(arguments);
  } catch (const coord2seg::RunError& error) {
    std::fprintf(stderr, "segdump: %s\n", error.what());
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "segdump: out of memory\n");
  }
  return 1;
}
