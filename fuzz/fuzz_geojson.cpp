// The web module's GeoJSON reader on any bytes: it accepts exactly the JSON texts nlohmann's reader
// accepts (but numbers beyond the largest double, which it takes as infinite, as GDAL does, and
// texts with a NUL byte, which nlohmann's reader takes for their end), and
// what it converts is a whole segment file; it refuses with an InputError alone, never a crash.
// SPDX-License-Identifier: MIT
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <string_view>

#include "segment_file/segment_reader.h"
#include "web/geojson_records.h"
#include "web/input_error.h"
#include "web/json_reader.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "GeoJSON reader: %s\n", what);
  std::abort();
}

bool NlohmannOverflows(std::string_view text) {
  try {
    return nlohmann::json::parse(text).is_discarded();
  } catch (const nlohmann::json::exception& error) {
    return std::string_view(error.what()).find("number overflow") != std::string_view::npos;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace coord2seg;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  bool json = true;
  try {
    (void)ReadJson(text).kind;
  } catch (const InputError& error) {
    if (error.fault() != InputFault::kNotJson || !error.offset() || *error.offset() > size) {
      Fail("a refusal of JSON without its place");
    }
    json = false;
  }
  // nlohmann's reader takes a NUL byte for the end of the text: no judge of such texts.
  const bool comparable = text.find('\0') == std::string_view::npos;
  const bool nlohmann = comparable && nlohmann::json::accept(text);
  if (comparable && json != nlohmann && !(json && NlohmannOverflows(text))) {
    Fail(json ? "accepts what is not JSON" : "refuses JSON");
  }
  if (!json) return 0;
  try {
    const GeoJsonRecords converted = ConvertGeoJson(text, "fuzz.geojson");
    const SegmentFileCheck check = CheckSegmentFile(converted.records);
    if (check.damage) Fail("damaged records");
    if (!converted.messages.empty() && converted.messages.back() != '\n') {
      Fail("messages without a line end");
    }
  } catch (const InputError& error) {
    if (error.fault() == InputFault::kNotJson) Fail("JSON refused on the second reading");
  }
  return 0;
}
