#pragma once

#include <span>
#include <string>
#include <string_view>

namespace coord2seg {

// True for '-' or '/' followed by "LATLON" in any letter case, and nothing else.
bool IsLatLonSwitch(std::string_view argument);

// True when any argument, the first included, is the LATLON switch.
bool HasLatLonSwitch(std::span<const std::string_view> arguments);

// The input path with the extension of its last component replaced by ".bin", or ".bin"
// appended when that component has no '.'.
std::string OutputPathFor(std::string_view input_path);

}  // namespace coord2seg
