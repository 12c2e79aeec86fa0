#pragma once

#include <span>

#include "common/output_buffer.h"

// Writers for a segment file that has passed CheckSegmentFile; each writes the whole file to
// `out` and leaves flushing to the caller.
namespace coord2seg {

// Coordinate text that the converter turns back into the same bytes.
void WriteCoordinateText(std::span<const unsigned char> file, OutputBuffer& out);

// A GeoJSON FeatureCollection, one Feature per record.
void WriteGeoJson(std::span<const unsigned char> file, OutputBuffer& out);

// An SVG world map in plate carree with all records drawn.
void WriteSvg(std::span<const unsigned char> file, OutputBuffer& out);

}  // namespace coord2seg
