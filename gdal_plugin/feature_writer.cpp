#include "gdal_plugin/feature_writer.h"

#include <cpl_error.h>
#include <cpl_string.h>

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

OGRErr FeatureWriter::Write(const OGRFeature& feature) {
  if (appender_.failed()) {
    CPLError(CE_Failure, CPLE_FileIO, "SegmentFile: a write has failed; nothing more is written");
    return OGRERR_FAILURE;
  }
  part_spans_.clear();
  if (const OGRGeometry* geometry = feature.GetGeometryRef()) {
    parts_.Collect(*geometry, axis_order_);
    for (std::size_t i = 0; i < parts_.size(); ++i) part_spans_.push_back(parts_.part(i));
  }
  std::optional<std::int64_t> fid;
  if (feature.GetFID() != OGRNullFID) fid = feature.GetFID();
  pending_.clear();
  const FeatureOutcome outcome = records_.Add(part_spans_, fid, pending_);
  if (outcome.message) Report(*outcome.message);
  if (!outcome.written) return outcome.message ? OGRERR_FAILURE : OGRERR_NONE;
  return appender_.Append(pending_) ? OGRERR_NONE : OGRERR_FAILURE;
}

bool FeatureWriter::Finish() {
  if (!summarized_) {
    summarized_ = true;
    for (const PartMessage& message : records_.Summary()) Report(message);
  }
  return !appender_.failed();
}

}  // namespace coord2seg::gdal
