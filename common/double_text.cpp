#include "common/double_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>

#include "common/bit_cast.h"

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

// The `count`-digit decimal nearest to `value`, which printf rounds exactly.
Decimal NearestDecimal(double value, int count) {
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

bool ReadsBackAs(const Decimal& decimal, double value) {
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
  return Copy(first, last, text);
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
