// Features written as records, with the layer creation options that shape them.
// SPDX-License-Identifier: MIT
#include "gdal_plugin/feature_writer.h"

#include <cpl_error.h>
#include <cpl_string.h>

#include "gdal_plugin/degree_axes.h"
#include "segment_file/segment_reader.h"

namespace coord2seg::gdal {
namespace {

void Report(const PartMessage& message) {
  const bool error = message.severity == PartMessage::Severity::kError;
  CPLError(error ? CE_Failure : CE_Warning, CPLE_AppDefined, "SegmentFile: %s",
           message.text.c_str());
}

// A boolean option in any of GDAL's spellings.
std::optional<bool> BooleanOption(CSLConstList options, const char* name, bool default_value) {
  const char* value = CSLFetchNameValue(options, name);
  if (value == nullptr) return default_value;
  for (const char* yes : {"YES", "TRUE", "ON", "1"}) {
    if (EQUAL(value, yes)) return true;
  }
  for (const char* no : {"NO", "FALSE", "OFF", "0"}) {
    if (EQUAL(value, no)) return false;
  }
  CPLError(CE_Failure, CPLE_IllegalArg, "SegmentFile: %s is YES or NO, not '%s'", name, value);
  return std::nullopt;
}

}  // namespace

std::optional<PartRecordSettings> PartRecordSettingsFrom(CSLConstList options) {
  const char* long_parts = CSLFetchNameValueDef(options, "LONG_PARTS", "SPLIT");
  if (!EQUAL(long_parts, "SPLIT") && !EQUAL(long_parts, "REFUSE")) {
    CPLError(CE_Failure, CPLE_IllegalArg, "SegmentFile: LONG_PARTS is SPLIT or REFUSE, not '%s'",
             long_parts);
    return std::nullopt;
  }
  const std::optional<bool> wrap = BooleanOption(options, "WRAP_LONGITUDE", true);
  if (!wrap) return std::nullopt;
  return PartRecordSettings{
      .wrap_longitude = *wrap,
      .long_parts = EQUAL(long_parts, "REFUSE") ? LongParts::kRefuse : LongParts::kSplit};
}

bool FeatureWriter::InDegrees(const OGRSpatialReference* srs) {
  if (srs == nullptr || srs == checked_srs_) return true;
  std::string refusal;
  if (!DegreeAxisOrder(srs, refusal)) {
    CPLError(CE_Failure, CPLE_NotSupported, "SegmentFile: features in this system are refused: %s",
             refusal.c_str());
    return false;
  }
  checked_srs_ = srs;
  return true;
}

OGRErr FeatureWriter::Write(OGRFeature& feature) {
  if (appender_.failed()) {
    CPLError(CE_Failure, CPLE_FileIO, "SegmentFile: a write has failed; nothing more is written");
    ++failures_;
    return OGRERR_FAILURE;
  }
  part_spans_.clear();
  if (const OGRGeometry* geometry = feature.GetGeometryRef()) {
    if (!InDegrees(geometry->getSpatialReference())) {
      ++failures_;
      return OGRERR_FAILURE;
    }
    // Longitude first whatever the system's axis order, as GeoPackage and GeoJSON take x.
    parts_.Collect(*geometry, AxisOrder::kLongitudeFirst);
    for (std::size_t i = 0; i < parts_.size(); ++i) part_spans_.push_back(parts_.part(i));
  }
  std::optional<std::int64_t> fid;
  if (feature.GetFID() != OGRNullFID) fid = feature.GetFID();
  pending_.clear();
  const FeatureOutcome outcome = records_.Add(part_spans_, fid, pending_);
  if (outcome.message) {
    Report(fid ? *outcome.message : NameFeatureByPlace(*outcome.message, records_.features()));
  }
  if (!outcome.written) {
    failures_ += outcome.message ? 1 : 0;
    return outcome.message ? OGRERR_FAILURE : OGRERR_NONE;
  }
  if (!appender_.Append(pending_)) {
    ++failures_;
    return OGRERR_FAILURE;
  }
  // The reader numbers records from 1; the feature is its first record.
  const std::uint64_t added = CheckSegmentFile(pending_).segments;
  if (added > 0) feature.SetFID(static_cast<GIntBig>(records_before_ + 1));
  records_before_ += added;
  return OGRERR_NONE;
}

void FeatureWriter::CutBack(std::uint64_t size, std::uint64_t records) {
  appender_.CutBack(size);
  records_before_ = records;
}

bool FeatureWriter::Finish() {
  if (!summarized_) {
    summarized_ = true;
    for (const PartMessage& message : records_.Summary()) Report(message);
  }
  return !appender_.failed();
}

}  // namespace coord2seg::gdal
