// The release every program reports with --version.
// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

namespace coord2seg {

// The release every program reports with --version; CMake passes it from project(VERSION).
inline constexpr std::string_view kVersion = COORD2SEG_VERSION;

}  // namespace coord2seg
