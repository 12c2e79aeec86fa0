// What ogr2ogr -f SegmentFile makes of a GeoJSON text, with default options.
// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace coord2seg {

// What `ogr2ogr -f SegmentFile OUT.bin IN.geojson` makes of a GeoJSON text, with default options.
struct GeoJsonRecords {
  std::vector<unsigned char> records;  // the segment file
  std::string messages;  // the lines ogr2ogr prints, "Warning 1: ..." and "ERROR 1: ..."
  bool stopped = false;  // a feature was refused, where ogr2ogr stops with status 1
};

// Reads a FeatureCollection, a Feature or a bare geometry, as GDAL's GeoJSON reader gives it to
// the SegmentFile driver: every point, line, polygon ring and member of a Multi* or a collection
// one part, longitude first, Z dropped. `file_name` names the layer unless the collection has a
// "name". Throws InputError when the text is not JSON, not GeoJSON or has a malformed geometry.
GeoJsonRecords ConvertGeoJson(std::string_view text, std::string_view file_name);

}  // namespace coord2seg
