#include "gdal_plugin/segment_file_dataset.h"

#include <cpl_conv.h>
#include <cpl_string.h>

#include <cerrno>
#include <cstring>
#include <variant>

#include "segment_file/record_format.h"

namespace coord2seg::gdal {
namespace {

bool HasSegmentFileName(const char* path) {
  if (EQUAL(CPLGetExtension(path), "bin")) return true;
  // /vsigzip/coast.bin.gz
  return STARTS_WITH_CI(path, "/vsigzip/") && EQUAL(CPLGetExtension(path), "gz") &&
         EQUAL(CPLGetExtension(CPLGetBasename(path)), "bin");
}

// ENVI rasters keep their data in a .bin file beside a .hdr of the same name.
bool HasEnviHeader(GDALOpenInfo* info) {
  char** siblings = info->GetSiblingFiles();
  const std::string header = std::string(CPLGetBasename(info->pszFilename)) + ".hdr";
  if (siblings != nullptr) return CSLFindString(siblings, header.c_str()) >= 0;
  VSIStatBufL status;
  return VSIStatL(CPLResetExtension(info->pszFilename, "hdr"), &status) == 0;
}

ReadSettings ReadSettingsFrom(char** open_options) {
  const char* one_point = CSLFetchNameValueDef(open_options, "ONE_POINT_RECORDS", "LINE");
  return {.one_point_records_as_points = EQUAL(one_point, "POINT")};
}

}  // namespace

int IdentifySegmentFile(GDALOpenInfo* info) {
  if (info->fpL == nullptr || !HasSegmentFileName(info->pszFilename)) return FALSE;
  if (info->nHeaderBytes == 0) return TRUE;  // an empty file: no records
  if (info->nHeaderBytes < static_cast<int>(kRecordHeaderBytes)) return FALSE;
  const auto header =
      ReadRecordHeader(std::span(info->pabyHeader, kRecordHeaderBytes), RecordPlace{});
  return std::holds_alternative<std::uint32_t>(header) && !HasEnviHeader(info);
}

GDALDataset* SegmentFileDataset::Open(GDALOpenInfo* info) {
  if (!IdentifySegmentFile(info)) return nullptr;
  VsiFilePtr file;
  if (info->eAccess == GA_Update) {
    file.reset(VSIFOpenL(info->pszFilename, "r+b"));
    if (file == nullptr) {
      CPLError(CE_Failure, CPLE_OpenFailed, "SegmentFile: cannot open '%s' for update: %s",
               info->pszFilename, std::strerror(errno));
      return nullptr;
    }
  } else {
    file.reset(info->fpL);
    info->fpL = nullptr;
  }
  auto dataset = std::make_unique<SegmentFileDataset>(std::move(file), info->pszFilename);
  dataset->SetDescription(info->pszFilename);
  dataset->eAccess = info->eAccess;
  dataset->layer_ =
      std::make_unique<SegmentFileLayer>(dataset.get(), dataset->file_.get(), dataset->path_,
                                         ReadSettingsFrom(info->papszOpenOptions));
  if (info->eAccess == GA_Update) {
    // Records go after the last one, so the file must be whole.
    const VsiRecordReader walker = WalkRecordHeaders(dataset->file_.get());
    if (walker.damage()) {
      CPLError(CE_Failure, CPLE_AppDefined, "SegmentFile: %s: %s; records cannot be added to it",
               info->pszFilename, DescribeDamagePlace(*walker.damage()).c_str());
      return nullptr;
    }
    dataset->appendable_ = true;
    dataset->layer_->StartWriting(
        dataset->MakeWriter(dataset->layer_->GetName(), nullptr, nullptr));
  }
  return dataset.release();
}

GDALDataset* SegmentFileDataset::Create(const char* path, int, int, int bands, GDALDataType,
                                        char**) {
  if (bands != 0) {
    CPLError(CE_Failure, CPLE_NotSupported, "SegmentFile: a segment file holds no raster bands");
    return nullptr;
  }
  VsiFilePtr file(VSIFOpenL(path, "wb"));
  if (file == nullptr) {
    CPLError(CE_Failure, CPLE_OpenFailed, "SegmentFile: cannot create '%s': %s", path,
             std::strerror(errno));
    return nullptr;
  }
  auto dataset = std::make_unique<SegmentFileDataset>(std::move(file), path);
  dataset->SetDescription(path);
  dataset->eAccess = GA_Update;
  dataset->created_ = true;
  return dataset.release();
}

SegmentFileDataset::~SegmentFileDataset() {
  if (layer_ != nullptr) layer_->FinishWriting();
}

int SegmentFileDataset::TestCapability(const char* capability) {
  if (EQUAL(capability, ODsCCreateLayer)) {
    return (created_ && layer_ == nullptr) || appendable_;
  }
  return FALSE;
}

void SegmentFileDataset::RemoveCreatedFile() {
  file_.reset();
  VSIUnlink(path_.c_str());
}

std::unique_ptr<FeatureWriter> SegmentFileDataset::MakeWriter(const char* name,
                                                              const OGRSpatialReference* srs,
                                                              char** options) {
  std::string refusal;
  const std::optional<AxisOrder> order = DegreeAxisOrder(srs, refusal);
  if (!order) {
    CPLError(CE_Failure, CPLE_NotSupported, "SegmentFile: layer '%s' is refused: %s", name,
             refusal.c_str());
    return nullptr;
  }
  const std::optional<PartRecordSettings> records = PartRecordSettingsFrom(options);
  if (!records) return nullptr;
  const WriteSettings settings{.axis_order = *order, .records = *records};
  // The file holds whole records only, so new ones go at its end.
  const std::uint64_t size = VsiFileSize(file_.get());
  return std::make_unique<FeatureWriter>(RecordAppender(file_.get(), path_, size), settings);
}

OGRLayer* SegmentFileDataset::ICreateLayer(const char* name, OGRSpatialReference* srs,
                                           OGRwkbGeometryType, char** options) {
  if (appendable_) {
    // The file's one layer takes the new features at its end, whatever the name, with the
    // settings of the layer asked for.
    if (!layer_->FinishWriting()) return nullptr;
    std::unique_ptr<FeatureWriter> writer = MakeWriter(name, srs, options);
    if (writer == nullptr) return nullptr;
    layer_->StartWriting(std::move(writer));
    return layer_.get();
  }
  if (!created_ || layer_ != nullptr) {
    CPLError(CE_Failure, CPLE_NotSupported,
             "SegmentFile: a segment file holds one layer; '%s' cannot be added to %s", name,
             path_.c_str());
    return nullptr;
  }
  std::unique_ptr<FeatureWriter> writer = MakeWriter(name, srs, options);
  if (writer == nullptr) {
    RemoveCreatedFile();
    created_ = false;
    return nullptr;
  }
  layer_ = std::make_unique<SegmentFileLayer>(this, file_.get(), path_, ReadSettings{});
  layer_->StartWriting(std::move(writer));
  return layer_.get();
}

}  // namespace coord2seg::gdal
