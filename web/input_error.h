// The refusals of the web module's readers, with the kind and the byte offset its callers report.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/run_error.h"

namespace coord2seg {

// What kind of input was refused; the JavaScript side names them in this order.
enum class InputFault : int {
  kOther = 0,
  kDamaged = 1,      // a segment file with damage at `offset`
  kNotJson = 2,      // not JSON (RFC 8259, UTF-8), the fault at `offset`
  kNotGeoJson = 3,   // JSON, but not a FeatureCollection, Feature or geometry
  kBadGeometry = 4,  // a geometry whose type or coordinates are malformed
  kBadOption = 5,    // an option out of its range
  kOutOfMemory = 6,
};

class InputError : public RunError {
 public:
  InputError(InputFault fault, const std::string& message,
             std::optional<std::uint64_t> offset = std::nullopt)
      : RunError(message), fault_(fault), offset_(offset) {}

  InputFault fault() const { return fault_; }
  std::optional<std::uint64_t> offset() const { return offset_; }

 private:
  InputFault fault_;
  std::optional<std::uint64_t> offset_;
};

}  // namespace coord2seg
