// The SegmentFile dataset: which files it opens, and its layer's creation.
// SPDX-License-Identifier: MIT
#include "gdal_plugin/segment_file_dataset.h"

#include <cpl_conv.h>
#include <cpl_string.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <span>
#include <variant>

#include "common/file_lock.h"
#include "common/system.h"
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

// Opened for update as a vector dataset by a name this driver writes, a file that is not a
// segment file and that no other vector driver takes: why it must be kept. ogr2ogr -append and
// -overwrite would otherwise create a segment file there, which GDAL begins by deleting the file
// through the driver that recognizes it (ENVI's raster and its .hdr, a PNG, a GeoTIFF).
thread_local bool asking_other_drivers = false;

std::optional<std::string> ForeignFileToKeep(GDALOpenInfo& info, const FirstRecords& first) {
  if (info.eAccess != GA_Update || (info.nOpenFlags & GDAL_OF_VECTOR) == 0 ||
      (info.nOpenFlags & GDAL_OF_RASTER) != 0 || asking_other_drivers) {
    return std::nullopt;
  }
  if (!HasSegmentFileName(info.pszFilename) && !DriverIsNamed(info)) return std::nullopt;
  if (first.Fit() || first.Empty()) return std::nullopt;
  asking_other_drivers = true;
  GDALDriverH other = GDALIdentifyDriverEx(info.pszFilename, GDAL_OF_VECTOR, nullptr, nullptr);
  asking_other_drivers = false;
  if (other != nullptr) return std::nullopt;
  if (HasEnviHeader(&info)) return std::string("an ENVI raster, with its .hdr");
  if (first.damage) return "not a segment file (" + DescribeDamagePlace(*first.damage) + ")";
  return std::string("not a segment file");
}

}  // namespace

int IdentifySegmentFile(GDALOpenInfo* info) {
  if (asking_other_drivers) return FALSE;
  CompleteDeletions();
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
  const FirstRecords first = ReadFirstRecords(info->fpL);
  if (ForeignFileToKeep(*info, first)) return TRUE;
  if (FirstHeaderIsDamaged(*info)) return FALSE;
  if (!first.Fit() && !(bin_name && first.Empty())) return FALSE;
  return !(bin_name && HasEnviHeader(info));
}

SegmentFileDataset::SegmentFileDataset(VsiFilePtr file, std::string path, const char* name,
                                       GDALAccess access)
    : file_(std::move(file)), path_(std::move(path)) {
  SetDescription(name);
  eAccess = access;
}

namespace {

// Waits for the lock that writers of a local file take in turn, and opens the file again when
// it was replaced under its name meanwhile. False, with a GDAL error, when that failed.
bool LockForWriting(VsiFilePtr& file, const std::string& path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    void* native = VSIFGetNativeFileDescriptorL(file.get());
    if (native == nullptr) return true;  // in memory or remote: no other process writes it
    const auto descriptor = reinterpret_cast<FileHandle::Native>(native);
    int error = LockWholeFile(descriptor, false);
    if (error == kLockHeld) {
      // Another writer (ogr2ogr -append, a GIS with the layer in edit mode) holds it till it
      // closes the file.
      CPLError(CE_Warning, CPLE_AppDefined,
               "SegmentFile: '%s' is being written by another program; waiting for it to finish",
               path.c_str());
      error = LockWholeFile(descriptor, true);
    }
    if (error != 0) {
      CPLError(CE_Failure, CPLE_FileIO, "SegmentFile: cannot lock '%s' for writing: %s",
               path.c_str(), SystemErrorReason(error).c_str());
      return false;
    }
    if (PathNamesFile(path, descriptor)) return true;
    file.reset(VSIFOpenL(path.c_str(), "r+b"));
    if (file == nullptr) break;
  }
  CPLError(CE_Failure, CPLE_FileIO, "SegmentFile: '%s' kept changing while waiting to write it",
           path.c_str());
  return false;
}

}  // namespace

GDALDataset* SegmentFileDataset::Open(GDALOpenInfo* info) {
  if (!IdentifySegmentFile(info)) return nullptr;
  const std::string path = PathWithoutPrefix(info->pszFilename);
  if (info->fpL != nullptr) {
    const FirstRecords first = ReadFirstRecords(info->fpL);
    if (std::optional<std::string> reason = ForeignFileToKeep(*info, first)) {
      auto guard =
          std::make_unique<SegmentFileDataset>(nullptr, path, info->pszFilename, info->eAccess);
      guard->foreign_ = std::move(*reason);
      return guard.release();
    }
  }
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
  if (info->eAccess == GA_Update && !LockForWriting(file, path)) return nullptr;
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
    dataset->target_ = WriteTarget::Append(dataset->file_.get(), path, walker.offset());
    dataset->committed_size_ = walker.offset();
    dataset->committed_records_ = walker.record_number();
    auto writer =
        dataset->MakeWriter(dataset->layer_->GetName(), nullptr, nullptr, walker.record_number());
    dataset->writer_ = writer.get();
    dataset->layer_->StartWriting(std::move(writer));
  }
  return dataset.release();
}

// An existing segment file is replaced only when the write is kept: the new file is written
// beside it. Anything else that exists is left alone.
GDALDataset* SegmentFileDataset::Create(const char* name, int, int, int bands, GDALDataType,
                                        compat::CreateOptions) {
  const std::string path = PathWithoutPrefix(name);
  // GDAL has just deleted a segment file of this name: it was moved aside, and comes back if
  // this write is refused.
  const std::optional<std::string> aside = TakeMovedAside(path);
  const auto put_back = [&] {
    if (aside) VSIRename(aside->c_str(), StoredFileName(path).c_str());
  };
  if (bands != 0) {
    put_back();
    CPLError(CE_Failure, CPLE_NotSupported, "SegmentFile: a segment file holds no raster bands");
    return nullptr;
  }
  VSIStatBufL status;
  const bool exists = aside || VSIStatL(path.c_str(), &status) == 0;
  if (!aside) {
    if (const std::optional<std::string> reason = ReasonToKeep(path)) {
      CPLError(CE_Failure, CPLE_AppDefined, "SegmentFile: '%s' exists: %s; it is left as it is",
               path.c_str(), reason->c_str());
      return nullptr;
    }
    if (exists && VSI_ISDIR(status.st_mode)) {
      CPLError(CE_Failure, CPLE_AppDefined,
               "SegmentFile: cannot create '%s': Is a directory; it is left as it is",
               path.c_str());
      return nullptr;
    }
  }
  std::unique_ptr<WriteTarget> target = WriteTarget::Create(path, exists, aside.value_or(""));
  if (target == nullptr) return nullptr;
  auto dataset = std::make_unique<SegmentFileDataset>(nullptr, path, name, GA_Update);
  dataset->target_ = std::move(target);
  return dataset.release();
}

CPLErr SegmentFileDataset::Delete(const char* name) {
  const std::string path = PathWithoutPrefix(name);
  if (const std::optional<std::string> reason = ReasonToKeep(path)) {
    CPLError(CE_Failure, CPLE_AppDefined, "SegmentFile: '%s' is not deleted: %s", path.c_str(),
             reason->c_str());
    return CE_Failure;
  }
  return DeleteSegmentFile(path) ? CE_None : CE_Failure;
}

// A refusal or a failure gives up the whole write, unless a commit (or, after a rollback, a new
// transaction) came after it: ogr2ogr rolls back and closes when it stops, and goes on with a new
// transaction after a feature it skips.
SegmentFileDataset::~SegmentFileDataset() { FinishWrite(); }

bool SegmentFileDataset::FinishWrite() {
  if (finished_) return true;
  finished_ = true;
  bool keep = Failures() == accepted_failures_;
  if (layer_ != nullptr) keep = layer_->FinishWriting() && keep;
  const bool written = writer_ != nullptr && writer_->size() > target_->start();
  if (!keep && target_ != nullptr && (written || Failures() > accepted_failures_) &&
      (writer_ == nullptr || !writer_->write_failed())) {
    CPLError(CE_Warning, CPLE_AppDefined, "SegmentFile: the write is given up after a refusal; %s",
             target_->abandoned_state().c_str());
  }
  bool finished = true;
  bool replaced = false;  // a new file took the name
  if (target_ != nullptr) {
    const bool in_place = target_->file() == file_.get();
    finished = target_->Finish(keep, writer_ != nullptr ? writer_->size() : 0);
    replaced = keep && finished && !in_place;
  }
  // The layer reads from the target's file: it goes first, then every handle on the old file.
  writer_ = nullptr;
  layer_.reset();
  target_.reset();
  file_.reset();
  if (replaced) ForgetReplacedCompressedFile(path_);
  return keep && finished;
}

std::uint64_t SegmentFileDataset::Failures() const {
  return refused_layers_ + failures_gone_ + (writer_ != nullptr ? writer_->failures() : 0);
}

// ogr2ogr finds an existing layer by the source layer's name. A segment file has one layer
// whatever its name, so opened for update it answers to every name: -overwrite then deletes it
// and -append adds to it, as for a layer of the same name in other formats.
OGRLayer* SegmentFileDataset::GetLayerByName(const char* name) {
  if (layer_from_file_ && eAccess == GA_Update) return layer_.get();
  return GDALDataset::GetLayerByName(name);
}

// The records go when the write is kept: a new file, empty until a layer is created, is written
// beside the old one.
OGRErr SegmentFileDataset::DeleteLayer(int index) {
  if (RefuseWhenReadOnly("its layer cannot be deleted")) return OGRERR_FAILURE;
  if (index != 0 || layer_ == nullptr) {
    CPLError(CE_Failure, CPLE_IllegalArg, "SegmentFile: %s has no layer %d to delete",
             path_.c_str(), index);
    return OGRERR_FAILURE;
  }
  layer_->FinishWriting();
  failures_gone_ += writer_ != nullptr ? writer_->failures() : 0;
  writer_ = nullptr;
  layer_.reset();
  layer_from_file_ = false;
  layer_settings_.reset();
  if (target_ != nullptr && target_->file() == file_.get()) {
    // Opened in place: the new file goes beside it.
    target_->Finish(false);
    target_ = WriteTarget::Create(path_, true, "");
    if (target_ == nullptr) return OGRERR_FAILURE;
  } else if (target_ != nullptr) {
    VSIFTruncateL(target_->file(), 0);
  }
  committed_size_ = 0;
  committed_records_ = 0;
  return OGRERR_NONE;
}

int SegmentFileDataset::TestCapability(const char* capability) COORD2SEG_QUERY {
  const bool update = eAccess == GA_Update;
  // A second layer joins the first; a dataset over a file to keep refuses it with the reason.
  if (EQUAL(capability, ODsCCreateLayer)) return update;
  if (EQUAL(capability, ODsCDeleteLayer)) return update && layer_ != nullptr;
  if (EQUAL(capability, ODsCTransactions)) return update && foreign_.empty();
  return FALSE;
}

char** SegmentFileDataset::GetFileList() { return CSLAddString(nullptr, path_.c_str()); }

OGRErr SegmentFileDataset::StartTransaction(int) {
  if (RefuseWhenReadOnly("a transaction cannot start")) return OGRERR_FAILURE;
  if (in_transaction_) {
    CPLError(CE_Failure, CPLE_AppDefined, "SegmentFile: a transaction is already under way");
    return OGRERR_FAILURE;
  }
  in_transaction_ = true;
  accepted_failures_ = Failures();
  return OGRERR_NONE;
}

OGRErr SegmentFileDataset::CommitTransaction() {
  if (!in_transaction_) {
    CPLError(CE_Failure, CPLE_AppDefined, "SegmentFile: no transaction is under way");
    return OGRERR_FAILURE;
  }
  in_transaction_ = false;
  if (writer_ != nullptr) {
    if (writer_->write_failed()) return OGRERR_FAILURE;
    committed_size_ = writer_->size();
    committed_records_ = writer_->records();
  }
  accepted_failures_ = Failures();
  return OGRERR_NONE;
}

OGRErr SegmentFileDataset::RollbackTransaction() {
  if (!in_transaction_) {
    CPLError(CE_Failure, CPLE_AppDefined, "SegmentFile: no transaction is under way");
    return OGRERR_FAILURE;
  }
  in_transaction_ = false;
  if (writer_ != nullptr) writer_->CutBack(committed_size_, committed_records_);
  return OGRERR_NONE;
}

bool SegmentFileDataset::RefuseWhenReadOnly(const char* what) {
  if (eAccess == GA_Update) return false;
  CPLError(CE_Failure, CPLE_NotSupported, "SegmentFile: %s is open read-only: %s", path_.c_str(),
           what);
  return true;
}

std::unique_ptr<FeatureWriter> SegmentFileDataset::MakeWriter(const char* name,
                                                              const OGRSpatialReference* srs,
                                                              CSLConstList options,
                                                              std::uint64_t records) {
  std::string refusal;
  if (!DegreeAxisOrder(srs, refusal)) {
    CPLError(CE_Failure, CPLE_NotSupported, "SegmentFile: layer '%s' is refused: %s", name,
             refusal.c_str());
    return nullptr;
  }
  const std::optional<PartRecordSettings> settings = PartRecordSettingsFrom(options);
  if (!settings) return nullptr;
  layer_settings_ = settings;
  // The file holds whole records only, so new ones go after them.
  RecordAppender appender(target_->file(), path_,
                          target_->file() == file_.get() ? target_->start() : 0,
                          target_->abandoned_state());
  return std::make_unique<FeatureWriter>(std::move(appender), WriteSettings{.records = *settings},
                                         records);
}

OGRLayer* SegmentFileDataset::JoinLayer(const char* name, const OGRSpatialReference* srs,
                                        CSLConstList options) {
  std::string refusal;
  const std::optional<PartRecordSettings> settings = PartRecordSettingsFrom(options);
  if (!DegreeAxisOrder(srs, refusal)) {
    CPLError(CE_Failure, CPLE_NotSupported, "SegmentFile: layer '%s' is refused: %s", name,
             refusal.c_str());
  } else if (settings && layer_settings_ &&
             (settings->wrap_longitude != layer_settings_->wrap_longitude ||
              settings->long_parts != layer_settings_->long_parts)) {
    CPLError(CE_Failure, CPLE_NotSupported,
             "SegmentFile: layer '%s' asks for other creation options than '%s', whose records "
             "it would join; write it to a file of its own",
             name, layer_->GetName());
  } else if (settings) {
    CPLError(CE_Warning, CPLE_AppDefined,
             "SegmentFile: a segment file holds one layer: the features of '%s' follow those of "
             "'%s' in %s",
             name, layer_->GetName(), path_.c_str());
    return layer_.get();
  }
  ++refused_layers_;
  return nullptr;
}

OGRLayer* SegmentFileDataset::CreateSegmentLayer(const char* name, const OGRSpatialReference* srs,
                                                 CSLConstList options) {
  if (RefuseWhenReadOnly("a layer cannot be created")) return nullptr;
  if (!foreign_.empty()) {
    CPLError(CE_Failure, CPLE_AppDefined,
             "SegmentFile: '%s' exists and is %s; it is left as it is, and no segment file is "
             "written there",
             path_.c_str(), foreign_.c_str());
    ++refused_layers_;
    return nullptr;
  }
  // Several source layers into one file: their features follow one another, as with -append.
  if (layer_ != nullptr && writer_ != nullptr) return JoinLayer(name, srs, options);
  if (layer_ != nullptr || target_ == nullptr) {
    CPLError(CE_Failure, CPLE_NotSupported,
             "SegmentFile: a segment file holds one layer; '%s' cannot be added to %s", name,
             path_.c_str());
    return nullptr;
  }
  std::unique_ptr<FeatureWriter> writer = MakeWriter(name, srs, options, 0);
  if (writer == nullptr) {
    ++refused_layers_;
    return nullptr;
  }
  layer_ = std::make_unique<SegmentFileLayer>(this, target_->file(), path_, ReadSettings{});
  writer_ = writer.get();
  layer_->StartWriting(std::move(writer));
  return layer_.get();
}

}  // namespace coord2seg::gdal
