// The attribute that compiles a function for x86-64 CPUs with AVX2, BMI1 and BMI2.
// SPDX-License-Identifier: MIT
#pragma once

// Marks a function compiled for x86-64 CPUs with AVX2, BMI1 and BMI2. Such a function may only
// run once CanRun(InstructionSet::kAvx2) has said yes (driver/fast_paths.h); the rest of the build
// assumes nothing beyond the x86-64 baseline.
#define COORD2SEG_AVX2 __attribute__((target("avx2,bmi,bmi2")))
