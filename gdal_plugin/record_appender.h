#pragma once

#include <cpl_vsi.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/geo_point.h"

namespace coord2seg::gdal {

// Appends records to a segment file through GDAL's virtual file functions. The records of one
// feature are gathered and handed to the file together, before the next feature comes, so a
// failure is met by the feature that causes it; then the file is cut back to its last whole
// record and the failure is reported as a GDAL error, so the file only ever holds whole records,
// as the converter leaves it.
class RecordAppender {
 public:
  // `size`: the bytes of whole records the file holds already; records go after them.
  RecordAppender(VSILFILE* file, std::string path, std::uint64_t size)
      : file_(file), path_(std::move(path)), size_(size) {}

  // Encodes the points, whose minutes all fit 16 bits, as one record.
  void Add(std::span<const GeoPoint> points);

  // Hands everything gathered to the file; false when that failed.
  bool Flush();

  bool failed() const { return failed_; }

 private:
  VSILFILE* file_;
  std::string path_;
  std::uint64_t size_;
  std::vector<unsigned char> pending_;
  bool failed_ = false;
};

}  // namespace coord2seg::gdal
