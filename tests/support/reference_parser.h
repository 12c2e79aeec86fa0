// A slow line parser written to be obviously right, the model the fast one is held to.
// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

#include "common/geo_point.h"

namespace coord2seg::testing {

// A slow line parser written to be obviously right rather than fast: it copies the line and
// applies each rule literally, checks a field's grammar by taking it apart, and converts with the
// C library's strtod. Fast code is compared against it.
std::optional<double> ReferenceConvertField(const std::string& field);
std::optional<GeoPoint> ReferenceParseLine(std::string line, bool lat_first);

}  // namespace coord2seg::testing
