// The records that features' parts become when they come from a GIS.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/geo_point.h"

// The records that the parts of features become when they come from a GIS rather than from
// coordinate text: the GDAL plugin and the browser page write them here, so both give the same
// bytes and say the same words. No GIS library is involved.
namespace coord2seg {

// What a part longer than a record holds becomes: consecutive records that share their joining
// points, or a refusal of the feature.
enum class LongParts { kSplit, kRefuse };

struct PartRecordSettings {
  // Longitudes wrapped once as the converter wraps them, or kept as given (for exact round trips
  // of stored files, whose values may lie outside [-180, 180)).
  bool wrap_longitude = true;
  LongParts long_parts = LongParts::kSplit;
};

// Something to tell the user, without a program's prefix ("SegmentFile: ").
struct PartMessage {
  enum class Severity { kWarning, kError };
  Severity severity = Severity::kWarning;
  std::string text;
};

// What became of one feature: written whole (perhaps with a warning) or refused whole, with an
// error that says why.
struct FeatureOutcome {
  bool written = false;
  std::optional<PartMessage> message;
};

// A message about a feature that has no FID, with "feature N" in front, named instead by its
// place among those given to the layer ("the 2nd feature given to the layer"), in words that do
// not pass for a source's FID: ogr2ogr gives the layer none, and names the source's FID next.
PartMessage NameFeatureByPlace(PartMessage message, std::uint64_t number);

// Turns the features of one layer into records, in order, and keeps what the layer's closing
// summary tells: features passed over and points that landed on the same minute of arc as the
// point before them.
class PartRecords {
 public:
  explicit PartRecords(PartRecordSettings settings = {}) : settings_(settings) {}

  // Appends the records of one feature to `out`: one record per part (spans of degrees, longitude
  // first; empty parts are passed over), parts longer than a record split or refused as the
  // settings say. A feature with a value whose minutes do not fit 16 bits is refused whole and
  // adds nothing. A feature without points (no geometry, or an empty one) is passed over: not
  // written, no message, counted for the summary. `fid` names the feature in messages beside
  // its number in the layer.
  FeatureOutcome Add(std::span<const std::span<const GeoPoint>> parts,
                     std::optional<std::int64_t> fid, std::vector<unsigned char>& out);

  // The layer's closing warnings, each said once: the features passed over, and the points that
  // landed on the minute of the point before (kept, never dropped). Empty when there is nothing
  // to say.
  std::vector<PartMessage> Summary() const;

  std::uint64_t features() const { return features_; }
  std::uint64_t passed_over() const { return passed_over_; }
  std::uint64_t points_written() const { return points_written_; }
  std::uint64_t same_minute_points() const { return same_minute_points_; }

 private:
  void CollectPoints(std::span<const std::span<const GeoPoint>> parts);
  std::span<const GeoPoint> part(std::size_t index) const;
  std::optional<PartMessage> CheckRange(const std::string& name,
                                        std::span<const std::span<const GeoPoint>> given,
                                        std::uint64_t& same_minute) const;
  std::optional<PartMessage> CheckLength(const std::string& name) const;
  void AppendPart(std::span<const GeoPoint> part, std::vector<unsigned char>& out) const;

  PartRecordSettings settings_;
  // The feature's points as they are stored (wrapped or not), and where each part ends in them.
  std::vector<GeoPoint> points_;
  std::vector<std::size_t> ends_;
  std::uint64_t features_ = 0;
  std::uint64_t passed_over_ = 0;
  std::uint64_t points_written_ = 0;
  std::uint64_t same_minute_points_ = 0;
};

}  // namespace coord2seg
