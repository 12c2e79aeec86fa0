// The plugin's entry point. GDAL finds it by the module's file name: ogr_SegmentFile.so holds
// RegisterOGRSegmentFile, the one symbol the module exports.
// SPDX-License-Identifier: MIT
#include "gdal_plugin/register_driver.h"

#include <gdal_priv.h>

#include "gdal_plugin/segment_file_dataset.h"
#include "gdal_plugin/segment_file_identity.h"

namespace {

constexpr const char* kOpenOptions =
    "<OpenOptionList>"
    "  <Option name='ONE_POINT_RECORDS' type='string-select' default='LINE' "
    "description='Geometry of records of one point: a one-point LineString, so that the layer "
    "has one geometry type (with a warning, since shapely and PostGIS reject it), or a Point'>"
    "    <Value>LINE</Value>"
    "    <Value>POINT</Value>"
    "  </Option>"
    "</OpenOptionList>";

constexpr const char* kLayerCreationOptions =
    "<LayerCreationOptionList>"
    "  <Option name='LONG_PARTS' type='string-select' default='SPLIT' "
    "description='A part of more than 99999 points: split into records that share their joining "
    "points, with a warning, or refuse the feature'>"
    "    <Value>SPLIT</Value>"
    "    <Value>REFUSE</Value>"
    "  </Option>"
    "  <Option name='WRAP_LONGITUDE' type='boolean' default='YES' "
    "description='Wrap each longitude once into [-180, 180) as coord2seg does, or keep every "
    "value as given (NO: exact round trips of stored files)'/>"
    "</LayerCreationOptionList>";

}  // namespace

extern "C" COORD2SEG_GDAL_EXPORT void RegisterOGRSegmentFile() {
  if (!GDAL_CHECK_VERSION("SegmentFile driver")) return;
  using coord2seg::gdal::kDriverName;
  if (GDALGetDriverByName(kDriverName) != nullptr) return;
  auto driver = std::make_unique<GDALDriver>();
  driver->SetDescription(kDriverName);
  driver->SetMetadataItem(GDAL_DCAP_VECTOR, "YES");
  driver->SetMetadataItem(GDAL_DMD_LONGNAME, "coord2seg segment file");
  driver->SetMetadataItem(GDAL_DMD_EXTENSION, "bin");
  driver->SetMetadataItem(GDAL_DCAP_VIRTUALIO, "YES");
  driver->SetMetadataItem(GDAL_DMD_CONNECTION_PREFIX, coord2seg::gdal::kConnectionPrefix);
  // One layer, created, or deleted so that ogr2ogr -overwrite replaces it.
  driver->SetMetadataItem(GDAL_DCAP_CREATE_LAYER, "YES");
  driver->SetMetadataItem(GDAL_DCAP_DELETE_LAYER, "YES");
  // The layer takes fields of any type, so that a translation goes through, though a segment file
  // keeps none of their values (said in a warning).
  driver->SetMetadataItem(GDAL_DCAP_CREATE_FIELD, "YES");
  driver->SetMetadataItem(GDAL_DMD_CREATIONFIELDDATATYPES,
                          "Integer Integer64 Real String Date DateTime Time IntegerList "
                          "Integer64List RealList StringList Binary");
  driver->SetMetadataItem(GDAL_DMD_OPENOPTIONLIST, kOpenOptions);
  driver->SetMetadataItem(GDAL_DS_LAYER_CREATIONOPTIONLIST, kLayerCreationOptions);
  driver->pfnIdentify = coord2seg::gdal::IdentifySegmentFile;
  driver->pfnOpen = coord2seg::gdal::SegmentFileDataset::Open;
  driver->pfnCreate = coord2seg::gdal::SegmentFileDataset::Create;
  driver->pfnDelete = coord2seg::gdal::SegmentFileDataset::Delete;
  // The driver manager owns the driver from here on.
  GetGDALDriverManager()->RegisterDriver(driver.release());
}
