// The converter's command line: the LATLON switch and where it stands.
// SPDX-License-Identifier: MIT
#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace coord2seg {
namespace {

TEST(CommandLine, RecognisesOnlyTheExactSwitch) {
  for (const char* yes : {"-LATLON", "/latlon", "-LatLon", "/LATLON"}) {
    EXPECT_TRUE(IsLatLonSwitch(yes)) << yes;
  }
  for (const char* no :
       {"--LATLON", "LATLON", "-LATLONG", "-LATLO", "", "-", "\\LATLON", "-LAT LON"}) {
    EXPECT_FALSE(IsLatLonSwitch(no)) << no;
  }
  const std::vector<std::string_view> first_is_switch = {"-LATLON", "coast.txt"};
  EXPECT_TRUE(HasLatLonSwitch(first_is_switch));
  const std::vector<std::string_view> none = {"coast.txt", "extra"};
  EXPECT_FALSE(HasLatLonSwitch(none));
}

TEST(CommandLine, ReplacesTheExtensionOfTheLastPosixComponent) {
  const std::pair<const char*, const char*> cases[] = {
      {"data/coast.txt", "data/coast.bin"},
      {"coast.txt.old", "coast.txt.bin"},
      {"coast", "coast.bin"},
      {"old.maps/coast", "old.maps/coast.bin"},
      {"coast.", "coast.bin"},
      {".coast", ".bin"},
      {"data\\coast", "data\\coast.bin"},
      {"a.b\\coast", "a.bin"},  // a backslash is an ordinary byte here
      {"/", "/.bin"},
      {"x.bin", "x.bin"},
  };
  for (const auto& [input, output] : cases) {
    EXPECT_EQ(OutputPathFor(input, kPosixPathSeparators), output) << input;
  }
}

TEST(CommandLine, ReplacesTheExtensionOfTheLastWindowsComponent) {
  const std::pair<const char*, const char*> cases[] = {
      {"data\\coast.txt", "data\\coast.bin"},
      {"data\\old.maps\\coast", "data\\old.maps\\coast.bin"},
      {"data/old.maps/coast", "data/old.maps/coast.bin"},  // '/' separates on Windows too
      {"data\\old.maps/coast.txt", "data\\old.maps/coast.bin"},
      {"C:coast.txt", "C:coast.bin"},
      {"C:.coast", "C:.bin"},
      {"C:", "C:.bin"},
      {"d:\\maps.v2\\coast", "d:\\maps.v2\\coast.bin"},
      {"coast.txt:notes", "coast.txt:notes.bin"},  // a stream of the input: refused when run
      {"coast.txt.old", "coast.txt.bin"},
      {"coast.", "coast.bin"},
      {"COAST.BIN", "COAST.bin"},
  };
  for (const auto& [input, output] : cases) {
    EXPECT_EQ(OutputPathFor(input, kWindowsPathSeparators), output) << input;
  }
}

}  // namespace
}  // namespace coord2seg
