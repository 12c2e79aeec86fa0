// A segment file seen by GDAL: one vector layer, read, created, appended to or replaced.
// SPDX-License-Identifier: MIT
#pragma once

#include <gdal_priv.h>

#include <memory>
#include <string>

#include "gdal_plugin/gdal_version_compat.h"
#include "gdal_plugin/segment_file_layer.h"
#include "gdal_plugin/write_target.h"

namespace coord2seg::gdal {

struct CloseVsiFile {
  void operator()(VSILFILE* file) const { VSIFCloseL(file); }
};
using VsiFilePtr = std::unique_ptr<VSILFILE, CloseVsiFile>;

// A segment file seen by GDAL: one vector layer, read, created, appended to or replaced. A write
// is kept when the dataset closes, unless a layer or feature was refused or a write failed since
// the last commit: then every file is left as it was. A rollback goes back to the last commit.
// Opened for update by name, a file that is not a segment file gives a dataset that refuses every
// layer, so that ogr2ogr -append and -overwrite stop there rather than create (which GDAL begins by
// deleting what is there).
class SegmentFileDataset final : public GDALDataset {
 public:
  static GDALDataset* Open(GDALOpenInfo* info);
  static GDALDataset* Create(const char* name, int x_size, int y_size, int bands, GDALDataType type,
                             compat::CreateOptions options);
  static CPLErr Delete(const char* name);

  SegmentFileDataset(VsiFilePtr file, std::string path, const char* name, GDALAccess access);
  ~SegmentFileDataset() override;

  int GetLayerCount() COORD2SEG_QUERY override { return layer_ != nullptr ? 1 : 0; }
  compat::DatasetLayer* GetLayer(int index) COORD2SEG_QUERY override {
    return index == 0 ? layer_.get() : nullptr;
  }
  using GDALDataset::GetLayer;
  OGRLayer* GetLayerByName(const char* name) override;
  OGRErr DeleteLayer(int index) override;
  int TestCapability(const char* capability) COORD2SEG_QUERY override;
  char** GetFileList() override;
  OGRErr StartTransaction(int force) override;
  OGRErr CommitTransaction() override;
  OGRErr RollbackTransaction() override;
  COORD2SEG_CLOSE_CALLS(FinishWrite)

 protected:
  COORD2SEG_ICREATELAYER_CALLS(CreateSegmentLayer)

 private:
  OGRLayer* CreateSegmentLayer(const char* name, const OGRSpatialReference* srs,
                               CSLConstList options);
  // The writer for a layer in `srs` whose records start at `start`; nothing, with a GDAL error,
  // when the layer is refused.
  std::unique_ptr<FeatureWriter> MakeWriter(const char* name, const OGRSpatialReference* srs,
                                            CSLConstList options, std::uint64_t records);
  // Keeps or gives up the write, once; false when what was written is not kept, said in a GDAL
  // error.
  bool FinishWrite();
  bool RefuseWhenReadOnly(const char* what);
  // Refusals and failures so far, of layers and of features.
  std::uint64_t Failures() const;
  // The layer a second layer's features join, or nothing, with a GDAL error.
  OGRLayer* JoinLayer(const char* name, const OGRSpatialReference* srs, CSLConstList options);

  VsiFilePtr file_;      // the file opened, locked while it is written
  std::string path_;     // the file's own name, without the driver's prefix
  std::string foreign_;  // opened for update, a file that is not a segment file: why it is kept
  std::unique_ptr<WriteTarget> target_;
  std::unique_ptr<SegmentFileLayer> layer_;
  FeatureWriter* writer_ = nullptr;  // the layer's
  std::optional<PartRecordSettings> layer_settings_;
  bool layer_from_file_ = false;  // the layer the file held when opened, not one made since
  std::uint64_t refused_layers_ = 0;
  std::uint64_t failures_gone_ = 0;  // of writers that are no more
  // Transactions: the failures a commit or a new transaction accepted (more give up the write),
  // and where the last commit left the file.
  bool in_transaction_ = false;
  std::uint64_t accepted_failures_ = 0;
  std::uint64_t committed_size_ = 0;
  std::uint64_t committed_records_ = 0;
  bool finished_ = false;
};

// True when the file is a segment file for GDAL. Unnamed, a .bin file (not an ENVI raster's)
// whose first records fit the format, or is empty; opened for update, a file of any name whose
// first records fit. Named by the prefix or the allowed drivers, any file.
int IdentifySegmentFile(GDALOpenInfo* info);

}  // namespace coord2seg::gdal
