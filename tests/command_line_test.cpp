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

TEST(CommandLine, ReplacesTheExtensionOfTheLastComponent) {
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
  for (const auto& [input, output] : cases) EXPECT_EQ(OutputPathFor(input), output) << input;
}

}  // namespace
}  // namespace coord2seg
