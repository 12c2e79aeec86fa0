#include "web/geojson_records.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <span>

#include "common/geo_point.h"
#include "common/run_error.h"
#include "segment_file/part_records.h"
#include "web/json_reader.h"

namespace coord2seg {
namespace {

const std::string* StringMember(const JsonValue& object, std::string_view name) {
  const JsonValue* member = object.Find(name);
  return member && member->kind == JsonValue::Kind::kString ? &member->text : nullptr;
}

std::optional<std::int64_t> IntegerId(const JsonValue& feature) {
  const JsonValue* id = feature.Find("id");
  if (!id || id->kind != JsonValue::Kind::kNumber ||
      id->text.find_first_of(".eE") != std::string::npos) {
    return std::nullopt;
  }
  return std::stoll(id->text);
}

// The points of one feature and where each of its parts ends.
class FeatureParts {
 public:
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
    throw RunError("unknown geometry type '" + (type ? *type : std::string("(none)")) + "'");
  }

  void AddCoordinates(const JsonValue& geometry, const Nesting& nesting) {
    const JsonValue* coordinates = geometry.Find("coordinates");
    if (!coordinates || coordinates->kind != JsonValue::Kind::kRaw) return;
    RawArrayReader reader(coordinates->text);
    reader.Walk(
        [&](const std::vector<double>& values, int depth) {
          if (depth != nesting.position_depth || values.size() < 2) {
            throw RunError(std::string(nesting.type) + " with malformed coordinates");
          }
          points_.push_back({values[0], values[1]});
          if (nesting.part_depth == 0) EndPart();
        },
        [&](int depth) {
          if (depth == nesting.part_depth) EndPart();
        });
    EndPart();
  }

  std::vector<GeoPoint> points_;
  std::vector<std::size_t> ends_;
};

std::string Stem(std::string_view file_name) {
  const std::size_t slash = file_name.find_last_of('/');
  if (slash != std::string_view::npos) file_name.remove_prefix(slash + 1);
  const std::size_t dot = file_name.rfind('.');
  return std::string(file_name.substr(0, dot == 0 ? file_name.size() : dot));
}

// The first attribute field of the layer GDAL's reader makes: "id" when a feature has an id that
// is not a whole number, else the first of the properties' names in an order that keeps each
// feature's order of them (of those no name must come before, the one seen first). Empty when there
// is none.
std::string FirstFieldName(const std::vector<const JsonValue*>& features) {
  std::vector<std::string> names;  // as first seen
  std::vector<bool> follows;       // whether some feature lists a name before it
  auto index_of = [&](const std::string& name) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i] == name) return i;
    }
    names.push_back(name);
    follows.push_back(false);
    return names.size() - 1;
  };
  for (const JsonValue* feature : features) {
    const JsonValue* id = feature->Find("id");
    if (id && id->kind != JsonValue::Kind::kNull && !IntegerId(*feature)) return "id";
  }
  for (const JsonValue* feature : features) {
    const JsonValue* properties = feature->Find("properties");
    if (!properties) continue;
    for (std::size_t i = 0; i < properties->members.size(); ++i) {
      const std::size_t at = index_of(properties->members[i].first);
      if (i > 0) follows[at] = true;
    }
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (!follows[i]) return names[i];
  }
  return names.empty() ? std::string() : names.front();
}

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
  if (!type) throw RunError("not GeoJSON: no \"type\" member at the top");
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
    wrapped.kind = JsonValue::Kind::kObject;
    wrapped.members.emplace_back("geometry", root);
    features.push_back(&wrapped);
  }

  GeoJsonRecords result;
  const std::string first_field = FirstFieldName(features);
  if (!first_field.empty()) {
    Say(result.messages, {PartMessage::Severity::kWarning,
                          "a segment file keeps geometries alone; attributes such as '" +
                              first_field + "' are not stored"});
  }
  // Source FIDs, which ogr2ogr names a refused feature by: the integer ids, and a count from 0
  // for the features without one; all counted when "id" is a field.
  const bool ids_are_fields = first_field == "id";
  std::int64_t next_fid = 0;
  PartRecords records;
  FeatureParts parts;
  for (std::size_t index = 0; index < features.size(); ++index) {
    const JsonValue& feature = *features[index];
    const std::optional<std::int64_t> id = ids_are_fields ? std::nullopt : IntegerId(feature);
    const std::int64_t fid = id ? *id : next_fid++;
    try {
      parts.Collect(feature.Find("geometry"));
    } catch (const RunError& error) {
      throw RunError("feature " + std::to_string(index + 1) + ": " + error.what());
    }
    const FeatureOutcome outcome = records.Add(parts.Spans(), std::nullopt, result.records);
    if (outcome.message) Say(result.messages, *outcome.message);
    if (!outcome.written && outcome.message) {
      result.messages += "ERROR 1: Unable to write feature " + std::to_string(fid) +
                         " from layer " + layer + ".\nERROR 1: Terminating translation " +
                         "prematurely after failed\ntranslation of layer " + layer +
                         " (use -skipfailures to skip errors)\n";
      result.stopped = true;
      break;
    }
  }
  for (const PartMessage& message : records.Summary()) Say(result.messages, message);
  return result;
}

}  // namespace coord2seg
