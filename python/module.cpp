// coord2seg._core: the Python extension over the library's reader, writer, converter and linter.
// SPDX-License-Identifier: MIT
//
// Arrays go in and out as NumPy arrays; the Python package (coord2seg/__init__.py) shapes them
// into its objects and exceptions. Every loop runs with the GIL released.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "common/geo_point.h"
#include "common/output_buffer.h"
#include "common/run_error.h"
#include "common/version.h"
#include "driver/command_line.h"
#include "driver/convert_file.h"
#include "driver/fast_paths.h"
#include "driver/line_walk.h"
#include "segment_file/part_records.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"
#include "segment_file/segment_reader.h"
#include "segment_file/stored_degrees.h"
#include "tools/coordlint/failure_gate.h"
#include "tools/coordlint/findings_report.h"
#include "tools/coordlint/lint_text.h"
#include "tools/segdump/check_report.h"

namespace py = pybind11;

namespace coord2seg::python {
namespace {

static_assert(sizeof(GeoPoint) == 2 * sizeof(double) && alignof(GeoPoint) == alignof(double),
              "a row of an (N, 2) float64 array is a GeoPoint");

// The bytes of a contiguous buffer (the package passes a memoryview cast to bytes).
std::span<const unsigned char> BytesOf(const py::buffer_info& info) {
  return {static_cast<const unsigned char*>(info.ptr),
          static_cast<std::size_t>(info.size * info.itemsize)};
}

// A NumPy array that owns `vector`'s memory, so that a large answer is not copied.
template <typename Element>
py::array OwningArray(std::vector<Element>&& vector) {
  auto* owned = new std::vector<Element>(std::move(vector));
  py::capsule release(owned,
                      [](void* pointer) { delete static_cast<std::vector<Element>*>(pointer); });
  return py::array_t<Element>(static_cast<py::ssize_t>(owned->size()), owned->data(), release);
}

py::object DamageTuple(const std::optional<SegmentFileDamage>& damage, const std::string& name,
                       std::span<const unsigned char> bytes) {
  if (!damage) return py::none();
  return py::make_tuple(damage->offset, damage->segment,
                        py::bytes(DescribeDamage(name, bytes, *damage)));
}

// segdump --check's reading of a whole file: (segments, points, damage or None), damage being
// (offset, segment, message).
py::tuple Check(py::buffer source, const std::string& name) {
  const py::buffer_info info = source.request();
  const std::span<const unsigned char> bytes = BytesOf(info);
  SegmentFileCheck check;
  {
    py::gil_scoped_release unlocked;
    check = CheckSegmentFile(bytes);
  }
  return py::make_tuple(check.segments, check.points, DamageTuple(check.damage, name, bytes));
}

// The records' pairs one after another, without their headers, and where each record starts:
// (minutes, offsets, damage or None). With `in_place` the pairs are moved to the start of
// `source` itself, which must be writable, and `minutes` is None: the caller views the bytes it
// holds. Otherwise they are copied into a new little-endian int16 array of shape (points, 2).
// Damage stops at the records before it when `keep`, else nothing is read.
py::tuple ReadRecords(py::buffer source, const std::string& name, bool keep, bool in_place) {
  const py::buffer_info info = source.request(in_place);
  const std::span<const unsigned char> bytes = BytesOf(info);
  SegmentFileCheck check;
  {
    py::gil_scoped_release unlocked;
    check = CheckSegmentFile(bytes);
  }
  py::object damage = DamageTuple(check.damage, name, bytes);
  if (check.damage && !keep) return py::make_tuple(py::none(), py::none(), damage);

  py::array_t<std::int64_t> offsets(static_cast<py::ssize_t>(check.segments + 1));
  py::object minutes = py::none();
  unsigned char* target = static_cast<unsigned char*>(info.ptr);
  if (!in_place) {
    py::array copy(py::dtype("<i2"),
                   std::vector<py::ssize_t>{static_cast<py::ssize_t>(check.points), 2});
    target = static_cast<unsigned char*>(copy.mutable_data());
    minutes = std::move(copy);
  }
  std::int64_t* const starts = offsets.mutable_data();
  {
    py::gil_scoped_release unlocked;
    SegmentReader reader(bytes);
    SegmentRecord record;
    std::uint64_t points = 0;
    std::size_t index = 0;
    starts[0] = 0;
    while (index < check.segments && reader.Next(record)) {
      const std::size_t pair_bytes = std::size_t{record.point_count()} * kPointPairBytes;
      // The pairs only ever move towards the start, past headers already read.
      std::memmove(target + points * kPointPairBytes,
                   bytes.data() + record.offset() + kRecordHeaderBytes, pair_bytes);
      points += record.point_count();
      starts[++index] = static_cast<std::int64_t>(points);
    }
  }
  return py::make_tuple(minutes, offsets, damage);
}

// Stored minutes as degrees, the way every reader of the library shows them.
py::array_t<double> Degrees(
    py::array_t<std::int16_t, py::array::c_style | py::array::forcecast> minutes) {
  py::array_t<double> degrees(minutes.request().shape);
  const std::int16_t* in = minutes.data();
  double* out = degrees.mutable_data();
  const auto size = static_cast<std::size_t>(minutes.size());
  {
    py::gil_scoped_release unlocked;
    for (std::size_t i = 0; i < size; ++i) out[i] = StoredDegrees(in[i]);
  }
  return degrees;
}

// What a feature's refusal names: the feature's index and the row of its first refused point.
struct Refusal {
  std::size_t feature = 0;
  std::size_t row = 0;
  std::string message;
};

// A message of the part records without "feature N" in front: the package names the feature in
// its own terms.
std::string AfterFeatureName(const std::string& message, std::uint64_t number) {
  const std::string name = "feature " + std::to_string(number);
  return message.starts_with(name) ? message.substr(name.size()) : ": " + message;
}

// The row of the first point of a refused feature that is refused on its own.
std::size_t FirstRefusedRow(std::span<const std::span<const GeoPoint>> parts, const GeoPoint* rows,
                            bool wrap_longitude) {
  PartRecords single({.wrap_longitude = wrap_longitude, .long_parts = LongParts::kSplit});
  std::vector<unsigned char> scratch;
  for (const std::span<const GeoPoint> part : parts) {
    for (const GeoPoint& point : part) {
      const std::span<const GeoPoint> alone(&point, 1);
      if (!single.Add(std::span(&alone, 1), std::nullopt, scratch).written) {
        return static_cast<std::size_t>(&point - rows);
      }
    }
  }
  return static_cast<std::size_t>(parts.front().data() - rows);
}

// The records the GDAL plugin writes for features made of parts: coords (N, 2) float64 in
// degrees, part_offsets (parts + 1) into coords, feature_parts (features + 1) into the parts.
// Returns (records' bytes as a uint8 array, records and points in them, features passed over,
// same-minute points, warnings [(feature, text)], summary [text], refusal or None) where the
// refusal is (feature, row, text) and then nothing is encoded.
py::tuple EncodeParts(py::array_t<double, py::array::c_style> coords,
                      py::array_t<std::int64_t, py::array::c_style> part_offsets,
                      py::array_t<std::int64_t, py::array::c_style> feature_parts,
                      bool wrap_longitude) {
  if (coords.ndim() != 2 || coords.shape(1) != 2) {
    throw py::value_error("coords must have the shape (N, 2)");
  }
  const auto* points = reinterpret_cast<const GeoPoint*>(coords.data());
  const auto point_count = static_cast<std::size_t>(coords.shape(0));
  if (part_offsets.size() < 1 || feature_parts.size() < 1) {
    throw py::value_error("offsets must hold at least one value");
  }
  const std::int64_t* parts = part_offsets.data();
  const auto part_count = static_cast<std::size_t>(part_offsets.size()) - 1;
  const std::int64_t* features = feature_parts.data();
  const auto feature_count = static_cast<std::size_t>(feature_parts.size()) - 1;

  std::vector<unsigned char> out;
  // Room for every record unless parts are split, so the records are not moved as they grow.
  out.reserve(point_count * kPointPairBytes + part_count * kRecordHeaderBytes);
  std::vector<std::pair<std::size_t, std::string>> warnings;
  std::optional<Refusal> refusal;
  std::string problem;
  PartRecords records({.wrap_longitude = wrap_longitude, .long_parts = LongParts::kSplit});
  {
    py::gil_scoped_release unlocked;
    std::vector<std::span<const GeoPoint>> spans;
    for (std::size_t feature = 0; feature < feature_count && problem.empty(); ++feature) {
      const std::int64_t first = features[feature], last = features[feature + 1];
      if (first < 0 || last < first || static_cast<std::size_t>(last) > part_count) {
        problem = "feature offsets must rise from 0 to the number of parts";
        break;
      }
      spans.clear();
      for (auto part = static_cast<std::size_t>(first); part < static_cast<std::size_t>(last);
           ++part) {
        const std::int64_t begin = parts[part], end = parts[part + 1];
        if (begin < 0 || end < begin || static_cast<std::size_t>(end) > point_count) {
          problem = "offsets must rise from 0 to the number of points";
          break;
        }
        spans.emplace_back(points + begin, static_cast<std::size_t>(end - begin));
      }
      if (!problem.empty()) break;
      const FeatureOutcome outcome = records.Add(spans, std::nullopt, out);
      if (outcome.written) {
        if (outcome.message) {
          warnings.emplace_back(feature, AfterFeatureName(outcome.message->text, feature + 1));
        }
        continue;
      }
      if (!outcome.message) continue;  // passed over: no points
      refusal = Refusal{feature, FirstRefusedRow(spans, points, wrap_longitude),
                        AfterFeatureName(outcome.message->text, feature + 1)};
      out.clear();
      break;
    }
  }
  if (!problem.empty()) throw py::value_error(problem);
  py::list warning_list;
  for (auto& [feature, text] : warnings) warning_list.append(py::make_tuple(feature, text));
  py::list summary;
  for (const PartMessage& message : records.Summary()) summary.append(message.text);
  py::object refused = py::none();
  if (refusal) refused = py::make_tuple(refusal->feature, refusal->row, refusal->message);
  const SegmentFileCheck written = CheckSegmentFile(out);
  return py::make_tuple(OwningArray(std::move(out)), written.segments, written.points,
                        records.passed_over(), records.same_minute_points(), warning_list, summary,
                        refused);
}

// The segment file the converter writes for `text`, as a uint8 array.
py::array Convert(py::buffer text_buffer, bool lat_first) {
  const py::buffer_info info = text_buffer.request();
  const std::span<const unsigned char> bytes = BytesOf(info);
  std::vector<unsigned char> out;
  {
    py::gil_scoped_release unlocked;
    const FastPaths fast_paths = FastPathsFor(BestInstructionSet());
    SegmentBuffer buffer;
    std::vector<unsigned char> scratch(RecordBytes(kMaxSegmentPoints));
    CollectSegments(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), lat_first,
        buffer,
        [&](const SegmentBuffer& segment) {
          const std::span<const unsigned char> record =
              EncodeSegment(segment, scratch.data(), fast_paths.encode_record);
          out.insert(out.end(), record.begin(), record.end());
        },
        fast_paths.read_simple_lines);
  }
  return OwningArray(std::move(out));
}

// The converter run on the file `path` (file system bytes), writing beside it. Returns the
// output's path.
py::bytes ConvertPath(const std::string& path, bool lat_first) {
  {
    py::gil_scoped_release unlocked;
    std::vector<std::string_view> arguments{path};
    if (lat_first) arguments.emplace_back("-LATLON");
    ConvertFile(arguments);
  }
  return py::bytes(OutputPathFor(path));
}

// coordlint's report on `text` under `name`: (report text, findings [(line, kind, detail)],
// counts, fails). The findings are all of them; the text is limited as coordlint limits it
// unless `all`.
py::tuple Lint(py::buffer text_buffer, const std::string& name, bool lat_first, bool all) {
  const py::buffer_info info = text_buffer.request();
  const std::string_view text(static_cast<const char*>(info.ptr),
                              static_cast<std::size_t>(info.size * info.itemsize));
  std::string report_text;
  std::vector<std::tuple<std::uint64_t, std::string_view, std::string>> findings;
  LintCounts counts;
  {
    py::gil_scoped_release unlocked;
    TextLinter linter;
    const auto run = [&](FindingLimit limit, bool listen, bool keep_text) {
      OutputBuffer out([&](std::string_view piece) {
        if (keep_text) report_text.append(piece);
      });
      FindingsReport report(name, limit, out);
      if (listen) {
        report.set_listener([&](std::uint64_t line, FindingKind kind, std::string_view detail) {
          findings.emplace_back(line, FindingKindName(kind), std::string(detail));
        });
      }
      counts = linter.Check(text, lat_first, report);
      report.Finish(counts);
      out.Flush();
    };
    run(FindingLimit::kAll, true, all);
    if (!all) run(FindingLimit::kTenOfEachKind, false, true);
  }
  py::list finding_list;
  for (const auto& [line, kind, detail] : findings) {
    finding_list.append(py::make_tuple(line, py::str(kind.data(), kind.size()), py::bytes(detail)));
  }
  py::dict count_dict;
  count_dict["segments"] = counts.segments;
  count_dict["points"] = counts.points;
  count_dict["bytes"] = counts.bytes;
  count_dict["dropped_lines"] = counts.dropped_lines;
  count_dict["dropped_segments"] = counts.dropped_segments;
  count_dict["capped_points"] = counts.capped_points;
  count_dict["values_out_of_range"] = counts.values_out_of_range;
  return py::make_tuple(py::bytes(report_text), finding_list, count_dict,
                        FailureGate{}.Fails(counts));
}

}  // namespace
}  // namespace coord2seg::python

PYBIND11_MODULE(_core, module) {
  using namespace coord2seg::python;
  module.doc() = "The compiled part of coord2seg; use the coord2seg package instead.";
  module.attr("__version__") = std::string(coord2seg::kVersion);
  module.attr("MAX_SEGMENT_POINTS") = coord2seg::kMaxSegmentPoints;
  py::register_exception<coord2seg::RunError>(module, "RunError", PyExc_OSError);
  module.def("check", &Check, py::arg("source"), py::arg("name"));
  module.def("read_records", &ReadRecords, py::arg("source"), py::arg("name"), py::arg("keep"),
             py::arg("in_place"));
  module.def("degrees", &Degrees, py::arg("minutes"));
  module.def("encode_parts", &EncodeParts, py::arg("coords"), py::arg("part_offsets"),
             py::arg("feature_parts"), py::arg("wrap_longitude"));
  module.def("convert", &Convert, py::arg("text"), py::arg("lat_first"));
  module.def("convert_path", &ConvertPath, py::arg("path"), py::arg("lat_first"));
  module.def("lint", &Lint, py::arg("text"), py::arg("name"), py::arg("lat_first"), py::arg("all"));
}
