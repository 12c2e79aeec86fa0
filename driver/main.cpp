#include <csignal>

#include "common/run_main.h"
#include "driver/convert_file.h"

int main(int argc, char** argv) {
  // Past a file-size limit, write() then fails with EFBIG and the run can cut the output back to
  // whole records and report, instead of being killed mid-record.
  std::signal(SIGXFSZ, SIG_IGN);
  return coord2seg::RunMain("coord2seg", argc, argv, coord2seg::ConvertFile);
}
