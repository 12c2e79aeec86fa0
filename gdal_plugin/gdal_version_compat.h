// Every difference between the GDAL versions the plugin builds against.
// SPDX-License-Identifier: MIT
#pragma once
// Every difference between the GDAL versions the plugin builds against (3.6 and newer) lives
// here, so the driver's classes are written once. GDAL 3.9 made the arguments of ICreateLayer
// (a geometry field description in place of a reference system and a type, constant options)
// and of CreateField constant; 3.11 moved a layer's extent to IGetExtent; 3.12 made the layer's
// and the dataset's queries (GetLayerDefn, GetLayer, GetLayerCount, TestCapability) const; 3.13
// made the options given to a driver's Create constant. 3.7 let a dataset's Close report a
// failure; 3.13 gave it a progress callback.

#include <gdal_priv.h>
#include <gdal_version.h>
#include <ogrsf_frmts.h>

// Built and tested with GDAL 3.6, 3.10 and 3.13. GDAL loads a plugin only into the minor version it
// was built for.
#if GDAL_VERSION_NUM < GDAL_COMPUTE_VERSION(3, 6, 0)
#error "the SegmentFile driver needs GDAL 3.6 or newer"
#endif

namespace coord2seg::gdal::compat {

#if GDAL_VERSION_NUM >= GDAL_COMPUTE_VERSION(3, 9, 0)
using NewFieldDefinition = const OGRFieldDefn*;
#else
using NewFieldDefinition = OGRFieldDefn*;
#endif

#if GDAL_VERSION_NUM >= GDAL_COMPUTE_VERSION(3, 12, 0)
using LayerDefinition = const OGRFeatureDefn;
using DatasetLayer = const OGRLayer;
#else
using LayerDefinition = OGRFeatureDefn;
using DatasetLayer = OGRLayer;
#endif

#if GDAL_VERSION_NUM >= GDAL_COMPUTE_VERSION(3, 13, 0)
using CreateOptions = CSLConstList;
#else
using CreateOptions = char**;
#endif

// GDALClose's word on the dataset: from GDAL 3.7 on, false when closing it failed; 3.6 cannot
// tell, and says true.
constexpr bool kCloseReportsFailure = GDAL_VERSION_NUM >= GDAL_COMPUTE_VERSION(3, 7, 0);
inline bool CloseDataset(GDALDatasetH dataset) {
#if GDAL_VERSION_NUM >= GDAL_COMPUTE_VERSION(3, 7, 0)
  return GDALClose(dataset) == CE_None;
#else
  GDALClose(dataset);
  return true;
#endif
}

}  // namespace coord2seg::gdal::compat

// Declares GDALDataset::ICreateLayer with the signature of the GDAL being built against, passing
// the layer's name, reference system (or null) and options on to the dataset's own
//   OGRLayer* method(const char* name, const OGRSpatialReference* srs, CSLConstList options);
#if GDAL_VERSION_NUM >= GDAL_COMPUTE_VERSION(3, 9, 0)
#define COORD2SEG_ICREATELAYER_CALLS(method)                                                   \
  OGRLayer* ICreateLayer(const char* name, const OGRGeomFieldDefn* geometry_field,             \
                         CSLConstList options) override {                                      \
    return method(name, geometry_field != nullptr ? geometry_field->GetSpatialRef() : nullptr, \
                  options);                                                                    \
  }
#else
#define COORD2SEG_ICREATELAYER_CALLS(method)                                             \
  OGRLayer* ICreateLayer(const char* name, OGRSpatialReference* srs, OGRwkbGeometryType, \
                         char** options) override {                                      \
    return method(name, srs, options);                                                   \
  }
#endif

// The qualifier of the queries GDAL 3.12 made const (GetLayerDefn, GetLayer, GetLayerCount,
// TestCapability), for their overrides: `int TestCapability(const char*) COORD2SEG_QUERY override`.
#if GDAL_VERSION_NUM >= GDAL_COMPUTE_VERSION(3, 12, 0)
#define COORD2SEG_QUERY const
#else
#define COORD2SEG_QUERY
#endif

// Declares OGRLayer's extent methods with the signatures of the GDAL being built against, handing
// every request to the layer's own
//   OGRErr method(int geometry_field, OGREnvelope* extent, bool force);
// and declares ScanExtent, with the same arguments: GDAL's answer from the features, for the
// requests the method leaves to it.
#if GDAL_VERSION_NUM >= GDAL_COMPUTE_VERSION(3, 11, 0)
#define COORD2SEG_GETEXTENT_CALLS(method)                                           \
  OGRErr IGetExtent(int geometry_field, OGREnvelope* extent, bool force) override { \
    return method(geometry_field, extent, force);                                   \
  }                                                                                 \
  OGRErr ScanExtent(int geometry_field, OGREnvelope* extent, bool force) {          \
    return OGRLayer::IGetExtent(geometry_field, extent, force);                     \
  }
#else
#define COORD2SEG_GETEXTENT_CALLS(method)                                            \
  OGRErr GetExtent(OGREnvelope* extent, int force) override {                        \
    return method(0, extent, force != 0);                                            \
  }                                                                                  \
  OGRErr GetExtent(int geometry_field, OGREnvelope* extent, int force) override {    \
    return method(geometry_field, extent, force != 0);                               \
  }                                                                                  \
  OGRErr ScanExtent(int geometry_field, OGREnvelope* extent, bool force) {           \
    return geometry_field == 0 ? OGRLayer::GetExtent(extent, force)                  \
                               : OGRLayer::GetExtent(geometry_field, extent, force); \
  }
#endif

// Declares GDALDataset::Close, from GDAL 3.7 on, as the dataset's own `bool method()` (false when
// the data could not be kept) followed by GDAL's closing, so that GDALClose returns the failure
// and ogr2ogr's exit status and Python's Close() carry it. GDAL 3.6 has no such Close: the
// dataset finishes in its destructor, and a failure there is a GDAL error only.
#if GDAL_VERSION_NUM >= GDAL_COMPUTE_VERSION(3, 13, 0)
#define COORD2SEG_CLOSE_CALLS(method)                                      \
  CPLErr Close(GDALProgressFunc, void*) override {                         \
    const bool kept = method();                                            \
    return GDALDataset::Close() == CE_None && kept ? CE_None : CE_Failure; \
  }
#elif GDAL_VERSION_NUM >= GDAL_COMPUTE_VERSION(3, 7, 0)
#define COORD2SEG_CLOSE_CALLS(method)                                      \
  CPLErr Close() override {                                                \
    const bool kept = method();                                            \
    return GDALDataset::Close() == CE_None && kept ? CE_None : CE_Failure; \
  }
#else
#define COORD2SEG_CLOSE_CALLS(method)
#endif
