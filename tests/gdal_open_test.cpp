// How ogr2ogr's flags land on an existing file, through ogr2ogr's own code, and which files the
// SegmentFile driver opens, with and without being named.
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "gdal_plugin/segment_file_dataset.h"
#include "segment_file/segment_reader.h"
#include "tests/gdal_session.h"
#include "tests/random_segment_files.h"
#include "tests/segment_bytes.h"

namespace coord2seg {
namespace {

using testing::CapturedErrors;
using testing::DescribeDifference;
using testing::ReadVsiFile;
using testing::StoredRecord;
using testing::WriteVsiFile;

constexpr const char* kDir = "/vsimem/gdal_open_test/";

class SegmentFileTargets : public ::testing::Test {
 protected:
  ~SegmentFileTargets() override { VSIRmdirRecursive(kDir); }
  testing::GdalSession gdal_;
};

bool Contains(const std::vector<std::string>& messages, const std::string& part) {
  for (const std::string& message : messages) {
    if (message.find(part) != std::string::npos) return true;
  }
  return part.empty();
}

// A plausible first header, then bytes that are not a second one.
const std::string kForeign = std::string("\x01\x00\x00\x00\x00\x01\x00\x02\x00", 9) + "GIF89a..";

TEST_F(SegmentFileTargets, EachFlagReplacesAddsOrRefusesWithoutLosingOrDoublingRecords) {
  const std::string old = StoredRecord({{1, 2}, {3, 4}}) + StoredRecord({{5, 6}});
  const std::string added = StoredRecord({{7, 8}});
  const std::string both = old + added;
  const std::string kMissing = "<none>";
  const char* const F = "-f";
  struct Case {
    const char* what;
    std::string target;              // under kDir, with or without the driver's prefix
    std::string before;              // kMissing: no file
    std::vector<const char*> flags;  // F: -f SegmentFile
    bool succeeds;
    std::string after;
    std::string message;  // part of an error
  };
  const std::string& junk = kForeign;
  const std::string not_ours = "is not a segment file";
  const std::vector<Case> cases = {
      {"-overwrite", "t.bin", old, {F, "-overwrite"}, true, added, ""},
      {"-overwrite, another name", "t.dat", old, {F, "-overwrite"}, true, added, ""},
      {"-append", "t.bin", old, {F, "-append"}, true, both, ""},
      {"-append, another name", "t.dat", old, {F, "-append"}, true, both, ""},
      {"-append, prefix", "SegmentFile:t.seg", old, {F, "-append"}, true, both, ""},
      {"-append, missing file", "t.bin", kMissing, {F, "-append"}, true, added, ""},
      {"no flag", "t.bin", old, {F}, true, added, ""},
      {"no flag, another name", "t.dat", old, {F}, true, added, ""},
      {"no flag, prefix", "SegmentFile:t.seg", old, {F}, true, added, ""},
      {"no flag, prefix, no -f", "SegmentFile:t.seg", old, {}, false, old, "-append"},
      {"-update", "t.bin", old, {F, "-update"}, false, old, "-overwrite"},
      {"-append, foreign", "t.bin", junk, {F, "-append"}, false, junk, not_ours},
      {"-append, text", "t.txt", "x y\n", {F, "-append"}, false, "x y\n", not_ours},
      {"-overwrite, foreign", "t.bin", junk, {F, "-overwrite"}, false, junk, not_ours},
      {"-update, foreign", "t.bin", junk, {F, "-update"}, false, junk, "Unable to open"},
      {"no flag, foreign", "t.dat", junk, {F}, false, junk, not_ours},
      {"-overwrite, refused layer",
       "t.dat",
       old,
       {F, "-overwrite", "-a_srs", "EPSG:3857"},
       false,
       old,
       "is refused"},
  };
  WriteVsiFile(std::string(kDir) + "new.bin", added);
  for (const Case& c : cases) {
    const bool prefixed = c.target.starts_with("SegmentFile:");
    const std::string file = kDir + c.target.substr(prefixed ? 12 : 0);
    const std::string target = (prefixed ? "SegmentFile:" : "") + file;
    VSIUnlink(file.c_str());
    if (c.before != kMissing) WriteVsiFile(file, c.before);
    std::vector<std::string> arguments;
    for (const char* flag : c.flags) {
      if (flag == F) arguments.insert(arguments.end(), {"-f", "SegmentFile"});
      if (flag != F) arguments.emplace_back(flag);
    }
    CapturedErrors errors;
    EXPECT_EQ(testing::Ogr2ogr(target, std::string(kDir) + "new.bin", arguments), c.succeeds)
        << c.what;
    EXPECT_EQ(DescribeDifference(ReadVsiFile(file), c.after), "") << c.what;
    EXPECT_TRUE(Contains(errors.failures, c.message)) << c.what << ": " << c.message;
  }
}

TEST_F(SegmentFileTargets, OpensAnyNameWhenNamedAndOnlyTwoFittingRecordsWithout) {
  const std::string record = StoredRecord({{1, 2}});
  const std::string damaged_first = std::string("\x00\x00\x00\x00\x00", 5) + record;
  struct Case {
    const char* what;
    std::string name;
    std::string bytes;
    bool allowed_drivers;  // open with SegmentFile as the one allowed driver
    GIntBig records;       // -1: not opened by the driver
    std::string message;   // part of an error
  };
  const std::vector<Case> cases = {
      {".bin", "a.bin", record + record, false, 2, ""},
      {"one record", "a.bin", record, false, 1, ""},
      {"foreign bytes after one plausible header", "a.bin", kForeign, false, -1, ""},
      {"damaged after two records", "a.bin", record + record + "\x01", false, 2, ""},
      {"another name", "a.seg", record, false, -1, ""},
      {"another name, prefix", "SegmentFile:a.seg", record, false, 1, ""},
      {"another name, allowed drivers", "a.seg", record, true, 1, ""},
      {"damaged first record, prefix", "SegmentFile:a.seg", damaged_first, false, 0,
       ": offset 0 (segment 1): point count 0 is not from 1 to 99999"},
      {"damaged first record, allowed drivers", "a.seg", damaged_first, true, 0,
       ": offset 0 (segment 1): point count 0 is not from 1 to 99999"},
      {"missing file, prefix", "SegmentFile:b.seg", "", false, -1, ""},
  };
  for (const Case& c : cases) {
    const bool prefixed = c.name.starts_with("SegmentFile:");
    const std::string file = kDir + c.name.substr(prefixed ? 12 : 0);
    if (c.what != std::string("missing file, prefix")) WriteVsiFile(file, c.bytes);
    const char* const allowed[] = {"SegmentFile", nullptr};
    CapturedErrors errors;
    GDALDatasetUniquePtr dataset(
        GDALDataset::Open(((prefixed ? "SegmentFile:" : "") + file).c_str(), GDAL_OF_VECTOR,
                          c.allowed_drivers ? allowed : nullptr));
    const bool ours = dataset != nullptr && EQUAL(dataset->GetDriverName(), "SegmentFile");
    EXPECT_EQ(ours ? dataset->GetLayer(0)->GetFeatureCount() : -1, c.records) << c.what;
    EXPECT_TRUE(Contains(errors.failures, c.message)) << c.what << ": " << c.message;
    VSIUnlink(file.c_str());
  }
}

// Unnamed, the driver takes a file whose first two records are whole (or its one record, or no
// bytes for a .bin name), as the in-memory reader finds them; other drivers get the rest.
bool ClaimedByTheReader(const std::string& bytes, bool bin_name) {
  SegmentReader reader(testing::Bytes(bytes));
  SegmentRecord record;
  int whole = 0;
  while (whole < 2 && reader.Next(record)) ++whole;
  if (bytes.empty()) return bin_name;
  return whole == 2 || (whole == 1 && !reader.damage());
}

TEST_F(SegmentFileTargets, ClaimsAFileExactlyWhenItsFirstTwoRecordsAreWhole) {
  testing::RandomSegmentFiles random(2026);
  std::mt19937_64 engine(7);
  const auto below = [&](std::size_t bound) {
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(engine);
  };
  for (int i = 0; i < 400; ++i) {
    std::string bytes = random.File();
    // Cut short, a byte changed, or bytes of another file after a plausible header.
    if (!bytes.empty() && below(3) == 0) bytes.resize(below(bytes.size()));
    if (!bytes.empty() && below(3) == 0) bytes[below(bytes.size())] = static_cast<char>(below(256));
    if (below(4) == 0) bytes = kForeign.substr(0, 5 + below(kForeign.size() - 4)) + bytes;
    for (const bool bin_name : {true, false}) {
      const std::string file = std::string(kDir) + (bin_name ? "p.bin" : "p.dat");
      WriteVsiFile(file, bytes);
      // Opened for update, as ogr2ogr opens its output, any name takes part.
      GDALOpenInfo info(file.c_str(), GDAL_OF_VECTOR | (bin_name ? 0 : GDAL_OF_UPDATE));
      const bool ours = gdal::IdentifySegmentFile(&info);
      ASSERT_EQ(ours, ClaimedByTheReader(bytes, bin_name)) << "file " << i << " " << file;
      VSIUnlink(file.c_str());
    }
  }
}

// Each refusal is a GDAL error that says why, and the driver declares what it does.
TEST_F(SegmentFileTargets, EveryRefusalSaysWhy) {
  const std::string file = std::string(kDir) + "a.bin";
  WriteVsiFile(file, StoredRecord({{1, 2}}));
  struct Case {
    const char* what;
    bool update;
    std::function<bool(GDALDataset&)> refused;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"new layer, read-only", false, [](GDALDataset& d) { return d.CreateLayer("x") == nullptr; },
       "is open read-only"},
      {"delete layer, read-only", false, [](GDALDataset& d) { return d.DeleteLayer(0) != 0; },
       "is open read-only"},
      {"second layer", true, [](GDALDataset& d) { return d.CreateLayer("x") == nullptr; },
       "holds one layer"},
      {"no such layer", true, [](GDALDataset& d) { return d.DeleteLayer(1) != 0; },
       "has no layer 1"},
  };
  for (const Case& c : cases) {
    GDALDatasetUniquePtr dataset(
        GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | (c.update ? GDAL_OF_UPDATE : 0)));
    ASSERT_NE(dataset, nullptr);
    EXPECT_EQ(dataset->TestCapability(ODsCDeleteLayer), c.update) << c.what;
    CapturedErrors errors;
    EXPECT_TRUE(c.refused(*dataset)) << c.what;
    EXPECT_TRUE(Contains(errors.failures, c.message)) << c.what << ": " << c.message;
  }
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("SegmentFile");
  for (const char* capability : {GDAL_DCAP_CREATE_FIELD, GDAL_DCAP_DELETE_LAYER}) {
    EXPECT_NE(driver->GetMetadataItem(capability), nullptr) << capability;
  }
  EXPECT_STREQ(driver->GetMetadataItem(GDAL_DMD_CONNECTION_PREFIX), "SegmentFile:");
  EXPECT_EQ(ReadVsiFile(file), StoredRecord({{1, 2}}));
}

}  // namespace
}  // namespace coord2seg
