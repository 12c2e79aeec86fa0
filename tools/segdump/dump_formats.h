#pragma once

#include <span>

#include "common/output_buffer.h"

// Writers for a segment file that has passed CheckSegmentFile; each writes the whole file to
// `out` and leaves flushing to the caller.
namespace coord2seg {

// Coordinate text that the converter turns back into the same bytes.
void WriteCoordinateText(std::span<const unsigned char> file, OutputBuffer& out);

struct GeoJsonOptions {
  bool raw = false;         // the stored values as they are: no wrap, no cut at the antimeridian
  bool lines_only = false;  // no one-point records, every line a MultiLineString
};

// A GeoJSON FeatureCollection, one Feature per record.
void WriteGeoJson(std::span<const unsigned char> file, const GeoJsonOptions& options,
                  OutputBuffer& out);

inline constexpr int kDefaultSvgWidth = 1600;
inline constexpr int kMinSvgWidth = 16;
inline constexpr int kMaxSvgWidth = 100000;

struct SvgOptions {
  bool fit = false;              // frame the records' extent instead of the whole world
  int width = kDefaultSvgWidth;  // in pixels; also sets how finely points are kept apart
};

// An SVG map in plate carree with all records drawn.
void WriteSvg(std::span<const unsigned char> file, const SvgOptions& options, OutputBuffer& out);

}  // namespace coord2seg
