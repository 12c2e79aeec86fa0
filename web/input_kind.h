#pragma once

#include <span>
#include <string>
#include <string_view>

namespace coord2seg {

enum class InputKind { kCoordinateText = 0, kSegmentFile = 1, kGeoJson = 2, kNeither = 3 };

// What a file dropped on the page is, by its bytes and, where they leave it open, its name: text
// starting with '{' or named .json or .geojson is GeoJSON; other text is coordinate text; binary
// bytes that hold whole records, or any bytes named .bin, are a segment file (segdump then names
// any damage). Anything else is neither, with `why` set.
InputKind ClassifyInput(std::string_view name, std::span<const unsigned char> bytes,
                        std::string& why);

}  // namespace coord2seg
