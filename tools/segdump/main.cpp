// segdump's main.
// SPDX-License-Identifier: MIT
#include "common/run_main.h"
#include "tools/segdump/segdump_command.h"

int main(int argc, char** argv) {
  return coord2seg::RunMain("segdump", argc, argv, coord2seg::RunSegdump);
}
