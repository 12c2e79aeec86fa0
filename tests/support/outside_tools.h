// Programs from outside the project that some tests run, found on PATH.
// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "tests/support/run_program.h"

namespace coord2seg::testing {

// The full path of a program on PATH, or empty.
inline std::string FindTool(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::filesystem::path candidate = std::filesystem::path(rest.substr(0, colon)) / name;
    std::error_code error;
    const auto permissions = std::filesystem::status(candidate, error).permissions();
    if (std::filesystem::is_regular_file(candidate, error) &&
        (permissions & std::filesystem::perms::others_exec) != std::filesystem::perms::none) {
      return candidate.string();
    }
    rest = colon == std::string_view::npos ? "" : rest.substr(colon + 1);
  }
  return "";
}

}  // namespace coord2seg::testing

// Outside tools are optional on a developer's machine; CI (CI set) installs them and must run
// the checks that use them, so there a missing tool fails. The clients are Linux programs; the
// output they check is the same on Windows.
#define REQUIRE_TOOL(variable, name)                                   \
  SKIP_ON_WINDOWS(name << " is a Linux program here");                 \
  const std::string variable = ::coord2seg::testing::FindTool(name);   \
  if (variable.empty()) {                                              \
    if (std::getenv("CI") != nullptr) FAIL() << name << " is missing"; \
    GTEST_SKIP() << name << " is not installed";                       \
  }
