// The no-loss matrix of the SegmentFile driver: existing targets x ways in x sources x routes x
// faults, through GDAL's own ogr2ogr code, each cell held to one rule.
// SPDX-License-Identifier: MIT
//
// The rule: either the translation succeeds and the target holds exactly what coord2seg writes
// for the same positions (after the old records, for an append), or it fails with a message and
// every file that was there is byte-identical, with no new file holding a cut record. Cells whose
// outcome is plain (a fine source into a free or segment target) must succeed.
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <gdal_utils.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "driver/convert_file.h"
#include "gdal_plugin/gdal_version_compat.h"
#include "segment_file/segment_reader.h"
#include "tests/gdal_plugin/gdal_session.h"
#include "tests/support/outside_tools.h"
#include "tests/support/run_program.h"
#include "tests/support/sanitized_build.h"
#include "tests/support/segment_bytes.h"

namespace coord2seg {
namespace {

namespace fs = std::filesystem;
// A plugin built with coverage counters writes them when its host exits, which the file-size
// limit's signal would end.
#ifdef COORD2SEG_COVERAGE_COUNTERS
constexpr bool kCoverageCounters = true;
#else
constexpr bool kCoverageCounters = false;
#endif
#ifdef COORD2SEG_SANITIZED
constexpr bool kSanitized = true;  // the plugin loads only into programs built the same way
#else
constexpr bool kSanitized = false;
#endif
using testing::Bytes;
using testing::CapturedErrors;
using testing::GdalArguments;
using testing::ReadFileBytes;
using testing::StoredRecord;
using testing::WriteFileBytes;

// ---- Sources: features as WKT with their parts written out by hand as coordinate text. ----

struct Feature {
  const char* wkt;
  const char* parts;  // "lon lat" lines, parts cut by '#'
};

struct Source {
  const char* name;
  const char* srs;  // EPSG code of the features
  std::vector<Feature> layer;
  std::vector<Feature> second_layer;  // a second source layer, when not empty
  bool plain = true;                  // every feature fits: a write of it must succeed
};

const std::vector<Source>& Sources() {
  static const std::vector<Source> sources = {
      {"fine",
       "4326",
       {{"LINESTRING (12.5 48.25,12.75 48.3)", "12.5 48.25\n12.75 48.3\n#\n"},
        {"LINESTRING (-190 10,5.125 -6.5)", "-190 10\n5.125 -6.5\n#\n"}},
       {}},
      // Metres, which fit the format's range as degrees would: only a check of the system
      // stops them. Their positions in degrees are a few thousandths of a minute.
      {"projected",
       "3857",
       {{"LINESTRING (100 200,300 400)", "0.0009 0.0018\n0.0027 0.0036\n#\n"}},
       {},
       false},
      {"out_of_range",
       "4326",
       {{"LINESTRING (1 2,3 4)", "1 2\n3 4\n#\n"}, {"LINESTRING (0 600,1 1)", "0 600\n1 1\n#\n"}},
       {},
       false},
      {"one_point",
       "4326",
       {{"POINT (1.5 2.5)", "1.5 2.5\n#\n"},
        {"MULTIPOINT ((3 4),(5 6))", "3 4\n#\n5 6\n#\n"},
        {"LINESTRING (7 8,9 10)", "7 8\n9 10\n#\n"}},
       {}},
      {"types",
       "4326",
       {{"POLYGON ((0 0,1 0,1 1,0 0),(0.25 0.25,0.5 0.25,0.25 0.5,0.25 0.25))",
         "0 0\n1 0\n1 1\n0 0\n#\n0.25 0.25\n0.5 0.25\n0.25 0.5\n0.25 0.25\n#\n"},
        {"MULTILINESTRING ((1 1,2 2),(3 3,4 4,5 5))", "1 1\n2 2\n#\n3 3\n4 4\n5 5\n#\n"},
        {"GEOMETRYCOLLECTION (POINT (6 7),LINESTRING (8 9,10 11))", "6 7\n#\n8 9\n10 11\n#\n"}},
       {}},
      {"multi_layer",
       "4326",
       {{"LINESTRING (1 2,3 4)", "1 2\n3 4\n#\n"}},
       {{"LINESTRING (5 6,7 8)", "5 6\n7 8\n#\n"}}},
  };
  return sources;
}

std::string GeoJson(const char* srs, const std::vector<Feature>& features) {
  // Without a crs member GeoJSON is WGS 84 longitude and latitude.
  std::string json = R"({"type":"FeatureCollection",)";
  if (std::string(srs) != "4326") {
    json += R"("crs":{"type":"name","properties":{"name":"urn:ogc:def:crs:EPSG::)" +
            std::string(srs) + R"("}},)";
  }
  json += R"("features":[)";
  int id = 1;
  for (const Feature& feature : features) {
    OGRGeometry* geometry = nullptr;
    OGRGeometryFactory::createFromWkt(feature.wkt, nullptr, &geometry);
    char* text = geometry->exportToJson();
    if (id > 1) json += ",";
    json += R"({"type":"Feature","properties":{"id":)" + std::to_string(id++) + R"(},"geometry":)" +
            text + "}";
    CPLFree(text);
    OGRGeometryFactory::destroyGeometry(geometry);
  }
  return json + "]}";
}

void WriteSourceFiles(const Source& source, const fs::path& folder) {
  if (source.second_layer.empty()) {
    WriteFileBytes(folder / (std::string(source.name) + ".geojson"),
                   GeoJson(source.srs, source.layer));
    return;
  }
  // Two layers: a GeoPackage, made by GDAL from two GeoJSON files.
  WriteFileBytes(folder / "first.geojson", GeoJson(source.srs, source.layer));
  WriteFileBytes(folder / "second.geojson", GeoJson(source.srs, source.second_layer));
  const std::string gpkg = (folder / (std::string(source.name) + ".gpkg")).string();
  ASSERT_TRUE(testing::Ogr2ogr(gpkg, (folder / "first.geojson").string(), {"-f", "GPKG"}));
  ASSERT_TRUE(testing::Ogr2ogr(gpkg, (folder / "second.geojson").string(), {"-update"}));
}

fs::path SourcePath(const Source& source, const fs::path& folder) {
  return folder / (std::string(source.name) + (source.second_layer.empty() ? ".geojson" : ".gpkg"));
}

// What the converter writes for the positions, through its own entry point.
std::string ConverterBytes(const std::vector<const std::vector<Feature>*>& layers) {
  const testing::TempDir dir;
  std::string text;
  for (const auto* layer : layers) {
    for (const Feature& feature : *layer) text += feature.parts;
  }
  WriteFileBytes(dir / "in.txt", text);
  const std::string path = (dir / "in.txt").string();
  EXPECT_EQ(ConvertFile(std::vector<std::string_view>{path}), 0);
  return ReadFileBytes(dir / "in.bin");
}

std::string Expected(const Source& source) {
  if (source.second_layer.empty()) return ConverterBytes({&source.layer});
  return ConverterBytes({&source.layer, &source.second_layer});
}

// ---- Existing targets ----

enum class Target {
  kNone,
  kEmpty,
  kSegment,
  kSegmentOtherName,
  kDamaged,
  kForeignText,
  kEnvi,
  kPng,
  kGeoTiff,
  kDirectory
};
const char* Name(Target target) {
  constexpr const char* kNames[] = {"none",    "empty", "segment", "segment.seg", "damaged",
                                    "foreign", "envi",  "png",     "geotiff",     "directory"};
  return kNames[static_cast<int>(target)];
}
const std::string kOldRecords = StoredRecord({{100, 200}, {300, 400}}) + StoredRecord({{5, 6}});

bool HoldsRecords(Target target) {
  return target == Target::kSegment || target == Target::kSegmentOtherName;
}

// Targets a segment file may take the place of.
bool Replaceable(Target target) {
  return target == Target::kNone || target == Target::kEmpty || target == Target::kDamaged ||
         HoldsRecords(target);
}

// A raster through GDAL's own driver, as a user's files are made.
void MakeRaster(const char* driver_name, const std::string& path) {
  GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
  GDALDatasetUniquePtr raster(mem->Create("", 4, 4, 1, GDT_Byte, nullptr));
  raster->GetRasterBand(1)->Fill(7);
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driver_name);
  GDALDatasetUniquePtr copy(
      driver->CreateCopy(path.c_str(), raster.get(), FALSE, nullptr, nullptr, nullptr));
  ASSERT_NE(copy, nullptr) << driver_name;
}

// ---- Routes: where the target is reached and what holds it. ----

enum class Route { kFile, kMemory, kGzip, kZip };
const char* Name(Route route) {
  constexpr const char* kNames[] = {"file", "vsimem", "vsigzip", "vsizip"};
  return kNames[static_cast<int>(route)];
}

void WriteVsi(const std::string& path, const std::string& bytes) {
  VSILFILE* file = VSIFOpenL(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  VSIFWriteL(bytes.data(), 1, bytes.size(), file);
  VSIFCloseL(file);
}

// A cell's folder: a real one, or one in GDAL's memory file system.
class Folder {
 public:
  Folder(Route route, const fs::path& real) : route_(route) {
    if (route == Route::kMemory) {
      static int count = 0;
      base_ = "/vsimem/no_loss_" + std::to_string(++count);
      VSIMkdir(base_.c_str(), 0755);
    } else {
      fs::create_directories(real);
      base_ = real.string();
    }
  }
  ~Folder() {
    if (route_ == Route::kMemory) VSIRmdirRecursive(base_.c_str());
  }
  std::string At(const std::string& name) const { return base_ + "/" + name; }

  // Every file under the folder and its bytes; folders as a mark.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    char** names = VSIReadDirRecursive(base_.c_str());
    for (char** name = names; name != nullptr && *name != nullptr; ++name) {
      const std::string path = At(*name);
      VSIStatBufL status;
      if (VSIStatL(path.c_str(), &status) != 0) continue;
      files[*name] = VSI_ISDIR(status.st_mode) ? std::string("<folder>") : ReadVsi(path);
    }
    CSLDestroy(names);
    return files;
  }

  static std::string ReadVsi(const std::string& path) { return ReadRaw(path); }

  static std::string ReadRaw(const std::string& path) {
    std::string bytes;
    VSILFILE* file = VSIFOpenL(path.c_str(), "rb");
    if (file == nullptr) return "<unreadable>";
    char buffer[65536];
    std::size_t got;
    while ((got = VSIFReadL(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    VSIFCloseL(file);
    return bytes;
  }

 private:
  Route route_;
  std::string base_;
};

// The dataset name for a target of this route, and the folder entry that holds it.
struct TargetName {
  std::string dataset;
  std::string entry;
};

TargetName NameIn(const Folder& folder, Route route, Target target) {
  const std::string file = target == Target::kSegmentOtherName ? "t.seg" : "t.bin";
  switch (route) {
    case Route::kGzip:
      return {"/vsigzip/" + folder.At(file + ".gz"), file + ".gz"};
    case Route::kZip:
      return {"/vsizip/" + folder.At("t.zip") + "/" + file, "t.zip"};
    default:
      return {folder.At(file), file};
  }
}

// The GDAL driver that makes a raster target; a minimal GDAL build may lack it.
const char* RasterDriver(Target target) {
  switch (target) {
    case Target::kEnvi:
      return "ENVI";
    case Target::kPng:
      return "PNG";
    case Target::kGeoTiff:
      return "GTiff";
    default:
      return nullptr;
  }
}

bool CanMake(Target target) {
  const char* driver = RasterDriver(target);
  return driver == nullptr || GetGDALDriverManager()->GetDriverByName(driver) != nullptr;
}

void MakeTarget(Target target, const std::string& name) {
  switch (target) {
    case Target::kNone:
      return;
    case Target::kEmpty:
      return WriteVsi(name, "");
    case Target::kSegment:
    case Target::kSegmentOtherName:
      return WriteVsi(name, kOldRecords);
    case Target::kDamaged:  // a whole record, then one cut by the end of the file
      return WriteVsi(name, kOldRecords.substr(0, 15));
    case Target::kForeignText:
      return WriteVsi(name, "Notes of the survey, kept beside the tracks.\n");
    case Target::kEnvi:
      return MakeRaster("ENVI", name);
    case Target::kPng:
      return MakeRaster("PNG", name);
    case Target::kGeoTiff:
      return MakeRaster("GTiff", name);
    case Target::kDirectory:
      VSIMkdir(name.c_str(), 0755);
      return WriteVsi(name + "/inside.txt", "kept\n");
  }
}

// ---- Ways in ----

enum class Way { kNoFlag, kOverwrite, kAppend, kUpdate };
const char* Name(Way way) {
  constexpr const char* kNames[] = {"no flag", "-overwrite", "-append", "-update"};
  return kNames[static_cast<int>(way)];
}
std::vector<std::string> WayArguments(Way way) {
  switch (way) {
    case Way::kNoFlag:
      return {"-f", "SegmentFile"};
    case Way::kOverwrite:
      return {"-f", "SegmentFile", "-overwrite"};
    case Way::kAppend:
      return {"-f", "SegmentFile", "-append"};
    case Way::kUpdate:
      return {"-f", "SegmentFile", "-update"};
  }
  return {};
}

// ---- The rule ----

struct Outcome {
  bool succeeded = false;
  std::vector<std::string> messages;
  // A failure said while the output closed that GDALClose did not return, where GDAL can return it.
  bool close_failure_unreturned = false;
};

struct Cell {
  std::string name;
  Target target;
  Way way;
  const Source* source;
  Route route;
  bool fault = false;
};

// Without a flag, ogr2ogr (and Python's Create) asks GDAL to create the file, and GDAL first
// deletes what is there through the driver that recognizes it, before this driver is asked: a
// raster that another driver recognizes is lost whatever the driver does. -append, -overwrite and
// -update are asked first, and keep it.
bool GdalDeletesFirst(const Cell& cell) {
  return cell.way == Way::kNoFlag && (cell.target == Target::kEnvi || cell.target == Target::kPng ||
                                      cell.target == Target::kGeoTiff);
}

// Empty when the cell keeps the rule, else what it did.
std::string Judge(const Cell& cell, const Outcome& outcome,
                  const std::map<std::string, std::string>& before,
                  const std::map<std::string, std::string>& after, const std::string& entry,
                  const std::string& dataset, const std::string& expected) {
  std::ostringstream why;
  const auto others_kept = [&] {
    for (const auto& [name, bytes] : before) {
      if (name == entry && outcome.succeeded) continue;
      const auto found = after.find(name);
      if (found == after.end()) return "'" + name + "' is gone";
      if (found->second != bytes) return "'" + name + "' changed";
    }
    for (const auto& [name, bytes] : after) {
      // GDAL's gzip reader leaves an index beside a file it seeks in.
      if (name.size() > 11 && name.substr(name.size() - 11) == ".properties") continue;
      if (before.count(name) == 0 && name != entry) return "new file '" + name + "'";
    }
    return std::string();
  };
  if (outcome.succeeded) {
    if (!Replaceable(cell.target)) return "succeeded over a file that is not a segment file";
    const std::string got = Folder::ReadVsi(dataset);
    const bool append = cell.way == Way::kAppend && HoldsRecords(cell.target);
    const std::string want = (append ? kOldRecords : "") + expected;
    if (got != want) {
      why << "succeeded, but the target holds " << testing::DescribeDifference(got, want) << " ("
          << CheckSegmentFile(Bytes(got)).segments << " records)";
    } else if (const std::string other = others_kept(); !other.empty()) {
      why << "succeeded, but " << other;
    }
    return why.str();
  }
  if (outcome.messages.empty()) return "failed without a message";
  if (const std::string other = others_kept(); !other.empty()) {
    return "failed (" + outcome.messages.front() + "), and " + other;
  }
  if (before.count(entry) == 0 && after.count(entry) != 0) {
    const std::string left = Folder::ReadVsi(dataset);
    if (CheckSegmentFile(Bytes(left)).damage) {
      return "failed (" + outcome.messages.front() + ") leaving a new file with a cut record";
    }
  }
  return "";
}

bool MustSucceed(const Cell& cell) {
  if (!cell.source->plain || !cell.source->second_layer.empty() || cell.fault) return false;
  if (cell.way == Way::kUpdate) return false;
  if (cell.route == Route::kGzip || cell.route == Route::kZip) {
    return cell.target == Target::kNone && cell.way == Way::kNoFlag;
  }
  if (cell.target == Target::kNone || cell.target == Target::kEmpty) return true;
  return HoldsRecords(cell.target) && cell.way != Way::kNoFlag;
}

// ogr2ogr's own code in this process; failure when it returned nothing, any error was said,
// closing included, or GDALClose returned a failure.
Outcome Translate(const std::string& destination, const std::string& source,
                  const std::vector<std::string>& arguments) {
  Outcome outcome;
  CapturedErrors errors;
  const GdalArguments list(arguments);
  GDALVectorTranslateOptions* options = GDALVectorTranslateOptionsNew(list.list(), nullptr);
  GDALDatasetH input = GDALOpenEx(source.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
  GDALDatasetH output = nullptr;
  if (input != nullptr) {
    output = GDALVectorTranslate(destination.c_str(), nullptr, 1, &input, options, nullptr);
    GDALClose(input);
  }
  GDALVectorTranslateOptionsFree(options);
  bool closed = true;
  if (output != nullptr) {
    const std::size_t said_before = errors.failures.size();
    closed = gdal::compat::CloseDataset(output);
    outcome.close_failure_unreturned =
        gdal::compat::kCloseReportsFailure && closed && errors.failures.size() > said_before;
  }
  outcome.succeeded = output != nullptr && closed && errors.failures.empty();
  outcome.messages = errors.failures;
  return outcome;
}

class NoLossMatrix : public ::testing::Test {
 protected:
  NoLossMatrix() {
    for (const Source& source : Sources()) {
      WriteSourceFiles(source, sources_.path());
      expected_[source.name] = Expected(source);
    }
  }

  // Runs one cell with `run` doing the writing, and keeps what broke the rule.
  void RunCell(const Cell& cell, const fs::path& real_folder,
               const std::function<Outcome(const std::string& dataset)>& run) {
    ++cells_;
    const Folder folder(cell.route, real_folder);
    const TargetName name = NameIn(folder, cell.route, cell.target);
    MakeTarget(cell.target, name.dataset);  // ENVI's .hdr beside it is one more file to keep
    const auto before = folder.Snapshot();
    const Outcome outcome = run(name.dataset);
    const auto after = folder.Snapshot();
    std::string broke = Judge(cell, outcome, before, after, name.entry, name.dataset,
                              expected_.at(cell.source->name));
    if (broke.empty() && outcome.close_failure_unreturned) {
      broke = "closing failed (" + outcome.messages.back() + "), but GDALClose returned CE_None";
    }
    if (broke.empty() && MustSucceed(cell) && !outcome.succeeded) {
      broke = "failed: " + (outcome.messages.empty() ? "" : outcome.messages.front());
    }
    if (!broke.empty() && GdalDeletesFirst(cell)) {
      left_to_gdal_.push_back(cell.name);
    } else if (!broke.empty()) {
      broken_.push_back(cell.name + ": " + broke);
    }
    if (cell.route != Route::kMemory) fs::remove_all(real_folder);
  }

  void TearDown() override {
    std::string report;
    for (const std::string& line : broken_) report += "  " + line + "\n";
    EXPECT_TRUE(broken_.empty()) << broken_.size() << " of " << cells_ << " cells broke the rule:\n"
                                 << report;
    std::printf("[ matrix   ] %d cells\n", cells_);
    for (const std::string& cell : left_to_gdal_) {
      std::printf("[ matrix   ] lost before the driver is asked: %s\n", cell.c_str());
    }
  }

  testing::GdalSession gdal_;
  testing::TempDir sources_;
  testing::TempDir scratch_;
  std::map<std::string, std::string> expected_;
  int cells_ = 0;
  std::vector<std::string> broken_;
  std::vector<std::string> left_to_gdal_;
};

std::string CellName(Target target, Way way, const Source& source, Route route,
                     const std::string& fault = "") {
  return std::string(Name(target)) + " | " + Name(way) + " | " + source.name + " | " + Name(route) +
         (fault.empty() ? "" : " | " + fault);
}

// Every target kind, way and source, on every route that can hold the target.
TEST_F(NoLossMatrix, TargetsWaysSourcesAndRoutes) {
  int index = 0;
  for (const Route route : {Route::kFile, Route::kMemory, Route::kGzip, Route::kZip}) {
    for (int t = 0; t <= static_cast<int>(Target::kDirectory); ++t) {
      const auto target = static_cast<Target>(t);
      // Compressed routes hold segment files or nothing; the other kinds need a real folder,
      // and the rasters are made by GDAL in memory as well.
      const bool compressed = route == Route::kGzip || route == Route::kZip;
      if (compressed && target != Target::kNone && target != Target::kSegment) continue;
      if (route == Route::kMemory && target == Target::kDirectory) continue;
      if (!CanMake(target)) {
        std::printf("no %s driver in this GDAL: its targets are left out\n", RasterDriver(target));
        continue;
      }
      for (const Way way : {Way::kNoFlag, Way::kOverwrite, Way::kAppend, Way::kUpdate}) {
        if (compressed && way == Way::kUpdate) continue;
        for (const Source& source : Sources()) {
          // Other routes and targets take the sources that tell them apart.
          const bool all_sources =
              route == Route::kFile && (target == Target::kNone || target == Target::kSegment);
          if (!all_sources && std::string(source.name) != "fine" &&
              std::string(source.name) != "projected") {
            continue;
          }
          const Cell cell{CellName(target, way, source, route), target, way, &source, route};
          RunCell(cell, scratch_ / std::to_string(++index), [&](const std::string& dataset) {
            return Translate(dataset, SourcePath(source, sources_.path()).string(),
                             WayArguments(way));
          });
        }
      }
    }
  }
}

// A creation option the driver refuses, on a new file and on one that exists.
TEST_F(NoLossMatrix, RefusedCreationOption) {
  int index = 0;
  const Source& fine = Sources()[0];
  for (const Target target : {Target::kNone, Target::kSegment}) {
    for (const Way way : {Way::kNoFlag, Way::kOverwrite, Way::kAppend}) {
      for (const Route route : {Route::kFile, Route::kGzip}) {
        const Cell cell{CellName(target, way, fine, route, "-lco WRAP_LONGITUDE=MAYBE"),
                        target,
                        way,
                        &fine,
                        route,
                        true};
        RunCell(cell, scratch_ / std::to_string(++index), [&](const std::string& dataset) {
          std::vector<std::string> arguments = WayArguments(way);
          arguments.insert(arguments.end(), {"-lco", "WRAP_LONGITUDE=MAYBE"});
          return Translate(dataset, SourcePath(fine, sources_.path()).string(), arguments);
        });
      }
    }
  }
}

// A source larger than the room left: on a small tmpfs (mounted when run as root) and under a
// file-size limit that ogr2ogr, a separate program, inherits as from `ulimit -f`.
struct BigSource {
  std::string json;
  std::string expected;
};

BigSource MakeBigSource(int features) {
  std::vector<std::string> wkts(features), parts(features);
  std::vector<Feature> list;
  for (int i = 0; i < features; ++i) {
    std::string wkt = "LINESTRING (", text;
    for (int p = 0; p < 40; ++p) {
      const std::string lon = std::to_string(i % 170) + "." + std::to_string(p % 10);
      const std::string lat = std::to_string(p) + ".5";
      wkt += (p ? "," : "") + lon + " " + lat;
      text += lon + " " + lat + "\n";
    }
    wkts[i] = wkt + ")";
    parts[i] = text + "#\n";
  }
  for (int i = 0; i < features; ++i) list.push_back({wkts[i].c_str(), parts[i].c_str()});
  return {GeoJson("4326", list), ConverterBytes({&list})};
}

// The big source fails while features are written; the small one, whose compressed stream is
// written out only as it closes, fails on /vsigzip/ only when the dataset closes.
TEST_F(NoLossMatrix, FullDiskAndFileSizeLimit) {
  SKIP_ON_WINDOWS("tmpfs and resource limits");
  struct Sized {
    Source source;
    BigSource data;
    const char* tmpfs_size;
  };
  const std::vector<Sized> sized = {
      {{"big", "4326", {}, {}, false}, MakeBigSource(400), "size=48k"},   // 66 KB of records
      {{"small", "4326", {}, {}, false}, MakeBigSource(150), "size=8k"},  // 15 KB gzipped
  };
  int index = 0;
  bool mounted = geteuid() == 0;
  for (const Sized& size : sized) {
    const std::string source_path = (sources_ / (std::string(size.source.name) + ".geojson"));
    WriteFileBytes(source_path, size.data.json);
    expected_[size.source.name] = size.data.expected;
    const bool small = std::string(size.source.name) == "small";
    for (const Target target : {Target::kNone, Target::kSegment}) {
      for (const Way way : {Way::kNoFlag, Way::kOverwrite, Way::kAppend}) {
        for (const Route route : {Route::kFile, Route::kGzip}) {
          if (small && route != Route::kGzip) continue;
          // A tmpfs of its own for each cell: GDAL 3.6 keeps a compressed file whose closing
          // failed open, deleted, and its space with it until the process ends.
          const fs::path mount_point = scratch_ / ("tmpfs-" + std::to_string(++index));
          fs::create_directory(mount_point);
          mounted =
              mounted && mount("tmpfs", mount_point.c_str(), "tmpfs", 0, size.tmpfs_size) == 0;
          if (mounted) {
            const Cell cell{CellName(target, way, size.source, route, "full disk"), target, way,
                            &size.source, route};
            RunCell(cell, mount_point / "cell", [&](const std::string& dataset) {
              return Translate(dataset, source_path, WayArguments(way));
            });
            umount2(mount_point.c_str(), MNT_DETACH);
          }
          const std::string ogr2ogr = testing::FindTool("ogr2ogr");
          if (ogr2ogr.empty() || kSanitized) continue;
          const Cell cell{CellName(target, way, size.source, route, "ulimit -f"), target, way,
                          &size.source, route};
          RunCell(cell, scratch_ / std::to_string(++index), [&](const std::string& dataset) {
            std::vector<std::string> arguments = WayArguments(way);
            arguments.insert(arguments.end(), {dataset, source_path});
            const testing::ProgramResult result =
                testing::RunProgram(ogr2ogr, arguments,
                                    {.file_size_limit = 8000,
                                     .default_file_size_signal = !kCoverageCounters,
                                     .extra_environment = {"GDAL_DRIVER_PATH=" GDAL_PLUGIN_DIR}});
            // The exit status alone says whether it worked, as a script sees it.
            Outcome outcome;
            outcome.succeeded = result.exit_status == 0 && result.signal == 0;
            if (result.signal != 0) {
              outcome.messages.clear();  // a signal death says nothing: the rule is broken
            } else if (result.err.find("ERROR") != std::string::npos) {
              outcome.messages.push_back(result.err);
            }
            return outcome;
          });
        }
      }
    }
  }
  if (!mounted) std::printf("[ matrix   ] full-disk cells skipped: mounting a tmpfs needs root\n");
}

// Two and four ogr2ogr -append at once onto one file: every record of every writer, whole, after
// the old ones, each writer's in its order.
TEST_F(NoLossMatrix, WritersAtTheSameTime) {
  SKIP_ON_WINDOWS("POSIX processes");
  const std::string ogr2ogr = testing::FindTool("ogr2ogr");
  if (ogr2ogr.empty() || kSanitized) GTEST_SKIP() << "needs ogr2ogr";
  for (const int writers : {2, 4}) {
    for (int round = 0; round < 3; ++round) {
      ++cells_;
      const testing::TempDir dir;
      WriteFileBytes(dir / "t.bin", kOldRecords);
      std::vector<BigSource> sources;
      for (int w = 0; w < writers; ++w) {
        sources.push_back(MakeBigSource(300 + w));
        WriteFileBytes(dir / ("w" + std::to_string(w) + ".geojson"), sources.back().json);
      }
      std::vector<testing::ProgramResult> results(writers);
      std::vector<std::thread> threads;
      for (int w = 0; w < writers; ++w) {
        threads.emplace_back([&, w] {
          results[w] = testing::RunProgram(
              ogr2ogr, {"-append", "t.bin", "w" + std::to_string(w) + ".geojson"},
              {.working_directory = dir.path(),
               .extra_environment = {"GDAL_DRIVER_PATH=" GDAL_PLUGIN_DIR}});
        });
      }
      for (std::thread& thread : threads) thread.join();
      const std::string got = ReadFileBytes(dir / "t.bin");
      // Each writer's records must appear whole and together or in order; their multiset is
      // the old records plus all of them.
      std::string why;
      const SegmentFileCheck check = CheckSegmentFile(Bytes(got));
      std::size_t want_size = kOldRecords.size();
      for (const BigSource& source : sources) want_size += source.expected.size();
      bool all_ok = true;
      for (const auto& result : results) all_ok = all_ok && result.exit_status == 0;
      if (check.damage) {
        why = "damaged file: " + DescribeDamagePlace(*check.damage);
      } else if (got.substr(0, kOldRecords.size()) != kOldRecords) {
        why = "the old records changed";
      } else if (all_ok && got.size() != want_size) {
        why = std::to_string(got.size()) + " bytes instead of " + std::to_string(want_size);
      } else {
        for (const BigSource& source : sources) {
          if (all_ok && got.find(source.expected) == std::string::npos) {
            why = "a writer's records are not whole and in order";
          }
        }
      }
      if (!why.empty()) {
        broken_.push_back(std::to_string(writers) + " writers, round " + std::to_string(round) +
                          ": " + why);
      }
    }
  }
}

}  // namespace
}  // namespace coord2seg
