// Features' parts as records, for the GIS writers.
// SPDX-License-Identifier: MIT
#include "segment_file/part_records.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "common/wrap_longitude.h"
#include "decimal_text/shortest_double.h"
#include "segment_file/minutes.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"
#include "segment_file/segment_reader.h"

namespace coord2seg {
namespace {

// "feature 12", with its FID when it has one: "feature 12 (FID 40)".
std::string NameFeature(std::uint64_t number, std::optional<std::int64_t> fid) {
  std::string name = "feature " + std::to_string(number);
  if (fid) name += " (FID " + std::to_string(*fid) + ")";
  return name;
}

// The shortest text that reads back as the same double.
std::string DegreesText(double degrees) {
  char text[32];
  const auto result = WriteShortestDouble(text, text + sizeof text, degrees);
  return std::string(text, result.ptr);
}

// The minutes a value is stored as, when they fit the file's 16 bits.
std::optional<std::int16_t> SixteenBitMinutes(double degrees) {
  const std::optional<std::int64_t> minutes = DegreesToMinutes(degrees);
  if (!minutes || *minutes < std::numeric_limits<std::int16_t>::min() ||
      *minutes > std::numeric_limits<std::int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int16_t>(*minutes);
}

std::string OutOfRange(const std::string& name, const char* axis, double given, double stored) {
  std::string value = DegreesText(given);
  if (stored != given) value += " (" + DegreesText(stored) + " once wrapped)";
  return name + ": " + axis + " " + value +
         " degrees has no minutes of arc from -32768 to 32767, the range of a segment file; the "
         "feature is not written";
}

std::string Ordinal(std::uint64_t number) {
  const std::uint64_t tens = number % 100;
  const char* suffix = "th";
  if (tens < 11 || tens > 13) {
    if (number % 10 == 1) suffix = "st";
    if (number % 10 == 2) suffix = "nd";
    if (number % 10 == 3) suffix = "rd";
  }
  return std::to_string(number) + suffix;
}

PartMessage Warning(std::string text) { return {PartMessage::Severity::kWarning, std::move(text)}; }
PartMessage Error(std::string text) { return {PartMessage::Severity::kError, std::move(text)}; }

}  // namespace

PartMessage NameFeatureByPlace(PartMessage message, std::uint64_t number) {
  const std::string said = NameFeature(number, std::nullopt);
  if (message.text.rfind(said, 0) == 0) {
    message.text =
        "the " + Ordinal(number) + " feature given to the layer" + message.text.substr(said.size());
  }
  return message;
}

void PartRecords::CollectPoints(std::span<const std::span<const GeoPoint>> parts) {
  points_.clear();
  ends_.clear();
  for (const std::span<const GeoPoint> given : parts) {
    if (given.empty()) continue;
    for (const GeoPoint& point : given) {
      const double longitude =
          settings_.wrap_longitude ? WrapLongitude(point.longitude) : point.longitude;
      points_.push_back({longitude, point.latitude});
    }
    ends_.push_back(points_.size());
  }
}

std::span<const GeoPoint> PartRecords::part(std::size_t index) const {
  const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
  return std::span(points_).subspan(begin, ends_[index] - begin);
}

// Also counts the points stored as the same minutes as the point before them in their part.
std::optional<PartMessage> PartRecords::CheckRange(const std::string& name,
                                                   std::span<const std::span<const GeoPoint>> given,
                                                   std::uint64_t& same_minute) const {
  std::size_t index = 0;  // in points_, which holds the non-empty given parts in order
  for (const std::span<const GeoPoint> given_part : given) {
    std::optional<StoredPoint> before;
    for (const GeoPoint& given_point : given_part) {
      const GeoPoint& point = points_[index++];
      const std::optional<std::int16_t> longitude = SixteenBitMinutes(point.longitude);
      if (!longitude) {
        return Error(OutOfRange(name, "longitude", given_point.longitude, point.longitude));
      }
      const std::optional<std::int16_t> latitude = SixteenBitMinutes(point.latitude);
      if (!latitude) return Error(OutOfRange(name, "latitude", point.latitude, point.latitude));
      if (before && before->longitude == *longitude && before->latitude == *latitude) ++same_minute;
      before = StoredPoint{*longitude, *latitude};
    }
  }
  return std::nullopt;
}

std::optional<PartMessage> PartRecords::CheckLength(const std::string& name) const {
  std::size_t longest = 0;
  for (std::size_t i = 0; i < ends_.size(); ++i) longest = std::max(longest, part(i).size());
  if (longest <= kMaxSegmentPoints) return std::nullopt;
  const std::string start = name + " has a part of " + std::to_string(longest) +
                            " points, more than the " + std::to_string(kMaxSegmentPoints) +
                            " a record holds; ";
  if (settings_.long_parts == LongParts::kRefuse) {
    return Error(start + "the feature is not written (LONG_PARTS=REFUSE)");
  }
  return Warning(start + "it is written as consecutive records that share their joining points");
}

// Records of at most kMaxSegmentPoints points; each after the first starts at the last point of
// the one before, so the line stays joined.
void PartRecords::AppendPart(std::span<const GeoPoint> points,
                             std::vector<unsigned char>& out) const {
  std::size_t start = 0;
  while (true) {
    const std::size_t count = std::min<std::size_t>(points.size() - start, kMaxSegmentPoints);
    const std::size_t at = out.size();
    out.resize(at + RecordBytes(static_cast<std::uint32_t>(count)));
    // Every value was checked to fit, so encoding cannot fail.
    EncodeRecord(points.subspan(start, count), out.data() + at);
    if (start + count == points.size()) return;
    start += count - 1;
  }
}

FeatureOutcome PartRecords::Add(std::span<const std::span<const GeoPoint>> parts,
                                std::optional<std::int64_t> fid, std::vector<unsigned char>& out) {
  ++features_;
  CollectPoints(parts);
  if (ends_.empty()) {
    ++passed_over_;
    return {};
  }
  const std::string name = NameFeature(features_, fid);
  std::uint64_t same_minute = 0;
  std::optional<PartMessage> message = CheckRange(name, parts, same_minute);
  if (!message) message = CheckLength(name);
  if (message && message->severity == PartMessage::Severity::kError) {
    return {.written = false, .message = std::move(message)};
  }
  for (std::size_t i = 0; i < ends_.size(); ++i) AppendPart(part(i), out);
  points_written_ += points_.size();
  same_minute_points_ += same_minute;
  return {.written = true, .message = std::move(message)};
}

std::vector<PartMessage> PartRecords::Summary() const {
  std::vector<PartMessage> summary;
  if (passed_over_ > 0) {
    summary.push_back(Warning(std::to_string(passed_over_) + " of " + std::to_string(features_) +
                              " features had no geometry or an empty one and were passed over"));
  }
  if (same_minute_points_ > 0) {
    summary.push_back(Warning(
        std::to_string(same_minute_points_) + " of " + std::to_string(points_written_) +
        " points landed on the same minute of arc as the point before them and are kept as "
        "repeated points: a segment file stores whole minutes of arc (one is about 1.85 km)"));
  }
  return summary;
}

}  // namespace coord2seg
