// How ogr2ogr's flags land on an existing file, through ogr2ogr's own code, and which files the
// SegmentFile driver takes, named or not.
// SPDX-License-Identifier: MIT
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <cstring>
#include <string>
#include <vector>

#include "gdal_plugin/segment_file_dataset.h"
#include "tests/gdal_plugin/gdal_session.h"
#include "tests/support/segment_bytes.h"

namespace coord2seg {
namespace {

using testing::StoredRecord;

constexpr const char* kPrefix = "SegmentFile:";
// A plausible first header, then bytes that are not a second one.
const std::string kForeign = std::string("\x01\x00\x00\x00\x00\x01\x00\x02\x00", 9) + "GIF89a..";

class SegmentFileTargets : public ::testing::Test, protected testing::VsiScratch {
 protected:
  SegmentFileTargets() : VsiScratch("/vsimem/gdal_open_test") {}
  // `name` in the scratch folder, keeping the driver's prefix in front; the file itself in `file`.
  std::string Place(const std::string& name, std::string& file) const {
    const bool prefixed = name.starts_with(kPrefix);
    file = At(name.substr(prefixed ? std::strlen(kPrefix) : 0));
    return (prefixed ? kPrefix : "") + file;
  }
  testing::GdalSession gdal_;
};

bool Contains(const std::vector<std::string>& messages, const std::string& part) {
  for (const std::string& message : messages) {
    if (message.find(part) != std::string::npos) return true;
  }
  return part.empty();
}

TEST_F(SegmentFileTargets, EachFlagReplacesAddsOrRefusesWithoutLosingOrDoublingRecords) {
  const std::string old = StoredRecord({{1, 2}, {3, 4}}) + StoredRecord({{5, 6}});
  const std::string added = StoredRecord({{7, 8}});
  const std::string both = old + added, none = "<none>", junk = kForeign;
  const std::string not_ours = "is not a segment file";
  const char* const F = "-f";  // stands for -f SegmentFile
  struct Case {
    const char* what;
    std::string target, before;  // before: the target's bytes, or none
    std::vector<const char*> flags;
    bool succeeds;
    std::string after, message;  // message: part of an error
  };
  const std::vector<Case> cases = {
      {"-overwrite", "t.bin", old, {F, "-overwrite"}, true, added, ""},
      {"-overwrite, another name", "t.dat", old, {F, "-overwrite"}, true, added, ""},
      {"-append", "t.bin", old, {F, "-append"}, true, both, ""},
      {"-append, another name", "t.dat", old, {F, "-append"}, true, both, ""},
      {"-append, prefix", "SegmentFile:t.seg", old, {F, "-append"}, true, both, ""},
      {"-append, missing file", "t.bin", none, {F, "-append"}, true, added, ""},
      {"no flag", "t.bin", old, {F}, true, added, ""},
      {"no flag, another name", "t.dat", old, {F}, true, added, ""},
      {"no flag, prefix", "SegmentFile:t.seg", old, {F}, true, added, ""},
      {"no flag, prefix, no -f", "SegmentFile:t.seg", old, {}, false, old, "-append"},
      {"-update", "t.bin", old, {F, "-update"}, false, old, "-overwrite"},
      {"-append, foreign", "t.bin", junk, {F, "-append"}, false, junk, not_ours},
      {"-append, text", "t.txt", "x y\n", {F, "-append"}, false, "x y\n", not_ours},
      {"-overwrite, foreign", "t.bin", junk, {F, "-overwrite"}, false, junk, not_ours},
      {"-update, foreign", "t.bin", junk, {F, "-update"}, false, junk, not_ours},
      {"no flag, foreign", "t.dat", junk, {F}, false, junk, not_ours},
      {"-overwrite, refused layer",
       "t.dat",
       old,
       {F, "-overwrite", "-a_srs", "EPSG:3857"},
       false,
       old,
       "is refused"},
  };
  testing::WriteVsiFile(At("new.bin"), added);
  for (const Case& c : cases) {
    std::string file;
    const std::string target = Place(c.target, file);
    VSIUnlink(file.c_str());
    if (c.before != none) testing::WriteVsiFile(file, c.before);
    std::vector<std::string> arguments;
    for (const char* flag : c.flags) {
      if (flag == F) arguments.emplace_back("-f");
      arguments.emplace_back(flag == F ? "SegmentFile" : flag);
    }
    testing::CapturedErrors errors;
    EXPECT_EQ(testing::Ogr2ogr(target, At("new.bin"), arguments), c.succeeds) << c.what;
    EXPECT_EQ(testing::DescribeDifference(testing::ReadVsiFile(file), c.after), "") << c.what;
    EXPECT_TRUE(Contains(errors.failures, c.message)) << c.what << ": " << c.message;
  }
}

// Unnamed, the driver takes a .bin file whose first two records fit; named by the prefix or as
// the one allowed driver, any name, and a damaged first record is reported with its offset.
// Refusals say why, and the driver declares what it does.
TEST_F(SegmentFileTargets, OpensWhatItShouldNamedOrNotAndSaysWhyItRefuses) {
  const std::string record = StoredRecord({{1, 2}});
  const std::string damaged = std::string(5, '\0') + record;
  const std::string offset_0 = ": offset 0 (segment 1): point count 0 is not from 1 to 99999";
  struct Case {
    std::string name, bytes;
    bool allowed_drivers;
    GIntBig records;  // -1: not opened by the driver
    std::string message;
  };
  const std::vector<Case> cases = {
      {"a.bin", kForeign, false, -1, ""},
      {"b.bin", record + record + "\x01", false, 2, "offset 18 (segment 3)"},
      {"a.seg", record, false, -1, ""},
      {"SegmentFile:a.seg", record, false, 1, ""},
      {"a.seg", record, true, 1, ""},
      {"SegmentFile:c.seg", damaged, false, 0, offset_0},
      {"c.seg", damaged, true, 0, offset_0},
      {"SegmentFile:missing.seg", "", false, -1, ""},
  };
  const char* const allowed[] = {"SegmentFile", nullptr};
  for (const Case& c : cases) {
    std::string file;
    const std::string name = Place(c.name, file);
    if (!c.name.ends_with("missing.seg")) testing::WriteVsiFile(file, c.bytes);
    testing::CapturedErrors errors;
    GDALDatasetUniquePtr dataset(
        GDALDataset::Open(name.c_str(), GDAL_OF_VECTOR, c.allowed_drivers ? allowed : nullptr));
    const bool ours = dataset != nullptr && EQUAL(dataset->GetDriverName(), "SegmentFile");
    GIntBig records = -1;  // read up to any damage
    if (ours) {
      records = 0;
      for (const auto& feature : *dataset->GetLayer(0)) records += feature != nullptr;
    }
    EXPECT_EQ(records, c.records) << name;
    EXPECT_TRUE(Contains(errors.failures, c.message)) << name << ": " << c.message;
  }
  // A second layer's features join the one layer, as with -append; read-only, it is refused.
  testing::CapturedErrors errors;
  for (const unsigned int update : {0, GDAL_OF_UPDATE}) {
    GDALDatasetUniquePtr dataset(
        GDALDataset::Open(At("a.seg").c_str(), GDAL_OF_VECTOR | update, allowed));
    EXPECT_EQ(dataset->CreateLayer("second"), update ? dataset->GetLayer(0) : nullptr);
  }
  ASSERT_EQ(errors.failures.size(), 1u);
  EXPECT_NE(errors.failures[0].find("is open read-only: a layer cannot be created"),
            std::string::npos);
  ASSERT_EQ(errors.warnings.size(), 1u);
  EXPECT_NE(errors.warnings[0].find("holds one layer: the features of 'second' follow those of"),
            std::string::npos);
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("SegmentFile");
  EXPECT_STREQ(driver->GetMetadataItem(GDAL_DCAP_CREATE_FIELD), "YES");
  EXPECT_STREQ(driver->GetMetadataItem(GDAL_DCAP_DELETE_LAYER), "YES");
  EXPECT_STREQ(driver->GetMetadataItem(GDAL_DMD_CONNECTION_PREFIX), kPrefix);
}

}  // namespace
}  // namespace coord2seg
