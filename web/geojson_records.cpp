// GeoJSON features to segment file records.
// SPDX-License-Identifier: MIT
#include "web/geojson_records.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <set>
#include <span>

#include "common/geo_point.h"
#include "segment_file/part_records.h"
#include "web/input_error.h"
#include "web/json_reader.h"

namespace coord2seg {
namespace {

const std::string* StringMember(const JsonValue& object, std::string_view name) {
  const JsonValue* member = object.Find(name);
  return member && member->kind == JsonValue::Kind::kString ? &member->text : nullptr;
}

// The FID GDAL's reader takes from a feature's "id": a whole number from 0 up, those beyond the
// largest 64-bit integer taken as the largest (json-c's reading); none for a negative number, a
// fraction or anything else, which makes "id" a field instead.
std::optional<std::int64_t> IntegerId(const JsonValue& feature) {
  const JsonValue* id = feature.Find("id");
  if (!id || id->kind != JsonValue::Kind::kNumber ||
      id->text.find_first_of(".eE") != std::string::npos) {
    return std::nullopt;
  }
  std::string_view digits = id->text;
  const bool negative = digits.front() == '-';
  if (negative) digits.remove_prefix(1);
  constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();
  std::int64_t value = 0;
  for (const char digit : digits) {
    if (value > (kLargest - (digit - '0')) / 10)
      return negative ? std::nullopt : std::optional(kLargest);
    value = value * 10 + (digit - '0');
  }
  if (negative && value != 0) return std::nullopt;
  return value;
}

// The FID GDAL takes from an "id" once ids are FIDs, as json-c reads any value as a 64-bit
// integer: fractions cut toward zero and values beyond the range at its ends, the integer a
// string starts with (0 when none), true as 1, anything else as 0.
std::int64_t IdAsInteger(const JsonValue& id) {
  constexpr double kLargest = 9223372036854775807.0;
  switch (id.kind) {
    case JsonValue::Kind::kNumber:
    case JsonValue::Kind::kString: {
      errno = 0;
      char* end = nullptr;
      if (id.kind == JsonValue::Kind::kString ||
          id.text.find_first_of(".eE") == std::string::npos) {
        const long long value = std::strtoll(id.text.c_str(), &end, 10);
        return end == id.text.c_str() ? 0 : value;  // strtoll saturates, as json-c does
      }
      const double value = std::strtod(id.text.c_str(), &end);
      if (value >= kLargest) return std::numeric_limits<std::int64_t>::max();
      if (value <= -kLargest) return std::numeric_limits<std::int64_t>::min();
      return static_cast<std::int64_t>(value);
    }
    case JsonValue::Kind::kBool:
      return id.text == "true" ? 1 : 0;
    default:
      return 0;
  }
}

// The points of one feature and where each of its parts ends.
class FeatureParts {
 public:
  explicit FeatureParts(double most_whole) : most_whole_(most_whole) {}

  void Collect(const JsonValue* geometry) {
    points_.clear();
    ends_.clear();
    if (geometry && geometry->kind == JsonValue::Kind::kObject) Add(*geometry);
  }

  std::vector<std::span<const GeoPoint>> Spans() const {
    std::vector<std::span<const GeoPoint>> spans;
    std::size_t begin = 0;
    for (const std::size_t end : ends_) {
      spans.push_back(std::span(points_).subspan(begin, end - begin));
      begin = end;
    }
    return spans;
  }

 private:
  // How deep a type's positions lie, and the depth of the arrays that end a part (0: every
  // position is a part).
  struct Nesting {
    std::string_view type;
    int position_depth;
    int part_depth;
  };
  static constexpr Nesting kNestings[] = {{"Point", 1, 0},      {"MultiPoint", 2, 0},
                                          {"LineString", 2, 1}, {"MultiLineString", 3, 2},
                                          {"Polygon", 3, 2},    {"MultiPolygon", 4, 3}};

  void EndPart() {
    if (points_.size() > (ends_.empty() ? 0 : ends_.back())) ends_.push_back(points_.size());
  }

  void Add(const JsonValue& geometry) {
    const std::string* type = StringMember(geometry, "type");
    if (type && *type == "GeometryCollection") {
      const JsonValue* members = geometry.Find("geometries");
      if (!members) return;
      for (const JsonValue& member : members->items) {
        if (member.kind == JsonValue::Kind::kObject) Add(member);
      }
      return;
    }
    for (const Nesting& nesting : kNestings) {
      if (type && *type == nesting.type) return AddCoordinates(geometry, nesting);
    }
    throw InputError(InputFault::kBadGeometry,
                     "unknown geometry type '" + (type ? *type : std::string("(none)")) + "'");
  }

  void AddCoordinates(const JsonValue& geometry, const Nesting& nesting) {
    const JsonValue* coordinates = geometry.Find("coordinates");
    if (!coordinates || coordinates->kind != JsonValue::Kind::kRaw) return;
    RawArrayReader reader(coordinates->text, most_whole_);
    reader.Walk(
        [&](const std::vector<double>& values, int depth) {
          // An empty list of parts or points, or an empty Point: nothing to add. An empty
          // position among others is malformed, as GDAL takes it too.
          if (values.empty() && (depth < nesting.position_depth || depth == 1)) return;
          if (depth != nesting.position_depth || values.size() < 2) {
            throw InputError(InputFault::kBadGeometry,
                             std::string(nesting.type) + " with malformed coordinates");
          }
          points_.push_back({values[0], values[1]});
          if (nesting.part_depth == 0) EndPart();
        },
        [&](int depth) {
          if (depth == nesting.part_depth) EndPart();
        });
    EndPart();
  }

  double most_whole_;
  std::vector<GeoPoint> points_;
  std::vector<std::size_t> ends_;
};

std::string Stem(std::string_view file_name) {
  const std::size_t slash = file_name.find_last_of('/');
  if (slash != std::string_view::npos) file_name.remove_prefix(slash + 1);
  const std::size_t dot = file_name.rfind('.');
  return std::string(file_name.substr(0, dot == 0 ? file_name.size() : dot));
}

// The attribute fields GDAL's reader makes of the features, as far as the first of them goes:
// each feature lists its fields in order ("id" first when it is one, then the properties' names,
// or with no "properties" member the feature's other members), and the layer orders all of them
// so as to keep each feature's order where features agree, ties by name.
class FieldOrder {
 public:
  void Add(const JsonValue& feature) {
    int previous = -1;
    const JsonValue* id = feature.Find("id");
    if (id && id->kind != JsonValue::Kind::kNull) {
      if (id_field_ < 0) {
        // An integer id decides whether ids are FIDs (from 0 up) or not; one of another kind
        // leaves that as it was. Ids that are not FIDs are a field, unless a property is.
        if (id->kind == JsonValue::Kind::kNumber &&
            id->text.find_first_of(".eE") == std::string::npos) {
          ids_are_fids_ = IntegerId(feature).has_value();
        }
        const JsonValue* properties = feature.Find("properties");
        if (!ids_are_fids_ && !(properties && properties->Find("id"))) {
          id_field_ = previous = Node("id");
        }
      } else {
        previous = id_field_;
      }
    }
    const JsonValue* properties = feature.Find("properties");
    if (properties && properties->kind == JsonValue::Kind::kObject) {
      for (const JsonMember& member : properties->members) Follow(previous, member.name);
    } else if (!properties) {
      for (const JsonMember& member : feature.members) {
        if (member.name != "type" && member.name != "geometry" && member.name != "centroid" &&
            member.name != "bbox" && member.name != "center" && !Known(member.name)) {
          Follow(previous, member.name);
        }
      }
    }
  }

  // Whether the features' ids became a field, and whether they are the FIDs.
  bool ids_are_fields() const { return id_field_ >= 0; }
  bool ids_are_fids() const { return ids_are_fids_; }

  // The first field: of the names nothing must come before, the least. Empty when none.
  std::string First() const {
    const std::string* first = nullptr;
    for (std::size_t i = 0; i < names_.size(); ++i) {
      if (incoming_[i] == 0 && (!first || names_[i] < *first)) first = &names_[i];
    }
    return first ? *first : std::string();
  }

 private:
  bool Known(const std::string& name) const {
    return std::find(names_.begin(), names_.end(), name) != names_.end();
  }

  int Node(const std::string& name) {
    const auto found = std::find(names_.begin(), names_.end(), name);
    if (found != names_.end()) return static_cast<int>(found - names_.begin());
    names_.push_back(name);
    outgoing_.emplace_back();
    incoming_.push_back(0);
    return static_cast<int>(names_.size()) - 1;
  }

  // `name` comes after the field `previous` (if any) in a feature, unless the other order is
  // already implied; `previous` becomes `name`.
  void Follow(int& previous, const std::string& name) {
    const int node = Node(name);
    if (previous >= 0 && previous != node && !outgoing_[previous].contains(node) &&
        !Reaches(node, previous)) {
      outgoing_[previous].insert(node);
      ++incoming_[node];
    }
    previous = node;
  }

  bool Reaches(int from, int to) const {
    std::vector<int> stack = {from};
    std::vector<bool> seen(names_.size());
    seen[from] = true;
    while (!stack.empty()) {
      const int node = stack.back();
      stack.pop_back();
      if (node == to) return true;
      for (const int next : outgoing_[node]) {
        if (!seen[next]) {
          seen[next] = true;
          stack.push_back(next);
        }
      }
    }
    return false;
  }

  std::vector<std::string> names_;
  std::vector<std::set<int>> outgoing_;
  std::vector<int> incoming_;
  int id_field_ = -1;
  bool ids_are_fids_ = false;
};

void Say(std::string& messages, const PartMessage& message) {
  messages += message.severity == PartMessage::Severity::kError ? "ERROR 1: SegmentFile: "
                                                                : "Warning 1: SegmentFile: ";
  messages += message.text;
  messages += '\n';
}

}  // namespace

GeoJsonRecords ConvertGeoJson(std::string_view text, std::string_view file_name) {
  const JsonValue root = ReadJson(text);
  const std::string* type =
      root.kind == JsonValue::Kind::kObject ? StringMember(root, "type") : nullptr;
  if (!type) {
    throw InputError(InputFault::kNotGeoJson, "not GeoJSON: no \"type\" member at the top");
  }
  std::vector<const JsonValue*> features;
  JsonValue wrapped;  // a bare geometry, as the feature GDAL makes of it
  std::string layer = Stem(file_name);
  if (*type == "FeatureCollection") {
    if (const std::string* name = StringMember(root, "name")) layer = *name;
    if (const JsonValue* members = root.Find("features")) {
      for (const JsonValue& feature : members->items) {
        if (feature.kind == JsonValue::Kind::kObject) features.push_back(&feature);
      }
    }
  } else if (*type == "Feature") {
    features.push_back(&root);
  } else {
    // GDAL reads no feature at all from an empty Point or Polygon alone (though it does from any
    // other empty geometry, and from these in a feature): ogr2ogr fails, and so does this.
    const JsonValue* coordinates = root.Find("coordinates");
    if ((*type == "Point" || *type == "Polygon") && coordinates &&
        coordinates->kind == JsonValue::Kind::kRaw &&
        coordinates->text.find_first_not_of("[] \t\n\r") == std::string::npos &&
        std::count(coordinates->text.begin(), coordinates->text.end(), '[') == 1) {
      throw InputError(InputFault::kBadGeometry,
                       "an empty " + *type + " alone, from which GDAL reads no feature");
    }
    wrapped.kind = JsonValue::Kind::kObject;
    wrapped.members.push_back({"geometry", root});
    features.push_back(&wrapped);
  }

  GeoJsonRecords result;
  FieldOrder fields;
  for (const JsonValue* feature : features) fields.Add(*feature);
  const bool ids_are_fields = fields.ids_are_fields();
  const std::string first_field = fields.First();
  if (!first_field.empty()) {
    Say(result.messages, {PartMessage::Severity::kWarning,
                          "a segment file keeps geometries alone; attributes such as '" +
                              first_field + "' are not stored"});
  }
  // Source FIDs, which ogr2ogr names a refused feature by: the ids once an integer id from 0 up
  // has made them FIDs, and a count from 0 for the features without one; all counted when "id"
  // is a field.
  const bool ids_are_fids = !ids_are_fields && fields.ids_are_fids();
  std::int64_t next_fid = 0;
  PartRecords records;
  // GDAL reads a FeatureCollection with a reader of its own, whose whole numbers are signed.
  FeatureParts parts(*type == "FeatureCollection" ? 9223372036854775808.0 : 18446744073709551616.0);
  for (std::size_t index = 0; index < features.size(); ++index) {
    const JsonValue& feature = *features[index];
    const JsonValue* id = feature.Find("id");
    const std::int64_t fid =
        ids_are_fids && id && id->kind != JsonValue::Kind::kNull ? IdAsInteger(*id) : next_fid++;
    try {
      parts.Collect(feature.Find("geometry"));
    } catch (const InputError& error) {
      throw InputError(error.fault(), "feature " + std::to_string(index + 1) + ": " + error.what());
    }
    const FeatureOutcome outcome = records.Add(parts.Spans(), std::nullopt, result.records);
    if (outcome.message)
      Say(result.messages, NameFeatureByPlace(*outcome.message, records.features()));
    if (!outcome.written && outcome.message) {
      result.messages += "ERROR 1: Unable to write feature " + std::to_string(fid) +
                         " from layer " + layer + ".\nERROR 1: Terminating translation " +
                         "prematurely after failed\ntranslation of layer " + layer +
                         " (use -skipfailures to skip errors)\n";
      // ogr2ogr's write is then given up whole: the plugin makes no file.
      result.stopped = true;
      result.records.clear();
      break;
    }
  }
  for (const PartMessage& message : records.Summary()) Say(result.messages, message);
  return result;
}

}  // namespace coord2seg
