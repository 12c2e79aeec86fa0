// Features written as records, with the layer creation options that shape them.
// SPDX-License-Identifier: MIT
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
  PartRecordSettings records;
};

// The settings of the layer creation options LONG_PARTS and WRAP_LONGITUDE; nothing, with a GDAL
// error, for a value they do not take.
std::optional<PartRecordSettings> PartRecordSettingsFrom(CSLConstList options);

// Turns features into records: one per part, longitudes wrapped as the converter wraps them
// (unless the settings say not to), minutes by the converter's own exact rounding. A feature is
// written whole or not at all, and takes the FID the reader gives its first record. A geometry
// whose reference system is not in degrees is refused, as the layer's creation refuses one, so
// that an append checks what it is given. The library's part records decide and word
// everything; this says it through GDAL.
class FeatureWriter {
 public:
  // `records_before`: the records the file holds already.
  FeatureWriter(RecordAppender appender, WriteSettings settings, std::uint64_t records_before)
      : appender_(std::move(appender)),
        records_(settings.records),
        records_before_(records_before) {}

  OGRErr Write(OGRFeature& feature);
  // Says once what the layer's summary holds: features passed over, points on the same minute.
  // False when a write failed.
  bool Finish();

  // Features refused and writes failed so far.
  std::uint64_t failures() const { return failures_; }
  bool write_failed() const { return appender_.failed(); }
  // The file's size, and the dropping of what was written after `size` bytes.
  std::uint64_t size() const { return appender_.size(); }
  void CutBack(std::uint64_t size, std::uint64_t records);
  std::uint64_t records() const { return records_before_; }

 private:
  // Whether geometries in `srs` hold degrees; nothing, with a GDAL error, when they do not.
  bool InDegrees(const OGRSpatialReference* srs);

  RecordAppender appender_;
  const OGRSpatialReference* checked_srs_ = nullptr;  // the last system found in degrees
  PartRecords records_;
  GeometryParts parts_;
  std::vector<std::span<const GeoPoint>> part_spans_;
  std::vector<unsigned char> pending_;
  std::uint64_t records_before_;
  std::uint64_t failures_ = 0;
  bool summarized_ = false;
};

}  // namespace coord2seg::gdal
