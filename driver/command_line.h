// The converter's command line: the LATLON switch and where it may stand.
// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "common/system.h"

namespace coord2seg {

// True for '-' or '/' followed by "LATLON" in any letter case, and nothing else.
bool IsLatLonSwitch(std::string_view argument);

// True when any argument, the first included, is the LATLON switch.
bool HasLatLonSwitch(std::span<const std::string_view> arguments);

// The input path with the extension of its last component replaced by ".bin", or ".bin"
// appended when that component has no '.'. The last component follows the last of `separators`.
std::string OutputPathFor(std::string_view input_path,
                          std::string_view separators = HostPathSeparators());

}  // namespace coord2seg
