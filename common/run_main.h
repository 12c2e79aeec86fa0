#pragma once

#include <span>
#include <string_view>

namespace coord2seg {

using ProgramBody = int (*)(std::span<const std::string_view> arguments);

// The whole of a program's main: hands `body` the arguments after the program's name and turns a
// RunError or exhausted memory into one line on stderr, "<program>: <message>", and the error's
// exit status (1 for exhausted memory). `--version` as the only argument prints
// "<program> <version>" instead, for every program alike.
int RunMain(const char* program, int argc, char** argv, ProgramBody body);

}  // namespace coord2seg
