// The web module's JSON reader against nlohmann's, on generated and damaged texts, and the GeoJSON
// reader's handling of ids, repeated names and mixed arrays.
// SPDX-License-Identifier: MIT
#include "web/json_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "tests/support/property_rounds.h"
#include "web/geojson_records.h"
#include "web/input_error.h"

namespace coord2seg {
namespace {

using Json = nlohmann::ordered_json;  // members in the order of their first appearance

// A random JSON text: objects whose few names often repeat (one of them "coordinates", which the
// reader keeps raw), numbers of every form and length, strings with escapes and UTF-8 of every
// length, blanks anywhere.
class RandomJson {
 public:
  explicit RandomJson(std::uint32_t seed) : engine_(seed) {}

  std::string Text() {
    std::string text;
    Value(text, 0);
    Blank(text);
    return text;
  }

 private:
  int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(engine_); }

  void Blank(std::string& text) {
    static constexpr char kBlanks[] = {' ', '\t', '\n', '\r'};
    while (Pick(4) == 0) text += kBlanks[Pick(4)];
  }

  void Digits(std::string& text, int most, bool leading_zero_allowed) {
    const int count = 1 + Pick(most);
    for (int i = 0; i < count; ++i) {
      text += static_cast<char>('0' + (i == 0 && !leading_zero_allowed ? 1 + Pick(9) : Pick(10)));
    }
  }

  void Number(std::string& text) {
    if (Pick(3) == 0) text += '-';
    if (Pick(4) == 0) {
      text += '0';
    } else {
      Digits(text, Pick(4) == 0 ? 30 : 4, false);
    }
    if (Pick(2) == 0) {
      text += '.';
      Digits(text, Pick(4) == 0 ? 25 : 6, true);
    }
    if (Pick(4) == 0) {
      text += "eE"[Pick(2)];
      if (Pick(2) == 0) text += "+-"[Pick(2)];
      Digits(text, 2, true);
    }
  }

  void String(std::string& text) {
    static const std::vector<std::string> kPieces = {"a",
                                                     "type",
                                                     "x y",
                                                     "\\\"",
                                                     "\\\\",
                                                     "\\/",
                                                     "\\b\\f\\n\\r\\t",
                                                     "\\u0041",
                                                     "\\u00e9",
                                                     "\\u20AC",
                                                     "\\ud83c\\udf0d",
                                                     "\xc3\xa9",
                                                     "\xe2\x82\xac",
                                                     "\xf0\x9f\x8c\x8d",
                                                     "\\u0000"};
    text += '"';
    const int count = Pick(4);
    for (int i = 0; i < count; ++i) text += kPieces[Pick(static_cast<int>(kPieces.size()))];
    text += '"';
  }

  void Value(std::string& text, int depth) {
    Blank(text);
    switch (depth > 5 ? Pick(3) : Pick(6)) {
      case 0:
        text += std::vector<std::string>{"null", "true", "false"}[Pick(3)];
        break;
      case 1:
        Number(text);
        break;
      case 2:
        String(text);
        break;
      case 3:
      case 4: {
        static const std::vector<std::string> kNames = {"\"a\"", "\"b\"", "\"coordinates\"",
                                                        "\"caf\\u00e9\"", "\"caf\xc3\xa9\""};
        text += '{';
        const int count = Pick(5);
        for (int i = 0; i < count; ++i) {
          if (i > 0) text += ',';
          Blank(text);
          text += kNames[Pick(static_cast<int>(kNames.size()))];
          Blank(text);
          text += ':';
          Value(text, depth + 1);
        }
        Blank(text);
        text += '}';
        break;
      }
      default: {
        text += '[';
        const int count = Pick(4);
        for (int i = 0; i < count; ++i) {
          if (i > 0) text += ',';
          Value(text, depth + 1);
        }
        Blank(text);
        text += ']';
      }
    }
    Blank(text);
  }

  std::mt19937 engine_;
};

// A byte deleted, inserted or replaced, from those that make or break JSON.
std::string Damage(std::string text, std::mt19937& engine) {
  static constexpr char kBytes[] =
      "{}[],:\" \\-+.0123456789eEtnu\x01\x7f\x80\xbf\xc0\xc3\xed\xf4\xff";
  const auto pick = [&engine](std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(engine);
  };
  const std::size_t at = pick(text.size() + 1);
  const char byte = kBytes[pick(sizeof(kBytes) - 1)];
  switch (pick(3)) {
    case 0:
      if (at < text.size()) text.erase(at, 1);
      break;
    case 1:
      text.insert(at, 1, byte);
      break;
    default:
      if (at < text.size()) text[at] = byte;
  }
  return text;
}

// The reader's value as nlohmann's: its numbers' and raw values' texts read by nlohmann.
Json AsNlohmann(const JsonValue& value) {
  switch (value.kind) {
    case JsonValue::Kind::kNull:
      return nullptr;
    case JsonValue::Kind::kBool:
      return value.text == "true";
    case JsonValue::Kind::kString:
      return value.text;
    case JsonValue::Kind::kNumber:
    case JsonValue::Kind::kRaw:
      return Json::parse(value.text);
    case JsonValue::Kind::kArray: {
      Json array = Json::array();
      for (const JsonValue& item : value.items) array.push_back(AsNlohmann(item));
      return array;
    }
    case JsonValue::Kind::kObject: {
      Json object = Json::object();
      for (const JsonMember& member : value.members) {
        if (object.contains(member.name)) ADD_FAILURE() << "a name kept twice: " << member.name;
        object[member.name] = AsNlohmann(member.value);
      }
      return object;
    }
  }
  return nullptr;
}

// Whether nlohmann refuses the text for a number beyond the largest double, which RFC 8259 leaves
// to the reader; GDAL's takes it as infinite, and so does this one.
bool Overflows(const std::string& text) {
  try {
    return Json::parse(text).is_discarded();  // parsed: no overflow
  } catch (const Json::exception& error) {
    return std::string(error.what()).find("number overflow") != std::string::npos;
  }
}

// Both readers accept the same texts and read the same values from them: a repeated name keeps
// its first place and takes its last value in both.
TEST(JsonReader, AcceptsAndReadsWhatNlohmannDoes) {
  RandomJson random(29);
  std::mt19937 engine(8259);
  int accepted = 0;
  for (int i = 0; i < testing::PropertyRounds(40000); ++i) {
    std::string text = random.Text();
    for (int damage = std::uniform_int_distribution<int>(0, 2)(engine); damage > 0; --damage) {
      text = Damage(text, engine);
    }
    const bool nlohmann_accepts = Json::accept(text);
    try {
      const JsonValue value = ReadJson(text);
      if (!nlohmann_accepts && Overflows(text)) continue;
      ASSERT_TRUE(nlohmann_accepts) << "accepted: " << text;
      ASSERT_EQ(AsNlohmann(value), Json::parse(text)) << text;
      ++accepted;
    } catch (const InputError& error) {
      ASSERT_FALSE(nlohmann_accepts) << "refused (" << error.what() << "): " << text;
      ASSERT_EQ(error.fault(), InputFault::kNotJson);
      ASSERT_LE(*error.offset(), text.size());
    }
  }
  EXPECT_GT(accepted, testing::PropertyRounds(10000));
}

// The layer's first field and the FID that names a refused feature, for each kind of id, as
// ogr2ogr -f SegmentFile prints them: a whole number from 0 up is the FID (the largest 64-bit
// integer for any beyond it); anything else makes "id" a field.
TEST(GeoJsonRecords, IdsOfEveryKindAndLength) {
  struct Case {
    const char* id;
    const char* fid;  // null: "id" is a field, and the feature is counted (1)
  };
  const Case cases[] = {{"0", "0"},
                        {"-0", "0"},
                        {"5", "5"},
                        {"9223372036854775807", "9223372036854775807"},
                        {"9223372036854775808", "9223372036854775807"},
                        {"123456789012345678901234567890", "9223372036854775807"},
                        {"-1", nullptr},
                        {"-9223372036854775809", nullptr},
                        {"1.0", nullptr},
                        {"1e2", nullptr},
                        {"\"7\"", nullptr},
                        {"true", nullptr},
                        {"[1]", nullptr},
                        {"null", "1"}};
  for (const Case& c : cases) {
    const std::string text =
        std::string(R"({"type": "FeatureCollection", "features": [)") +
        R"({"type": "Feature", "properties": {}, "geometry": {"type": "Point", "coordinates": [1, 2]}},)" +
        R"({"type": "Feature", "properties": {}, "id": )" + c.id +
        R"(, "geometry": {"type": "Point", "coordinates": [1, 2000]}}]})";
    const GeoJsonRecords records = ConvertGeoJson(text, "ids.geojson");
    EXPECT_TRUE(records.stopped) << c.id;
    const std::string field_warning = "attributes such as 'id' are not stored";
    EXPECT_EQ(records.messages.find(field_warning) != std::string::npos, c.fid == nullptr) << c.id;
    const std::string fid = c.fid ? c.fid : "1";
    EXPECT_NE(records.messages.find("Unable to write feature " + fid + " from layer ids."),
              std::string::npos)
        << c.id << "\n"
        << records.messages;
  }
}

// A repeated name takes its last value (the geometry written) but keeps its first place (the
// field named first).
TEST(GeoJsonRecords, RepeatedNamesTakeTheLastValue) {
  const GeoJsonRecords records = ConvertGeoJson(
      R"({"type": "Feature", "properties": {"b": 1, "a": 2, "b": 3},
          "geometry": {"type": "Point", "coordinates": [1, 2]},
          "geometry": {"type": "Point", "coordinates": [5, 6]}})",
      "x.geojson");
  EXPECT_EQ(records.records,
            (std::vector<unsigned char>{1, 0, 0, 0, 0, 0x2c, 0x01, 0x68, 0x01}));  // 300', 360'
  EXPECT_NE(records.messages.find("such as 'b'"), std::string::npos) << records.messages;
}

// An array of numbers and arrays together is no position and no list of them: refused, whichever
// comes first, at any depth; so is a position of something other than numbers.
TEST(GeoJsonRecords, MixedArraysAreRefused) {
  for (const char* coordinates :
       {"[7, [1, 2], [3, 4]]", "[[1, 2], 7, [3, 4]]", "[[1, 2], [3, 4], 7]", "[[1, [2]], [3, 4]]",
        "[[1, 2], []]", "[[1, 2], [3, \"4\"]]", "[[1, 2], [null, 4]]", "[[1, 2], [3, {}]]"}) {
    const std::string text =
        std::string(R"({"type": "LineString", "coordinates": )") + coordinates + "}";
    try {
      ConvertGeoJson(text, "x.geojson");
      ADD_FAILURE() << coordinates << " accepted";
    } catch (const InputError& error) {
      EXPECT_EQ(error.fault(), InputFault::kBadGeometry) << coordinates;
    }
  }
}

}  // namespace
}  // namespace coord2seg
