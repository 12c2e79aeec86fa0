// The one layer of a segment file: its features read and written.
// SPDX-License-Identifier: MIT
#include "gdal_plugin/segment_file_layer.h"

#include <cpl_conv.h>

#include "segment_file/record_format.h"
#include "segment_file/stored_degrees.h"

namespace coord2seg::gdal {
namespace {

// The file's name without its extension: coast.bin and /vsigzip/coast.bin.gz give coast.
std::string LayerName(const std::string& path) {
  std::string name = CPLGetBasename(path.c_str());
  if (EQUAL(CPLGetExtension(name.c_str()), "bin")) name = CPLGetBasename(name.c_str());
  return name;
}

}  // namespace

SegmentFileLayer::SegmentFileLayer(GDALDataset* dataset, VSILFILE* file, std::string path,
                                   ReadSettings settings)
    : dataset_(dataset),
      file_(file),
      path_(std::move(path)),
      settings_(settings),
      definition_(std::make_unique<OGRFeatureDefn>(LayerName(path_).c_str()).release()),
      reader_(file) {
  definition_->Reference();
  SetDescription(definition_->GetName());
  definition_->SetGeomType(settings_.one_point_records_as_points ? wkbUnknown : wkbLineString);
  definition_->GetGeomFieldDefn(0)->SetSpatialRef(srs_.get());
  OGRFieldDefn count_field(kPointCountField, OFTInteger);
  definition_->AddFieldDefn(&count_field);
}

SegmentFileLayer::~SegmentFileLayer() { definition_->Release(); }

void SegmentFileLayer::StartWriting(std::unique_ptr<FeatureWriter> writer) {
  writer_ = std::move(writer);
}

bool SegmentFileLayer::FinishWriting() { return writer_ == nullptr || writer_->Finish(); }

void SegmentFileLayer::ResetReading() {
  reader_.Rewind();
  damage_reported_ = false;
}

std::unique_ptr<OGRGeometry> SegmentFileLayer::MakeGeometry(std::uint32_t count) const {
  const auto point = [this](std::uint32_t index) {
    return LoadStoredPoint(pairs_.data() + std::size_t{index} * kPointPairBytes);
  };
  std::unique_ptr<OGRGeometry> geometry;
  if (count == 1 && settings_.one_point_records_as_points) {
    const StoredPoint only = point(0);
    geometry =
        std::make_unique<OGRPoint>(StoredDegrees(only.longitude), StoredDegrees(only.latitude));
  } else {
    auto line = std::make_unique<OGRLineString>();
    line->setNumPoints(static_cast<int>(count), FALSE);
    for (std::uint32_t i = 0; i < count; ++i) {
      const StoredPoint stored = point(i);
      line->setPoint(static_cast<int>(i), StoredDegrees(stored.longitude),
                     StoredDegrees(stored.latitude));
    }
    geometry = std::move(line);
  }
  geometry->assignSpatialReference(srs_.get());
  return geometry;
}

OGRFeature* SegmentFileLayer::GetNextRawFeature() {
  if (!reader_.Next(pairs_)) {
    if (reader_.damage()) ReportDamage(*reader_.damage());
    return nullptr;
  }
  const auto count = static_cast<std::uint32_t>(pairs_.size() / kPointPairBytes);
  if (count == 1 && !settings_.one_point_records_as_points) NoteOnePointLine();
  auto feature = std::make_unique<OGRFeature>(definition_);
  feature->SetFID(static_cast<GIntBig>(reader_.record_number()));
  feature->SetField(0, static_cast<int>(count));
  feature->SetGeometryDirectly(MakeGeometry(count).release());
  return feature.release();
}

// A LineString of one point is what the file holds, but shapely, PostGIS and others refuse or
// call it invalid: said once per layer, with the way to Points.
void SegmentFileLayer::NoteOnePointLine() {
  if (one_point_line_noted_) return;
  one_point_line_noted_ = true;
  CPLError(CE_Warning, CPLE_AppDefined,
           "SegmentFile: %s: record %llu has one point and is read as a LineString of one "
           "point, which shapely and PostGIS reject; open with ONE_POINT_RECORDS=POINT to read "
           "such records as Points",
           path_.c_str(), static_cast<unsigned long long>(reader_.record_number()));
}

void SegmentFileLayer::ReportDamage(const SegmentFileDamage& damage) {
  if (damage_reported_) return;
  damage_reported_ = true;
  CPLError(CE_Failure, CPLE_AppDefined, "SegmentFile: %s: %s", path_.c_str(),
           DescribeDamagePlace(damage).c_str());
}

GIntBig SegmentFileLayer::GetFeatureCount(int force) {
  if (HasFilters()) return OGRLayer::GetFeatureCount(force);
  // The headers alone: each tells where the next record starts.
  return static_cast<GIntBig>(WalkRecordHeaders(file_).record_number());
}

OGRErr SegmentFileLayer::FindExtent(int geometry_field, OGREnvelope* extent, bool force) {
  if (geometry_field != 0 || HasFilters()) return ScanExtent(geometry_field, extent, force);
  // The stored minutes alone, without features: the same extent, since every stored value
  // becomes its minutes over 60.
  const StoredExtent stored = FindStoredExtent(file_);
  if (stored.damage) ReportDamage(*stored.damage);
  if (stored.records == 0) return OGRERR_FAILURE;
  extent->MinX = StoredDegrees(stored.min.longitude);
  extent->MaxX = StoredDegrees(stored.max.longitude);
  extent->MinY = StoredDegrees(stored.min.latitude);
  extent->MaxY = StoredDegrees(stored.max.latitude);
  return OGRERR_NONE;
}

int SegmentFileLayer::TestCapability(const char* capability) COORD2SEG_QUERY {
  if (EQUAL(capability, OLCSequentialWrite) || EQUAL(capability, OLCCreateField)) {
    return writer_ != nullptr;
  }
  // The count walks the records' headers and nothing of their points. The extent reads every
  // point (as raw minutes), which GDAL does not count as fast.
  if (EQUAL(capability, OLCFastFeatureCount)) return !HasFilters();
  return FALSE;
}

OGRErr SegmentFileLayer::RefuseChange(const char* operation) const {
  CPLError(CE_Failure, CPLE_NotSupported,
           "SegmentFile: %s is not supported: a segment file takes new features at its end and "
           "changes nothing else; write a new file instead (ogr2ogr -overwrite)",
           operation);
  return OGRERR_UNSUPPORTED_OPERATION;
}

OGRErr SegmentFileLayer::RefuseReadOnly(const char* operation) const {
  CPLError(CE_Failure, CPLE_NotSupported,
           "SegmentFile: %s: '%s' is open read-only; open it for update to add features "
           "(ogr2ogr -append, or GDAL_OF_UPDATE)",
           operation, path_.c_str());
  return OGRERR_UNSUPPORTED_OPERATION;
}

OGRErr SegmentFileLayer::DeleteField(int) { return RefuseChange("DeleteField"); }
OGRErr SegmentFileLayer::ReorderFields(int*) { return RefuseChange("ReorderFields"); }
OGRErr SegmentFileLayer::DeleteFeature(GIntBig) { return RefuseChange("DeleteFeature"); }
OGRErr SegmentFileLayer::ISetFeature(OGRFeature*) { return RefuseChange("SetFeature"); }
OGRErr SegmentFileLayer::IUpsertFeature(OGRFeature*) { return RefuseChange("UpsertFeature"); }

OGRErr SegmentFileLayer::CreateField(compat::NewFieldDefinition field, int) {
  if (writer_ == nullptr) return RefuseReadOnly("CreateField");
  // The point count is the file's own. Other fields join the layer's definition, so that a
  // translation finds them, but their values are not stored, as is said once.
  if (definition_->GetFieldIndex(field->GetNameRef()) >= 0) return OGRERR_NONE;
  if (!attributes_noted_) {
    attributes_noted_ = true;
    CPLError(CE_Warning, CPLE_AppDefined,
             "SegmentFile: a segment file keeps geometries alone; attributes such as '%s' are "
             "not stored",
             field->GetNameRef());
  }
  definition_->AddFieldDefn(field);
  return OGRERR_NONE;
}

OGRErr SegmentFileLayer::ICreateFeature(OGRFeature* feature) {
  if (writer_ == nullptr) return RefuseReadOnly("CreateFeature");
  return writer_->Write(*feature);
}

}  // namespace coord2seg::gdal
