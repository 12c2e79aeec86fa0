// The option walker segdump and coordlint share.
// SPDX-License-Identifier: MIT
#include "tools/command_options.h"

namespace coord2seg {

CommandOptions::CommandOptions(std::span<const std::string_view> arguments,
                               std::span<const OptionSpec> known,
                               bool (*is_operand)(std::string_view))
    : arguments_(arguments), known_(known), is_operand_(is_operand) {
  SkipOptionsEnd();
}

std::optional<CommandArgument> CommandOptions::Next(std::string& problem) {
  const std::string_view argument = arguments_[index_++];
  CommandArgument read;
  if (IsOption(argument)) {
    read.option = Find(argument, read.text);
    if (read.option == nullptr) {
      problem = "unknown option " + QuotedArgument(argument);
      return std::nullopt;
    }
  } else {
    read.text = argument;
    read.after_options = options_ended_;
  }
  SkipOptionsEnd();
  return read;
}

bool CommandOptions::IsOption(std::string_view argument) const {
  return !options_ended_ && argument.size() > 1 && argument[0] == '-' &&
         !(is_operand_ && is_operand_(argument));
}

// The known option `argument` names, setting `value` when it takes one (taking the next argument
// when it is not after '='); nothing for an unknown one.
const OptionSpec* CommandOptions::Find(std::string_view argument, std::string_view& value) {
  for (const OptionSpec& option : known_) {
    if (argument == option.name || (!option.short_name.empty() && argument == option.short_name)) {
      if (option.takes_value && index_ < arguments_.size()) value = arguments_[index_++];
      return &option;
    }
    if (option.takes_value && argument.size() > option.name.size() &&
        argument.starts_with(option.name) && argument[option.name.size()] == '=') {
      value = argument.substr(option.name.size() + 1);
      return &option;
    }
  }
  return nullptr;
}

// The first "--" ends the options and is no argument itself; a later one is an operand.
void CommandOptions::SkipOptionsEnd() {
  if (!options_ended_ && !AtEnd() && arguments_[index_] == "--") {
    options_ended_ = true;
    ++index_;
  }
}

// Built by appending: GCC 12 warns wrongly (-Wrestrict) about "'" + std::string(...).
std::string QuotedArgument(std::string_view argument) {
  std::string quoted(1, '\'');
  quoted.append(argument);
  quoted += '\'';
  return quoted;
}

}  // namespace coord2seg
