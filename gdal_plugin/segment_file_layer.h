// The one layer of a segment file: one feature per record, in file order.
// SPDX-License-Identifier: MIT
#pragma once

#include <ogrsf_frmts.h>

#include <memory>
#include <string>
#include <vector>

#include "gdal_plugin/degree_axes.h"
#include "gdal_plugin/feature_writer.h"
#include "gdal_plugin/gdal_version_compat.h"
#include "gdal_plugin/vsi_record_reader.h"

namespace coord2seg::gdal {

// The field that holds each record's point count.
inline constexpr const char* kPointCountField = "POINTS";

struct ReadSettings {
  bool one_point_records_as_points = false;  // else every record is a LineString
};

// The one layer of a segment file: one feature per record, in file order, FID the record's
// number from 1, geometry in WGS 84 longitude and latitude degrees. It writes when given a writer.
class SegmentFileLayer final : public OGRLayer,
                               public OGRGetNextFeatureThroughRaw<SegmentFileLayer> {
 public:
  SegmentFileLayer(GDALDataset* dataset, VSILFILE* file, std::string path, ReadSettings settings);
  ~SegmentFileLayer() override;

  void StartWriting(std::unique_ptr<FeatureWriter> writer);
  // Writes what is left; false when a write failed.
  bool FinishWriting();

  void ResetReading() override;
  compat::LayerDefinition* GetLayerDefn() COORD2SEG_QUERY override { return definition_; }
  using OGRLayer::GetLayerDefn;
  GIntBig GetFeatureCount(int force) override;
  COORD2SEG_GETEXTENT_CALLS(FindExtent)
  int TestCapability(const char* capability) COORD2SEG_QUERY override;
  OGRErr CreateField(compat::NewFieldDefinition field, int approximate_ok) override;
  OGRErr DeleteField(int field) override;
  OGRErr ReorderFields(int* map) override;
  OGRErr DeleteFeature(GIntBig fid) override;
  GDALDataset* GetDataset() override { return dataset_; }
  // The dataset's, which decides what a write keeps (ogr2ogr -lyr_transaction).
  OGRErr StartTransaction() override { return dataset_->StartTransaction(FALSE); }
  OGRErr CommitTransaction() override { return dataset_->CommitTransaction(); }
  OGRErr RollbackTransaction() override { return dataset_->RollbackTransaction(); }

  DEFINE_GET_NEXT_FEATURE_THROUGH_RAW(SegmentFileLayer)

 protected:
  OGRErr ICreateFeature(OGRFeature* feature) override;
  OGRErr ISetFeature(OGRFeature* feature) override;
  OGRErr IUpsertFeature(OGRFeature* feature) override;

 private:
  OGRFeature* GetNextRawFeature();
  OGRErr FindExtent(int geometry_field, OGREnvelope* extent, bool force);
  std::unique_ptr<OGRGeometry> MakeGeometry(std::uint32_t count) const;
  bool HasFilters() const { return m_poFilterGeom != nullptr || m_poAttrQuery != nullptr; }
  // The refusal of a change to the file other than adding features at its end.
  OGRErr RefuseChange(const char* operation) const;
  // The refusal of an addition to a file opened read-only.
  OGRErr RefuseReadOnly(const char* operation) const;
  void ReportDamage(const SegmentFileDamage& damage);
  void NoteOnePointLine();

  GDALDataset* dataset_;
  VSILFILE* file_;
  std::string path_;
  ReadSettings settings_;
  OGRFeatureDefn* definition_;  // shared with the features, released by the last of them
  SpatialReferencePtr srs_ = LongitudeLatitudeReference();
  VsiRecordReader reader_;
  bool damage_reported_ = false;
  bool one_point_line_noted_ = false;  // once for the layer's life, not each reading
  std::vector<unsigned char> pairs_;
  std::unique_ptr<FeatureWriter> writer_;
  bool attributes_noted_ = false;
};

}  // namespace coord2seg::gdal
