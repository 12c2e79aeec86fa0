// The line splitter against the reference's line ends.
// SPDX-License-Identifier: MIT
#include "text_input/line_splitter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/reference_converter.h"

namespace coord2seg {
namespace {

std::vector<std::string> Split(std::string_view text) {
  std::vector<std::string> lines;
  LineSplitter splitter(text);
  std::string_view line;
  while (splitter.Next(line)) lines.emplace_back(line);
  return lines;
}

TEST(LineSplitter, EndsLinesAtCrLfOrEitherAlone) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(Split(""), Lines{});
  EXPECT_EQ(Split("a"), Lines{"a"});
  EXPECT_EQ(Split("a\n"), Lines{"a"});
  EXPECT_EQ(Split("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(Split("\n\n"), (Lines{"", ""}));
  EXPECT_EQ(Split("\n\r"), (Lines{"", ""}));  // LF then CR: two end marks
  EXPECT_EQ(Split("\r\r\n"), (Lines{"", ""}));
  EXPECT_EQ(Split(std::string("a\0b\nc", 5)), (Lines{std::string("a\0b", 3), "c"}));
}

TEST(LineSplitter, AgreesWithByteByByteSplitting) {
  std::mt19937_64 engine(1);
  const char alphabet[] = {'a', '\r', '\n', '\0', ' '};
  for (int round = 0; round < 20000; ++round) {
    std::string text(engine() % 40, ' ');
    for (char& c : text) c = alphabet[engine() % sizeof alphabet];
    ASSERT_EQ(Split(text), testing::ReferenceSplitLines(text)) << round;
  }
}

}  // namespace
}  // namespace coord2seg
