// The attribute that compiles a function for x86-64 CPUs with AVX2, BMI1, BMI2 and LZCNT.
// SPDX-License-Identifier: MIT
#pragma once

// Marks a function compiled for x86-64 CPUs with AVX2, BMI1, BMI2 and LZCNT (every CPU with the
// first three has it; LZCNT gives 64 for zero where BSR gives nothing). Such a function may only
// run once CanRun(InstructionSet::kAvx2) has said yes (driver/fast_paths.h); the rest of the build
// assumes nothing beyond the x86-64 baseline.
#define COORD2SEG_AVX2 __attribute__((target("avx2,bmi,bmi2,lzcnt")))
