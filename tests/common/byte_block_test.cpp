// The byte block: files of many pages read back whole, and the kernel's free blocks read.
// SPDX-License-Identifier: MIT
#include "common/byte_block.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/buddyinfo_free_blocks.h"
#include "common/file_io.h"
#include "tests/support/run_program.h"

namespace coord2seg {
namespace {

TEST(CountFreeLargeBlocks, AddsHigherOrdersAsSeveralBlocks) {
  const std::string two_zones =
      "Node 0, zone      DMA      0      0      0      0      0      0      0      0      1      1"
      "      3 \n"
      "Node 0, zone   Normal  10757   7421   3401   3165   2276   1616   1827   2534   1370    752"
      "   1504 \n";
  struct Case {
    std::string text;
    unsigned order;
    std::size_t blocks;
  } const cases[] = {
      {two_zones, 9, (1 + 752) + 2 * (3 + 1504)},
      {two_zones, 10, 3 + 1504},
      {two_zones, 11, 0},
      {"Node 0, zone Normal 1 2 3", 0, 1 + 2 * 2 + 4 * 3},
      {"Node 0, zone Normal 1 2 3\nNode 1, zone Normal 0 0 5\n", 2, 3 + 5},  // no final newline
      {"", 9, 0},
      {"garbage\nNode 0, zone Normal x 7\n", 0, 0},  // counts stop at what does not read
  };
  for (const Case& c : cases)
    EXPECT_EQ(CountFreeLargeBlocks(c.text, c.order), c.blocks) << c.text << " order " << c.order;
}

// A file of many large pages and an odd tail reads back whole, in whatever pages the kernel gave.
TEST(ReadRegularFile, ReadsAFileOfManyLargePagesWhole) {
  testing::TempDir dir;
  std::string bytes(9 * 1024 * 1024 + 7, '\0');
  std::mt19937 engine(5);
  for (char& byte : bytes) byte = static_cast<char>(engine());
  const auto path = dir / "large.txt";
  testing::WriteFileBytes(path, bytes);
  const auto contents = ReadRegularFile(path.string());
  ASSERT_TRUE(contents);
  EXPECT_TRUE(contents->text() == bytes);
}

}  // namespace
}  // namespace coord2seg
