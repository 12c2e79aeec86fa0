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
    EXPECT_FALSE(dataset->TestCapability(ODsCCreateLayer));  // it holds its one layer
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

}  // namespace
}  // namespace coord2seg
