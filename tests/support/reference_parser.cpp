// The slow reference line parser.
// SPDX-License-Identifier: MIT
#include "tests/support/reference_parser.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace coord2seg::testing {
namespace {

std::string TrimControls(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return text.substr(begin, end - begin);
}

bool AllDigits(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string WithoutSign(const std::string& text) {
  return (!text.empty() && (text[0] == '+' || text[0] == '-')) ? text.substr(1) : text;
}

// [sign] digits with at most one '.', at least one digit, then [e|E [sign] digits].
bool MatchesGrammar(const std::string& field) {
  const std::size_t e = field.find_first_of("eE");
  const std::string mantissa = WithoutSign(field.substr(0, e));
  if (e != std::string::npos) {
    const std::string exponent = WithoutSign(field.substr(e + 1));
    if (exponent.empty() || !AllDigits(exponent)) return false;
  }
  const std::size_t point = mantissa.find('.');
  std::string digits = mantissa;
  if (point != std::string::npos) digits.erase(point, 1);
  return !digits.empty() && AllDigits(digits);
}

}  // namespace

std::optional<double> ReferenceConvertField(const std::string& field) {
  if (!MatchesGrammar(field)) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(field.c_str(), &end);
  if (end != field.c_str() + field.size()) return std::nullopt;
  if (errno == ERANGE && std::isinf(value)) return std::nullopt;
  return value;  // strtod already gives the nearest subnormal or zero on underflow
}

std::optional<GeoPoint> ReferenceParseLine(std::string line, bool lat_first) {
  line = TrimControls(line);
  std::replace(line.begin(), line.end(), ';', ' ');
  std::replace(line.begin(), line.end(), '\t', ' ');
  std::replace(line.begin(), line.end(), ',', '.');
  const std::size_t blank = line.find(' ');
  if (blank == std::string::npos) return std::nullopt;
  const std::string first_field = line.substr(0, blank);
  const std::string second_field = TrimControls(line.substr(blank + 1, 999));
  const std::optional<double> first = ReferenceConvertField(first_field);
  if (!first) return std::nullopt;
  const std::optional<double> second = ReferenceConvertField(second_field);
  if (!second) return std::nullopt;
  double longitude = lat_first ? *second : *first;
  const double latitude = lat_first ? *first : *second;
  if (longitude >= 180) longitude -= 360;
  if (longitude < -180) longitude += 360;
  return GeoPoint{longitude, latitude};
}

}  // namespace coord2seg::testing
