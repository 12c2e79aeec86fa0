// Which axes of a layer's spatial reference hold longitude and latitude in degrees.
// SPDX-License-Identifier: MIT
#pragma once

#include <ogr_spatialref.h>

#include <memory>
#include <optional>
#include <string>

#include "gdal_plugin/geometry_parts.h"

namespace coord2seg::gdal {

// Where a layer's coordinates hold longitude and latitude in degrees: none means they do, in
// that order. Nothing, with the reason in `refusal`, for a projected or otherwise unfit system.
std::optional<AxisOrder> DegreeAxisOrder(const OGRSpatialReference* srs, std::string& refusal);

// GDAL counts the owners of a spatial reference; this gives up one.
struct ReleaseReference {
  void operator()(OGRSpatialReference* srs) const { srs->Release(); }
};
using SpatialReferencePtr = std::unique_ptr<OGRSpatialReference, ReleaseReference>;

// WGS 84 longitude and latitude, longitude first: what every read layer is in.
SpatialReferencePtr LongitudeLatitudeReference();

}  // namespace coord2seg::gdal
