// The whole of a program's main, around the program's own body.
// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <string_view>

namespace coord2seg {

using ProgramBody = int (*)(std::span<const std::string_view> arguments);

// The whole of a program's main: sets the standard streams to carry bytes untranslated, hands
// `body` the arguments after the program's name and turns a RunError or exhausted memory into one
// line on stderr, "<program>: <message>", and the error's exit status (1 for exhausted memory).
int RunMain(const char* program, int argc, char** argv, ProgramBody body);

}  // namespace coord2seg
