#include <csignal>
#include <cstdio>
#include <new>
#include <string_view>
#include <vector>

#include "common/run_error.h"
#include "driver/convert_file.h"

int main(int argc, char** argv) {
  // Past a file-size limit, write() then fails with EFBIG and the run can cut the output back to
  // whole records and report, instead of being killed mid-record.
  std::signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string_view> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  try {
    return coord2seg::ConvertFile(arguments);
  } catch (const coord2seg::RunError& error) {
    std::fprintf(stderr, "coord2seg: %s\n", error.what());
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "coord2seg: out of memory\n");
  }
  return 1;
}
