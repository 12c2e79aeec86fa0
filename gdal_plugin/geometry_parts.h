// A geometry's points and parts, as a segment file keeps them.
// SPDX-License-Identifier: MIT
#pragma once

#include <ogr_geometry.h>

#include <cstddef>
#include <span>
#include <vector>

#include "common/geo_point.h"

namespace coord2seg::gdal {

// Which axis of incoming coordinates holds the longitude.
enum class AxisOrder { kLongitudeFirst, kLatitudeFirst };

// The parts of one geometry as a segment file keeps them: each point, each line, each ring of a
// polygon and each member of a collection is one part, in the geometry's order; curves are made
// linear (by GDAL, before a driver without curves sees them), Z and M are left out, empty
// parts are passed over.
class GeometryParts {
 public:
  void Collect(const OGRGeometry& geometry, AxisOrder order);

  std::size_t size() const { return ends_.size(); }
  std::span<const GeoPoint> part(std::size_t index) const;

 private:
  void Add(const OGRGeometry& geometry);
  void AddPoint(double x, double y);
  void EndPart();

  AxisOrder order_ = AxisOrder::kLongitudeFirst;
  std::vector<GeoPoint> points_;
  std::vector<std::size_t> ends_;  // where each part's points end in points_
};

}  // namespace coord2seg::gdal
