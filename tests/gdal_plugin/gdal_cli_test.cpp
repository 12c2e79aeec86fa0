// `gdal vector convert`, the command line of GDAL 3.11 and later, against ogr2ogr: the same
// flags give the same bytes (or both fail and leave the target as it was). Skipped where the
// `gdal` program of the plugin's GDAL is not on PATH.
// SPDX-License-Identifier: MIT
#include <gdal_version.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/outside_tools.h"
#include "tests/support/run_program.h"
#include "tests/support/segment_bytes.h"

namespace coord2seg {
namespace {

using testing::ProgramResult;
using testing::ReadFileBytes;
using testing::RunProgram;
using testing::TempDir;
using testing::WriteFileBytes;

constexpr const char* kLines =
    R"({"type":"FeatureCollection","features":[)"
    R"({"type":"Feature","properties":{"name":"a"},"geometry":{"type":"LineString",)"
    R"("coordinates":[[12.5,48.25],[12.75,48.3],[190,-0.375]]}},)"
    R"({"type":"Feature","properties":{"name":"b"},"geometry":{"type":"MultiLineString",)"
    R"("coordinates":[[[10,50],[10.5,50.5]],[[11,51]]]}},)"
    R"({"type":"Feature","properties":{"name":"c"},"geometry":{"type":"Point",)"
    R"("coordinates":[-0.5,0.5]}}]})";
constexpr const char* kProjected =
    R"({"type":"FeatureCollection","crs":{"type":"name","properties":{"name":)"
    R"("urn:ogc:def:crs:EPSG::3857"}},"features":[{"type":"Feature","properties":{},)"
    R"("geometry":{"type":"LineString","coordinates":[[1000,2000],[3000,4000]]}}]})";

class GdalCommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_ON_WINDOWS("GDAL's programs are Linux programs here");
    gdal_ = testing::FindTool("gdal");
    ogr2ogr_ = testing::FindTool("ogr2ogr");
    if (gdal_.empty() || ogr2ogr_.empty()) GTEST_SKIP() << "no `gdal` program (GDAL 3.11+)";
    // The program must be of the GDAL the plugin is built for, which alone loads it.
    const std::string ours = "GDAL " + std::to_string(GDAL_VERSION_MAJOR) + "." +
                             std::to_string(GDAL_VERSION_MINOR) + ".";
    const ProgramResult version = Run(gdal_, {"--version"});
    if (version.out.rfind(ours, 0) != 0) {
      GTEST_SKIP() << "`gdal` is " << version.out << "the plugin is built for " << ours;
    }
  }
  ProgramResult Run(const std::string& program, const std::vector<std::string>& arguments) {
    return RunProgram(program, arguments,
                      {.working_directory = dir_.path(),
                       .extra_environment = {"GDAL_DRIVER_PATH=" GDAL_PLUGIN_DIR}});
  }
  std::string gdal_, ogr2ogr_;
  TempDir dir_;
};

TEST_F(GdalCommandLine, VectorConvertWritesWhatOgr2ogrWrites) {
  const std::string old = testing::StoredRecord({{1, 2}, {3, 4}});
  const std::string none = "<none>";
  struct Case {
    std::string source;  // lines.geojson, projected.geojson or old.bin
    std::string before;  // the target's bytes, or none
    std::vector<std::string> ogr2ogr_flags, gdal_flags;
  };
  const std::vector<Case> cases = {
      {"lines.geojson", none, {}, {}},
      {"lines.geojson", none, {"-lco", "WRAP_LONGITUDE=NO"}, {"--lco", "WRAP_LONGITUDE=NO"}},
      {"lines.geojson", none, {"-lco", "LONG_PARTS=NEVER"}, {"--lco", "LONG_PARTS=NEVER"}},
      {"lines.geojson", old, {"-append"}, {"--append"}},
      {"lines.geojson", old, {"-overwrite"}, {"--overwrite"}},
      {"old.bin", none, {}, {}},
      {"old.bin", old, {"-append"}, {"--append"}},
      {"projected.geojson", none, {}, {}},
      {"projected.geojson", old, {"-append"}, {"--append"}},
  };
  WriteFileBytes(dir_ / "lines.geojson", kLines);
  WriteFileBytes(dir_ / "projected.geojson", kProjected);
  WriteFileBytes(dir_ / "old.bin", old);
  for (const Case& c : cases) {
    std::vector<std::string> by_ogr2ogr = {"-f", "SegmentFile"};
    by_ogr2ogr.insert(by_ogr2ogr.end(), c.ogr2ogr_flags.begin(), c.ogr2ogr_flags.end());
    by_ogr2ogr.insert(by_ogr2ogr.end(), {"a.bin", c.source});
    std::vector<std::string> by_gdal = {"vector", "convert", "--output-format", "SegmentFile"};
    by_gdal.insert(by_gdal.end(), c.gdal_flags.begin(), c.gdal_flags.end());
    by_gdal.insert(by_gdal.end(), {c.source, "b.bin"});
    std::filesystem::remove(dir_ / "a.bin");
    std::filesystem::remove(dir_ / "b.bin");
    if (c.before != none) {
      WriteFileBytes(dir_ / "a.bin", c.before);
      WriteFileBytes(dir_ / "b.bin", c.before);
    }
    const ProgramResult first = Run(ogr2ogr_, by_ogr2ogr);
    const ProgramResult second = Run(gdal_, by_gdal);
    std::string what = c.source;
    for (const std::string& flag : c.gdal_flags) what += " " + flag;
    EXPECT_EQ(first.exit_status == 0, second.exit_status == 0)
        << what << "\nogr2ogr: " << first.err << "\ngdal: " << second.err;
    const bool a = std::filesystem::exists(dir_ / "a.bin");
    const bool b = std::filesystem::exists(dir_ / "b.bin");
    EXPECT_EQ(a, b) << what << "\nogr2ogr: " << first.err << "\ngdal: " << second.err;
    if (a && b) {
      EXPECT_EQ(ReadFileBytes(dir_ / "b.bin"), ReadFileBytes(dir_ / "a.bin"))
          << what << "\ngdal: " << second.err;
    }
  }
}

}  // namespace
}  // namespace coord2seg
