#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace coord2seg::testing {

// The full path of a program on PATH, or empty.
inline std::string FindTool(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::filesystem::path candidate = std::filesystem::path(rest.substr(0, colon)) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    rest = colon == std::string_view::npos ? "" : rest.substr(colon + 1);
  }
  return "";
}

}  // namespace coord2seg::testing

// Outside tools are optional on a developer's machine; CI (CI set) installs them and must run
// the checks that use them, so there a missing tool fails.
#define REQUIRE_TOOL(variable, name)                                   \
  const std::string variable = ::coord2seg::testing::FindTool(name);   \
  if (variable.empty()) {                                              \
    if (std::getenv("CI") != nullptr) FAIL() << name << " is missing"; \
    GTEST_SKIP() << name << " is not installed";                       \
  }
