// ParseCoordinateLine on tables of lines and fields.
// SPDX-License-Identifier: MIT
#include "text_input/parse_coordinate_line.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "decimal_text/parse_decimal_field.h"

namespace coord2seg {
namespace {

struct LineCase {
  std::string line;
  bool lat_first;
  std::optional<GeoPoint> expected;
};

std::string Blanks(std::size_t count) { return std::string(count, ' '); }

void PrintTo(const LineCase& c, std::ostream* os) { *os << '"' << c.line.substr(0, 60) << '"'; }

std::string CaseNumber(const ::testing::TestParamInfo<LineCase>& info) {
  return "case" + std::to_string(info.index);
}

class LineTable : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineTable, ParsesAsDocumented) {
  const LineCase& c = GetParam();
  const std::optional<GeoPoint> got = ParseCoordinateLine(c.line, c.lat_first);
  ASSERT_EQ(got.has_value(), c.expected.has_value());
  if (!got) return;
  // Bit equality also tells 0 from -0.
  EXPECT_EQ(std::bit_cast<std::uint64_t>(got->longitude),
            std::bit_cast<std::uint64_t>(c.expected->longitude));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(got->latitude),
            std::bit_cast<std::uint64_t>(c.expected->latitude));
}

const GeoPoint kP{12.5, 48.25};

INSTANTIATE_TEST_SUITE_P(
    Separators, LineTable,
    ::testing::Values(LineCase{"12.5 48.25", false, kP}, LineCase{"12,5;48,25", false, kP},
                      LineCase{"  12.5\t\t48.25  ", false, kP},
                      LineCase{"12.5 ; 48.25;", false, kP}, LineCase{"12.5;", false, {}},
                      LineCase{";12.5 48.25", false, {}}, LineCase{"12.5,48.25", false, {}},
                      LineCase{"1,234.5 10", false, {}}, LineCase{"12.5 48.25 100", false, {}},
                      LineCase{"abc def", false, {}}, LineCase{"+ 5", false, {}},
                      LineCase{"12.5", false, {}}, LineCase{"", false, {}},
                      LineCase{"   # note 12.5 48.25", false, {}},
                      LineCase{"\r\n\v12.5 48.25\f\x1f", false, kP},
                      LineCase{"12.5 48.25\x7f", false, {}},  // DEL is not trimmed
                      LineCase{"\xEF\xBB\xBF"
                               "12.5 48.25",
                               false,
                               {}},
                      LineCase{std::string("12.5 48.25\0", 11), false, kP},
                      LineCase{std::string("12\0.5 48.25", 11), false, {}}),
    CaseNumber);

INSTANTIATE_TEST_SUITE_P(
    Values, LineTable,
    ::testing::Values(
        LineCase{"190 10", false, GeoPoint{-170, 10}},
        LineCase{"-190 10", false, GeoPoint{170, 10}}, LineCase{"180 0", false, GeoPoint{-180, 0}},
        LineCase{"-180 0", false, GeoPoint{-180, 0}}, LineCase{"540 0", false, GeoPoint{180, 0}},
        LineCase{"-540 0", false, GeoPoint{-180, 0}}, LineCase{"600 0", false, GeoPoint{240, 0}},
        LineCase{"-600 0", false, GeoPoint{-240, 0}},
        LineCase{"+1.5e1 -3E-1", false, GeoPoint{15, -0.3}},
        LineCase{"1e-400 5", false, GeoPoint{0, 5}},
        LineCase{"-1e-400 5", false, GeoPoint{-0.0, 5}},
        LineCase{"4e-320 5", false, GeoPoint{4e-320, 5}}, LineCase{"1e400 5", false, {}},
        LineCase{"5 1e99999999999999999999999", false, {}},
        LineCase{"0e99999999999999999999999 5", false, GeoPoint{0, 5}},
        LineCase{"48.25 12.5", true, kP}, LineCase{"48.25 190", true, GeoPoint{-170, 48.25}},
        LineCase{"10 95", false, GeoPoint{10, 95}}, LineCase{".5 5.", false, GeoPoint{0.5, 5}},
        LineCase{". 5", false, {}}, LineCase{"1e 5", false, {}}, LineCase{"1e+ 5", false, {}},
        LineCase{"e5 5", false, {}}, LineCase{"inf 5", false, {}}, LineCase{"nan 5", false, {}},
        LineCase{"0x10 5", false, {}}, LineCase{"--1 5", false, {}}, LineCase{"1.2.3 5", false, {}},
        LineCase{"000000000000000000000000012.5 48.2500000000000000000000000000", false, kP}),
    CaseNumber);

INSTANTIATE_TEST_SUITE_P(SecondFieldWindow, LineTable,
                         ::testing::Values(LineCase{"10 " + Blanks(999) + "20", false, {}},
                                           LineCase{"10" + Blanks(999) + "20", false,
                                                    GeoPoint{10, 2}},
                                           LineCase{"12.5 48.25" + Blanks(995) + "100", false, kP},
                                           LineCase{"12.5 48.25" + Blanks(993) + "100", false, {}}),
                         CaseNumber);

TEST(ParseDecimalField, ReadsLongAndExtremeNumbersCorrectlyRounded) {
  // 2^-1075 lies halfway between 0 and the smallest subnormal; a digit more rounds up.
  EXPECT_EQ(ParseDecimalField("2.4703282292062327e-324"), 0.0);
  EXPECT_EQ(ParseDecimalField("2.4703282292062328e-324"),
            std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(ParseDecimalField("1.7976931348623157e308"), std::numeric_limits<double>::max());
  EXPECT_EQ(ParseDecimalField("1.7976931348623159e308"), std::nullopt);
  EXPECT_EQ(ParseDecimalField("9007199254740993"), 9007199254740992.0);  // 2^53 + 1, tie to even
  EXPECT_EQ(ParseDecimalField("0,1"), 0.1);
  EXPECT_EQ(ParseDecimalField(std::string(5000, '0') + "1e-5000"), 0.0);
  EXPECT_EQ(ParseDecimalField("1" + std::string(5000, '0') + "e-5000"), 1.0);
  EXPECT_EQ(ParseDecimalField("0," + std::string(5000, '0') + "1e5001"), 1.0);
  EXPECT_EQ(ParseDecimalField("1" + std::string(5000, '0') + "e-5310"), 1e-310);
  EXPECT_EQ(ParseDecimalField("1" + std::string(400, '0') + "e-400"), 1.0);
  EXPECT_EQ(ParseDecimalField("0." + std::string(400, '0') + "1e401"), 1.0);
}

}  // namespace
}  // namespace coord2seg
