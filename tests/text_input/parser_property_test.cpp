// The fast parser against the slow reference on millions of generated fields and lines.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "decimal_text/clinger_fast_path.h"
#include "decimal_text/from_chars_fallback.h"
#include "decimal_text/parse_decimal_field.h"
#include "decimal_text/scan_decimal.h"
#include "driver/fast_paths.h"
#include "tests/support/instruction_sets.h"
#include "tests/support/property_rounds.h"
#include "tests/support/random_lines.h"
#include "tests/support/reference_parser.h"
#include "text_input/line_splitter.h"
#include "text_input/parse_coordinate_line.h"

namespace coord2seg {
namespace {

using ParserPropertyOnEachSet = testing::EachInstructionSet;

using testing::RandomLines;

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

// 2,000,000 fields and 1,000,000 lines in all (a quarter under AddressSanitizer).
constexpr int kFields = testing::PropertyRounds(2'000'000);
constexpr int kLines = testing::PropertyRounds(1'000'000);

TEST(ParserProperty, FieldsAgreeWithReference) {
  RandomLines random(20261208);
  for (int i = 0; i < kFields; ++i) {
    const std::string field = random.Field();
    const std::optional<double> fast = ParseDecimalField(field);
    std::string as_point = field;
    for (char& c : as_point) c = c == ',' ? '.' : c;
    const std::optional<double> slow = testing::ReferenceConvertField(as_point);
    ASSERT_EQ(fast.has_value(), slow.has_value()) << '"' << field << '"';
    if (fast) {
      ASSERT_EQ(Bits(*fast), Bits(*slow)) << '"' << field << '"';
    }
  }
}

TEST(ParserProperty, FastPathAgreesWithConvertByFromChars) {
  RandomLines random(7);
  int fast_taken = 0;
  for (int i = 0; i < kFields; ++i) {
    const std::string field = random.Field();
    const std::optional<DecimalNumber> number = ScanDecimal(field);
    if (!number) continue;
    const std::optional<double> fast = ClingerFastPath(*number);
    if (!fast) continue;
    ++fast_taken;
    const std::optional<double> full = ConvertByFromChars(field, *number);
    ASSERT_TRUE(full.has_value()) << field;
    ASSERT_EQ(Bits(*fast), Bits(*full)) << '"' << field << '"';
  }
  EXPECT_GT(fast_taken, kFields / 4);  // the comparison must actually exercise the fast path
}

TEST(ParserProperty, LinesAgreeWithReference) {
  RandomLines random(42);
  int accepted = 0;
  for (int i = 0; i < kLines; ++i) {
    const std::string line = random.Line();
    const bool lat_first = (i & 1) != 0;
    const std::optional<GeoPoint> fast = ParseCoordinateLine(line, lat_first);
    const std::optional<GeoPoint> slow = testing::ReferenceParseLine(line, lat_first);
    ASSERT_EQ(fast.has_value(), slow.has_value()) << '"' << line << '"';
    // The general reading alone, as the converter uses it for lines the one-pass reading leaves.
    const std::optional<GeoPoint> full = ParseCoordinateLineInFull(line, lat_first);
    ASSERT_EQ(full.has_value(), slow.has_value()) << '"' << line << '"';
    if (!fast) continue;
    ASSERT_EQ(Bits(full->longitude), Bits(slow->longitude)) << '"' << line << '"';
    ASSERT_EQ(Bits(full->latitude), Bits(slow->latitude)) << '"' << line << '"';
    ++accepted;
    ASSERT_EQ(Bits(fast->longitude), Bits(slow->longitude)) << '"' << line << '"';
    ASSERT_EQ(Bits(fast->latitude), Bits(slow->latitude)) << '"' << line << '"';
  }
  // Both outcomes must be common, or the generator tests little.
  EXPECT_GT(accepted, kLines / 10);
  EXPECT_LT(accepted, kLines * 9 / 10);
}

// Each line reader this machine runs, the plain one always, on one line at the start of a text
// with room to read ahead: it reads the line with the point the general reading gives, or leaves
// it.
TEST_P(ParserPropertyOnEachSet, SimpleLinesReadersAgreeWithTheGeneralReading) {
  const InstructionSet set = GetParam();
  static const char* const kEnds[] = {"\n", "\r\n", "\r", ""};
  const SimpleLinesReader read_simple_lines = FastPathsFor(set).read_simple_lines;
  RandomLines random(static_cast<std::uint64_t>(set) + 3);
  int plain_read = 0;
  for (int i = 0; i < kLines; ++i) {
    const bool plain = i % 2 != 0;
    const int end = i / 2 % 4;
    std::string text = (plain ? random.PlainLine() : random.Line()) + kEnds[end];
    if (end != 3 && i % 5 != 0) text.append("#").append(100, 'x');  // else the line ends it
    LineSplitter lines(text);
    std::string_view line;
    lines.Next(line);
    const bool lat_first = i / 8 % 2 != 0;
    GeoPoint point;
    const SimpleLinesRead read = read_simple_lines(text.data(), text.data() + text.size(),
                                                   lat_first, std::span<GeoPoint>(&point, 1));
    ASSERT_LE(read.lines, 1u);
    if (read.lines == 0) {
      ASSERT_EQ(read.next, text.data());
      continue;
    }
    ASSERT_EQ(read.next, lines.cursor()) << '"' << line << '"';
    const std::optional<GeoPoint> general = ParseCoordinateLineInFull(line, lat_first);
    ASSERT_TRUE(general.has_value()) << '"' << line << '"';
    ASSERT_EQ(Bits(point.longitude), Bits(general->longitude)) << '"' << line << '"';
    ASSERT_EQ(Bits(point.latitude), Bits(general->latitude)) << '"' << line << '"';
    plain_read += plain;
  }
  EXPECT_GT(plain_read, kLines / 4);  // most plain lines must take the fast way
}

// Each line reader on lines whose end mark falls on every byte from 0 to 70 (blanks after the
// numbers), around the 32-byte windows and past the 64 bytes the vector reader takes, each
// also with one byte that does not belong in the common line, a '+' sign, or a TAB put at every
// place: a line read is read as the general reading reads it, up to its end mark.
TEST_P(ParserPropertyOnEachSet, SimpleLinesReadersAgreeWhereverTheLineEnds) {
  const InstructionSet set = GetParam();
  static const char* const kEnds[] = {"\n", "\r\n", "\r"};
  static const char kOthers[] = {'\0', 'x', '+', '\t', ';', '\x80', '\n', '-', '.'};
  static const char* const kNumbers[] = {"1.5 -2.25", "-130.89408944217178 -7.79685972526701",
                                         "-7.123456 -130.8756910109434"};
  {
    const SimpleLinesReader read_simple_lines = FastPathsFor(set).read_simple_lines;
    int read_lines = 0;
    for (const char* numbers : kNumbers) {
      for (std::size_t length = std::strlen(numbers); length <= 70; ++length) {
        for (const char* end : kEnds) {
          std::string line = numbers;
          line.resize(length, ' ');
          for (std::size_t place = 0; place <= length; ++place) {
            for (const char other : kOthers) {
              std::string changed = line;
              if (place < length) changed[place] = other;  // else the line as it is
              std::string text = changed + end + "#" + std::string(100, 'x');
              LineSplitter lines(text);
              std::string_view general_line;
              lines.Next(general_line);
              GeoPoint point;
              const SimpleLinesRead read = read_simple_lines(text.data(), text.data() + text.size(),
                                                             false, std::span<GeoPoint>(&point, 1));
              ASSERT_LE(read.lines, 1u);
              if (read.lines == 0) {
                ASSERT_EQ(read.next, text.data());
                continue;
              }
              ++read_lines;
              ASSERT_EQ(read.next, lines.cursor()) << '"' << changed << '"';
              const std::optional<GeoPoint> general =
                  ParseCoordinateLineInFull(general_line, false);
              ASSERT_TRUE(general.has_value()) << '"' << changed << '"';
              ASSERT_EQ(Bits(point.longitude), Bits(general->longitude)) << '"' << changed << '"';
              ASSERT_EQ(Bits(point.latitude), Bits(general->latitude)) << '"' << changed << '"';
              if (place == length) break;  // one unchanged line is enough
            }
          }
        }
      }
    }
    EXPECT_GT(read_lines, 10'000);
  }
}

// Each line reader over runs of many lines, as the line loop calls it: stretches of doubles
// printed shortest, of short numbers, and now and then a line it must leave to the general
// reading, which here takes that line before the reader goes on; 1 to 13 lines a call. Every point
// is the general reading's, and the reader stops exactly at each line it leaves.
TEST_P(ParserPropertyOnEachSet, SimpleLinesReadersAgreeOverLongRunsOfMixedLines) {
  const InstructionSet set = GetParam();
  const SimpleLinesReader read_simple_lines = FastPathsFor(set).read_simple_lines;
  std::mt19937_64 engine(static_cast<std::uint64_t>(set) + 29);
  std::uniform_real_distribution<double> degrees(-180, 180);
  const auto shortest = [&engine, &degrees] {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, degrees(engine)).ptr);
  };
  std::vector<std::string> lines;
  std::string text;
  for (int i = 0; i < 20'000; ++i) {
    std::string line = i % 301 == 300 ? "1e1 2"  // an exponent: the general reading's
                       : (i / 40 + i / 1000) % 3 == 2 ? std::to_string(i % 180) + ".5 -7.25"
                                                      : shortest() + " " + shortest();
    text += line + (i % 7 == 0 ? "\r\n" : "\n");
    lines.push_back(std::move(line));
  }
  text.append("#").append(99, 'x');
  std::vector<GeoPoint> points(lines.size());
  const char* p = text.data();
  for (std::size_t index = 0; index < lines.size();) {
    const std::size_t room = std::min<std::size_t>(lines.size() - index, 1 + index % 13);
    const SimpleLinesRead read = read_simple_lines(
        p, text.data() + text.size(), false, std::span<GeoPoint>(points).subspan(index, room));
    index += read.lines;
    p = read.next;
    if (read.lines == room) continue;  // out of room, not at a line it leaves
    ASSERT_EQ(std::string_view(p, lines[index].size()), lines[index]) << index;
    p += lines[index].size() + (*(p + lines[index].size()) == '\r' ? 2 : 1);
    ++index;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == "1e1 2") continue;  // the general reading's own
    const std::optional<GeoPoint> general = ParseCoordinateLineInFull(lines[i], false);
    ASSERT_TRUE(general.has_value()) << lines[i];
    ASSERT_EQ(Bits(points[i].longitude), Bits(general->longitude)) << lines[i];
    ASSERT_EQ(Bits(points[i].latitude), Bits(general->latitude)) << lines[i];
  }
}

// Each line reader stopped by a separator line of every length from 1 to 70 bytes, with each line
// end, a CR alone inside it or at the end of the text, after a run of lines or at once: where it
// says the separator line ends, that line is the one the line splitter cuts out, and the next
// starts where the splitter goes on.
TEST_P(ParserPropertyOnEachSet, SimpleLinesReadersEndTheSeparatorLineAsTheSplitterDoes) {
  const InstructionSet set = GetParam();
  static const char* const kEnds[] = {"\n", "\r\n", "\r", "\rx\n", "\r\r\n", ""};
  static const char* const kBefore[] = {"", "1.5 2.5\n", "-1.25 7.5\r\n-3.5 4.5\n"};
  const SimpleLinesReader read_simple_lines = FastPathsFor(set).read_simple_lines;
  int found = 0;
  for (const char* before : kBefore) {
    for (std::size_t length = 1; length <= 70; ++length) {
      for (const char* end : kEnds) {
        for (const std::size_t room : {std::size_t{0}, std::size_t{100}}) {
          std::string separator = std::string("# segment 12").substr(0, length);
          separator.resize(length, length % 3 == 0 ? ' ' : 'x');
          const std::string text = before + separator + end + std::string(room, '\n');
          std::vector<GeoPoint> points(4);
          const SimpleLinesRead read = read_simple_lines(text.data(), text.data() + text.size(),
                                                         false, std::span<GeoPoint>(points));
          ASSERT_EQ(*read.next, '#') << text;
          ASSERT_LE(read.separator_mark, 2u);
          if (read.separator_mark == 0) {
            ASSERT_EQ(read.separator_length, 0u);
            continue;
          }
          ++found;
          LineSplitter lines(std::string_view(read.next, text.data() + text.size() - read.next));
          std::string_view line;
          ASSERT_TRUE(lines.Next(line));
          ASSERT_EQ(std::string_view(read.next, read.separator_length), line) << text;
          ASSERT_EQ(read.next + read.separator_length + read.separator_mark, lines.cursor())
              << text;
        }
      }
    }
  }
  // Readers need not find it, but the vector one finds it in its window.
  if (set != InstructionSet::kPlain) {
    EXPECT_GT(found, 500);
  }
}

// A number of `digits` digits (the first nonzero unless `zeros` of them lead) with the mark, '.'
// or ',', after `integer` of them, or none when `integer` is `digits`.
std::string LongNumber(std::mt19937_64& engine, int digits, int integer, int zeros, char mark) {
  std::string text;
  for (int i = 0; i < digits; ++i) {
    if (i == integer) text += mark;
    text += static_cast<char>('0' + (i < zeros    ? 0
                                     : i == zeros ? 1 + engine() % 9
                                                  : engine() % 10));
  }
  return text;
}

// Each line reader on runs of lines of two numbers of 15 to 19 significant digits (a million
// numbers in all), with every place of the mark, both marks, signs, the three separators,
// blanks after, and the three line ends, so that lines run from about 30 bytes to past 63; now
// and then 20 to 22 digits whose first ones are zeros, an exponent, or a number with no
// fraction. Every line a reader takes has the point of the slow reference parser, which
// converts with strtod; a line it leaves is taken by the general reading, as the line loop does.
TEST_P(ParserPropertyOnEachSet, SimpleLinesReadersAgreeWithTheReferenceOnLongNumbers) {
  const InstructionSet set = GetParam();
  static const char* const kSeparators[] = {" ", "\t", ";", " ; ", "  "};
  static const char* const kEnds[] = {"\n", "\r\n", "\r"};
  const SimpleLinesReader read_simple_lines = FastPathsFor(set).read_simple_lines;
  std::mt19937_64 engine(static_cast<std::uint64_t>(set) + 1915);
  const auto number = [&engine] {
    const int digits = 15 + static_cast<int>(engine() % 5);
    const int kind = static_cast<int>(engine() % 40);
    const char mark = engine() % 4 == 0 ? ',' : '.';
    std::string sign = engine() % 2 ? "-" : engine() % 8 == 0 ? "+" : "";
    if (kind == 0) {  // zeros first, up to 22 digits
      const int zeros = 1 + static_cast<int>(engine() % 6);
      return sign + LongNumber(engine, digits + zeros - 3, 1, zeros, mark);
    }
    if (kind == 1) return sign + LongNumber(engine, digits, digits, 0, mark);  // no fraction
    std::string text =
        sign + LongNumber(engine, digits, static_cast<int>(engine() % digits), 0, mark);
    if (kind == 2) text.append("e-").append(std::to_string(engine() % 30));
    return text;
  };
  std::vector<std::string> lines;
  std::string text;
  constexpr int kRunLines = 64;
  int taken = 0;
  for (int run = 0; run < kLines / 2 / kRunLines; ++run) {
    lines.clear();
    text.clear();
    for (int i = 0; i < kRunLines; ++i) {
      std::string line = number() + kSeparators[engine() % std::size(kSeparators)] + number();
      if (engine() % 8 == 0) line += std::string(engine() % 20, ' ');
      text += line + kEnds[engine() % std::size(kEnds)];
      lines.push_back(std::move(line));
    }
    text.append("#").append(99, 'x');
    const bool lat_first = run % 2 != 0;
    std::vector<GeoPoint> points(lines.size());
    const char* p = text.data();
    for (std::size_t index = 0; index < lines.size();) {
      const SimpleLinesRead read =
          read_simple_lines(p, text.data() + text.size(), lat_first,
                            std::span<GeoPoint>(points).subspan(index, lines.size() - index));
      for (std::size_t i = index; i < index + read.lines; ++i) {
        const std::optional<GeoPoint> slow = testing::ReferenceParseLine(lines[i], lat_first);
        ASSERT_TRUE(slow.has_value()) << '"' << lines[i] << '"';
        ASSERT_EQ(Bits(points[i].longitude), Bits(slow->longitude)) << '"' << lines[i] << '"';
        ASSERT_EQ(Bits(points[i].latitude), Bits(slow->latitude)) << '"' << lines[i] << '"';
      }
      taken += static_cast<int>(read.lines);
      index += read.lines;
      if (index == lines.size()) break;
      // The line it left, where it stopped; the general reading takes it or drops it.
      ASSERT_EQ(std::string_view(read.next, lines[index].size()), lines[index]) << index;
      const std::optional<GeoPoint> general = ParseCoordinateLineInFull(lines[index], lat_first);
      const std::optional<GeoPoint> slow = testing::ReferenceParseLine(lines[index], lat_first);
      ASSERT_EQ(general.has_value(), slow.has_value()) << '"' << lines[index] << '"';
      if (general) {
        ASSERT_EQ(Bits(general->longitude), Bits(slow->longitude)) << lines[index];
        ASSERT_EQ(Bits(general->latitude), Bits(slow->latitude)) << lines[index];
      }
      LineSplitter rest(std::string_view(read.next, text.data() + text.size() - read.next));
      std::string_view line;
      rest.Next(line);
      p = rest.cursor();
      ++index;
    }
  }
  // Lines of plain numbers of up to 19 digits, most of them, must take the fast way.
  EXPECT_GT(taken, kLines / 2 * 3 / 4);
}

// `digits` significant digits (2 to 19) of `value`'s neighbourhood: w * 10^q with w the mean of
// the roundings of `value` and of the next double up to that many digits, so near the point
// halfway between them, plus `offset`; written in fixed notation.
std::string NextToHalfway(double value, int offset, int digits = 19) {
  const auto scientific = [digits](double x) {
    char text[40];
    return std::string(
        text, std::to_chars(text, text + 40, x, std::chars_format::scientific, digits - 1).ptr);
  };
  const std::string low = scientific(value);
  const std::string high = scientific(std::nextafter(value, 2 * value));
  const auto significand = [digits](const std::string& text) {
    return std::stoull(text.substr(0, 1) + text.substr(2, static_cast<std::size_t>(digits - 1)));
  };
  const int point = std::stoi(low.substr(low.find('e') + 1)) + 1;  // integer digits
  std::string text = std::to_string(significand(low) + (significand(high) - significand(low)) / 2 +
                                    static_cast<std::uint64_t>(offset));
  // The digits before the mark, the mark, the rest; "0.000..." for a value below 1.
  const std::size_t split = point > 0 ? static_cast<std::size_t>(point) : 0;
  const std::string zeros(point > 0 ? 0 : static_cast<std::size_t>(-point), '0');
  std::string fixed(point > 0 ? 0 : 1, '0');
  fixed += text.substr(0, split);
  fixed += '.';
  fixed += zeros;
  fixed += text.substr(split);
  return fixed;
}

// Each line reader on coordinates of 16 to 19 digits, as shortest doubles have, that lie next to a
// point halfway between two doubles, written with either mark, against the exact conversion.
TEST_P(ParserPropertyOnEachSet, SimpleLinesReadersRoundNumbersNextToHalfwayPoints) {
  const InstructionSet set = GetParam();
  const SimpleLinesReader read_simple_lines = FastPathsFor(set).read_simple_lines;
  std::mt19937_64 engine(static_cast<std::uint64_t>(set) + 15);
  std::uniform_real_distribution<double> longitudes(0.001, 180);
  std::uniform_real_distribution<double> latitudes(1e-7, 90);
  for (int i = 0; i < kLines / 4; ++i) {
    const int digits = 16 + i % 4;
    const std::string longitude = NextToHalfway(longitudes(engine), i % 5 - 2, digits);
    const std::string latitude = NextToHalfway(latitudes(engine), i / 5 % 5 - 2, digits);
    // Either mark, and either separator, in the text the reader sees.
    const auto marked = [i](std::string number) {
      if (i / 25 % 2 != 0) number[number.find('.')] = ',';
      return number;
    };
    std::string text = "-";
    text.append(marked(longitude)).append(i / 50 % 2 ? ";" : "\t").append(marked(latitude));
    text.append("\n#").append(99, 'x');
    GeoPoint point;
    const SimpleLinesRead read = read_simple_lines(text.data(), text.data() + text.size(), false,
                                                   std::span<GeoPoint>(&point, 1));
    ASSERT_EQ(read.lines, 1u) << text;
    double expected = 0;
    std::from_chars(longitude.data(), longitude.data() + longitude.size(), expected);
    ASSERT_EQ(Bits(point.longitude), Bits(-expected)) << text;
    std::from_chars(latitude.data(), latitude.data() + latitude.size(), expected);
    ASSERT_EQ(Bits(point.latitude), Bits(expected)) << text;
  }
}

INSTANTIATE_TEST_SUITE_P(, ParserPropertyOnEachSet, testing::kEveryInstructionSet,
                         testing::ParamName);

}  // namespace
}  // namespace coord2seg
