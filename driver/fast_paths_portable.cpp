// Builds without CPU-specific code: the plain versions are the only ones.
// SPDX-License-Identifier: MIT
#include "driver/fast_paths.h"

namespace coord2seg {

bool CanRun(InstructionSet set) { return set == InstructionSet::kPlain; }

InstructionSet BestInstructionSet() { return InstructionSet::kPlain; }

FastPaths FastPathsFor(InstructionSet) { return {ReadSimpleLines, EncodeRecord}; }

}  // namespace coord2seg
