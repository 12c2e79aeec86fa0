// Records of one point as GDAL reads them: a one-point LineString by default, with one warning a
// layer that names the open option, or a Point under ONE_POINT_RECORDS=POINT.
// SPDX-License-Identifier: MIT
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/gdal_plugin/gdal_session.h"
#include "tests/support/segment_bytes.h"

namespace coord2seg {
namespace {

using testing::CapturedErrors;
using testing::StoredRecord;

class OnePointRecords : public ::testing::Test, protected testing::VsiScratch {
 protected:
  OnePointRecords() : VsiScratch("/vsimem/one_point_records_test") {}
  testing::GdalSession gdal_;
};

// The geometries' WKT over `passes` readings of the file's layer, with the warnings given.
struct Reading {
  std::vector<std::string> wkts;
  std::vector<std::string> warnings;
};

Reading Read(const std::string& path, const std::vector<std::string>& open_options, int passes) {
  Reading reading;
  const CapturedErrors errors;
  const testing::GdalArguments options(open_options);
  GDALDatasetUniquePtr dataset(
      GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR, nullptr, options.list()));
  if (dataset == nullptr) return reading;
  OGRLayer* layer = dataset->GetLayer(0);
  for (int pass = 0; pass < passes; ++pass) {
    layer->ResetReading();
    while (std::unique_ptr<OGRFeature> feature{layer->GetNextFeature()}) {
      if (pass == 0) reading.wkts.push_back(feature->GetGeometryRef()->exportToWkt());
    }
  }
  reading.warnings = errors.warnings;
  return reading;
}

TEST_F(OnePointRecords, TheDefaultReadWarnsOnceALayerAndTheOptionGivesPoints) {
  const std::string lines = StoredRecord({{60, 120}, {90, 150}}) + StoredRecord({{-30, 30}});
  struct Case {
    std::string bytes;
    std::vector<std::string> options;
    std::vector<std::string> wkts;
    bool warned;
  };
  const std::vector<Case> cases = {
      {lines, {}, {"LINESTRING (1 2,1.5 2.5)", "LINESTRING (-0.5 0.5)"}, true},
      {lines + StoredRecord({{0, 60}}), {"ONE_POINT_RECORDS=LINE"}, {}, true},
      {lines, {"ONE_POINT_RECORDS=POINT"}, {"LINESTRING (1 2,1.5 2.5)", "POINT (-0.5 0.5)"}, false},
      {StoredRecord({{60, 120}, {90, 150}}), {}, {"LINESTRING (1 2,1.5 2.5)"}, false},
  };
  for (const Case& c : cases) {
    testing::WriteVsiFile(At("in.bin"), c.bytes);
    const Reading reading = Read(At("in.bin"), c.options, 2);
    if (!c.wkts.empty()) {
      EXPECT_EQ(reading.wkts, c.wkts);
    }
    ASSERT_EQ(reading.warnings.size(), c.warned ? 1u : 0u) << c.wkts.size();
    if (c.warned) {
      EXPECT_NE(reading.warnings[0].find("record 2 has one point"), std::string::npos);
      EXPECT_NE(reading.warnings[0].find("ONE_POINT_RECORDS=POINT"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace coord2seg
