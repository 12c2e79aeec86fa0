// The real segdump executable, run in a temporary directory; the GeoJSON and SVG output is read
// by real clients.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/outside_tools.h"
#include "tests/support/run_program.h"
#include "tests/support/segment_bytes.h"

namespace coord2seg {
namespace {

namespace fs = std::filesystem;
using testing::ProgramResult;
using testing::ReadFileBytes;
using testing::RunProgram;
using testing::StoredRecord;
using testing::TempDir;
using testing::WriteFileBytes;

// Two lines and a single point, as the converter writes the walk-through example.
const std::string kExample = StoredRecord({{750, 2895}, {765, 2898}}) +
                             StoredRecord({{10200, 600}, {10785, 615}}) + StoredRecord({{0, 0}});

class Segdump : public ::testing::Test {
 protected:
  ProgramResult Run(const std::vector<std::string>& arguments) {
    return RunProgram(SEGDUMP_EXECUTABLE, arguments, {.working_directory = dir_.path()});
  }
  // Runs segdump on `bytes` saved as x.bin, expecting success and nothing on stderr.
  std::string Dump(const std::string& bytes, std::vector<std::string> options = {}) {
    WriteFileBytes(dir_ / "x.bin", bytes);
    options.push_back("x.bin");
    const ProgramResult result = Run(options);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
    return result.out;
  }
  TempDir dir_;
};

TEST_F(Segdump, WritesCoordinateTextWithASeparatorLinePerRecord) {
  EXPECT_EQ(Dump(kExample),
            "# segment 1: 2 points\n12.5 48.25\n12.75 48.3\n"
            "# segment 2: 2 points\n170 10\n179.75 10.25\n"
            "# segment 3: 1 point\n0 0\n");
  EXPECT_EQ(Dump(""), "");
}

TEST_F(Segdump, ChecksAWholeFile) {
  EXPECT_EQ(Dump(kExample, {"--check"}), "x.bin: 3 segments, 5 points\n");
  EXPECT_EQ(Dump("", {"--check"}), "x.bin: 0 segments, 0 points\n");
  // One of a kind is said in the singular.
  EXPECT_EQ(Dump(StoredRecord({{1, 2}}), {"--check"}), "x.bin: 1 segment, 1 point\n");
  EXPECT_EQ(Dump(StoredRecord({{1, 2}, {3, 4}}), {"--check"}), "x.bin: 1 segment, 2 points\n");
  EXPECT_EQ(Dump(StoredRecord({{1, 2}}) + StoredRecord({{3, 4}}), {"--check"}),
            "x.bin: 2 segments, 2 points\n");
}

TEST_F(Segdump, ChecksSeveralFilesAndTellsTextFromASegmentFile) {
  WriteFileBytes(dir_ / "good.bin", kExample);
  WriteFileBytes(dir_ / "cut.bin", kExample.substr(0, 20));
  WriteFileBytes(dir_ / "coast.txt", "# coast\n12.5 48.25\n12,75;48.3\n");
  const std::string good = "good.bin: 3 segments, 5 points\n";
  const std::string text =
      "coast.txt: looks like coordinate text, not a segment file: convert it with coord2seg "
      "(coordlint tells what that would drop)\n";
  const ProgramResult all =
      Run({"--check", "good.bin", "coast.txt", "cut.bin", "missing.bin", "--", "good.bin"});
  EXPECT_EQ(all.exit_status, 1);
  EXPECT_EQ(all.out, good + good);
  EXPECT_EQ(all.err, "segdump: " + text +
                         "segdump: cut.bin: offset 13 (segment 2): record of 2 points needs 13 "
                         "bytes, only 7 left\n"
                         "segdump: cannot read 'missing.bin': No such file or directory\n");
  const ProgramResult clean = Run({"good.bin", "--check", "good.bin"});
  EXPECT_EQ(clean.exit_status, 0);
  EXPECT_EQ(clean.out, good + good);
  for (const char* mode : {"--check", "--geojson", "--svg", "--"}) {
    const ProgramResult one = Run({mode, "coast.txt"});
    EXPECT_EQ(one.exit_status, 1) << mode;
    EXPECT_EQ(one.out, "") << mode;
    EXPECT_EQ(one.err, "segdump: " + text) << mode;
  }
}

TEST_F(Segdump, WritesAFeatureCollection) {
  EXPECT_EQ(Dump(StoredRecord({{750, 17}, {-10800, -5400}}) + StoredRecord({{10800, 5400}}),
                 {"--geojson"}),
            "{\"type\":\"FeatureCollection\",\"features\":[\n"
            "{\"type\":\"Feature\",\"properties\":{\"segment\":1,\"points\":2},\"geometry\":"
            "{\"type\":\"LineString\",\"coordinates\":[[12.5,0.2833333333333333],[180,-90]]}},\n"
            "{\"type\":\"Feature\",\"properties\":{\"segment\":2,\"points\":1},\"geometry\":"
            "{\"type\":\"Point\",\"coordinates\":[-180,90]}}\n]}\n");
}

TEST_F(Segdump, ReportsDamageInEveryModeWithoutWritingToStdout) {
  const std::string good = StoredRecord({{1, 1}});
  const std::vector<std::pair<std::string, std::string>> cases = {
      {good + std::string("\x02\x00\x00\x00\x00\x01\x00", 7),
       "offset 9 (segment 2): record of 2 points needs 13 bytes, only 7 left"},
      {std::string("\x00\x00\x00\x00\x00", 5) + good,
       "offset 0 (segment 1): point count 0 is not from 1 to 99999"},
      {good + std::string("\xa0\x86\x01\x00\x00", 5) + good,
       "offset 9 (segment 2): point count 100000 is not from 1 to 99999"},
      {good + good + std::string("\x01\x00\x00\x00\x01\x00\x00\x00\x00", 9),
       "offset 22 (segment 3): reserved byte is 1, not 0"},
      {good + std::string("\x01\x00", 2),
       "offset 9 (segment 2): record header cut short: 2 of 5 bytes"},
  };
  for (const auto& [bytes, message] : cases) {
    WriteFileBytes(dir_ / "bad.bin", bytes);
    for (const char* mode : {"--check", "--geojson", "--svg", "--"}) {
      const ProgramResult result = Run({mode, "bad.bin"});
      EXPECT_EQ(result.exit_status, 1) << mode << ' ' << message;
      EXPECT_EQ(result.out, "") << mode << ' ' << message;
      EXPECT_EQ(result.err, "segdump: bad.bin: " + message + "\n") << mode;
    }
  }
}

TEST_F(Segdump, ReportsAFileThatCannotBeRead) {
  fs::create_directory(dir_ / "folder");
  std::vector<std::pair<std::string, std::string>> cases = {
      {"missing.bin", "segdump: cannot read 'missing.bin': No such file or directory\n"},
      {"folder", "segdump: cannot read 'folder': Is a directory\n"},
  };
  if (testing::kPosixHost) {
    cases.push_back({"/dev/null", "segdump: cannot read '/dev/null': not a regular file\n"});
    cases.push_back(
        {"/proc/self/mem", "segdump: cannot read '/proc/self/mem': Input/output error\n"});
  }
  for (const auto& [path, message] : cases) {
    for (const char* mode : {"--check", "--geojson", "--svg", "--"}) {
      const ProgramResult result = Run({mode, path});
      EXPECT_EQ(result.exit_status, 1) << mode << ' ' << path;
      EXPECT_EQ(result.out, "") << mode << ' ' << path;
      EXPECT_EQ(result.err, message) << mode;
    }
  }
}

TEST_F(Segdump, AnswersUsageErrorsWithStatus2) {
  const std::string usage =
      "usage: segdump [--check | --geojson [--raw] [--lines-only] | --svg [--fit] [--width "
      "PIXELS]] FILE.bin\n"
      "       segdump --check FILE.bin...\n"
      "       segdump --help | --version\n"
      "FILE.bin may be - for standard input.\n";
  const std::string width_range = "--width takes a whole number of pixels from 16 to 100000";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "no file given"},
      {{"--check"}, "no file given"},
      {{"--tiff", "x.bin"}, "unknown option '--tiff'"},
      {{"a.bin", "b.bin"}, "one file at a time (several only with --check)"},
      {{"--svg", "a.bin", "b.bin"}, "one file at a time (several only with --check)"},
      {{"--check", "-", "a.bin", "-"}, "standard input can be read only once"},
      {{"--svg", "--geojson", "x.bin"}, "choose one of --check, --geojson and --svg"},
      {{"--raw", "x.bin"}, "--raw goes with --geojson"},
      {{"--svg", "--lines-only", "x.bin"}, "--lines-only goes with --geojson"},
      {{"--geojson", "--fit", "x.bin"}, "--fit goes with --svg"},
      {{"--width=800", "x.bin"}, "--width goes with --svg"},
      {{"--svg", "x.bin", "--width"}, width_range},
      {{"--svg", "--width", "15", "x.bin"}, width_range},
      {{"--svg", "--width=1e3", "x.bin"}, width_range},
  };
  for (const auto& [arguments, problem] : cases) {
    const ProgramResult result = Run(arguments);
    EXPECT_EQ(result.exit_status, 2) << problem;
    EXPECT_EQ(result.out, "") << problem;
    EXPECT_EQ(result.err, "segdump: " + problem + "\n" + usage);
  }
  const ProgramResult help = Run({"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_EQ(help.out, usage);
}

TEST_F(Segdump, TellsItsVersion) {
  const ProgramResult result = Run({"--version"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, std::string("segdump ") + COORD2SEG_VERSION + "\n");
  EXPECT_EQ(result.err, "");
}

TEST_F(Segdump, ReadsStandardInputWholeBeforeWriting) {
  WriteFileBytes(dir_ / "x.bin", kExample);
  WriteFileBytes(dir_ / "bad.bin", kExample + std::string("\x01\x00", 2));
  const auto through_a_pipe = [&](const std::string& option, const std::string& file) {
    std::vector<std::string> arguments = {"-"};
    if (!option.empty()) arguments.insert(arguments.begin(), option);
    return RunProgram(
        SEGDUMP_EXECUTABLE, arguments,
        {.working_directory = dir_.path(), .standard_input = ReadFileBytes(dir_ / file)});
  };
  const ProgramResult check = through_a_pipe("--check", "x.bin");
  EXPECT_EQ(check.exit_status, 0) << check.err;
  EXPECT_EQ(check.out, "standard input: 3 segments, 5 points\n");
  EXPECT_EQ(through_a_pipe("", "x.bin").out, Dump(kExample));
  for (const char* mode : {"--check", "--geojson", "--svg", ""}) {
    const ProgramResult bad = through_a_pipe(mode, "bad.bin");
    EXPECT_EQ(bad.exit_status, 1) << mode;
    EXPECT_EQ(bad.out, "") << mode;
    EXPECT_EQ(bad.err,
              "segdump: standard input: offset 35 (segment 4): record header cut short: 2 of 5 "
              "bytes\n");
  }
}

TEST_F(Segdump, ReadsAFileNamedLikeAnOptionAfterDoubleDash) {
  WriteFileBytes(dir_ / "--svg", StoredRecord({{60, 60}}));
  const ProgramResult result = Run({"--check", "--", "--svg"});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.out, "--svg: 1 segment, 1 point\n");
}

TEST_F(Segdump, ReportsAFailedWriteToStdout) {
  SKIP_ON_WINDOWS("no /dev/full and no /bin/sh");
  WriteFileBytes(dir_ / "x.bin", kExample);
  const ProgramResult result =
      RunProgram("/bin/sh", {"-c", std::string(SEGDUMP_EXECUTABLE) + " x.bin >/dev/full"},
                 {.working_directory = dir_.path()});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, "segdump: cannot write standard output: No space left on device\n");
}

// Lines across the antimeridian, one of them starting on it, and a point beyond 180.
const std::string kAcrossTheAntimeridian = StoredRecord({{10740, -3600}, {-10740, -3600}}) +
                                           StoredRecord({{-10800, 60}, {10740, 0}, {-10740, 120}}) +
                                           StoredRecord({{10860, 120}});

TEST_F(Segdump, GeoJsonIsReadByOgrinfo) {
  REQUIRE_TOOL(ogrinfo, "ogrinfo");
  WriteFileBytes(dir_ / "x.geojson", Dump(kExample + kAcrossTheAntimeridian, {"--geojson"}));
  const ProgramResult result =
      RunProgram(ogrinfo, {"-ro", "-al", "x.geojson"}, {.working_directory = dir_.path()});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  for (const char* line : {
           "Feature Count: 6\n",
           "  LINESTRING (12.5 48.25,12.75 48.3)\n",
           "  LINESTRING (170 10,179.75 10.25)\n",
           "  POINT (0 0)\n",
           "  points (Integer) = 2\n",
           "  segment (Integer) = 6\n",
           "  MULTILINESTRING ((179 -60,180 -60),(-180 -60,-179 -60))\n",
           "  MULTILINESTRING ((180 1,179 0,180 1),(-180 1,-179 2))\n",
           "  POINT (-179 2)\n",
       }) {
    EXPECT_NE(result.out.find(line), std::string::npos) << line << result.out;
  }
}

TEST_F(Segdump, RawGeoJsonKeepsTheStoredValues) {
  EXPECT_EQ(Dump(kAcrossTheAntimeridian, {"--raw", "--geojson"}),
            "{\"type\":\"FeatureCollection\",\"features\":[\n"
            "{\"type\":\"Feature\",\"properties\":{\"segment\":1,\"points\":2},\"geometry\":"
            "{\"type\":\"LineString\",\"coordinates\":[[179,-60],[-179,-60]]}},\n"
            "{\"type\":\"Feature\",\"properties\":{\"segment\":2,\"points\":3},\"geometry\":"
            "{\"type\":\"LineString\",\"coordinates\":[[-180,1],[179,0],[-179,2]]}},\n"
            "{\"type\":\"Feature\",\"properties\":{\"segment\":3,\"points\":1},\"geometry\":"
            "{\"type\":\"Point\",\"coordinates\":[181,2]}}\n]}\n");
}

TEST_F(Segdump, LinesOnlyGeoJsonBecomesAShapefile) {
  REQUIRE_TOOL(ogr2ogr, "ogr2ogr");
  REQUIRE_TOOL(ogrinfo, "ogrinfo");
  WriteFileBytes(dir_ / "x.bin", kExample + kAcrossTheAntimeridian);
  const ProgramResult dump = RunProgram(
      "/bin/sh", {"-c", std::string(SEGDUMP_EXECUTABLE) + " --geojson --lines-only x.bin > x.json"},
      {.working_directory = dir_.path()});
  ASSERT_EQ(dump.exit_status, 0) << dump.err;
  const ProgramResult shapefile = RunProgram(
      ogr2ogr, {"-f", "ESRI Shapefile", "lines.shp", "x.json"}, {.working_directory = dir_.path()});
  ASSERT_EQ(shapefile.exit_status, 0) << shapefile.err;
  const ProgramResult info =
      RunProgram(ogrinfo, {"-ro", "-al", "lines.shp"}, {.working_directory = dir_.path()});
  EXPECT_NE(info.out.find("Geometry: Line String\nFeature Count: 4\n"), std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("  MULTILINESTRING ((179 -60,180 -60),(-180 -60,-179 -60))\n"),
            std::string::npos);
  EXPECT_NE(info.out.find("  LINESTRING (12.5 48.25,12.75 48.3)\n"), std::string::npos);
}

TEST_F(Segdump, SvgIsWellFormedXmlAndRenders) {
  REQUIRE_TOOL(xmllint, "xmllint");
  REQUIRE_TOOL(rsvg_convert, "rsvg-convert");
  // Lines across the edge of the map and out-of-range values too.
  WriteFileBytes(
      dir_ / "x.svg",
      Dump(kExample + kAcrossTheAntimeridian + StoredRecord({{32767, -32768}, {0, 0}}), {"--svg"}));
  const ProgramResult lint =
      RunProgram(xmllint, {"--noout", "x.svg"}, {.working_directory = dir_.path()});
  EXPECT_EQ(lint.exit_status, 0);
  EXPECT_EQ(lint.err, "");
  const ProgramResult render =
      RunProgram(rsvg_convert, {"x.svg", "-o", "x.png"}, {.working_directory = dir_.path()});
  EXPECT_EQ(render.exit_status, 0) << render.err;
  EXPECT_EQ(ReadFileBytes(dir_ / "x.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
}

}  // namespace
}  // namespace coord2seg
