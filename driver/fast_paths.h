// The inner loops with CPU-specific versions, and the choice among them once per run.
// SPDX-License-Identifier: MIT
#pragma once

#include "segment_file/record_encoder.h"
#include "text_input/simple_line_runs.h"

namespace coord2seg {

// The inner loops that have CPU-specific versions, chosen once per run. The plain C++ versions
// are built everywhere and are the reference the others are tested against. The others are built
// for x86-64 only, unless COORD2SEG_CPU_SPECIFIC is OFF, and taken only on a CPU that has them:
// nothing beyond the baseline instruction set is assumed at compile time.

enum class InstructionSet { kPlain, kAvx2 };

// Whether this build has code for `set` and this CPU runs it.
bool CanRun(InstructionSet set);

// The fastest set that CanRun.
InstructionSet BestInstructionSet();

struct FastPaths {
  SimpleLinesReader read_simple_lines;
  RecordEncoder encode_record;
};

// The versions for `set`, which must be one that CanRun.
FastPaths FastPathsFor(InstructionSet set);

}  // namespace coord2seg
