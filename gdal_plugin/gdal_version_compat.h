#pragma once
// Every difference between the GDAL versions the plugin builds against (3.6 and newer) lives
// here, so the driver's classes are written once. GDAL 3.9 made the arguments of ICreateLayer
// (a geometry field description in place of a reference system and a type, constant options)
// and of CreateField constant.

#include <gdal_priv.h>
#include <gdal_version.h>
#include <ogrsf_frmts.h>

// Built and tested with GDAL 3.6 and 3.10. GDAL loads a plugin only into the minor version it
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
