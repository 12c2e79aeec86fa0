// What an open segment file answers to the dataset's own requests (capabilities, its file list,
// deleting its layer, deleting the file): each refusal names the reason and leaves the file's
// bytes as they were; an accepted deletion of the layer empties the file when it closes.
// SPDX-License-Identifier: MIT
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <string>

#include "tests/gdal_plugin/gdal_session.h"
#include "tests/support/segment_bytes.h"

namespace coord2seg {
namespace {

using testing::CapturedErrors;
using testing::ReadVsiFile;
using testing::StoredRecord;
using testing::WriteVsiFile;

class DatasetRequests : public ::testing::Test, protected testing::VsiScratch {
 protected:
  DatasetRequests() : VsiScratch("/vsimem/dataset_requests_test") {
    WriteVsiFile(At("a.bin"), kRecords);
  }
  GDALDatasetUniquePtr Open(unsigned int update) const {
    static const char* const allowed[] = {"SegmentFile", nullptr};
    return GDALDatasetUniquePtr(
        GDALDataset::Open(At("a.bin").c_str(), GDAL_OF_VECTOR | update, allowed));
  }

  const std::string kRecords = StoredRecord({{1, 2}, {3, 4}}) + StoredRecord({{5, 6}});
  testing::GdalSession gdal_;
};

bool OneFailureSaying(const CapturedErrors& errors, const std::string& part) {
  return errors.failures.size() == 1 && errors.failures[0].find(part) != std::string::npos;
}

TEST_F(DatasetRequests, ReadOnlyRefusesToChangeAndNamesItsFile) {
  {
    CapturedErrors errors;
    GDALDatasetUniquePtr dataset = Open(0);
    ASSERT_NE(dataset, nullptr);
    EXPECT_FALSE(dataset->TestCapability(ODsCCreateLayer));
    EXPECT_FALSE(dataset->TestCapability(ODsCDeleteLayer));
    EXPECT_FALSE(dataset->TestCapability(ODsCTransactions));
    char** files = dataset->GetFileList();
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(CSLCount(files), 1);
    EXPECT_EQ(std::string(files[0]), At("a.bin"));
    CSLDestroy(files);
    EXPECT_NE(dataset->DeleteLayer(0), OGRERR_NONE);
    EXPECT_TRUE(OneFailureSaying(errors, "is open read-only: its layer cannot be deleted"))
        << ::testing::PrintToString(errors.failures);
  }
  EXPECT_EQ(ReadVsiFile(At("a.bin")), kRecords);
}

TEST_F(DatasetRequests, UpdateDeletesItsOneLayerOnlyAndEmptiesTheFileOnClosing) {
  {
    CapturedErrors errors;
    GDALDatasetUniquePtr dataset = Open(GDAL_OF_UPDATE);
    ASSERT_NE(dataset, nullptr);
    EXPECT_TRUE(dataset->TestCapability(ODsCDeleteLayer));
    EXPECT_NE(dataset->DeleteLayer(1), OGRERR_NONE);
    EXPECT_TRUE(OneFailureSaying(errors, "has no layer 1 to delete"))
        << ::testing::PrintToString(errors.failures);
    EXPECT_EQ(ReadVsiFile(At("a.bin")), kRecords);  // refused: nothing changed
    EXPECT_EQ(dataset->DeleteLayer(0), OGRERR_NONE);
    EXPECT_TRUE(dataset->TestCapability(ODsCCreateLayer));
    EXPECT_FALSE(dataset->TestCapability(ODsCDeleteLayer));
    EXPECT_EQ(errors.failures.size(), 1u);
  }
  EXPECT_EQ(ReadVsiFile(At("a.bin")), "");
}

TEST_F(DatasetRequests, TheDriverDeletesASegmentFileAndNothingElse) {
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("SegmentFile");
  ASSERT_NE(driver, nullptr);
  WriteVsiFile(At("notes.txt"), "12.5 48.25\n");
  {
    CapturedErrors errors;
    EXPECT_NE(driver->Delete(At("notes.txt").c_str()), CE_None);
    EXPECT_TRUE(OneFailureSaying(errors, "is not deleted"))
        << ::testing::PrintToString(errors.failures);
  }
  EXPECT_EQ(ReadVsiFile(At("notes.txt")), "12.5 48.25\n");
  EXPECT_EQ(driver->Delete(At("a.bin").c_str()), CE_None);
  VSIStatBufL status;
  EXPECT_NE(VSIStatL(At("a.bin").c_str(), &status), 0);
}

// A segment file takes features at its end and changes nothing else: every other change to its
// layer is refused, read-only or not, and the bytes stay; the count and extent come from the file.
TEST_F(DatasetRequests, TheLayerRefusesEveryOtherChangeAndKeepsTheBytes) {
  for (const unsigned int update : {0u, static_cast<unsigned int>(GDAL_OF_UPDATE)}) {
    SCOPED_TRACE(update != 0 ? "update" : "read-only");
    {
      GDALDatasetUniquePtr dataset = Open(update);
      ASSERT_NE(dataset, nullptr);
      OGRLayer* layer = dataset->GetLayer(0);
      ASSERT_NE(layer, nullptr);
      EXPECT_EQ(layer->TestCapability(OLCSequentialWrite) != 0, update != 0);
      EXPECT_EQ(layer->TestCapability(OLCCreateField) != 0, update != 0);
      EXPECT_TRUE(layer->TestCapability(OLCFastFeatureCount));
      EXPECT_FALSE(layer->TestCapability(OLCRandomWrite));
      EXPECT_EQ(layer->GetFeatureCount(TRUE), 2);
      OGREnvelope extent;
      ASSERT_EQ(layer->GetExtent(0, &extent, TRUE), OGRERR_NONE);
      EXPECT_EQ(extent.MinX, 1 / 60.0);
      EXPECT_EQ(extent.MaxX, 5 / 60.0);
      EXPECT_EQ(extent.MinY, 2 / 60.0);
      EXPECT_EQ(extent.MaxY, 6 / 60.0);
      CapturedErrors errors;
      OGRFeature feature(layer->GetLayerDefn());
      feature.SetFID(0);
      int order[] = {0};
      EXPECT_NE(layer->DeleteFeature(0), OGRERR_NONE);
      EXPECT_NE(layer->SetFeature(&feature), OGRERR_NONE);
      EXPECT_NE(layer->DeleteField(0), OGRERR_NONE);
      EXPECT_NE(layer->ReorderFields(order), OGRERR_NONE);
      std::size_t refusals = 4;
      if (update == 0) {
        OGRFieldDefn field("name", OFTString);
        EXPECT_NE(layer->CreateField(&field), OGRERR_NONE);
        EXPECT_NE(layer->CreateFeature(&feature), OGRERR_NONE);
        refusals += 2;
      }
      ASSERT_EQ(errors.failures.size(), refusals) << ::testing::PrintToString(errors.failures);
      for (std::size_t i = 0; i < refusals; ++i) {
        EXPECT_NE(errors.failures[i].find(i < 4 ? "is not supported" : "is open read-only"),
                  std::string::npos)
            << errors.failures[i];
      }
    }
    EXPECT_EQ(ReadVsiFile(At("a.bin")), kRecords);
  }
}

}  // namespace
}  // namespace coord2seg
