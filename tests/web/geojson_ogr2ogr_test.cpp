// The web module's GeoJSON reader against `ogr2ogr -f SegmentFile` with this build's plugin, on
// generated documents: the same bytes, the same lines on stderr, the same stop; and a refusal
// where GDAL drops a malformed geometry.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/outside_tools.h"
#include "tests/support/run_program.h"
#include "tests/support/sanitized_build.h"
#include "web/geojson_records.h"
#include "web/input_error.h"

namespace coord2seg {
namespace {

using testing::ProgramResult;
using testing::ReadFileBytes;
using testing::RunProgram;
using testing::TempDir;
using testing::WriteFileBytes;

// Documents of every shape GDAL reads: collections, features and bare geometries; each geometry
// type, empty parts, Z values, closed and open rings; ids and properties of every kind, repeated
// names; numbers of 0 to 20 decimals and exponents, whole numbers beyond 64 bits; values out of
// range, which stop ogr2ogr. One in twenty features has a malformed geometry (`malformed` is then
// set).
class RandomGeoJson {
 public:
  explicit RandomGeoJson(std::uint32_t seed) : engine_(seed) {}

  std::string Document(bool& malformed) {
    malformed_ = false;
    std::string text;
    const int kind = Pick(10);
    if (kind < 7) {
      text = R"({"type": "FeatureCollection", )";
      if (Pick(3) == 0) text += R"("name": "first", )";
      if (Pick(4) == 0) text += R"("name": "named", )";
      text += R"("features": [)";
      const int count = Pick(6);
      for (int i = 0; i < count; ++i) text += (i ? ", " : "") + Feature();
      text += "]}";
    } else if (kind < 9) {
      text = Feature();
    } else {
      text = Geometry(0);
    }
    malformed = malformed_;
    return text;
  }

 private:
  int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(engine_); }

  std::string Number(double low, double high) {
    const double value = std::uniform_real_distribution<double>(low, high)(engine_);
    char text[64];
    switch (Pick(6)) {
      case 0:
        std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
        break;
      case 1:
        std::snprintf(text, sizeof text, "%.17g", value);
        break;
      case 2:
        std::snprintf(text, sizeof text, "%.6e", value);
        break;
      default:
        std::snprintf(text, sizeof text, "%.*f", Pick(21), value);
    }
    return text;
  }

  std::string Position() {
    // One in forty values lies beyond what 16 bits of minutes hold.
    const bool out = Pick(40) == 0;
    std::string text = "[" + Number(-200, out ? 700 : 560) + ", " + Number(-90, out ? 600 : 90);
    // Now and then a whole number beyond 64 bits, which GDAL holds at the nearest end.
    if (Pick(100) == 0) {
      text = std::string(Pick(2) ? "[-" : "[") + "123456789012345678901234567, 1";
    }
    if (Pick(4) == 0) text += ", " + Number(-100, 9000);
    return text + "]";
  }

  std::string Points(int most, bool ring) {
    std::vector<std::string> points;
    const int count = Pick(most + 1);
    for (int i = 0; i < count; ++i) points.push_back(Position());
    if (ring && count > 2 && Pick(4) != 0) points.back() = points.front();  // closed, mostly
    std::string text = "[";
    for (std::size_t i = 0; i < points.size(); ++i) text += (i ? ", " : "") + points[i];
    return text + "]";
  }

  std::string Nested(int levels, bool ring) {
    if (levels == 0) return Points(6, ring);
    std::string text = "[";
    const int count = Pick(3);
    for (int i = 0; i < count; ++i) text += (i ? ", " : "") + Nested(levels - 1, ring);
    return text + "]";
  }

  std::string Geometry(int depth) {
    static const char* kTypes[] = {
        "Point",   "MultiPoint",   "LineString",        "MultiLineString",
        "Polygon", "MultiPolygon", "GeometryCollection"};
    const std::string type = kTypes[Pick(depth == 0 ? 7 : 6)];
    std::string text = R"({"type": ")" + type + "\", ";
    if (type == "GeometryCollection") {
      text += R"("geometries": [)";
      const int count = Pick(4);
      for (int i = 0; i < count; ++i) text += (i ? ", " : "") + Geometry(depth + 1);
      return text + "]}";
    }
    std::string coordinates;
    if (faults_ && Pick(20) == 0) {
      malformed_ = true;
      coordinates = std::vector<std::string>{"[7, [1, 2]]", "[[1, 2], 7]", "[[1, 2], []]",
                                             "[[1, [2]]]", "[[1, \"2\"]]"}[Pick(5)];
    } else if (type == "Point") {
      coordinates = Position();
    } else {
      const int levels = type == "MultiPoint" || type == "LineString"     ? 0
                         : type == "MultiLineString" || type == "Polygon" ? 1
                                                                          : 2;
      coordinates = Nested(levels, type.find("Polygon") != std::string::npos);
    }
    return text + R"("coordinates": )" + coordinates + "}";
  }

  std::string Feature() {
    // (Ids beyond 32 bits among others make GDAL warn of its own field's type: left to the
    // table of ids in json_reader_test.cpp.)
    static const char* kIds[] = {"3", "0", "-4", "17", "2.5", "\"x\"", "null"};
    static const char* kValues[] = {"1", "\"text\"", "null", "[1, 2]", "{\"n\": 1}", "2.5"};
    std::vector<std::string> members = {R"("type": "Feature")"};
    if (Pick(3) == 0) members.push_back(std::string(R"("id": )") + kIds[Pick(7)]);
    if (Pick(4) == 0) {
      members.push_back(R"("properties": null)");
    } else {
      std::string properties = R"("properties": {)";
      const int count = Pick(4);
      for (int i = 0; i < count; ++i) {
        properties +=
            std::string(i ? ", " : "") + "\"" + "abc"[Pick(3)] + "\": " + kValues[Pick(6)];
      }
      members.push_back(properties + "}");
    }
    // Now and then a second geometry, which counts instead of the first (both well formed).
    const bool twice = Pick(10) == 0;
    faults_ = !twice;
    members.push_back(R"("geometry": )" + (Pick(8) == 0 ? std::string("null") : Geometry(1)));
    if (twice) members.push_back(R"("geometry": )" + Geometry(1));
    faults_ = true;
    std::shuffle(members.begin() + 1, members.end(), engine_);
    std::string text = "{";
    for (std::size_t i = 0; i < members.size(); ++i) text += (i ? ", " : "") + members[i];
    return text + "}";
  }

  std::mt19937 engine_;
  bool malformed_ = false;
  bool faults_ = true;  // whether a malformed geometry may come now
};

// GDAL's GeoJSON reader has warnings of its own, which the page does not repeat: of each ring
// that is not closed (once for each time it reads the feature), of an id that does not fit the
// type it gave its "id" field. The records are the same; the driver's and ogr2ogr's lines stay.
std::string WithoutReaderWarnings(const std::string& messages) {
  std::string kept;
  std::size_t start = 0;
  while (start < messages.size()) {
    const std::size_t end = messages.find('\n', start);
    const std::string line = messages.substr(start, end - start + 1);
    // The page makes no file, so the plugin's word on the file it gives up is not the page's.
    const bool gives_up_file = line.starts_with("Warning 1: SegmentFile: the write is given up");
    if ((!line.starts_with("Warning 1: ") || line.starts_with("Warning 1: SegmentFile: ")) &&
        !gives_up_file) {
      kept += line;
    }
    start = end == std::string::npos ? messages.size() : end + 1;
  }
  return kept;
}

TEST(GeoJsonAgainstOgr2ogr, GeneratedDocumentsGiveTheSameBytesAndMessages) {
#ifdef COORD2SEG_SANITIZED
  GTEST_SKIP() << "a sanitized plugin loads only into sanitized programs";
#endif
  REQUIRE_TOOL(ogr2ogr, "ogr2ogr");
  TempDir dir;
  RandomGeoJson random(7946);
  int compared = 0;
  int refused = 0;
  for (int i = 0; i < 200; ++i) {
    bool malformed = false;
    const std::string document = random.Document(malformed);
    const std::string name = "doc" + std::to_string(i) + ".geojson";
    WriteFileBytes(dir / name, document);
    const ProgramResult gdal =
        RunProgram(ogr2ogr, {"-f", "SegmentFile", "out.bin", name},
                   {.working_directory = dir.path(),
                    .extra_environment = {"GDAL_DRIVER_PATH=" GDAL_PLUGIN_DIR}});
    const std::string written = ReadFileBytes(dir / "out.bin");
    std::filesystem::remove(dir / "out.bin");
    if (malformed) {
      // GDAL drops the geometry (the feature is passed over) or the whole bare geometry; this
      // reader says so instead.
      try {
        // Accepted only when a feature before it was refused, where ogr2ogr stops too.
        EXPECT_TRUE(ConvertGeoJson(document, name).stopped)
            << "a malformed geometry accepted: " << document;
      } catch (const InputError& error) {
        EXPECT_EQ(error.fault(), InputFault::kBadGeometry) << document;
      }
      EXPECT_TRUE(gdal.exit_status != 0 ||
                  gdal.err.find("had no geometry or an empty one") != std::string::npos)
          << document << "\n"
          << gdal.err;
      ++refused;
      continue;
    }
    GeoJsonRecords ours;
    try {
      ours = ConvertGeoJson(document, name);
    } catch (const InputError& error) {
      // An empty Point or Polygon alone, from which GDAL reads nothing.
      EXPECT_NE(gdal.err.find("Failed to read GeoJSON data"), std::string::npos) << document << "\n"
                                                                                 << error.what();
      EXPECT_EQ(document.find("Feature"), std::string::npos) << document;
      continue;
    }
    ASSERT_EQ(std::string(ours.records.begin(), ours.records.end()), written) << document;
    ASSERT_EQ(ours.messages, WithoutReaderWarnings(gdal.err)) << document;
    ASSERT_EQ(ours.stopped, gdal.exit_status != 0) << document << "\n" << gdal.err;
    ++compared;
  }
  EXPECT_GT(compared, 150);
  EXPECT_GT(refused, 5);
}

}  // namespace
}  // namespace coord2seg
