// How many random cases a long property test tries in this build.
// SPDX-License-Identifier: MIT
#pragma once

#include "tests/support/sanitized_build.h"

namespace coord2seg::testing {

// All of them in the plain, coverage and Windows runs. Under AddressSanitizer, where a case costs
// several times as much and what the run adds is the memory checking (which the fuzz targets,
// built in the same tree, take further), a quarter: the same kinds of case, fewer of each.
#ifdef COORD2SEG_SANITIZED
inline constexpr int kPropertyShare = 4;
#else
inline constexpr int kPropertyShare = 1;
#endif

constexpr int PropertyRounds(int rounds) { return rounds / kPropertyShare; }

}  // namespace coord2seg::testing
