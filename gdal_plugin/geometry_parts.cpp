// A geometry's points and parts, as a segment file keeps them.
// SPDX-License-Identifier: MIT
#include "gdal_plugin/geometry_parts.h"

namespace coord2seg::gdal {

void GeometryParts::Collect(const OGRGeometry& geometry, AxisOrder order) {
  order_ = order;
  points_.clear();
  ends_.clear();
  // Curves arrive linear already: GDAL makes them so for a driver that does not take them.
  Add(geometry);
}

std::span<const GeoPoint> GeometryParts::part(std::size_t index) const {
  const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
  return std::span(points_).subspan(begin, ends_[index] - begin);
}

void GeometryParts::AddPoint(double x, double y) {
  points_.push_back(order_ == AxisOrder::kLongitudeFirst ? GeoPoint{x, y} : GeoPoint{y, x});
}

void GeometryParts::EndPart() {
  const std::size_t begin = ends_.empty() ? 0 : ends_.back();
  if (points_.size() > begin) ends_.push_back(points_.size());
}

void GeometryParts::Add(const OGRGeometry& geometry) {
  if (geometry.IsEmpty()) return;
  switch (wkbFlatten(geometry.getGeometryType())) {
    case wkbPoint: {
      const OGRPoint* point = geometry.toPoint();
      AddPoint(point->getX(), point->getY());
      EndPart();
      break;
    }
    case wkbLineString:
    case wkbLinearRing: {
      const OGRSimpleCurve* line = geometry.toSimpleCurve();
      for (int i = 0; i < line->getNumPoints(); ++i) AddPoint(line->getX(i), line->getY(i));
      EndPart();
      break;
    }
    case wkbPolygon:
    case wkbTriangle:
      for (const OGRLinearRing* ring : *geometry.toPolygon()) Add(*ring);
      break;
    case wkbPolyhedralSurface:
    case wkbTIN:
      for (const OGRPolygon* polygon : *geometry.toPolyhedralSurface()) Add(*polygon);
      break;
    default:
      if (OGR_GT_IsSubClassOf(geometry.getGeometryType(), wkbGeometryCollection)) {
        for (const OGRGeometry* member : *geometry.toGeometryCollection()) Add(*member);
      }
      break;
  }
}

}  // namespace coord2seg::gdal
