#include "gdal_plugin/segment_file_dataset.h"

#include <cpl_conv.h>
#include <cpl_string.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>
#include <variant>

#include "gdal_plugin/segment_file_identity.h"
#include "segment_file/record_format.h"

namespace coord2seg::gdal {
namespace {

// ENVI rasters keep their data in a .bin file beside a .hdr of the same name.
bool HasEnviHeader(GDALOpenInfo* info) {
  char** siblings = info->GetSiblingFiles();
  const std::string header = std::string(CPLGetBasename(info->pszFilename)) + ".hdr";
  if (siblings != nullptr) return CSLFindString(siblings, header.c_str()) >= 0;
  VSIStatBufL status;
  return VSIStatL(CPLResetExtension(info->pszFilename, "hdr"), &status) == 0;
}

// The bytes GDAL read already rule out most other files without a seek.
bool FirstHeaderIsDamaged(const GDALOpenInfo& info) {
  if (info.nHeaderBytes <= 0) return false;
  const auto size = std::min(static_cast<std::size_t>(info.nHeaderBytes), kRecordHeaderBytes);
  return std::holds_alternative<SegmentFileDamage>(
      ReadRecordHeader(std::span(info.pabyHeader, size), RecordPlace{}));
}

ReadSettings ReadSettingsFrom(CSLConstList open_options) {
  const char* one_point = CSLFetchNameValueDef(open_options, "ONE_POINT_RECORDS", "LINE");
  return {.one_point_records_as_points = EQUAL(one_point, "POINT")};
}

// The file behind the dataset name, for reading or update. A missing file is left to GDAL to
// report, as for every driver.
VsiFilePtr OpenFile(GDALOpenInfo& info, const std::string& path) {
  const bool update = info.eAccess == GA_Update;
  if (!update && info.fpL != nullptr && path == info.pszFilename) {
    VsiFilePtr file(info.fpL);
    info.fpL = nullptr;
    return file;
  }
  errno = 0;
  VsiFilePtr file(VSIFOpenL(path.c_str(), update ? "r+b" : "rb"));
  const int error = errno;
  VSIStatBufL status;
  if (file == nullptr && VSIStatL(path.c_str(), &status) == 0) {
    CPLError(CE_Failure, CPLE_OpenFailed, "SegmentFile: cannot open '%s'%s: %s", path.c_str(),
             update ? " for update" : "", error != 0 ? std::strerror(error) : "open failed");
  }
  return file;
}

}  // namespace

int IdentifySegmentFile(GDALOpenInfo* info) {
  if (STARTS_WITH_CI(info->pszFilename, kConnectionPrefix)) {
    VSIStatBufL status;
    const std::string path = PathWithoutPrefix(info->pszFilename);
    return VSIStatL(path.c_str(), &status) == 0 && VSI_ISREG(status.st_mode);
  }
  if (info->fpL == nullptr) return FALSE;
  if (DriverIsNamed(*info)) return TRUE;
  // ogr2ogr -append and -overwrite open their output for update: a segment file of any name
  // takes part.
  const bool bin_name = HasSegmentFileName(info->pszFilename);
  if (!bin_name && info->eAccess != GA_Update) return FALSE;
  if (FirstHeaderIsDamaged(*info)) return FALSE;
  const FirstRecords first = ReadFirstRecords(info->fpL);
  if (!first.Fit() && !(bin_name && first.Empty())) return FALSE;
  return !(bin_name && HasEnviHeader(info));
}

SegmentFileDataset::SegmentFileDataset(VsiFilePtr file, std::string path, const char* name,
                                       GDALAccess access)
    : file_(std::move(file)), path_(std::move(path)) {
  SetDescription(name);
  eAccess = access;
}

GDALDataset* SegmentFileDataset::Open(GDALOpenInfo* info) {
  if (!IdentifySegmentFile(info)) return nullptr;
  const std::string path = PathWithoutPrefix(info->pszFilename);
  VsiFilePtr file = OpenFile(*info, path);
  if (file == nullptr) return nullptr;
  if (DriverIsNamed(*info) && info->eAccess == GA_ReadOnly) {
    // Named, a file whose first record is damaged opens without records, and says where.
    const FirstRecords first = ReadFirstRecords(file.get());
    if (first.damage && first.damage->segment == 1) {
      CPLError(CE_Failure, CPLE_AppDefined, "SegmentFile: %s: %s", path.c_str(),
               DescribeDamagePlace(*first.damage).c_str());
    }
  }
  auto dataset =
      std::make_unique<SegmentFileDataset>(std::move(file), path, info->pszFilename, info->eAccess);
  dataset->layer_ =
      std::make_unique<SegmentFileLayer>(dataset.get(), dataset->file_.get(), dataset->path_,
                                         ReadSettingsFrom(info->papszOpenOptions));
  dataset->layer_from_file_ = true;
  if (info->eAccess == GA_Update) {
    // Records go after the last one, so the file must be whole.
    const VsiRecordReader walker = WalkRecordHeaders(dataset->file_.get());
    if (walker.damage()) {
      CPLError(CE_Failure, CPLE_AppDefined, "SegmentFile: %s: %s; records cannot be added to it",
               path.c_str(), DescribeDamagePlace(*walker.damage()).c_str());
      return nullptr;
    }
    dataset->layer_->StartWriting(
        dataset->MakeWriter(dataset->layer_->GetName(), nullptr, nullptr, walker.offset()));
  }
  return dataset.release();
}

// An existing segment file is replaced when its new layer is accepted, so that a refused layer
// leaves it as it was; anything else that exists is left alone.
GDALDataset* SegmentFileDataset::Create(const char* name, int, int, int bands, GDALDataType,
                                        compat::CreateOptions) {
  if (bands != 0) {
    CPLError(CE_Failure, CPLE_NotSupported, "SegmentFile: a segment file holds no raster bands");
    return nullptr;
  }
  const std::string path = PathWithoutPrefix(name);
  if (const std::optional<std::string> reason = ReasonToKeep(path)) {
    CPLError(CE_Failure, CPLE_AppDefined, "SegmentFile: '%s' exists: %s; it is left as it is",
             path.c_str(), reason->c_str());
    return nullptr;
  }
  VSIStatBufL status;
  const bool exists = VSIStatL(path.c_str(), &status) == 0 && VSI_ISREG(status.st_mode);
  errno = 0;
  VsiFilePtr file(VSIFOpenL(path.c_str(), exists ? "r+b" : "wb"));
  if (file == nullptr) {
    CPLError(CE_Failure, CPLE_OpenFailed, "SegmentFile: cannot create '%s': %s", path.c_str(),
             errno != 0 ? std::strerror(errno) : "open failed");
    return nullptr;
  }
  auto dataset = std::make_unique<SegmentFileDataset>(std::move(file), path, name, GA_Update);
  dataset->created_ = !exists;
  dataset->records_dropped_ = exists;
  return dataset.release();
}

CPLErr SegmentFileDataset::Delete(const char* name) {
  const std::string path = PathWithoutPrefix(name);
  if (const std::optional<std::string> reason = ReasonToKeep(path)) {
    CPLError(CE_Failure, CPLE_AppDefined, "SegmentFile: '%s' is not deleted: %s", path.c_str(),
             reason->c_str());
    return CE_Failure;
  }
  errno = 0;
  if (VSIUnlink(path.c_str()) != 0) {
    CPLError(CE_Failure, CPLE_FileIO, "SegmentFile: cannot delete '%s': %s", path.c_str(),
             errno != 0 ? std::strerror(errno) : "delete failed");
    return CE_Failure;
  }
  return CE_None;
}

SegmentFileDataset::~SegmentFileDataset() {
  if (layer_ != nullptr) {
    layer_->FinishWriting();
  } else if (created_ && creation_refused_) {
    // A refused layer leaves no file behind.
    file_.reset();
    VSIUnlink(path_.c_str());
  } else if (records_dropped_ && !creation_refused_) {
    DropRecords();
  }
}

// ogr2ogr finds an existing layer by the source layer's name. A segment file has one layer
// whatever its name, so opened for update it answers to every name: -overwrite then deletes it
// and -append adds to it, as for a layer of the same name in other formats.
OGRLayer* SegmentFileDataset::GetLayerByName(const char* name) {
  if (layer_from_file_ && eAccess == GA_Update) return layer_.get();
  return GDALDataset::GetLayerByName(name);
}

// The records go when a new layer is accepted, or when the dataset closes without one.
OGRErr SegmentFileDataset::DeleteLayer(int index) {
  if (RefuseWhenReadOnly("its layer cannot be deleted")) return OGRERR_FAILURE;
  if (index != 0 || layer_ == nullptr) {
    CPLError(CE_Failure, CPLE_IllegalArg, "SegmentFile: %s has no layer %d to delete",
             path_.c_str(), index);
    return OGRERR_FAILURE;
  }
  const bool written = layer_->FinishWriting();
  layer_.reset();
  layer_from_file_ = false;
  if (!written) return OGRERR_FAILURE;
  records_dropped_ = true;
  return OGRERR_NONE;
}

int SegmentFileDataset::TestCapability(const char* capability) COORD2SEG_QUERY {
  const bool update = eAccess == GA_Update;
  if (EQUAL(capability, ODsCCreateLayer)) return update && layer_ == nullptr;
  if (EQUAL(capability, ODsCDeleteLayer)) return update && layer_ != nullptr;
  return FALSE;
}

char** SegmentFileDataset::GetFileList() { return CSLAddString(nullptr, path_.c_str()); }

bool SegmentFileDataset::RefuseWhenReadOnly(const char* what) {
  if (eAccess == GA_Update) return false;
  CPLError(CE_Failure, CPLE_NotSupported, "SegmentFile: %s is open read-only: %s", path_.c_str(),
           what);
  return true;
}

bool SegmentFileDataset::DropRecords() {
  records_dropped_ = false;
  if (VSIFTruncateL(file_.get(), 0) == 0) return true;
  CPLError(CE_Failure, CPLE_FileIO, "SegmentFile: cannot empty '%s' to replace its records: %s",
           path_.c_str(), std::strerror(errno));
  return false;
}

std::unique_ptr<FeatureWriter> SegmentFileDataset::MakeWriter(const char* name,
                                                              const OGRSpatialReference* srs,
                                                              CSLConstList options,
                                                              std::uint64_t start) {
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
  // The file holds whole records only, so new ones go after them.
  return std::make_unique<FeatureWriter>(RecordAppender(file_.get(), path_, start), settings);
}

OGRLayer* SegmentFileDataset::CreateSegmentLayer(const char* name, const OGRSpatialReference* srs,
                                                 CSLConstList options) {
  if (RefuseWhenReadOnly("a layer cannot be created")) return nullptr;
  if (layer_ != nullptr) {
    CPLError(CE_Failure, CPLE_NotSupported,
             "SegmentFile: a segment file holds one layer; '%s' cannot be added to %s, which "
             "has '%s'",
             name, path_.c_str(), layer_->GetName());
    return nullptr;
  }
  const std::uint64_t start = records_dropped_ ? 0 : VsiFileSize(file_.get());
  std::unique_ptr<FeatureWriter> writer = MakeWriter(name, srs, options, start);
  if (writer == nullptr) {
    creation_refused_ = true;
    return nullptr;
  }
  if (records_dropped_ && !DropRecords()) return nullptr;
  creation_refused_ = false;
  layer_ = std::make_unique<SegmentFileLayer>(this, file_.get(), path_, ReadSettings{});
  layer_->StartWriting(std::move(writer));
  return layer_.get();
}

}  // namespace coord2seg::gdal
