// The converter's command line: the input path and the LATLON switch.
// SPDX-License-Identifier: MIT
#include "driver/command_line.h"

#include <algorithm>

namespace coord2seg {
namespace {

char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool IsLatLonSwitch(std::string_view argument) {
  constexpr std::string_view kWord = "LATLON";
  if (argument.size() != kWord.size() + 1) return false;
  if (argument.front() != '-' && argument.front() != '/') return false;
  return std::equal(kWord.begin(), kWord.end(), argument.begin() + 1,
                    [](char word, char given) { return word == ToUpperAscii(given); });
}

bool HasLatLonSwitch(std::span<const std::string_view> arguments) {
  return std::any_of(arguments.begin(), arguments.end(), IsLatLonSwitch);
}

std::string OutputPathFor(std::string_view input_path, std::string_view separators) {
  const std::size_t separator = input_path.find_last_of(separators);
  const std::size_t component_start = separator == std::string_view::npos ? 0 : separator + 1;
  const std::size_t dot = input_path.rfind('.');
  const bool has_extension = dot != std::string_view::npos && dot >= component_start;
  std::string output(input_path.substr(0, has_extension ? dot : input_path.size()));
  output += ".bin";
  return output;
}

}  // namespace coord2seg
