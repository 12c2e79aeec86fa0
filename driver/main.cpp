// coord2seg's main.
// SPDX-License-Identifier: MIT
#include "common/run_main.h"
#include "common/system.h"
#include "driver/convert_file.h"

int main(int argc, char** argv) {
  // Past a file-size limit, a write then fails and the run can cut the output back to whole
  // records and report, instead of being killed mid-record.
  coord2seg::ReportWritesPastTheFileSizeLimit();
  return coord2seg::RunMain("coord2seg", argc, argv, coord2seg::ConvertFile);
}
