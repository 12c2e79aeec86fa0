// A segment file read through the SegmentFile GDAL driver from /vsimem/, part by part, must give
// exactly the whole records the in-memory reader finds, point for point, count them alike from
// the headers, report the same damage, and write them back as the same bytes; and it must claim
// the file, unnamed, exactly when the in-memory reader finds its first two records whole.
// SPDX-License-Identifier: MIT
#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "gdal_plugin/register_driver.h"
#include "gdal_plugin/segment_file_dataset.h"
#include "segment_file/minutes.h"
#include "segment_file/record_format.h"
#include "segment_file/segment_reader.h"

namespace coord2seg {
namespace {

constexpr const char* kInput = "/vsimem/fuzz.bin";
constexpr const char* kOutput = "/vsimem/fuzz_out.bin";

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "SegmentFile driver: %s\n", what);
  std::abort();
}

std::string& LastFailure() {
  static std::string message;
  return message;
}

void CPL_STDCALL KeepFailure(CPLErr type, CPLErrorNum, const char* message) {
  if (type == CE_Failure) LastFailure() = message;
}

// The feature must be the record, value for value.
void Compare(OGRFeature& feature, const SegmentRecord& record) {
  const OGRLineString* line = feature.GetGeometryRef()->toLineString();
  if (feature.GetFID() != static_cast<GIntBig>(record.number()) ||
      feature.GetFieldAsInteger(0) != static_cast<int>(record.point_count()) ||
      line->getNumPoints() != static_cast<int>(record.point_count())) {
    Fail("a feature differs from its record");
  }
  for (std::uint32_t i = 0; i < record.point_count(); ++i) {
    const StoredPoint point = record.point(i);
    if (DegreesToMinutes(line->getX(static_cast<int>(i))) != point.longitude ||
        DegreesToMinutes(line->getY(static_cast<int>(i))) != point.latitude) {
      Fail("a point differs from the stored minutes");
    }
  }
}

// The features written back by the driver, as bytes.
std::string WriteBack(OGRLayer& layer) {
  {
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("SegmentFile");
    GDALDatasetUniquePtr output(driver->Create(kOutput, 0, 0, 0, GDT_Unknown, nullptr));
    // Stored longitudes of 180 degrees and more go back as they are, not wrapped.
    const char* const options[] = {"WRAP_LONGITUDE=NO", nullptr};
    OGRLayer* copy = output->CreateLayer("copy", nullptr, wkbUnknown, const_cast<char**>(options));
    layer.ResetReading();
    for (const auto& feature : layer) {
      if (copy->CreateFeature(feature.get()) != OGRERR_NONE) Fail("a record is not written back");
    }
  }
  vsi_l_offset size = 0;
  const GByte* bytes = VSIGetMemFileBuffer(kOutput, &size, FALSE);
  std::string written(reinterpret_cast<const char*>(bytes), size);
  VSIUnlink(kOutput);
  return written;
}

// The point count of the record header at START, read straight from the bytes.
std::uint32_t CountAt(std::span<const unsigned char> bytes, std::size_t start) {
  return bytes[start] | bytes[start + 1] << 8 | bytes[start + 2] << 16 |
         std::uint32_t{bytes[start + 3]} << 24;
}

// Whether the second record is one that the end of the file cuts short: a header itself cut, or
// a sound header whose points run past the end.
bool SecondCutByTheEnd(std::span<const unsigned char> bytes) {
  const std::size_t start = RecordBytes(CountAt(bytes, 0));
  if (bytes.size() - start < kRecordHeaderBytes) return true;
  const std::uint32_t count = CountAt(bytes, start);
  return count >= 1 && count <= kMaxSegmentPoints && bytes[start + kRecordHeaderBytes - 1] == 0;
}

// Unnamed, the driver takes a .bin file exactly when the reader finds its first two records whole,
// or its one record, or a whole record and then one the end of the file cuts short (a damaged
// segment file), or no bytes: one plausible header is not enough.
void CheckIdentification(std::span<const unsigned char> bytes) {
  SegmentReader reader(bytes);
  SegmentRecord record;
  int whole = 0;
  while (whole < 2 && reader.Next(record)) ++whole;
  const bool expected =
      bytes.empty() || whole == 2 || (whole == 1 && (!reader.damage() || SecondCutByTheEnd(bytes)));
  GDALOpenInfo info(kInput, GDAL_OF_VECTOR);
  if ((gdal::IdentifySegmentFile(&info) != 0) != expected) Fail("identification differs");
}

void CheckDriver(std::span<const unsigned char> bytes) {
  const SegmentFileCheck check = CheckSegmentFile(bytes);
  const char* const drivers[] = {"SegmentFile", nullptr};
  GDALDatasetUniquePtr dataset(GDALDataset::Open(kInput, GDAL_OF_VECTOR, drivers));
  if (dataset == nullptr) {
    // Only a file whose first record header is damaged may be left to other drivers.
    if (bytes.empty() || (check.damage && check.damage->segment == 1)) return;
    Fail("a segment file was not opened");
  }
  OGRLayer& layer = *dataset->GetLayer(0);
  if (layer.GetFeatureCount() != static_cast<GIntBig>(check.segments)) Fail("feature count");
  SegmentReader reader(bytes);
  SegmentRecord record;
  LastFailure().clear();
  std::size_t whole = 0;  // the bytes of the whole records
  for (const auto& feature : layer) {
    if (!reader.Next(record)) Fail("more features than records");
    Compare(*feature, record);
    whole += RecordBytes(record.point_count());
  }
  if (reader.Next(record)) Fail("fewer features than records");
  const std::string expected_failure = check.damage ? "SegmentFile: " + std::string(kInput) + ": " +
                                                          DescribeDamagePlace(*check.damage)
                                                    : "";
  if (LastFailure() != expected_failure) Fail("the damage reported differs");
  if (WriteBack(layer) != std::string(reinterpret_cast<const char*>(bytes.data()), whole)) {
    Fail("the records written back differ");
  }
}

}  // namespace
}  // namespace coord2seg

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool registered = [] {
    RegisterOGRSegmentFile();
    CPLPushErrorHandler(coord2seg::KeepFailure);
    return true;
  }();
  static_cast<void>(registered);
  VSIFCloseL(VSIFileFromMemBuffer(coord2seg::kInput, const_cast<std::uint8_t*>(data), size, FALSE));
  coord2seg::CheckIdentification({data, size});
  coord2seg::CheckDriver({data, size});
  VSIUnlink(coord2seg::kInput);
  return 0;
}
