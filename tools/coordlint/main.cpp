// coordlint's main.
// SPDX-License-Identifier: MIT
#include "common/run_main.h"
#include "tools/coordlint/coordlint_command.h"

int main(int argc, char** argv) {
  return coord2seg::RunMain("coordlint", argc, argv, coord2seg::RunCoordlint);
}
