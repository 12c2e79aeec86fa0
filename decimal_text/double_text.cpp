// Doubles to and from text without floating-point <charconv>: shortest digits and exact reading.
// SPDX-License-Identifier: MIT
#include "decimal_text/double_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "decimal_text/eisel_lemire.h"
#include "decimal_text/library_stand_ins.h"
#include "decimal_text/shortest_double.h"

namespace coord2seg {
namespace {

bool HasNonzeroDigit(std::string_view number) {
  for (const char c : number) {
    if (c == 'e' || c == 'E') break;
    if (c >= '1' && c <= '9') return true;
  }
  return false;
}

// A positive finite double's decimal digits (no trailing zeros) and the exponent of the first.
struct Decimal {
  char digits[24];
  int count = 0;
  int exponent = 0;
};

__extension__ using Uint128 = unsigned __int128;

constexpr std::uint64_t kPowersOfFive[] = {1ULL,
                                           5ULL,
                                           25ULL,
                                           125ULL,
                                           625ULL,
                                           3125ULL,
                                           15625ULL,
                                           78125ULL,
                                           390625ULL,
                                           1953125ULL,
                                           9765625ULL,
                                           48828125ULL,
                                           244140625ULL,
                                           1220703125ULL,
                                           6103515625ULL,
                                           30517578125ULL,
                                           152587890625ULL,
                                           762939453125ULL,
                                           3814697265625ULL,
                                           19073486328125ULL,
                                           95367431640625ULL,
                                           476837158203125ULL,
                                           2384185791015625ULL,
                                           11920928955078125ULL,
                                           59604644775390625ULL,
                                           298023223876953125ULL,
                                           1490116119384765625ULL,
                                           7450580596923828125ULL};
constexpr int kMostPowerOfFive = 27;

// value * 10^power as its whole part and how its fraction compares with one half (-1, 0, 1).
struct Scaled {
  std::uint64_t whole;
  int fraction_against_half;

  std::uint64_t RoundedHalfEven() const {
    return whole + (fraction_against_half > 0 || (fraction_against_half == 0 && (whole & 1)));
  }
};

// value * 10^power, exactly, for a positive normal value = m * 2^e, when 128 bits hold the work;
// nothing otherwise.
std::optional<Scaled> ScaledExactly(double value, int power) {
  const auto bits = BitCast<std::uint64_t>(value);
  const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int e = static_cast<int>(bits >> 52) - 1075;
  if (power > kMostPowerOfFive || -power > kMostPowerOfFive) return std::nullopt;
  // value * 10^power = m * 5^power * 2^(e + power)
  const int shift = e + power;
  Uint128 numerator = m;
  Uint128 denominator = 1;
  if (power >= 0) {
    numerator *= kPowersOfFive[power];  // below 2^117
  } else {
    denominator = kPowersOfFive[-power];
  }
  if (shift >= 0) {
    if (shift > 10) return std::nullopt;
    numerator <<= shift;
  } else {
    if (-shift > 60) return std::nullopt;
    denominator <<= -shift;
  }
  const Uint128 q = numerator / denominator;
  if (q >> 63) return std::nullopt;
  const Uint128 twice_remainder = 2 * (numerator - q * denominator);
  const int against_half = twice_remainder > denominator    ? 1
                           : twice_remainder == denominator ? 0
                                                            : -1;
  return Scaled{static_cast<std::uint64_t>(q), against_half};
}

std::uint64_t PowerOfTen(int power) {
  std::uint64_t result = 1;
  while (power-- > 0) result *= 10;
  return result;
}

Decimal DecimalOf(std::uint64_t digits, int count, int exponent) {
  Decimal decimal;
  decimal.count = count;
  decimal.exponent = exponent;
  for (int i = count - 1; i >= 0; --i, digits /= 10) {
    decimal.digits[i] = static_cast<char>('0' + digits % 10);
  }
  return decimal;
}

// The `count`-digit decimal nearest to `value`: in 128-bit integers where they suffice, else by
// printf, which rounds exactly.
Decimal NearestDecimal(double value, int count) {
  int exponent = static_cast<int>(std::floor(std::log10(value)));
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::optional<Scaled> scaled = ScaledExactly(value, count - 1 - exponent);
    if (!scaled) break;
    // The whole part tells whether the first digit is where log10 put it.
    if (scaled->whole >= PowerOfTen(count)) {
      ++exponent;
    } else if (scaled->whole < PowerOfTen(count - 1)) {
      --exponent;
    } else {
      const std::uint64_t digits = scaled->RoundedHalfEven();
      if (digits == PowerOfTen(count)) return DecimalOf(digits / 10, count, exponent + 1);
      return DecimalOf(digits, count, exponent);
    }
  }
  char text[40];
  std::snprintf(text, sizeof text, "%.*e", count - 1, value);
  Decimal decimal;
  for (const char* c = text; *c != 'e'; ++c) {
    if (*c != '.') decimal.digits[decimal.count++] = *c;
  }
  decimal.exponent = std::atoi(std::strchr(text, 'e') + 1);
  return decimal;
}

// The next decimal up with as many digits.
Decimal NextUp(Decimal decimal) {
  int i = decimal.count - 1;
  while (i >= 0 && decimal.digits[i] == '9') decimal.digits[i--] = '0';
  if (i >= 0) {
    ++decimal.digits[i];
  } else {
    decimal.digits[0] = '1';
    ++decimal.exponent;
  }
  return decimal;
}

// Whether the decimal reads back as `value`: by the product of Eisel and Lemire where it decides,
// else by strtod.
bool ReadsBackAs(const Decimal& decimal, double value) {
  std::uint64_t digits = 0;
  for (int i = 0; i < decimal.count; ++i) digits = digits * 10 + (decimal.digits[i] - '0');
  if (const std::optional<double> read =
          EiselLemire(digits, decimal.exponent - decimal.count + 1, false)) {
    return *read == value;
  }
  char text[48];
  std::snprintf(text, sizeof text, "%c.%.*se%d", decimal.digits[0], decimal.count - 1,
                decimal.digits + 1, decimal.exponent);
  return std::strtod(text, nullptr) == value;
}

// The shortest decimal that reads back as `value`, the nearest of those. Any decimal of up to
// 15 digits within half a unit of a normal `value` is the nearest 15-digit one (they lie more
// than four units apart), so 15 digits stripped of their zeros settle it when they read back;
// otherwise 16 or 17 digits, where a power of two, whose gap below is half the gap above, may
// read back from the decimal above the nearest one. Subnormals, with fewer digits, are tried from
// one digit up.
Decimal ShortestDecimal(double value) {
  const auto bits = BitCast<std::uint64_t>(value);
  const bool subnormal = (bits >> 52) == 0;
  const bool power_of_two = !subnormal && (bits & ((std::uint64_t{1} << 52) - 1)) == 0;
  Decimal decimal;
  for (int count = subnormal ? 1 : 15; count < 17; ++count) {
    decimal = NearestDecimal(value, count);
    if (ReadsBackAs(decimal, value)) break;
    if (power_of_two && ReadsBackAs(NextUp(decimal), value)) {
      decimal = NextUp(decimal);
      break;
    }
    decimal.count = 0;
  }
  if (decimal.count == 0) decimal = NearestDecimal(value, 17);
  while (decimal.count > 1 && decimal.digits[decimal.count - 1] == '0') --decimal.count;
  return decimal;
}

std::string Scientific(const Decimal& decimal) {
  std::string text(1, decimal.digits[0]);
  if (decimal.count > 1) text.append(".").append(decimal.digits + 1, decimal.count - 1);
  char exponent[16];
  std::snprintf(exponent, sizeof exponent, "e%c%02d", decimal.exponent < 0 ? '-' : '+',
                std::abs(decimal.exponent));
  return text + exponent;
}

// A whole number is written with all its digits, as exact as they are free: beyond the shortest
// digits, zeros would take the same room.
std::string Fixed(const Decimal& decimal, double value) {
  const std::string_view digits(decimal.digits, static_cast<std::size_t>(decimal.count));
  const int e = decimal.exponent;
  if (e < 0) return "0." + std::string(static_cast<std::size_t>(-e - 1), '0').append(digits);
  const auto whole = static_cast<std::size_t>(e + 1);
  if (whole >= digits.size()) {
    char text[320];
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
  }
  return std::string(digits.substr(0, whole)) + "." + std::string(digits.substr(whole));
}

std::to_chars_result Copy(char* first, char* last, std::string_view text) {
  if (static_cast<std::size_t>(last - first) < text.size()) {
    return {last, std::errc::value_too_large};
  }
  return {std::copy(text.begin(), text.end(), first), std::errc()};
}

// The text of a double, kept for the next time the same value comes: segdump's writers print the
// same few thousand stored values again and again.
struct CachedText {
  std::uint64_t bits = 0;
  std::uint8_t size = 0;  // 0: empty
  char text[31];
};

std::string ShortestText(double value) {
  std::string text = std::signbit(value) ? "-" : "";
  const double magnitude = std::fabs(value);
  if (std::isnan(value)) {
    text += "nan";
  } else if (std::isinf(value)) {
    text += "inf";
  } else if (magnitude == 0) {
    text += "0";
  } else {
    const Decimal decimal = ShortestDecimal(magnitude);
    const std::string fixed = Fixed(decimal, magnitude);
    const std::string scientific = Scientific(decimal);
    text += fixed.size() <= scientific.size() ? fixed : scientific;
  }
  return text;
}

}  // namespace

std::from_chars_result ReadDoubleByStrtod(const char* first, const char* last, double& value) {
  if (first == last || !(std::isdigit(static_cast<unsigned char>(*first)) || *first == '.')) {
    return {first, std::errc::invalid_argument};
  }
  const std::string text(first, last);  // strtod needs the terminating NUL
  char* end = nullptr;
  const double read = std::strtod(text.c_str(), &end);
  const std::from_chars_result result{first + (end - text.c_str()), std::errc()};
  if (end == text.c_str()) return {first, std::errc::invalid_argument};
  if (std::isinf(read) ||
      (read == 0 &&
       HasNonzeroDigit({text.c_str(), static_cast<std::size_t>(end - text.c_str())}))) {
    return {result.ptr, std::errc::result_out_of_range};
  }
  value = read;
  return result;
}

std::to_chars_result WriteShortestDoubleByPrintf(char* first, char* last, double value) {
  constexpr int kCacheBits = 16;
  thread_local std::vector<CachedText> cache(std::size_t{1} << kCacheBits);
  const auto bits = BitCast<std::uint64_t>(value);
  // Fibonacci hashing: neighbouring values, whose low bits are alike, spread over the slots.
  CachedText& cached = cache[(bits * 0x9E3779B97F4A7C15) >> (64 - kCacheBits)];
  if (cached.size == 0 || cached.bits != bits) {
    const std::string text = ShortestText(value);
    cached.bits = bits;
    cached.size = static_cast<std::uint8_t>(text.size());
    std::copy(text.begin(), text.end(), cached.text);
  }
  return Copy(first, last, {cached.text, cached.size});
}

std::from_chars_result ReadDouble(const char* first, const char* last, double& value) {
#if defined(__cpp_lib_to_chars)
  return std::from_chars(first, last, value);
#else
  return ReadDoubleByStrtod(first, last, value);
#endif
}

std::to_chars_result WriteShortestDouble(char* first, char* last, double value) {
#if defined(__cpp_lib_to_chars)
  return std::to_chars(first, last, value);
#else
  return WriteShortestDoubleByPrintf(first, last, value);
#endif
}

}  // namespace coord2seg
