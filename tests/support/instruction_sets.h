// The fast paths' instruction sets as a test parameter: each set runs as a test of its own,
// skipped (not passed) where this build or processor cannot run it.
// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "driver/fast_paths.h"

namespace coord2seg {
namespace testing {

inline std::string InstructionSetName(InstructionSet set) {
  return set == InstructionSet::kAvx2 ? "Avx2" : "Plain";
}

class EachInstructionSet : public ::testing::TestWithParam<InstructionSet> {
 protected:
  void SetUp() override {
    if (!CanRun(GetParam())) {
      GTEST_SKIP() << "this build or processor does not run " << InstructionSetName(GetParam());
    }
  }
};

// For INSTANTIATE_TEST_SUITE_P(, Suite, kEveryInstructionSet, ParamName).
inline const auto kEveryInstructionSet =
    ::testing::Values(InstructionSet::kPlain, InstructionSet::kAvx2);
inline std::string ParamName(const ::testing::TestParamInfo<InstructionSet>& info) {
  return InstructionSetName(info.param);
}

}  // namespace testing

// How GoogleTest shows the parameter.
inline void PrintTo(InstructionSet set, std::ostream* out) {
  *out << testing::InstructionSetName(set);
}

}  // namespace coord2seg
