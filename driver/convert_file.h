// ConvertFile: the converter's whole run.
// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <string_view>

namespace coord2seg {

// The whole program: converts the coordinate text file named by the first argument into a
// segment file beside it. `arguments` are those after the program's name. Returns the exit
// status of a normal end, 0, also when there is no input file; throws RunError on an abnormal
// end. Prints nothing.
int ConvertFile(std::span<const std::string_view> arguments);

}  // namespace coord2seg
