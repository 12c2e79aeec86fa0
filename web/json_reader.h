// A JSON value as far as a GeoJSON reader needs it.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace coord2seg {

struct JsonMember;

// A JSON value as far as a GeoJSON reader needs it. Numbers keep their text; the value of a member
// named "coordinates" is only checked and kept as its text (kRaw), so that the points of a large
// file are read once, straight into parts, and never held as a tree.
struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject, kRaw };
  Kind kind = Kind::kNull;
  std::string text;  // a string's characters, a number's or a raw value's text, "true" or "false"
  std::vector<JsonValue> items;
  // An object's members in the order of their first appearance; a name that comes again keeps
  // its place and takes the later value, as GDAL's reader does.
  std::vector<JsonMember> members;

  // The member of an object by name; null when there is none.
  const JsonValue* Find(std::string_view name) const;
};

struct JsonMember {
  std::string name;
  JsonValue value;
};

// Reads a whole JSON text (RFC 8259 in UTF-8, a byte-order mark allowed). Throws InputError
// (InputFault::kNotJson) that says what is wrong at which byte when it is not JSON.
JsonValue ReadJson(std::string_view text);

// Reads the text of a kRaw value, which ReadJson has checked, as nested arrays of numbers:
// `position(values, depth)` for each array of numbers or empty array (as doubles, correctly
// rounded; depth 1 for the outermost array), and `end_array(depth)` after each array that holds
// arrays. Throws InputError (InputFault::kBadGeometry) for an array that holds anything but
// numbers or anything but arrays.
class RawArrayReader {
 public:
  // `most_whole`: the largest whole number (written without fraction or exponent) that GDAL's
  // reader holds, at which it keeps larger ones: 2^64 - 1 in a Feature or a geometry, 2^63 - 1 in
  // a FeatureCollection, which it reads another way. Below -2^63 it keeps -2^63.
  explicit RawArrayReader(std::string_view text, double most_whole = 18446744073709551616.0)
      : text_(text), most_whole_(most_whole) {}

  template <typename Position, typename EndArray>
  void Walk(Position&& position, EndArray&& end_array) {
    at_ = 0;
    SkipBlank();
    if (at_ >= text_.size() || text_[at_] != '[') Fail();
    WalkArray(1, position, end_array);
  }

 private:
  template <typename Position, typename EndArray>
  void WalkArray(int depth, Position& position, EndArray& end_array) {
    ++at_;  // '['
    SkipBlank();
    bool holds_arrays = false;
    values_.clear();
    while (text_[at_] != ']') {
      if (text_[at_] == '[') {
        if (!holds_arrays && !values_.empty()) Fail();  // numbers, then an array
        holds_arrays = true;
        WalkArray(depth + 1, position, end_array);
      } else if (holds_arrays) {
        Fail();
      } else {
        values_.push_back(ReadNumber());
      }
      SkipBlank();
      if (text_[at_] == ',') ++at_;
      SkipBlank();
    }
    ++at_;  // ']'
    if (holds_arrays) {
      end_array(depth);
    } else {
      position(static_cast<const std::vector<double>&>(values_), depth);
    }
  }
  void SkipBlank();
  double ReadNumber();
  [[noreturn]] void Fail() const;

  std::string_view text_;
  double most_whole_;
  std::size_t at_ = 0;
  std::vector<double> values_;
};

}  // namespace coord2seg
