// The line parser must agree with the slow reference on any bytes, in both orders: the same
// accept or reject, and the same bits for both values (so 0 and -0 differ).
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "tests/reference_parser.h"
#include "text_input/parse_coordinate_line.h"

namespace coord2seg {
namespace {

bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool Agree(const std::optional<GeoPoint>& fast, const std::optional<GeoPoint>& slow) {
  if (fast.has_value() != slow.has_value()) return false;
  return !fast ||
         (SameBits(fast->longitude, slow->longitude) && SameBits(fast->latitude, slow->latitude));
}

void PrintPoint(const char* name, const std::optional<GeoPoint>& point) {
  if (point) {
    std::fprintf(stderr, "%s: %a %a\n", name, point->longitude, point->latitude);
  } else {
    std::fprintf(stderr, "%s: rejected\n", name);
  }
}

void CheckLine(const std::string& line, bool lat_first) {
  const std::optional<GeoPoint> fast = ParseCoordinateLine(line, lat_first);
  const std::optional<GeoPoint> slow = testing::ReferenceParseLine(line, lat_first);
  if (Agree(fast, slow)) return;
  std::fprintf(stderr, "parser and reference disagree (lat_first=%d)\n", lat_first);
  PrintPoint("parser", fast);
  PrintPoint("reference", slow);
  std::abort();
}

}  // namespace
}  // namespace coord2seg

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Any bytes, CR and LF included: the splitter never hands those over, but the parser treats
  // them as plain control bytes and so must agree on them too.
  const std::string line(reinterpret_cast<const char*>(data), size);
  coord2seg::CheckLine(line, false);
  coord2seg::CheckLine(line, true);
  return 0;
}
