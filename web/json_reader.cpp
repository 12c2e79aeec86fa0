// A JSON reader bounded in depth, as far as GeoJSON needs.
// SPDX-License-Identifier: MIT
#include "web/json_reader.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <unordered_map>

#include "decimal_text/read_decimal.h"
#include "web/input_error.h"

namespace coord2seg {
namespace {

// Deeper than any GeoJSON; a bound, so that a hostile text cannot exhaust the stack.
constexpr int kMostNesting = 512;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {
    if (text_.starts_with("\xEF\xBB\xBF")) at_ = 3;
  }

  JsonValue ReadWhole() {
    JsonValue value = ReadValue(0, false);
    SkipBlank();
    if (at_ != text_.size()) Fail("more after the end of the value");
    return value;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw InputError(InputFault::kNotJson,
                     "not valid JSON: " + what + " at byte " + std::to_string(at_), at_);
  }

  void SkipBlank() {
    while (at_ < text_.size() && IsBlank(text_[at_])) ++at_;
  }

  char Peek() {
    SkipBlank();
    if (at_ >= text_.size()) Fail("unexpected end");
    return text_[at_];
  }

  void Expect(char c) {
    if (Peek() != c) Fail(std::string("expected '") + c + "'");
    ++at_;
  }

  // Reads a value; with `raw`, only checks it and keeps its text.
  JsonValue ReadValue(int depth, bool raw) {
    if (depth > kMostNesting) Fail("nesting too deep");
    JsonValue value;
    const std::size_t start = (SkipBlank(), at_);
    switch (Peek()) {
      case '{':
        ReadObject(value, depth, raw);
        break;
      case '[':
        ReadArray(value, depth, raw);
        break;
      case '"':
        value.kind = JsonValue::Kind::kString;
        value.text = ReadString();
        break;
      case 't':
      case 'f':
      case 'n':
        ReadWord(value);
        break;
      default: {
        const std::string_view number = ScanNumber();
        if (!raw) {
          value.kind = JsonValue::Kind::kNumber;
          value.text = number;
        }
        break;
      }
    }
    if (raw) {
      value = JsonValue{};
      value.kind = JsonValue::Kind::kRaw;
      value.text = text_.substr(start, at_ - start);
    }
    return value;
  }

  void ReadObject(JsonValue& value, int depth, bool raw) {
    value.kind = JsonValue::Kind::kObject;
    ++at_;
    if (Peek() == '}') {
      ++at_;
      return;
    }
    // Where each name sits, once an object has more members than a look along them is quick for.
    std::unordered_map<std::string, std::size_t> places;
    for (;;) {
      if (Peek() != '"') Fail("expected a member name");
      std::string name = ReadString();
      Expect(':');
      JsonValue member = ReadValue(depth + 1, raw || name == "coordinates");
      if (!raw) AddMember(value.members, places, std::move(name), std::move(member));
      if (Peek() == '}') break;
      Expect(',');
    }
    ++at_;
  }

  // A member, or the later value of one already there.
  static void AddMember(std::vector<JsonMember>& members,
                        std::unordered_map<std::string, std::size_t>& places, std::string name,
                        JsonValue value) {
    constexpr std::size_t kMostLookedAlong = 16;
    if (members.size() < kMostLookedAlong) {
      for (JsonMember& member : members) {
        if (member.name == name) {
          member.value = std::move(value);
          return;
        }
      }
    } else {
      if (places.empty()) {
        for (std::size_t i = 0; i < members.size(); ++i) places.emplace(members[i].name, i);
      }
      const auto [place, added] = places.emplace(name, members.size());
      if (!added) {
        members[place->second].value = std::move(value);
        return;
      }
    }
    members.push_back({std::move(name), std::move(value)});
  }

  void ReadArray(JsonValue& value, int depth, bool raw) {
    value.kind = JsonValue::Kind::kArray;
    ++at_;
    if (Peek() == ']') {
      ++at_;
      return;
    }
    for (;;) {
      JsonValue item = ReadValue(depth + 1, raw);
      if (!raw) value.items.push_back(std::move(item));
      if (Peek() == ']') break;
      Expect(',');
    }
    ++at_;
  }

  void ReadWord(JsonValue& value) {
    for (const std::string_view word : {"true", "false", "null"}) {
      if (text_.substr(at_, word.size()) == word) {
        at_ += word.size();
        value.kind = word == "null" ? JsonValue::Kind::kNull : JsonValue::Kind::kBool;
        value.text = word;
        return;
      }
    }
    Fail("unknown word");
  }

  std::string_view ScanNumber() {
    const std::size_t start = at_;
    auto digits = [this] {
      const std::size_t first = at_;
      while (at_ < text_.size() && IsDigit(text_[at_])) ++at_;
      if (at_ == first) Fail("expected a digit");
    };
    if (text_[at_] == '-') ++at_;
    if (at_ < text_.size() && text_[at_] == '0') {
      ++at_;
    } else {
      digits();
    }
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      digits();
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      digits();
    }
    return text_.substr(start, at_ - start);
  }

  std::string ReadString() {
    ++at_;  // '"'
    std::string out;
    for (;;) {
      if (at_ >= text_.size()) Fail("unterminated string");
      const char c = text_[at_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) Fail("control character in a string");
      if (static_cast<unsigned char>(c) >= 0x80) {
        --at_;
        out += ReadUtf8Character();
        continue;
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) Fail("unterminated string");
      const char escaped = text_[at_++];
      switch (escaped) {
        case '"':
        case '\\':
        case '/':
          out += escaped;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u':
          AppendUtf8(ReadCodePoint(), out);
          break;
        default:
          Fail("unknown escape");
      }
    }
  }

  // One character of two to four bytes, checked as UTF-8 requires: the right number of
  // continuation bytes, the shortest form, no surrogate halves, nothing beyond U+10FFFF.
  std::string_view ReadUtf8Character() {
    const auto byte = [this](std::size_t i) {
      return at_ + i < text_.size() ? static_cast<unsigned char>(text_[at_ + i]) : 0;
    };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;  // the range of the second byte, narrower after some leads
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;   // shorter forms
      if (lead == 0xED) high = 0x9F;  // surrogate halves
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
    } else {
      Fail("invalid UTF-8");
    }
    if (byte(1) < low || byte(1) > high) Fail("invalid UTF-8");
    for (std::size_t i = 2; i < length; ++i) {
      if (byte(i) < 0x80 || byte(i) > 0xBF) Fail("invalid UTF-8");
    }
    const std::string_view character = text_.substr(at_, length);
    at_ += length;
    return character;
  }

  std::uint32_t ReadHex4() {
    if (text_.size() - at_ < 4) Fail("short \\u escape");
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[at_++];
      const int digit = IsDigit(c)               ? c - '0'
                        : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                 : -1;
      if (digit < 0) Fail("bad \\u escape");
      value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
  }

  // A \u escape, joined with the low half of a surrogate pair that follows it. Half a pair alone
  // is no character that UTF-8 can hold, so it is refused as invalid UTF-8 is.
  std::uint32_t ReadCodePoint() {
    const std::size_t start = at_ - 2;
    const std::uint32_t first = ReadHex4();
    if (first < 0xD800 || first > 0xDFFF) return first;
    if (first <= 0xDBFF && text_.substr(at_, 2) == "\\u") {
      at_ += 2;
      const std::uint32_t second = ReadHex4();
      if (second >= 0xDC00 && second <= 0xDFFF) {
        return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
      }
    }
    at_ = start;
    Fail("half a surrogate pair");
  }

  static void AppendUtf8(std::uint32_t code, std::string& out) {
    auto byte = [&out](std::uint32_t bits) { out += static_cast<char>(bits); };
    if (code < 0x80) {
      byte(code);
    } else if (code < 0x800) {
      byte(0xC0 | code >> 6);
      byte(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      byte(0xE0 | code >> 12);
      byte(0x80 | ((code >> 6) & 0x3F));
      byte(0x80 | (code & 0x3F));
    } else {
      byte(0xF0 | code >> 18);
      byte(0x80 | ((code >> 12) & 0x3F));
      byte(0x80 | ((code >> 6) & 0x3F));
      byte(0x80 | (code & 0x3F));
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view name) const {
  for (const JsonMember& member : members) {
    if (member.name == name) return &member.value;
  }
  return nullptr;
}

JsonValue ReadJson(std::string_view text) { return Parser(text).ReadWhole(); }

void RawArrayReader::SkipBlank() {
  while (at_ < text_.size() && IsBlank(text_[at_])) ++at_;
}

double RawArrayReader::ReadNumber() {
  std::size_t end = at_;
  while (end < text_.size() && !IsBlank(text_[end]) && text_[end] != ',' && text_[end] != ']') {
    ++end;
  }
  // The converter's own number reading: exact for any number of digits, zero for a value below
  // the smallest double; one beyond the largest is infinite, as other JSON readers take it.
  const std::string_view number = text_.substr(at_, end - at_);
  FieldRejection why;
  const std::optional<double> parsed = ParseDecimalField(number, &why);
  if (!parsed && !why.too_large) Fail();
  at_ = end;
  double value = parsed                  ? *parsed
                 : number.front() == '-' ? -std::numeric_limits<double>::infinity()
                                         : std::numeric_limits<double>::infinity();
  // A whole number GDAL holds in 64 bits: beyond them it keeps the nearest end, whose double is
  // taken here too. Nothing so large fits a segment file; the value only shows in the refusal.
  if (number.find_first_of(".eE") == std::string_view::npos) {
    constexpr double kLeastSigned = -9223372036854775808.0;  // -2^63
    value = std::clamp(value, kLeastSigned, most_whole_);
  }
  return value;
}

void RawArrayReader::Fail() const {
  throw InputError(InputFault::kBadGeometry,
                   "invalid coordinates at their byte " + std::to_string(at_));
}

}  // namespace coord2seg
