#include "gdal_plugin/feature_writer.h"

#include <cpl_error.h>

#include <algorithm>
#include <limits>
#include <optional>

#include "common/segment_buffer.h"
#include "segment_file/minutes.h"

namespace coord2seg::gdal {
namespace {

// "feature 12", with its FID when it has one: "feature 12 (FID 40)".
std::string NameFeature(const OGRFeature& feature, std::uint64_t number) {
  std::string name = "feature " + std::to_string(number);
  if (feature.GetFID() != OGRNullFID) name += " (FID " + std::to_string(feature.GetFID()) + ")";
  return name;
}

bool FitsSixteenBits(double degrees) {
  const std::optional<std::int64_t> minutes = DegreesToMinutes(degrees);
  return minutes && *minutes >= std::numeric_limits<std::int16_t>::min() &&
         *minutes <= std::numeric_limits<std::int16_t>::max();
}

// Records of at most kMaxSegmentPoints points; each after the first starts at the last point of
// the one before, so the line stays joined.
template <typename AddRecord>
void SplitIntoRecords(std::span<const GeoPoint> part, AddRecord add_record) {
  std::size_t start = 0;
  while (true) {
    const std::size_t count = std::min<std::size_t>(part.size() - start, kMaxSegmentPoints);
    add_record(part.subspan(start, count));
    if (start + count == part.size()) return;
    start += count - 1;
  }
}

}  // namespace

bool FeatureWriter::CheckRange(const std::string& feature_name) {
  for (std::size_t i = 0; i < parts_.size(); ++i) {
    for (const GeoPoint& point : parts_.part(i)) {
      const bool longitude_fits = FitsSixteenBits(point.longitude);
      if (longitude_fits && FitsSixteenBits(point.latitude)) continue;
      CPLError(CE_Failure, CPLE_AppDefined,
               "SegmentFile: %s: %s %.17g degrees has no minutes of arc from -32768 to 32767, "
               "the range of a segment file; the feature is not written",
               feature_name.c_str(), longitude_fits ? "latitude" : "longitude",
               longitude_fits ? point.latitude : point.longitude);
      return false;
    }
  }
  return true;
}

bool FeatureWriter::FitsOneRecordEach(const std::string& feature_name) {
  std::size_t longest = 0;
  for (std::size_t i = 0; i < parts_.size(); ++i)
    longest = std::max(longest, parts_.part(i).size());
  if (longest <= kMaxSegmentPoints) return true;
  if (settings_.long_parts == LongParts::kRefuse) {
    CPLError(CE_Failure, CPLE_AppDefined,
             "SegmentFile: %s has a part of %zu points, more than the %u a record holds; the "
             "feature is not written (LONG_PARTS=REFUSE)",
             feature_name.c_str(), longest, kMaxSegmentPoints);
    return false;
  }
  CPLError(CE_Warning, CPLE_AppDefined,
           "SegmentFile: %s has a part of %zu points, more than the %u a record holds; it is "
           "written as consecutive records that share their joining points",
           feature_name.c_str(), longest, kMaxSegmentPoints);
  return true;
}

OGRErr FeatureWriter::Write(const OGRFeature& feature) {
  ++features_;
  if (appender_.failed()) {
    CPLError(CE_Failure, CPLE_FileIO, "SegmentFile: a write has failed; nothing more is written");
    return OGRERR_FAILURE;
  }
  const OGRGeometry* geometry = feature.GetGeometryRef();
  if (geometry != nullptr) parts_.Collect(*geometry, settings_.axis_order);
  if (geometry == nullptr || parts_.size() == 0) {
    ++empty_features_;
    return OGRERR_NONE;
  }
  const std::string name = NameFeature(feature, features_);
  if (!CheckRange(name) || !FitsOneRecordEach(name)) return OGRERR_FAILURE;
  for (std::size_t i = 0; i < parts_.size(); ++i) {
    SplitIntoRecords(parts_.part(i),
                     [this](std::span<const GeoPoint> points) { appender_.Add(points); });
  }
  return appender_.Flush() ? OGRERR_NONE : OGRERR_FAILURE;
}

bool FeatureWriter::Finish() {
  if (empty_features_ > 0) {
    CPLError(CE_Warning, CPLE_AppDefined,
             "SegmentFile: %llu of %llu features had no geometry or an empty one and were passed "
             "over",
             static_cast<unsigned long long>(empty_features_),
             static_cast<unsigned long long>(features_));
    empty_features_ = 0;
  }
  return appender_.Flush();
}

}  // namespace coord2seg::gdal
