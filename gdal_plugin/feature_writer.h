#pragma once

#include <ogr_feature.h>

#include <cstdint>
#include <string>

#include "gdal_plugin/geometry_parts.h"
#include "gdal_plugin/record_appender.h"

namespace coord2seg::gdal {

// What a part longer than a record holds becomes: consecutive records that share their joining
// points, or a refusal of the feature.
enum class LongParts { kSplit, kRefuse };

struct WriteSettings {
  AxisOrder axis_order = AxisOrder::kLongitudeFirst;
  LongParts long_parts = LongParts::kSplit;
};

// Turns features into records: one per part, minutes by the converter's own exact rounding,
// without wrapping. A feature is written whole or not at all.
class FeatureWriter {
 public:
  FeatureWriter(RecordAppender appender, WriteSettings settings)
      : appender_(std::move(appender)), settings_(settings) {}

  OGRErr Write(const OGRFeature& feature);
  // Writes what is left and says once how many empty features were passed over. False when a
  // write failed.
  bool Finish();

 private:
  bool CheckRange(const std::string& feature_name);
  bool FitsOneRecordEach(const std::string& feature_name);

  RecordAppender appender_;
  WriteSettings settings_;
  GeometryParts parts_;
  std::uint64_t features_ = 0;
  std::uint64_t empty_features_ = 0;
};

}  // namespace coord2seg::gdal
