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

// A segment file seen by GDAL: one vector layer, read, created or appended to.
class SegmentFileDataset final : public GDALDataset {
 public:
  static GDALDataset* Open(GDALOpenInfo* info);
  static GDALDataset* Create(const char* path, int x_size, int y_size, int bands, GDALDataType type,
                             char** options);

  SegmentFileDataset(VsiFilePtr file, std::string path)
      : file_(std::move(file)), path_(std::move(path)) {}
  ~SegmentFileDataset() override;

  int GetLayerCount() override { return layer_ != nullptr ? 1 : 0; }
  OGRLayer* GetLayer(int index) override { return index == 0 ? layer_.get() : nullptr; }
  int TestCapability(const char* capability) override;

 protected:
  COORD2SEG_ICREATELAYER_CALLS(CreateSegmentLayer)

 private:
  OGRLayer* CreateSegmentLayer(const char* name, const OGRSpatialReference* srs,
                               CSLConstList options);
  // The writer for a layer in `srs`; nothing, with a GDAL error, when the layer is refused.
  std::unique_ptr<FeatureWriter> MakeWriter(const char* name, const OGRSpatialReference* srs,
                                            CSLConstList options);
  void RemoveCreatedFile();

  VsiFilePtr file_;
  std::string path_;
  bool created_ = false;     // by Create: there is no layer until one is created
  bool appendable_ = false;  // opened for update: the layer takes features at the end
  std::unique_ptr<SegmentFileLayer> layer_;
};

// True when the file looks like a segment file: a ".bin" name and a first record header that
// fits the format, or no bytes at all.
int IdentifySegmentFile(GDALOpenInfo* info);

}  // namespace coord2seg::gdal
