// Digit runs read eight bytes at a time, and the one-pass decimal reader.
// SPDX-License-Identifier: MIT
#include "decimal_text/digit_run.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "decimal_text/parse_decimal_field.h"
#include "decimal_text/read_simple_decimal.h"
#include "tests/support/property_rounds.h"
#include "tests/support/reference_parser.h"

namespace coord2seg {
namespace {

int CountDigitsSlowly(const char* p) {
  int count = 0;
  while (count < 8 && p[count] >= '0' && p[count] <= '9') ++count;
  return count;
}

TEST(DigitRun, FindsTheFirstNonDigitWhateverFollows) {
  // Every byte value at every place after a run of digits, with random bytes after it.
  std::mt19937_64 engine(8);
  for (int place = 0; place < 8; ++place) {
    for (int byte = 0; byte < 256; ++byte) {
      char word[8];
      for (int i = 0; i < 8; ++i)
        word[i] = static_cast<char>(i < place ? '0' + engine() % 10 : engine());
      word[place] = static_cast<char>(byte);
      ASSERT_EQ(LeadingDigitCount(LoadEightBytes(word)), CountDigitsSlowly(word))
          << "place " << place << " byte " << byte;
    }
  }
}

TEST(DigitRun, ValuesAgreeWithDigitByDigit) {
  std::mt19937_64 engine(9);
  for (int round = 0; round < testing::PropertyRounds(200000); ++round) {
    const int count = 1 + static_cast<int>(engine() % 8);
    char word[8];
    std::uint64_t expected = 0;
    for (int i = 0; i < 8; ++i) word[i] = static_cast<char>(engine());
    for (int i = 0; i < count; ++i) {
      word[i] = static_cast<char>('0' + engine() % 10);
      expected = expected * 10 + static_cast<std::uint64_t>(word[i] - '0');
    }
    ASSERT_EQ(DigitsValue(LoadEightBytes(word), count), expected) << std::string(word, 8);
  }
}

// Plain numbers read by the word-at-a-time path (bytes to spare after the number) and by the
// byte path (the number ends the text) agree with the general conversion of what they read.
TEST(SimpleDecimal, AgreesWithTheGeneralConversion) {
  std::mt19937_64 engine(10);
  static const char* const kSigns[] = {"", "", "-", "+"};
  static const char* const kMarks[] = {".", ",", "", "."};
  static const char* const kFollowers[] = {" 1", ";", "\t", "\n", "e5", "x", "..", "", "+"};
  int tried = 0;
  int taken = 0;
  for (int round = 0; round < testing::PropertyRounds(1'000'000); ++round) {
    std::string number = kSigns[engine() % 4];
    number += std::to_string(engine() % 1000000000).substr(0, engine() % 10);
    number += kMarks[engine() % 4];
    number += std::to_string(engine()).substr(0, engine() % 12);
    const std::string follower = kFollowers[engine() % std::size(kFollowers)];
    for (const std::string& text : {number + follower + std::string(16, ' '), number + follower}) {
      double value = 0;
      const char* end = text.data() + text.size();
      const char* after = ReadSimpleDecimal(text.data(), end, value);
      ++tried;
      if (after == nullptr) continue;  // left to the general reading, which decides
      ++taken;
      const std::string read(text.data(), after);
      const std::optional<double> general = ParseDecimalField(read);
      ASSERT_TRUE(general.has_value()) << read;
      ASSERT_EQ(value, *general) << read;
      ASSERT_EQ(std::signbit(value), std::signbit(*general)) << read;
      // It never stops inside a run of digits.
      ASSERT_TRUE(after == end || *after < '0' || *after > '9') << text;
    }
  }
  // A reader that declined everything would pass the loop; it takes about 98 % of these texts.
  EXPECT_GT(taken, tried / 10 * 9) << taken << " of " << tried;
}

}  // namespace
}  // namespace coord2seg
