#pragma once

#include <ogr_feature.h>

#include <optional>
#include <span>
#include <vector>

#include "gdal_plugin/geometry_parts.h"
#include "gdal_plugin/record_appender.h"
#include "segment_file/part_records.h"

namespace coord2seg::gdal {

struct WriteSettings {
  AxisOrder axis_order = AxisOrder::kLongitudeFirst;
  PartRecordSettings records;
};

// The settings of the layer creation options LONG_PARTS and WRAP_LONGITUDE; nothing, with a GDAL
// error, for a value they do not take.
std::optional<PartRecordSettings> PartRecordSettingsFrom(CSLConstList options);

// Turns features into records: one per part, longitudes wrapped as the converter wraps them
// (unless the settings say not to), minutes by the converter's own exact rounding. A feature is
// written whole or not at all. The library's part records decide and word everything; this
// says it through GDAL.
class FeatureWriter {
 public:
  FeatureWriter(RecordAppender appender, WriteSettings settings)
      : appender_(std::move(appender)),
        axis_order_(settings.axis_order),
        records_(settings.records) {}

  OGRErr Write(const OGRFeature& feature);
  // Says once what the layer's summary holds: features passed over, points on the same minute.
  // False when a write failed.
  bool Finish();

 private:
  RecordAppender appender_;
  AxisOrder axis_order_;
  PartRecords records_;
  GeometryParts parts_;
  std::vector<std::span<const GeoPoint>> part_spans_;
  std::vector<unsigned char> pending_;
  bool summarized_ = false;
};

}  // namespace coord2seg::gdal
