// The built plugin as GIS users meet it: loaded by GDAL's own programs and Python bindings from
// GDAL_DRIVER_PATH, and under a file-size limit that makes a write fail part way.
// SPDX-License-Identifier: MIT
#include <gdal_version.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "segment_file/segment_reader.h"
#include "tests/support/outside_tools.h"
#include "tests/support/random_segment_files.h"
#include "tests/support/run_program.h"
#include "tests/support/sanitized_build.h"
#include "tests/support/segment_bytes.h"

namespace coord2seg {
namespace {

using testing::Bytes;
using testing::ProgramResult;
using testing::ReadFileBytes;
using testing::RunProgram;
using testing::TempDir;
using testing::WriteFileBytes;

#ifdef COORD2SEG_COVERAGE_COUNTERS
constexpr bool kCoverageCounters = true;
#else
constexpr bool kCoverageCounters = false;
#endif

class GdalClients : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef COORD2SEG_SANITIZED
    GTEST_SKIP() << "a sanitized plugin loads only into sanitized programs";
#endif
  }
  // Under a file-size limit the program keeps SIGXFSZ's default action, as it has when a user
  // runs it under `ulimit -f`: a write past the limit would end it. Not so in a build with
  // coverage counters, whose writing at exit would pass the limit.
  ProgramResult Run(const std::string& program, const std::vector<std::string>& arguments,
                    long long file_size_limit = -1) {
    return RunProgram(program, arguments,
                      {.working_directory = dir_.path(),
                       .file_size_limit = file_size_limit,
                       .default_file_size_signal = !kCoverageCounters,
                       .extra_environment = {"GDAL_DRIVER_PATH=" GDAL_PLUGIN_DIR}});
  }
  TempDir dir_;
};

TEST_F(GdalClients, OgrinfoListsTheDriverForReadingAndWritingAndReadsAFile) {
  REQUIRE_TOOL(ogrinfo, "ogrinfo");
  const ProgramResult formats = Run(ogrinfo, {"--formats"});
  EXPECT_NE(formats.out.find("SegmentFile -vector- (rw+v): coord2seg segment file"),
            std::string::npos)
      << formats.out << formats.err;
  WriteFileBytes(dir_ / "coast.bin", testing::StoredRecord({{750, 2895}, {765, 2898}}));
  const ProgramResult info = Run(ogrinfo, {"-ro", "-al", "-q", "coast.bin"});
  EXPECT_EQ(info.exit_status, 0) << info.err;
  EXPECT_NE(info.out.find("LINESTRING (12.5 48.25,12.75 48.3)"), std::string::npos) << info.out;
}

TEST_F(GdalClients, PythonReadsTheFeatures) {
  SKIP_ON_WINDOWS("Debian's Python");
  const std::string python = "/usr/bin/python3";
  const ProgramResult probe =
      Run(python, {"-c", "from osgeo import gdal\nprint(gdal.VersionInfo('VERSION_NUM'))"});
  if (probe.exit_status != 0) {
    if (std::getenv("CI") != nullptr) FAIL() << "python3-gdal is missing: " << probe.err;
    GTEST_SKIP() << "python3-gdal is not installed";
  }
  // GDAL loads a plugin only into the minor version it was built for: a build against another
  // GDAL than the system's has no Python bindings to test with.
  if (std::atoll(probe.out.c_str()) / 10000 != GDAL_VERSION_NUM / 10000) {
    GTEST_SKIP() << "Python's GDAL is " << probe.out << "the plugin is built for "
                 << GDAL_RELEASE_NAME;
  }
  testing::RandomSegmentFiles random(5);
  std::string file;
  while (CheckSegmentFile(Bytes(file)).segments < 3) file += random.File();
  WriteFileBytes(dir_ / "r.bin", file);
  const ProgramResult result =
      Run(python, {"-c",
                   "from osgeo import ogr\n"
                   "dataset = ogr.Open('r.bin')\n"
                   "layer = dataset.GetLayer(0)\n"
                   "print(layer.GetFeatureCount(), sum(f['POINTS'] for f in layer))\n"});
  const SegmentFileCheck check = CheckSegmentFile(Bytes(file));
  EXPECT_EQ(result.out, std::to_string(check.segments) + " " + std::to_string(check.points) + "\n")
      << result.err;
}

// A write that would pass the file-size limit is reported, and leaves no file: the new file is
// written beside its name and given it only when the write is kept. The host is not ended by the
// limit's signal. Records of 17 bytes, and of 8 KiB, which GDAL's buffered writing would hand
// over in pieces.
TEST_F(GdalClients, AWriteThatFailsPartWayLeavesNoFileAndAnError) {
  REQUIRE_TOOL(ogr2ogr, "ogr2ogr");
  struct Case {
    std::size_t points;
    long long limit;
  };
  for (const auto [points, limit] : {Case{3, 12345}, Case{2048, 123456}}) {
    std::string file;
    for (int i = 0; i < 3000; ++i) {
      std::vector<StoredPoint> record(points, StoredPoint{2, 3});
      record[0].longitude = static_cast<std::int16_t>(i);
      file += testing::StoredRecord(record);
    }
    WriteFileBytes(dir_ / "in.bin", file);
    const ProgramResult result = Run(ogr2ogr, {"-f", "SegmentFile", "out.bin", "in.bin"}, limit);
    EXPECT_EQ(result.signal, 0);
    EXPECT_NE(result.err.find("cannot write 'out.bin': File too large (the file-size limit"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("no file is made at 'out.bin'"), std::string::npos) << result.err;
    EXPECT_NE(result.exit_status, 0);
    // Nothing beside the input: neither the target nor the file written beside it.
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      entries += entry.path().filename() != "in.bin";
    }
    EXPECT_EQ(entries, 0u);
  }
}

}  // namespace
}  // namespace coord2seg
