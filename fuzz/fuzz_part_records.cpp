// The part records that GIS features become, against plain arithmetic: a written feature's records,
// joined at the points they share, give back each part's points in minutes of arc (the product
// with 60 in 64-bit extended precision, rounded half to even); a refused feature adds nothing and
// says why; the summary counts what was written. (Parts longer than a record, whose 100,000 points
// would slow each run a thousandfold, are left to the unit tests.)
// SPDX-License-Identifier: MIT
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "common/geo_point.h"
#include "common/wrap_longitude.h"
#include "segment_file/part_records.h"
#include "segment_file/record_format.h"
#include "segment_file/segment_reader.h"

namespace coord2seg {
namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "part records: %s\n", what);
  std::abort();
}

// Reads the fuzzer's bytes as values: mostly degrees near the edges of what fits, some raw doubles.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  double Degrees() {
    const std::uint8_t kind = Byte();
    if (kind < 16) {
      double raw = 0;
      const std::size_t count = std::min<std::size_t>(sizeof raw, size_ - std::min(at_, size_));
      std::memcpy(&raw, data_ + at_, count);
      at_ += count;
      return raw;
    }
    // Whole and half minutes from -600 to 600 degrees, and sixtieths of a hundredth between them.
    const int whole = static_cast<std::int16_t>(Byte() | Byte() << 8);
    return whole / 54.0 + (kind & 3) * (1 / 120.0) + (kind >> 2) * (1 / 6000.0);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// The minutes of a value, or false when they do not fit 16 bits.
bool ReferenceMinutes(double degrees, std::int16_t& minutes) {
  if (!std::isfinite(degrees) || std::fabs(degrees) > 1e6) return false;
  const long double exact = static_cast<long double>(degrees) * 60;  // 53 + 6 bits: exact
  const long double rounded = std::nearbyintl(exact);                // half to even
  if (rounded < -32768 || rounded > 32767) return false;
  minutes = static_cast<std::int16_t>(rounded);
  return true;
}

}  // namespace
}  // namespace coord2seg

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace coord2seg;
  Bytes bytes(data, size);
  const std::uint8_t flags = bytes.Byte();
  const PartRecordSettings settings{
      .wrap_longitude = (flags & 1) != 0,
      .long_parts = (flags & 2) != 0 ? LongParts::kRefuse : LongParts::kSplit};
  PartRecords records(settings);
  std::vector<unsigned char> out;
  std::uint64_t written_points = 0;
  while (!bytes.empty()) {
    std::vector<std::vector<GeoPoint>> parts(bytes.Byte() % 4);
    for (auto& part : parts) {
      const std::size_t count = bytes.Byte() % 8;
      for (std::size_t i = 0; i < count; ++i) part.push_back({bytes.Degrees(), bytes.Degrees()});
    }
    std::vector<std::span<const GeoPoint>> spans(parts.begin(), parts.end());
    const std::size_t before = out.size();
    const FeatureOutcome outcome = records.Add(spans, std::nullopt, out);

    // What the feature must become, from the points alone.
    bool fits = true;
    bool any = false;
    std::size_t longest = 0;
    std::vector<std::vector<StoredPoint>> expected;
    for (const auto& part : parts) {
      longest = std::max(longest, part.size());
      if (part.empty()) continue;
      any = true;
      expected.emplace_back();
      for (const GeoPoint& point : part) {
        const double longitude =
            settings.wrap_longitude ? WrapLongitude(point.longitude) : point.longitude;
        StoredPoint stored;
        fits = fits && ReferenceMinutes(longitude, stored.longitude) &&
               ReferenceMinutes(point.latitude, stored.latitude);
        expected.back().push_back(stored);
      }
    }
    const bool refuse_long =
        settings.long_parts == LongParts::kRefuse && longest > kMaxSegmentPoints;
    const bool written = any && fits && !refuse_long;
    if (outcome.written != written) Fail("written when it should not be, or not when it should");
    if (!written) {
      if (out.size() != before) Fail("a feature not written added bytes");
      if (any && (!outcome.message || outcome.message->severity != PartMessage::Severity::kError)) {
        Fail("a refused feature without an error");
      }
      continue;
    }
    // The records, joined at their shared points, are the parts.
    SegmentReader reader(std::span(out).subspan(before));
    SegmentRecord record;
    for (const auto& part : expected) {
      std::size_t at = 0;
      do {
        if (!reader.Next(record)) Fail("fewer records than parts");
        if (record.point_count() > kMaxSegmentPoints) Fail("a record too long");
        if (at > 0) --at;  // a record after the first starts at the last point of the one before
        for (std::uint32_t i = 0; i < record.point_count(); ++i, ++at) {
          const StoredPoint got = record.point(i);
          if (at >= part.size() || got.longitude != part[at].longitude ||
              got.latitude != part[at].latitude) {
            Fail("a stored point differs from the part's");
          }
        }
      } while (at < part.size());
      written_points += part.size();
    }
    if (reader.Next(record) || reader.damage()) Fail("more records than parts, or damage");
  }
  if (records.points_written() != written_points) Fail("the summary counts other points");
  return 0;
}
