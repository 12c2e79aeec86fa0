#pragma once

#include <gdal_priv.h>

#include <memory>
#include <string>

#include "gdal_plugin/gdal_version_compat.h"
#include "gdal_plugin/segment_file_layer.h"

namespace coord2seg::gdal {

struct CloseVsiFile {
  void operator()(VSILFILE* file) const { VSIFCloseL(file); }
};
using VsiFilePtr = std::unique_ptr<VSILFILE, CloseVsiFile>;

// A segment file seen by GDAL: one vector layer, read, created, appended to or replaced.
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

 protected:
  COORD2SEG_ICREATELAYER_CALLS(CreateSegmentLayer)

 private:
  OGRLayer* CreateSegmentLayer(const char* name, const OGRSpatialReference* srs,
                               CSLConstList options);
  // The writer for a layer in `srs` whose records start at `start`; nothing, with a GDAL error,
  // when the layer is refused.
  std::unique_ptr<FeatureWriter> MakeWriter(const char* name, const OGRSpatialReference* srs,
                                            CSLConstList options, std::uint64_t start);
  bool RefuseWhenReadOnly(const char* what);
  bool DropRecords();

  VsiFilePtr file_;
  std::string path_;  // the file's own name, without the driver's prefix
  std::unique_ptr<SegmentFileLayer> layer_;
  bool layer_from_file_ = false;  // the layer the file held when opened, not one made since
  bool created_ = false;          // by Create: a refused layer leaves no file behind
  bool records_dropped_ = false;  // by DeleteLayer: the file is emptied when it takes effect
  bool creation_refused_ = false;
};

// True when the file is a segment file for GDAL. Unnamed, a .bin file (not an ENVI raster's)
// whose first records fit the format, or is empty; opened for update, a file of any name whose
// first records fit. Named by the prefix or the allowed drivers, any file.
int IdentifySegmentFile(GDALOpenInfo* info);

}  // namespace coord2seg::gdal
