// A GeoJSON FeatureCollection, one Feature per record.
// SPDX-License-Identifier: MIT
#pragma once

#include <span>

#include "common/output_buffer.h"

namespace coord2seg {

struct GeoJsonOptions {
  bool raw = false;         // the stored values as they are: no wrap, no cut at the antimeridian
  bool lines_only = false;  // no one-point records, every line a MultiLineString
};

// A GeoJSON FeatureCollection, one Feature per record, for a segment file that has passed
// CheckSegmentFile. Writes the whole file to `out` and leaves flushing to the caller.
void WriteGeoJson(std::span<const unsigned char> file, const GeoJsonOptions& options,
                  OutputBuffer& out);

}  // namespace coord2seg
