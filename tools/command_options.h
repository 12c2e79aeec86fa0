// The option walker segdump and coordlint share, and their option tables' entries.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace coord2seg {

// An option a companion tool knows. A tool's table of them is the one list of its options: a test
// holds its usage text, its man page and the README to it.
struct OptionSpec {
  constexpr OptionSpec(std::string_view name, bool takes_value = false,
                       std::string_view short_name = {}, std::string_view value_name = {})
      : name(name), takes_value(takes_value), short_name(short_name), value_name(value_name) {}

  std::string_view name;        // "--width"
  bool takes_value;             // given as "--name value" or "--name=value"
  std::string_view short_name;  // "-h", or empty
  std::string_view value_name;  // what the usage text calls the value: "PIXELS"
};

// One argument as read: an option the tool knows, with its value, or an operand.
struct CommandArgument {
  const OptionSpec* option = nullptr;  // nothing for an operand
  std::string_view text;               // the operand, or the option's value ("" when missing)
  bool after_options = false;          // an operand that came after "--"

  bool Is(std::string_view name) const { return option != nullptr && option->name == name; }
};

// Walks the arguments after a companion tool's name, by the rules they share: an argument of two
// or more characters starting with '-' is an option until "--" ends the options (so a lone "-",
// standard input, is an operand); an option that takes a value has it after '=' or in the next
// argument, whatever that holds; any other option, "--flag=value" included, is unknown.
class CommandOptions {
 public:
  // `is_operand`, when given, keeps arguments that look like options operands all the same.
  CommandOptions(std::span<const std::string_view> arguments, std::span<const OptionSpec> known,
                 bool (*is_operand)(std::string_view) = nullptr);

  bool AtEnd() const { return index_ >= arguments_.size(); }

  // The next argument; nothing, with `problem` set in the tools' words, for an unknown option.
  std::optional<CommandArgument> Next(std::string& problem);

 private:
  bool IsOption(std::string_view argument) const;
  const OptionSpec* Find(std::string_view argument, std::string_view& value);
  void SkipOptionsEnd();

  std::span<const std::string_view> arguments_;
  std::span<const OptionSpec> known_;
  bool (*is_operand_)(std::string_view);
  std::size_t index_ = 0;
  bool options_ended_ = false;
};

// The argument in single quotes, as the tools' messages show it.
std::string QuotedArgument(std::string_view argument);

}  // namespace coord2seg
