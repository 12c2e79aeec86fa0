// What a file dropped on the page is: coordinate text, a segment file or GeoJSON.
// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace coord2seg {

enum class InputKind { kCoordinateText = 0, kSegmentFile = 1, kGeoJson = 2, kNeither = 3 };

// What a file dropped on the page is. The name decides first: .bin is a segment file (segdump
// then names any damage), .json and .geojson are GeoJSON. Otherwise bytes that read as a whole,
// undamaged segment file are one, and anything else is coordinate text, converted as coord2seg
// converts it whatever it holds. `why` is kept for callers that expect the refusal kNeither,
// which this never returns.
InputKind ClassifyInput(std::string_view name, std::span<const unsigned char> bytes,
                        std::string& why);

// Whether the bytes hold one that text does not (IsBinaryByte), anywhere; quick on large files.
bool HoldsBinaryByteAnywhere(std::span<const unsigned char> bytes);

// Whether text starts, after a byte-order mark and blanks, with '{' as JSON does.
bool StartsLikeJson(std::string_view text);

}  // namespace coord2seg
