// The real segdump executable, run in a temporary directory; the GeoJSON and SVG output is read
// by real clients.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/run_program.h"
#include "tests/segment_bytes.h"

namespace coord2seg {
namespace {

namespace fs = std::filesystem;
using testing::ProgramResult;
using testing::ReadFileBytes;
using testing::RunProgram;
using testing::StoredRecord;
using testing::TempDir;
using testing::WriteFileBytes;

// The full path of a program on PATH, or empty.
std::string FindTool(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const fs::path candidate = fs::path(rest.substr(0, colon)) / name;
    if (::access(candidate.string().c_str(), X_OK) == 0) return candidate.string();
    rest = colon == std::string_view::npos ? "" : rest.substr(colon + 1);
  }
  return "";
}

// Outside tools are optional on a developer's machine; CI (CI set) installs them and must run
// these checks, so there a missing tool fails.
// The clients are Linux programs; the output they check is the same on Windows.
#define REQUIRE_TOOL(variable, name)                                   \
  SKIP_ON_WINDOWS(name << " is a Linux program here");                 \
  const std::string variable = FindTool(name);                         \
  if (variable.empty()) {                                              \
    if (std::getenv("CI") != nullptr) FAIL() << name << " is missing"; \
    GTEST_SKIP() << name << " is not installed";                       \
  }

// Two lines and a single point, as the converter writes the walk-through example.
const std::string kExample = StoredRecord({{750, 2895}, {765, 2898}}) +
                             StoredRecord({{10200, 600}, {10785, 615}}) + StoredRecord({{0, 0}});

class Segdump : public ::testing::Test {
 protected:
  ProgramResult Run(const std::vector<std::string>& arguments) {
    return RunProgram(SEGDUMP_EXECUTABLE, arguments, {.working_directory = dir_.path()});
  }
  // Runs segdump on `bytes` saved as x.bin, expecting success and nothing on stderr.
  std::string Dump(const std::string& bytes, const std::string& mode = "") {
    WriteFileBytes(dir_ / "x.bin", bytes);
    const ProgramResult result = mode.empty() ? Run({"x.bin"}) : Run({mode, "x.bin"});
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
            "# segment 3: 1 points\n0 0\n");
  EXPECT_EQ(Dump(""), "");
}

TEST_F(Segdump, ChecksAWholeFile) {
  EXPECT_EQ(Dump(kExample, "--check"), "x.bin: 3 segments, 5 points\n");
  EXPECT_EQ(Dump("", "--check"), "x.bin: 0 segments, 0 points\n");
}

TEST_F(Segdump, WritesAFeatureCollection) {
  EXPECT_EQ(
      Dump(StoredRecord({{750, 17}, {-10800, -5400}}) + StoredRecord({{10800, 5400}}), "--geojson"),
      "{\"type\":\"FeatureCollection\",\"features\":[\n"
      "{\"type\":\"Feature\",\"properties\":{\"segment\":1,\"points\":2},\"geometry\":"
      "{\"type\":\"LineString\",\"coordinates\":[[12.5,0.2833333333333333],[-180,-90]]}},\n"
      "{\"type\":\"Feature\",\"properties\":{\"segment\":2,\"points\":1},\"geometry\":"
      "{\"type\":\"Point\",\"coordinates\":[180,90]}}\n]}\n");
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
  const std::string usage = "usage: segdump [--check | --geojson | --svg] FILE.bin\n";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "no file given"},
      {{"--check"}, "no file given"},
      {{"--tiff", "x.bin"}, "unknown option '--tiff'"},
      {{"a.bin", "b.bin"}, "one file at a time"},
      {{"--svg", "--geojson", "x.bin"}, "choose one of --check, --geojson and --svg"},
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

TEST_F(Segdump, ReadsAFileNamedLikeAnOptionAfterDoubleDash) {
  WriteFileBytes(dir_ / "--svg", StoredRecord({{60, 60}}));
  const ProgramResult result = Run({"--check", "--", "--svg"});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.out, "--svg: 1 segments, 1 points\n");
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

TEST_F(Segdump, GeoJsonIsReadByOgrinfo) {
  REQUIRE_TOOL(ogrinfo, "ogrinfo");
  WriteFileBytes(dir_ / "x.geojson", Dump(kExample, "--geojson"));
  const ProgramResult result =
      RunProgram(ogrinfo, {"-ro", "-al", "x.geojson"}, {.working_directory = dir_.path()});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_NE(result.out.find("Feature Count: 3\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("  LINESTRING (12.5 48.25,12.75 48.3)\n"), std::string::npos);
  EXPECT_NE(result.out.find("  LINESTRING (170 10,179.75 10.25)\n"), std::string::npos);
  EXPECT_NE(result.out.find("  POINT (0 0)\n"), std::string::npos);
  EXPECT_NE(result.out.find("  points (Integer) = 2\n"), std::string::npos);
  EXPECT_NE(result.out.find("  segment (Integer) = 3\n"), std::string::npos);
}

TEST_F(Segdump, SvgIsWellFormedXmlAndRenders) {
  REQUIRE_TOOL(xmllint, "xmllint");
  REQUIRE_TOOL(rsvg_convert, "rsvg-convert");
  // Lines across the edge of the map and out-of-range values too.
  WriteFileBytes(
      dir_ / "x.svg",
      Dump(kExample + StoredRecord({{10700, 0}, {-10700, 60}, {32767, -32768}}), "--svg"));
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
