// x86-64 builds: the CPU is asked at run time which versions it runs.
// SPDX-License-Identifier: MIT
#include <cpuid.h>

#include "driver/fast_paths.h"

namespace coord2seg {
namespace {

// Asked by CPUID itself: not every compiler's __builtin_cpu_supports knows the name.
bool HasLzcnt() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  return __get_cpuid(0x80000001, &eax, &ebx, &ecx, &edx) != 0 && (ecx & bit_LZCNT) != 0;
}

}  // namespace

bool CanRun(InstructionSet set) {
  switch (set) {
    case InstructionSet::kPlain:
      return true;
    case InstructionSet::kAvx2:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
             __builtin_cpu_supports("bmi2") && HasLzcnt();
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
