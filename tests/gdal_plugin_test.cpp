// The SegmentFile driver inside GDAL: files read and written back byte for byte by ogr2ogr's own
// code, directly and through GeoPackage and Shapefile; damaged and foreign files; what writing
// keeps, splits and refuses.
#include <cpl_string.h>
#include <gdal_priv.h>
#include <gdal_utils.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <memory>
#include <string>
#include <vector>

#include "gdal_plugin/register_driver.h"
#include "segment_file/segment_reader.h"
#include "tests/gdal_session.h"
#include "tests/random_segment_files.h"
#include "tests/segment_bytes.h"

namespace coord2seg {
namespace {

using testing::Bytes;
using testing::CapturedErrors;
using testing::DescribeDifference;
using testing::GdalSession;
using testing::Ogr2ogr;
using testing::ReadVsiFile;
using testing::StoredRecord;
using testing::WriteVsiFile;

class SegmentFileDriver : public ::testing::Test {
 protected:
  ~SegmentFileDriver() override { VSIRmdirRecursive(kDir); }
  static constexpr const char* kDir = "/vsimem/segment_file_test";
  static std::string At(const std::string& name) { return std::string(kDir) + "/" + name; }

  // `file` through ogr2ogr into `format` and back into a segment file.
  static std::string Through(const std::string& format, const std::string& name) {
    EXPECT_TRUE(Ogr2ogr(At(name), At("in.bin"), {"-f", format}));
    EXPECT_TRUE(Ogr2ogr(At(name + ".bin"), At(name), {"-f", "SegmentFile"}));
    return ReadVsiFile(At(name + ".bin"));
  }

  GdalSession gdal_;
};

TEST_F(SegmentFileDriver, RandomFilesComeBackByteForByteDirectlyAndThroughOtherFormats) {
  testing::RandomSegmentFiles random(1403);
  for (int i = 0; i < 100; ++i) {
    const std::string file = random.File();
    WriteVsiFile(At("in.bin"), file);
    {
      GDALDatasetUniquePtr dataset(GDALDataset::Open(At("in.bin").c_str(), GDAL_OF_VECTOR));
      ASSERT_NE(dataset, nullptr) << "file " << i;
      EXPECT_EQ(dataset->GetLayer(0)->GetFeatureCount(),
                static_cast<GIntBig>(CheckSegmentFile(Bytes(file)).segments));
    }
    ASSERT_TRUE(Ogr2ogr(At("direct.bin"), At("in.bin"), {"-f", "SegmentFile"}));
    ASSERT_EQ(DescribeDifference(ReadVsiFile(At("direct.bin")), file), "") << "file " << i;
    ASSERT_EQ(DescribeDifference(Through("GPKG", "x.gpkg"), file), "") << "file " << i;
    ASSERT_EQ(DescribeDifference(Through("ESRI Shapefile", "x.shp"), file), "") << "file " << i;
    VSIRmdirRecursive(kDir);
  }
}

// Reading stops at the damage with the error the in-memory reader gives for the same bytes, after
// delivering every whole record before it; the count walks the same headers.
TEST_F(SegmentFileDriver, DamagedFilesGiveTheirWholeRecordsThenAnErrorNamingOffsetAndRecord) {
  const std::string good = StoredRecord({{1, 2}, {3, 4}});
  const std::vector<std::string> damaged_tails = {
      std::string("\x02\x00\x00", 3),                               // header cut short
      std::string("\x00\x00\x00\x00\x00", 5),                       // count 0
      std::string("\xa0\x86\x01\x00\x00", 5),                       // count 100000
      std::string("\x01\x00\x00\x00\x07\x00\x00\x00\x00", 9),       // reserved byte
      std::string("\x02\x00\x00\x00\x00\x01\x00\x01\x00\x02", 10),  // runs past the end
  };
  for (const std::string& tail : damaged_tails) {
    const std::string file = good + good + tail;
    WriteVsiFile(At("d.bin"), file);
    const SegmentFileCheck check = CheckSegmentFile(Bytes(file));
    ASSERT_TRUE(check.damage);
    CapturedErrors errors;
    GDALDatasetUniquePtr dataset(GDALDataset::Open(At("d.bin").c_str(), GDAL_OF_VECTOR));
    ASSERT_NE(dataset, nullptr);
    OGRLayer* layer = dataset->GetLayer(0);
    EXPECT_EQ(layer->GetFeatureCount(), 2);
    int features = 0;
    for (const auto& feature : *layer) features += feature != nullptr;
    EXPECT_EQ(features, 2);
    EXPECT_EQ(errors.failures, std::vector<std::string>{"SegmentFile: " + At("d.bin") + ": " +
                                                        DescribeDamagePlace(*check.damage)});
  }
}

TEST_F(SegmentFileDriver, OpensSegmentFilesAndLeavesOtherBinFilesToOtherDrivers) {
  struct Case {
    const char* name;
    std::string bytes;
    bool ours;
  };
  const std::string record = StoredRecord({{1, 2}});
  const std::vector<Case> cases = {
      {"empty.bin", "", true},
      {"record.bin", record, true},
      {"RECORD.BIN", record, true},
      {"record.txt", record, false},
      {"zeros.bin", std::string(64, '\0'), false},
      {"random.bin", "\x9f\x31\xc4\x07\x5a\x11\xe0\x42\x88\x01", false},
      {"raster.bin", record, false},  // beside raster.hdr, as ENVI keeps its data
  };
  WriteVsiFile(At("raster.hdr"), "ENVI\nsamples = 1\n");
  const CapturedErrors other_drivers_complaints;
  for (const Case& c : cases) {
    WriteVsiFile(At(c.name), c.bytes);
    GDALDriverH driver = GDALIdentifyDriver(At(c.name).c_str(), nullptr);
    const bool ours = driver != nullptr && EQUAL(GDALGetDescription(driver), "SegmentFile");
    EXPECT_EQ(ours, c.ours) << c.name;
  }
  GDALDatasetUniquePtr empty(GDALDataset::Open(At("empty.bin").c_str(), GDAL_OF_VECTOR));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->GetLayer(0)->GetFeatureCount(), 0);
}

// A layer in `srs` (none when null) written with features of the given WKT geometries.
struct WriteResult {
  bool layer_created = false;
  int refused_features = 0;
  CapturedErrors errors;
};

void WriteFeatures(const std::string& path, const OGRSpatialReference* srs,
                   const std::vector<std::string>& wkts, WriteResult& result,
                   const std::vector<std::string>& options = {}) {
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("SegmentFile");
  GDALDatasetUniquePtr dataset(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  ASSERT_NE(dataset, nullptr);
  const testing::GdalArguments layer_options(options);
  OGRLayer* layer = dataset->CreateLayer("lines", const_cast<OGRSpatialReference*>(srs), wkbUnknown,
                                         layer_options.list());
  result.layer_created = layer != nullptr;
  if (layer == nullptr) return;
  OGRFieldDefn name("name", OFTString);
  EXPECT_EQ(layer->CreateField(&name), OGRERR_NONE);
  for (const std::string& wkt : wkts) {
    OGRFeature feature(layer->GetLayerDefn());
    if (!wkt.empty()) {
      OGRGeometry* geometry = nullptr;
      ASSERT_EQ(OGRGeometryFactory::createFromWkt(wkt.c_str(), nullptr, &geometry), OGRERR_NONE);
      feature.SetGeometryDirectly(geometry);
    }
    result.refused_features += layer->CreateFeature(&feature) != OGRERR_NONE;
  }
}

TEST_F(SegmentFileDriver, WritesEachPartAsARecordWithTheConvertersExactMinutes) {
  // Longitude first, as GIS software gives it, and in EPSG:4326's own order, latitude first.
  const std::vector<std::string> lon_lat = {
      "POINT (12.5 48.25)",
      "LINESTRING Z (0.125 0.375 9, 0.275 0.425 9, 190 -0.375 9)",
      "POLYGON ((0 0,1 0,1 1,0 0),(0.5 0.25,0.75 0.25,0.5 0.5,0.5 0.25))",
      "GEOMETRYCOLLECTION (MULTIPOINT (1 2,3 4),LINESTRING EMPTY,LINESTRING M (5 6 1,7 8 1))",
  };
  const std::string expected =
      StoredRecord({{750, 2895}}) + StoredRecord({{8, 22}, {17, 25}, {11400, -22}}) +
      StoredRecord({{0, 0}, {60, 0}, {60, 60}, {0, 0}}) +
      StoredRecord({{30, 15}, {45, 15}, {30, 30}, {30, 15}}) + StoredRecord({{60, 120}}) +
      StoredRecord({{180, 240}}) + StoredRecord({{300, 360}, {420, 480}});
  WriteResult plain;
  WriteFeatures(At("plain.bin"), nullptr, lon_lat, plain);
  EXPECT_EQ(DescribeDifference(ReadVsiFile(At("plain.bin")), expected), "");
  // The only remark: attributes are not kept, said once.
  EXPECT_EQ(plain.errors.warnings.size(), 1u);

  OGRSpatialReference wgs84;
  wgs84.importFromEPSG(4326);
  wgs84.SetAxisMappingStrategy(OAMS_AUTHORITY_COMPLIANT);
  std::vector<std::string> lat_lon;
  for (const std::string& wkt : lon_lat) {
    OGRGeometry* geometry = nullptr;
    ASSERT_EQ(OGRGeometryFactory::createFromWkt(wkt.c_str(), nullptr, &geometry), OGRERR_NONE);
    const std::unique_ptr<OGRGeometry> owned(geometry);
    owned->swapXY();
    lat_lon.push_back(owned->exportToWkt());
  }
  WriteResult swapped;
  WriteFeatures(At("swapped.bin"), &wgs84, lat_lon, swapped);
  EXPECT_EQ(DescribeDifference(ReadVsiFile(At("swapped.bin")), expected), "");
  // A curve is made linear: one record from its first point to its last.
  WriteResult curve;
  WriteFeatures(At("curve.bin"), nullptr, {"CIRCULARSTRING (0 0,1 1,2 0)"}, curve);
  const std::string curve_file = ReadVsiFile(At("curve.bin"));
  SegmentReader reader(Bytes(curve_file));
  SegmentRecord arc, none;
  ASSERT_TRUE(reader.Next(arc));
  EXPECT_FALSE(reader.Next(none) || reader.damage());
  EXPECT_GT(arc.point_count(), 3u);
  EXPECT_EQ(arc.point(arc.point_count() - 1).longitude, 120);
}

std::string LongLine(int points) {
  std::string wkt = "LINESTRING (";
  for (int i = 0; i < points; ++i) {
    if (i > 0) wkt += ',';
    wkt += std::to_string(i % 500);
    wkt += " 1";
  }
  return wkt + ")";
}

TEST_F(SegmentFileDriver, SplitsLongPartsIntoJoinedRecordsOrRefusesThemByOption) {
  WriteResult split;
  WriteFeatures(At("split.bin"), nullptr, {LongLine(150000)}, split);
  ASSERT_EQ(split.errors.warnings.size(), 2u);  // the attributes not kept, and the split
  EXPECT_NE(split.errors.warnings[1].find("feature 1 has a part of 150000 points"),
            std::string::npos);
  const std::string file = ReadVsiFile(At("split.bin"));
  SegmentReader reader(Bytes(file));
  SegmentRecord first, second, none;
  ASSERT_TRUE(reader.Next(first) && reader.Next(second));
  EXPECT_FALSE(reader.Next(none) || reader.damage());
  EXPECT_EQ(first.point_count(), 99999u);
  EXPECT_EQ(second.point_count(), 150000u - 99999u + 1);
  EXPECT_EQ(second.point(0).longitude, first.point(99998).longitude);

  WriteResult refused;
  WriteFeatures(At("refused.bin"), nullptr, {LongLine(100000), "POINT (1 1)"}, refused,
                {"LONG_PARTS=REFUSE"});
  EXPECT_EQ(refused.refused_features, 1);
  EXPECT_EQ(ReadVsiFile(At("refused.bin")), StoredRecord({{60, 60}}));
}

TEST_F(SegmentFileDriver, RefusesValuesBeyondSixteenBitsAndProjectedLayersLeavingNoFile) {
  WriteResult range;
  WriteFeatures(At("range.bin"), nullptr, {"POINT (1 1)", "LINESTRING (0 0,600 0)"}, range);
  EXPECT_EQ(range.refused_features, 1);
  ASSERT_EQ(range.errors.failures.size(), 1u);
  EXPECT_NE(range.errors.failures[0].find("feature 2: longitude 600 degrees"), std::string::npos);
  EXPECT_EQ(ReadVsiFile(At("range.bin")), StoredRecord({{60, 60}}));

  OGRSpatialReference mercator;
  mercator.importFromEPSG(3857);
  WriteResult projected;
  WriteFeatures(At("projected.bin"), &mercator, {"POINT (1 1)"}, projected);
  EXPECT_FALSE(projected.layer_created);
  ASSERT_EQ(projected.errors.failures.size(), 1u);
  EXPECT_NE(projected.errors.failures[0].find("-t_srs EPSG:4326"), std::string::npos);
  VSIStatBufL status;
  EXPECT_NE(VSIStatL(At("projected.bin").c_str(), &status), 0);
}

TEST_F(SegmentFileDriver, PassesOverEmptyGeometriesWithOneWarningAndAppends) {
  WriteResult empties;
  WriteFeatures(At("a.bin"), nullptr, {"", "POINT (1 1)", "LINESTRING EMPTY"}, empties);
  ASSERT_EQ(empties.errors.warnings.size(), 2u);
  EXPECT_NE(empties.errors.warnings[1].find("2 of 3 features"), std::string::npos);

  const std::string more = StoredRecord({{5, 6}, {7, 8}});
  WriteVsiFile(At("more.bin"), more);
  ASSERT_TRUE(Ogr2ogr(At("a.bin"), At("more.bin"), {"-append"}));
  EXPECT_EQ(ReadVsiFile(At("a.bin")), StoredRecord({{60, 60}}) + more);
  // A damaged file takes no more records.
  WriteVsiFile(At("damaged.bin"), more + "\x01");
  CapturedErrors errors;
  EXPECT_FALSE(Ogr2ogr(At("damaged.bin"), At("more.bin"), {"-append"}));
  EXPECT_EQ(ReadVsiFile(At("damaged.bin")), more + "\x01");
}

}  // namespace
}  // namespace coord2seg
