// The option walker segdump and coordlint share.
// SPDX-License-Identifier: MIT
#include "tools/command_options.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace coord2seg {
namespace {

constexpr std::array<OptionSpec, 3> kKnown = {
    {{"--help", false, "-h"}, {"--flag"}, {"--width", true}}};

bool IsPlusSwitch(std::string_view argument) { return argument == "-PLUS"; }

// Each argument as read: "name=value" for an option, "[text]" for an operand ("![text]" after
// "--"), or the problem that ended the walk.
std::string Walk(std::vector<std::string_view> arguments) {
  std::string read;
  std::string problem;
  for (CommandOptions options(arguments, kKnown, IsPlusSwitch); !options.AtEnd();) {
    const std::optional<CommandArgument> argument = options.Next(problem);
    if (!argument) return read + problem;
    if (argument->option) {
      read += std::string(argument->option->name) + "=" + std::string(argument->text) + " ";
    } else {
      read += (argument->after_options ? "![" : "[") + std::string(argument->text) + "] ";
    }
  }
  return read;
}

TEST(CommandLineOptions, WalksArgumentsByTheSharedRules) {
  const struct {
    std::vector<std::string_view> arguments;
    std::string read;
  } cases[] = {
      {{"-", "-h", "a"}, "[-] --help= [a] "},
      {{"--width", "--", "--", "--", "-h"}, "--width=-- ![--] ![-h] "},
      {{"--width=", "--width"}, "--width= --width= "},
      {{"--width=7=8", "--widthx"}, "--width=7=8 unknown option '--widthx'"},
      {{"--flag=1"}, "unknown option '--flag=1'"},
      {{"-h=1"}, "unknown option '-h=1'"},
      {{"-PLUS", "--", "-PLUS", "--"}, "[-PLUS] ![-PLUS] ![--] "},
      {{"--"}, ""},
  };
  for (const auto& [arguments, read] : cases) {
    EXPECT_EQ(Walk(arguments), read) << arguments.front();
  }
}

}  // namespace
}  // namespace coord2seg
