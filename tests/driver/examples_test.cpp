// The bundled examples convert to the bytes kept in tests/support/expected/, on every system the
// suite runs on, so the programs built for each write the same files. After a deliberate change to
// an example, convert it with the Linux build and copy the result there.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/segment_bytes.h"

namespace coord2seg {
namespace {

namespace fs = std::filesystem;

TEST(Examples, ConvertToTheExpectedBytes) {
  const testing::TempDir dir;
  const std::pair<std::string, std::vector<std::string>> examples[] = {
      {"coast", {}}, {"latfirst", {"-LATLON"}}, {"islands", {}}};
  for (const auto& [name, switches] : examples) {
    fs::copy_file(fs::path(EXAMPLES_DIR) / (name + ".txt"), dir / (name + ".txt"));
    std::vector<std::string> arguments = {name + ".txt"};
    arguments.insert(arguments.end(), switches.begin(), switches.end());
    const testing::ProgramResult result =
        testing::RunProgram(COORD2SEG_EXECUTABLE, arguments, {.working_directory = dir.path()});
    EXPECT_EQ(result.exit_status, 0) << name;
    EXPECT_EQ(result.out + result.err, "") << name;
    const std::string expected = testing::ReadFileBytes(fs::path(EXPECTED_DIR) / (name + ".bin"));
    ASSERT_FALSE(expected.empty()) << name;
    EXPECT_EQ(testing::DescribeDifference(testing::ReadFileBytes(dir / (name + ".bin")), expected),
              "")
        << name;
  }
}

}  // namespace
}  // namespace coord2seg
