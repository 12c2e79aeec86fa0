// The SegmentFile driver inside GDAL: files read and written back byte for byte by ogr2ogr's own
// code, directly and through GeoPackage and Shapefile; damaged and foreign files; what writing
// keeps, splits and refuses.
// SPDX-License-Identifier: MIT
#include <cpl_string.h>
#include <gdal_priv.h>
#include <gdal_utils.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/convert_file.h"
#include "gdal_plugin/register_driver.h"
#include "segment_file/segment_reader.h"
#include "tests/gdal_plugin/gdal_session.h"
#include "tests/support/random_segment_files.h"
#include "tests/support/run_program.h"
#include "tests/support/segment_bytes.h"

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

class SegmentFileDriver : public ::testing::Test, protected testing::VsiScratch {
 protected:
  SegmentFileDriver() : VsiScratch("/vsimem/segment_file_test") {}

  // Stored values as they are, wrapped or not: stored files may hold longitudes anywhere.
  static std::vector<std::string> AsStored() {
    return {"-f", "SegmentFile", "-lco", "WRAP_LONGITUDE=NO"};
  }

  // `file` through ogr2ogr into `format` and back into a segment file.
  std::string Through(const std::string& format, const std::string& name) {
    EXPECT_TRUE(Ogr2ogr(At(name), At("in.bin"), {"-f", format}));
    EXPECT_TRUE(Ogr2ogr(At(name + ".bin"), At(name), AsStored()));
    return ReadVsiFile(At(name + ".bin"));
  }

  GdalSession gdal_;
};

TEST_F(SegmentFileDriver, RandomFilesComeBackByteForByteDirectlyAndThroughOtherFormats) {
  // Their extents too: from the raw minutes as from the features.
  testing::RandomSegmentFiles random(1403);
  for (int i = 0; i < 100; ++i) {
    const std::string file = random.File();
    WriteVsiFile(At("in.bin"), file);
    {
      GDALDatasetUniquePtr dataset(GDALDataset::Open(At("in.bin").c_str(), GDAL_OF_VECTOR));
      ASSERT_NE(dataset, nullptr) << "file " << i;
      OGRLayer* layer = dataset->GetLayer(0);
      EXPECT_EQ(layer->GetFeatureCount(),
                static_cast<GIntBig>(CheckSegmentFile(Bytes(file)).segments));
      // The extent from the raw minutes equals GDAL's own, from every feature's geometry.
      OGREnvelope fast, slow;
      const OGRErr fast_result = layer->GetExtent(&fast, TRUE);
      ASSERT_EQ(fast_result, layer->OGRLayer::GetExtent(&slow, TRUE)) << "file " << i;
      if (fast_result == OGRERR_NONE) {
        EXPECT_TRUE(fast.MinX == slow.MinX && fast.MaxX == slow.MaxX && fast.MinY == slow.MinY &&
                    fast.MaxY == slow.MaxY)
            << "file " << i;
      }
    }
    ASSERT_TRUE(Ogr2ogr(At("direct.bin"), At("in.bin"), AsStored()));
    ASSERT_EQ(DescribeDifference(ReadVsiFile(At("direct.bin")), file), "") << "file " << i;
    ASSERT_EQ(DescribeDifference(Through("GPKG", "x.gpkg"), file), "") << "file " << i;
    ASSERT_EQ(DescribeDifference(Through("ESRI Shapefile", "x.shp"), file), "") << "file " << i;
    Clear();
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
  // After two short records, and after records long enough to cross the blocks the extent is
  // read in.
  const std::vector<StoredPoint> longest(kMaxSegmentPoints, StoredPoint{5, 6});
  std::string long_records = good;
  for (int i = 0; i < 4; ++i) long_records += testing::StoredRecord(longest);
  for (const std::string& tail : damaged_tails) {
    for (const std::string& whole : {good + good, long_records}) {
      const std::string file = whole + tail;
      WriteVsiFile(At("d.bin"), file);
      const SegmentFileCheck check = CheckSegmentFile(Bytes(file));
      ASSERT_TRUE(check.damage);
      const std::vector<std::string> damage_error = {"SegmentFile: " + At("d.bin") + ": " +
                                                     DescribeDamagePlace(*check.damage)};
      CapturedErrors errors;
      GDALDatasetUniquePtr dataset(GDALDataset::Open(At("d.bin").c_str(), GDAL_OF_VECTOR));
      ASSERT_NE(dataset, nullptr);
      OGRLayer* layer = dataset->GetLayer(0);
      EXPECT_EQ(layer->GetFeatureCount(), static_cast<GIntBig>(check.segments));
      std::uint64_t features = 0;
      for (const auto& feature : *layer) features += feature != nullptr;
      EXPECT_EQ(features, check.segments);
      EXPECT_EQ(errors.failures, damage_error);
      // The extent from the raw minutes: the same, with the same error.
      layer->ResetReading();
      OGREnvelope fast, slow;
      CapturedErrors fast_errors;
      ASSERT_EQ(layer->GetExtent(&fast, TRUE), OGRERR_NONE);
      EXPECT_EQ(fast_errors.failures, damage_error);
      ASSERT_EQ(layer->OGRLayer::GetExtent(&slow, TRUE), OGRERR_NONE);
      EXPECT_TRUE(fast.MinX == slow.MinX && fast.MaxX == slow.MaxX && fast.MinY == slow.MinY &&
                  fast.MaxY == slow.MaxY);
    }
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
      // A whole record, then one cut by the end of the file: a damaged segment file.
      {"cut.bin", record + StoredRecord({{3, 4}, {5, 6}}).substr(0, 9), true},
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

// A layer in `srs` (none when null) written with features of the given WKT geometries, in a
// transaction committed at the end: the caller accepts the features refused, and the file keeps
// the others (without the commit a refusal gives up the whole write).
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
  ASSERT_EQ(dataset->StartTransaction(), OGRERR_NONE);
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
  EXPECT_EQ(dataset->CommitTransaction(), OGRERR_NONE);
}

TEST_F(SegmentFileDriver, WritesEachPartAsARecordWithTheConvertersExactMinutes) {
  // Longitude first, as GIS software gives it, whatever the axis order of the layer's EPSG:4326
  // (as GeoPackage and GeoJSON take x); 190 degrees is wrapped to -170, as the converter wraps
  // it.
  const std::vector<std::string> lon_lat = {
      "POINT (12.5 48.25)",
      "LINESTRING Z (0.125 0.375 9, 0.275 0.425 9, 190 -0.375 9)",
      "POLYGON ((0 0,1 0,1 1,0 0),(0.5 0.25,0.75 0.25,0.5 0.5,0.5 0.25))",
      "GEOMETRYCOLLECTION (MULTIPOINT (1 2,3 4),LINESTRING EMPTY,LINESTRING M (5 6 1,7 8 1))",
  };
  const std::string expected =
      StoredRecord({{750, 2895}}) + StoredRecord({{8, 22}, {17, 25}, {-10200, -22}}) +
      StoredRecord({{0, 0}, {60, 0}, {60, 60}, {0, 0}}) +
      StoredRecord({{30, 15}, {45, 15}, {30, 30}, {30, 15}}) + StoredRecord({{60, 120}}) +
      StoredRecord({{180, 240}}) + StoredRecord({{300, 360}, {420, 480}});
  WriteResult plain;
  WriteFeatures(At("plain.bin"), nullptr, lon_lat, plain);
  EXPECT_EQ(DescribeDifference(ReadVsiFile(At("plain.bin")), expected), "");
  // The only remark: attributes are not kept, said once.
  EXPECT_EQ(plain.errors.warnings.size(), 1u);

  for (const auto strategy : {OAMS_AUTHORITY_COMPLIANT, OAMS_TRADITIONAL_GIS_ORDER}) {
    OGRSpatialReference wgs84;
    wgs84.importFromEPSG(4326);
    wgs84.SetAxisMappingStrategy(strategy);
    WriteResult result;
    WriteFeatures(At("wgs84.bin"), &wgs84, lon_lat, result);
    EXPECT_EQ(DescribeDifference(ReadVsiFile(At("wgs84.bin")), expected), "") << strategy;
  }
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
  EXPECT_NE(split.errors.warnings[1].find(
                "the 1st feature given to the layer has a part of 150000 points"),
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
  WriteFeatures(At("range.bin"), nullptr, {"POINT (1 1)", "LINESTRING (0 0,600 0)"}, range,
                {"WRAP_LONGITUDE=NO"});
  EXPECT_EQ(range.refused_features, 1);
  ASSERT_EQ(range.errors.failures.size(), 1u);
  EXPECT_NE(
      range.errors.failures[0].find("the 2nd feature given to the layer: longitude 600 degrees"),
      std::string::npos);
  EXPECT_EQ(ReadVsiFile(At("range.bin")), StoredRecord({{60, 60}}));
  // Wrapped, 600 is 240; 1000 is 640, still too far.
  WriteResult wrapped;
  WriteFeatures(At("wrapped.bin"), nullptr, {"LINESTRING (0 0,600 0)", "POINT (1000 0)"}, wrapped);
  EXPECT_EQ(wrapped.refused_features, 1);
  ASSERT_EQ(wrapped.errors.failures.size(), 1u);
  EXPECT_NE(wrapped.errors.failures[0].find(
                "the 2nd feature given to the layer: longitude 1000 (640 once wrapped) degrees"),
            std::string::npos);
  EXPECT_EQ(ReadVsiFile(At("wrapped.bin")), StoredRecord({{0, 0}, {14400, 0}}));

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

// The same numbers through coord2seg's text and through ogr2ogr from GeoJSON give the same bytes:
// each longitude is wrapped once, by the same rule, before the same rounding.
TEST_F(SegmentFileDriver, WrapsLongitudesAsTheConverterDoesByteForByte) {
  const std::vector<std::string> longitudes = {
      "0.125", "180",    "-180",       "540",         "-540",       "190",
      "-190",  "359.99", "179.99",     "-180.005",    "600",        "-600",
      "906",   "-906",   "539.999999", "-540.000001", "12.3456789", "1e-300"};
  std::string text, features;
  for (const std::string& longitude : longitudes) {
    text += longitude + " 10\n#\n";
    if (!features.empty()) features += ",";
    features += R"({"type":"Feature","properties":{},"geometry":{"type":"Point","coordinates":[)" +
                longitude + ",10]}}";
  }
  const testing::TempDir dir;
  testing::WriteFileBytes(dir / "wrap.txt", text);
  const std::string text_path = (dir / "wrap.txt").string();
  ASSERT_EQ(ConvertFile(std::vector<std::string_view>{text_path}), 0);
  WriteVsiFile(At("wrap.geojson"), R"({"type":"FeatureCollection","features":[)" + features + "]}");
  ASSERT_TRUE(Ogr2ogr(At("wrap.bin"), At("wrap.geojson"), {"-f", "SegmentFile"}));
  const std::string converted = testing::ReadFileBytes(dir / "wrap.bin");
  EXPECT_EQ(CheckSegmentFile(Bytes(converted)).segments, longitudes.size());
  EXPECT_EQ(DescribeDifference(ReadVsiFile(At("wrap.bin")), converted), "");
}

TEST_F(SegmentFileDriver, SaysOnceHowManyPointsLandOnTheMinuteOfThePointBefore) {
  WriteResult result;
  WriteFeatures(At("gps.bin"), nullptr,
                {"LINESTRING (8.5411 47.3769,8.5412 47.377,8.5414 47.3771,8.5415 47.3772)",
                 "LINESTRING (0 0,0.001 0.001,1 1)"},
                result);
  std::vector<std::string> same_minute;
  for (const std::string& warning : result.errors.warnings) {
    if (warning.find("same minute") != std::string::npos) same_minute.push_back(warning);
  }
  ASSERT_EQ(same_minute.size(), 1u);
  EXPECT_EQ(same_minute[0].find("SegmentFile: 4 of 7 points landed on the same minute"), 0u);
  // Kept, all of them.
  EXPECT_EQ(CheckSegmentFile(Bytes(ReadVsiFile(At("gps.bin")))).points, 7u);
}

// Every refusal says why; the capabilities say what the layer does.
TEST_F(SegmentFileDriver, RefusesWhatItCannotDoWithAReasonAndAnswersCapabilitiesTruly) {
  WriteVsiFile(At("c.bin"), StoredRecord({{1, 2}}));
  for (const bool update : {false, true}) {
    GDALDatasetUniquePtr dataset(GDALDataset::Open(
        At("c.bin").c_str(), GDAL_OF_VECTOR | (update ? GDAL_OF_UPDATE : GDAL_OF_READONLY)));
    ASSERT_NE(dataset, nullptr);
    OGRLayer* layer = dataset->GetLayer(0);
    EXPECT_EQ(layer->TestCapability(OLCSequentialWrite), update);
    EXPECT_EQ(layer->TestCapability(OLCCreateField), update);
    EXPECT_TRUE(layer->TestCapability(OLCFastFeatureCount));
    for (const char* never : {OLCFastGetExtent, OLCRandomWrite, OLCDeleteFeature, OLCDeleteField,
                              OLCTransactions, OLCCurveGeometries}) {
      EXPECT_FALSE(layer->TestCapability(never)) << never;
    }
    CapturedErrors errors;
    // A field first: features made before it would not know it.
    OGRFieldDefn name("name", OFTString);
    const OGRErr field = layer->CreateField(&name);
    std::unique_ptr<OGRFeature> feature(layer->GetFeature(1));
    ASSERT_NE(feature, nullptr);
    const OGRErr results[] = {layer->SetFeature(feature.get()), layer->DeleteFeature(1),
                              layer->UpsertFeature(feature.get()), layer->DeleteField(0)};
    for (const OGRErr result : results) EXPECT_EQ(result, OGRERR_UNSUPPORTED_OPERATION);
    feature->SetFID(OGRNullFID);
    const OGRErr added = layer->CreateFeature(feature.get());
    EXPECT_EQ(added == OGRERR_NONE && field == OGRERR_NONE, update);
    ASSERT_EQ(errors.failures.size(), update ? 4u : 6u);
    for (const std::string& failure : errors.failures) {
      EXPECT_EQ(failure.find("SegmentFile: "), 0u) << failure;
      const bool why = failure.find(
                           "is not supported: a segment file takes new features at its "
                           "end") != std::string::npos ||
                       failure.find("is open read-only") != std::string::npos;
      EXPECT_TRUE(why) << failure;
    }
  }
  EXPECT_EQ(ReadVsiFile(At("c.bin")), StoredRecord({{1, 2}}) + StoredRecord({{1, 2}}));
}

// A rollback goes back to the last commit; a refusal gives up the whole write unless a commit
// came after it, which is how ogr2ogr -skipfailures keeps the features it does not skip.
TEST_F(SegmentFileDriver, TransactionsKeepWhatWasCommittedAndARefusalGivesUpTheRest) {
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("SegmentFile");
  const auto add = [](OGRLayer* layer, const char* wkt) {
    OGRFeature feature(layer->GetLayerDefn());
    OGRGeometry* geometry = nullptr;
    OGRGeometryFactory::createFromWkt(wkt, nullptr, &geometry);
    feature.SetGeometryDirectly(geometry);
    return layer->CreateFeature(&feature);
  };
  CapturedErrors errors;
  for (const bool commit_after_refusal : {false, true}) {
    {
      GDALDatasetUniquePtr dataset(
          driver->Create(At("t.bin").c_str(), 0, 0, 0, GDT_Unknown, nullptr));
      OGRLayer* layer = dataset->CreateLayer("t");
      ASSERT_EQ(dataset->StartTransaction(), OGRERR_NONE);
      EXPECT_EQ(add(layer, "POINT (1 1)"), OGRERR_NONE);
      ASSERT_EQ(dataset->CommitTransaction(), OGRERR_NONE);
      ASSERT_EQ(dataset->StartTransaction(), OGRERR_NONE);
      EXPECT_EQ(add(layer, "POINT (2 2)"), OGRERR_NONE);
      ASSERT_EQ(dataset->RollbackTransaction(), OGRERR_NONE);
      ASSERT_EQ(dataset->StartTransaction(), OGRERR_NONE);
      EXPECT_NE(add(layer, "POINT (0 600)"), OGRERR_NONE);
      if (commit_after_refusal) {
        EXPECT_EQ(dataset->CommitTransaction(), OGRERR_NONE);
      }
    }
    VSIStatBufL status;
    if (commit_after_refusal) {
      EXPECT_EQ(ReadVsiFile(At("t.bin")), StoredRecord({{60, 60}}));
    } else {
      EXPECT_NE(VSIStatL(At("t.bin").c_str(), &status), 0);
    }
  }
  // ogr2ogr -skipfailures: the refused feature alone is left out.
  WriteVsiFile(At("in.geojson"), R"({"type":"FeatureCollection","features":[)"
                                 R"({"type":"Feature","properties":{},"geometry":)"
                                 R"({"type":"Point","coordinates":[1,1]}},)"
                                 R"({"type":"Feature","properties":{},"geometry":)"
                                 R"({"type":"Point","coordinates":[0,600]}},)"
                                 R"({"type":"Feature","properties":{},"geometry":)"
                                 R"({"type":"Point","coordinates":[2,2]}}]})");
  ASSERT_TRUE(Ogr2ogr(At("skip.bin"), At("in.geojson"), {"-f", "SegmentFile", "-skipfailures"}));
  EXPECT_EQ(ReadVsiFile(At("skip.bin")), StoredRecord({{60, 60}}) + StoredRecord({{120, 120}}));
}

// GDAL's deletion of a segment file moves it aside until it is certain no creation takes it
// over: a deletion asked for by itself leaves nothing behind once the driver is next called.
TEST_F(SegmentFileDriver, ADeletionLeavesNothingBehind) {
  WriteVsiFile(At("d.bin"), StoredRecord({{1, 2}}));
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("SegmentFile");
  ASSERT_EQ(driver->Delete(At("d.bin").c_str()), CE_None);
  VSIStatBufL status;
  EXPECT_NE(VSIStatL(At("d.bin").c_str(), &status), 0);
  GDALDatasetUniquePtr other(GDALDataset::Open(At("none.bin").c_str(), GDAL_OF_VECTOR));
  char** left = VSIReadDir(At("").c_str());
  EXPECT_EQ(CSLCount(left), 0) << (left != nullptr ? left[0] : "");
  CSLDestroy(left);
}

}  // namespace
}  // namespace coord2seg
