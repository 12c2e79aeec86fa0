// The samples of the README and of the driver's page, run as a reader would paste them: a code
// block introduced by a line ending in "as `NAME`:" is saved as NAME, and every ```console block
// of a page runs in that page's folder, its "$ " lines as commands, each to print exactly the
// lines shown under it.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/outside_tools.h"
#include "tests/support/run_program.h"
#include "tests/support/sanitized_build.h"

namespace coord2seg {
namespace {

namespace fs = std::filesystem;
using testing::ProgramResult;
using testing::RunProgram;
using testing::TempDir;
using testing::WriteFileBytes;

struct Block {
  std::string info;      // what follows the opening ```
  std::string saved_as;  // the file the text before it names, if any
  std::vector<std::string> lines;
  int first_line = 0;  // in the page, for messages
};

std::vector<Block> ReadBlocks(const fs::path& markdown) {
  std::ifstream in(markdown);
  std::vector<Block> blocks;
  std::string line;
  std::string last_text;  // the last non-blank line outside a block
  std::size_t indent = 0;
  bool inside = false;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::size_t start = line.find_first_not_of(' ');
    const bool fence = start != std::string::npos && line.compare(start, 3, "```") == 0;
    if (inside) {
      if (fence) {
        inside = false;
        last_text.clear();  // a block names only the block right after it
      } else {
        blocks.back().lines.push_back(line.size() >= indent ? line.substr(indent) : "");
      }
    } else if (fence) {
      inside = true;
      indent = start;
      Block block;
      block.info = line.substr(start + 3);
      block.first_line = number;
      const std::size_t name_end = last_text.rfind("`:");
      const std::size_t name_start = last_text.rfind("as `", name_end);
      if (name_end == last_text.size() - 2 && name_start != std::string::npos) {
        block.saved_as = last_text.substr(name_start + 4, name_end - name_start - 4);
      }
      blocks.push_back(block);
    } else if (start != std::string::npos) {
      last_text = line;
    }
  }
  return blocks;
}

// The block's commands as one script, and the output they should print together.
void SplitTranscript(const Block& block, std::string& script, std::string& expected) {
  bool continued = false;
  for (const std::string& line : block.lines) {
    if (continued || line.starts_with("$ ")) {
      script += continued ? line : line.substr(2);
      script += '\n';
      continued = line.ends_with('\\');
    } else {
      expected += line + '\n';
    }
  }
}

bool NeedsMissingTool(const std::string& script, std::string& tool) {
  for (const char* name : {"ogr2ogr", "ogrinfo"}) {
    if (script.find(name) != std::string::npos && testing::FindTool(name).empty()) {
      tool = name;
      return true;
    }
  }
  return false;
}

// Samples that write segment files through GDAL need the plugin from this build, in a build whose
// code GDAL's programs can load (not a sanitized one).
bool NeedsMissingPlugin(const std::string& script) {
  if (script.find("SegmentFile") == std::string::npos) return false;
#if defined(GDAL_PLUGIN_DIR) && !defined(COORD2SEG_SANITIZED)
  return false;
#else
  return true;
#endif
}

std::vector<std::string> PluginEnvironment() {
#if defined(GDAL_PLUGIN_DIR) && !defined(COORD2SEG_SANITIZED)
  return {"GDAL_DRIVER_PATH=" GDAL_PLUGIN_DIR};
#else
  return {};
#endif
}

struct SamplesRun {
  int found = 0;        // console blocks on the page
  int ran = 0;          // those run, the others needing what this build or machine lacks
  std::string missing;  // what those others need
};

// The page's console blocks counted apart from the reader above: lines that are an opening
// ```console fence, however indented.
int ConsoleFences(const std::string& page) {
  std::ifstream in(fs::path(COORD2SEG_SOURCE_DIR) / page);
  int count = 0;
  for (std::string line; std::getline(in, line);) {
    line.erase(0, line.find_first_not_of(' '));
    count += line == "```console" ? 1 : 0;
  }
  return count;
}

// Runs the console samples of `page` (relative to the source folder) in a scratch folder of its
// own, each expected to print what it shows.
SamplesRun RunConsoleSamples(const std::string& page) {
  const std::vector<Block> blocks = ReadBlocks(fs::path(COORD2SEG_SOURCE_DIR) / page);
  const std::string programs = fs::path(COORD2SEG_EXECUTABLE).parent_path().string() + ":" +
                               fs::path(SEGDUMP_EXECUTABLE).parent_path().string();
  TempDir dir;
  SamplesRun run;
  for (const Block& block : blocks) {
    if (!block.saved_as.empty()) {
      std::string text;
      for (const std::string& line : block.lines) text += line + '\n';
      WriteFileBytes(dir / block.saved_as, text);
    }
    if (block.info != "console") continue;
    ++run.found;
    std::string script;
    std::string expected;
    SplitTranscript(block, script, expected);
    std::string tool;
    if (NeedsMissingTool(script, tool)) {
      if (std::getenv("CI") != nullptr) ADD_FAILURE() << tool << " is missing";
      run.missing += " line " + std::to_string(block.first_line) + ": " + tool + ";";
      continue;
    }
    if (NeedsMissingPlugin(script)) {
#ifndef COORD2SEG_SANITIZED
      if (std::getenv("CI") != nullptr) ADD_FAILURE() << "the GDAL plugin is not built";
#endif
      run.missing += " line " + std::to_string(block.first_line) + ": the GDAL plugin;";
      continue;
    }
    const ProgramResult result =
        RunProgram("/bin/sh", {"-c", "PATH='" + programs + "':\"$PATH\"\nexec 2>&1\n" + script},
                   {.working_directory = dir.path(), .extra_environment = PluginEnvironment()});
    EXPECT_EQ(result.out, expected) << page << " line " << block.first_line << ":\n" << script;
    ++run.ran;
  }
  return run;
}

// Every console block of the page is found and run; those that need what this build or machine
// lacks make the test a skip, not a pass (in CI, a failure).
void CheckConsoleSamples(const std::string& page) {
  const SamplesRun run = RunConsoleSamples(page);
  ASSERT_GT(run.found, 0) << page << " has no console samples";
  EXPECT_EQ(run.found, ConsoleFences(page)) << page;
  if (run.ran < run.found) {
    GTEST_SKIP() << run.found - run.ran << " of " << run.found << " samples of " << page
                 << " not run:" << run.missing;
  }
}

TEST(ReadmeSamples, EveryConsoleSamplePrintsWhatItShows) { CheckConsoleSamples("README.md"); }

// The driver's page holds the GIS samples, which need GDAL's programs and the plugin.
TEST(ReadmeSamples, EveryConsoleSampleOfTheDriverPagePrintsWhatItShows) {
  CheckConsoleSamples("docs/segmentfile_driver.md");
}

}  // namespace
}  // namespace coord2seg
