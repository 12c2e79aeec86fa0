// Which axes of a layer's spatial reference hold longitude and latitude in degrees.
// SPDX-License-Identifier: MIT
#include "gdal_plugin/degree_axes.h"

#include <cmath>

namespace coord2seg::gdal {
namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;

std::string NameOf(const OGRSpatialReference& srs) {
  const char* name = srs.GetName();
  return name != nullptr ? std::string("'") + name + "'" : "its coordinate system";
}

}  // namespace

std::optional<AxisOrder> DegreeAxisOrder(const OGRSpatialReference* srs, std::string& refusal) {
  if (srs == nullptr || srs->IsEmpty()) return AxisOrder::kLongitudeFirst;
  const std::string advice =
      "; a segment file holds longitude and latitude in degrees: give ogr2ogr -t_srs EPSG:4326";
  if (!srs->IsGeographic()) {
    refusal = std::string(srs->IsProjected() ? "projected" : "not geographic") + " coordinates (" +
              NameOf(*srs) + ")" + advice;
    return std::nullopt;
  }
  if (std::fabs(srs->GetAngularUnits() / kRadiansPerDegree - 1) > 1e-9) {
    refusal = "angles in " + NameOf(*srs) + " are not in degrees" + advice;
    return std::nullopt;
  }
  // x is the longitude whatever the system's axis mapping, as GeoPackage and GeoJSON take it:
  // GDAL's own writers hand over longitude first, and so do the users of its other drivers.
  return AxisOrder::kLongitudeFirst;
}

SpatialReferencePtr LongitudeLatitudeReference() {
  SpatialReferencePtr srs(std::make_unique<OGRSpatialReference>().release());
  srs->SetWellKnownGeogCS("WGS84");
  srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return srs;
}

}  // namespace coord2seg::gdal
