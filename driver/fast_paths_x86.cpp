// x86-64 builds: the CPU is asked at run time which versions it runs.
// SPDX-License-Identifier: MIT
#include "driver/fast_paths.h"

namespace coord2seg {

bool CanRun(InstructionSet set) {
  switch (set) {
    case InstructionSet::kPlain:
      return true;
    case InstructionSet::kAvx2:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
             __builtin_cpu_supports("bmi2");
  }
  return false;
}

InstructionSet BestInstructionSet() {
  return CanRun(InstructionSet::kAvx2) ? InstructionSet::kAvx2 : InstructionSet::kPlain;
}

FastPaths FastPathsFor(InstructionSet set) {
  if (set == InstructionSet::kAvx2) return {ReadSimpleLinesAvx2, EncodeRecordAvx2};
  return {ReadSimpleLines, EncodeRecord};
}

}  // namespace coord2seg
