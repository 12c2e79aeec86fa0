// ParseCoordinateLine: one data line to a point, or its rejection.
// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string_view>

#include "common/geo_point.h"
#include "text_input/line_rejection.h"

namespace coord2seg {

// Turns one data line into a point, or rejects it (no point, no reason).
//
// The line is trimmed of bytes 0 to 32 at both ends; ';' and TAB count as blanks and ',' as a
// decimal point. The first field runs up to the first blank; the second is the trimmed window of
// at most 999 bytes after that blank. In lat-first order the first field is the latitude. The
// longitude is wrapped once toward [-180, 180); the latitude is kept as read.
std::optional<GeoPoint> ParseCoordinateLine(std::string_view line, bool lat_first);

// The same, without first trying the one-pass reading of plain lines: for a caller that has
// already tried it on this line (ReadSimpleLine) and would only repeat the attempt. When the line
// is rejected and `why` is given, it is set to the reason.
std::optional<GeoPoint> ParseCoordinateLineInFull(std::string_view line, bool lat_first,
                                                  LineRejection* why = nullptr);

}  // namespace coord2seg
