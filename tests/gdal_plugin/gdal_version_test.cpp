// The plugin in the GDAL it was built for, whichever that is: the layer's reference system and
// options reach the driver through the layer creation call of that version, as ogr2ogr makes it.
// SPDX-License-Identifier: MIT
#include <gdal_priv.h>
#include <gdal_version.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/gdal_plugin/gdal_session.h"
#include "tests/support/segment_bytes.h"

namespace coord2seg {
namespace {

using testing::CapturedErrors;
using testing::Ogr2ogr;
using testing::ReadVsiFile;
using testing::StoredRecord;
using testing::WriteVsiFile;

class GdalVersion : public ::testing::Test, protected testing::VsiScratch {
 protected:
  GdalVersion() : VsiScratch("/vsimem/gdal_version_test") {}
  testing::GdalSession gdal_;
};

TEST_F(GdalVersion, TheLibraryIsOfTheMinorVersionTheDriverWasBuiltFor) {
  EXPECT_EQ(std::atoll(GDALVersionInfo("VERSION_NUM")) / 10000, GDAL_VERSION_NUM / 10000)
      << "built with " << GDAL_RELEASE_NAME << ", running in " << GDALVersionInfo("RELEASE_NAME");
  EXPECT_NE(GetGDALDriverManager()->GetDriverByName("SegmentFile"), nullptr);
}

TEST_F(GdalVersion, ReferenceSystemAndOptionsReachTheDriverThroughOgr2ogr) {
  struct Case {
    std::vector<std::string> arguments;
    bool written;
    std::string error;  // part of the one error expected, when not written
  };
  const std::vector<Case> cases = {
      {{"-a_srs", "EPSG:4326", "-lco", "LONG_PARTS=REFUSE"}, true, ""},
      {{"-a_srs", "EPSG:3857"}, false, "-t_srs EPSG:4326"},
      {{"-lco", "LONG_PARTS=SOMETIMES"}, false, "LONG_PARTS is SPLIT or REFUSE, not 'SOMETIMES'"},
  };
  WriteVsiFile(At("line.geojson"),
               R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{},)"
               R"("geometry":{"type":"LineString","coordinates":[[12.5,48.25],[12.75,48.3]]}}]})");
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"-f", "SegmentFile"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const CapturedErrors errors;
    EXPECT_EQ(Ogr2ogr(At("out.bin"), At("line.geojson"), arguments), c.written)
        << c.arguments.back();
    if (c.written) {
      EXPECT_EQ(ReadVsiFile(At("out.bin")), StoredRecord({{750, 2895}, {765, 2898}}));
    } else {
      ASSERT_FALSE(errors.failures.empty()) << c.arguments.back();
      EXPECT_NE(errors.failures[0].find(c.error), std::string::npos) << errors.failures[0];
    }
    VSIUnlink(At("out.bin").c_str());
  }
}

}  // namespace
}  // namespace coord2seg
