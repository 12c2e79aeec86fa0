// Each companion tool's option table against the places that tell users about its options: the
// man page's options and synopsis, the usage and help text the program prints, the README.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tools/command_options.h"
#include "tools/coordlint/coordlint_command.h"
#include "tools/segdump/segdump_command.h"

namespace coord2seg {
namespace {

namespace fs = std::filesystem;

struct Tool {
  std::string name;
  std::span<const OptionSpec> options;
  std::string executable;
};

std::vector<Tool> Tools() {
  return {{"segdump", SegdumpOptions(), SEGDUMP_EXECUTABLE},
          {"coordlint", CoordlintOptions(), COORDLINT_EXECUTABLE}};
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::vector<std::string> ReadLines(const fs::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A man page line as it reads: "\-" a dash, font changes and quotes gone.
std::string Plain(std::string line) {
  line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
  line = std::regex_replace(line, std::regex(R"(\\f[BIRP])"), "");
  line.erase(std::remove(line.begin(), line.end(), '"'), line.end());
  return line;
}

// The lines of the man page's section `name`, plain.
std::vector<std::string> Section(const std::vector<std::string>& page, const std::string& name) {
  std::vector<std::string> lines;
  bool inside = false;
  for (const std::string& line : page) {
    if (line.starts_with(".SH ")) inside = line == ".SH " + name;
    if (inside) lines.push_back(Plain(line));
  }
  return lines;
}

std::set<std::string> LongOptions(const std::string& text) {
  static const std::regex kLong(R"((^|[^-\w])(--[a-z][a-z-]*))");
  std::set<std::string> names;
  for (std::sregex_iterator it(text.begin(), text.end(), kLong), end; it != end; ++it) {
    names.insert((*it)[2]);
  }
  return names;
}

std::set<std::string> Names(const Tool& tool) {
  std::set<std::string> names;
  for (const OptionSpec& option : tool.options) names.insert(std::string(option.name));
  return names;
}

// What the man page's OPTIONS section says of one option: its tag line after .TP.
struct ManOption {
  std::string short_name;
  std::string value_name;  // the word after "--name=", lower case in the page
};

std::map<std::string, ManOption> ManOptions(const std::vector<std::string>& options_section) {
  static const std::regex kShort(R"((^|[\s,])(-[a-z])(\s|,|$))");
  std::map<std::string, ManOption> found;
  for (std::size_t i = 0; i + 1 < options_section.size(); ++i) {
    if (options_section[i] != ".TP") continue;
    const std::string& tag = options_section[i + 1];
    const std::set<std::string> names = LongOptions(tag);
    if (names.empty()) continue;  // "--" alone, the end of the options
    const std::string name = *names.begin();
    ManOption option;
    std::smatch match;
    if (std::regex_search(tag, match, kShort)) option.short_name = match[2];
    if (std::regex_search(tag, match, std::regex(name + R"(=\s*(\w+))"))) {
      option.value_name = match[1];
    }
    found[name] = option;
  }
  return found;
}

fs::path SourceDir() { return fs::path(COORD2SEG_SOURCE_DIR); }

TEST(OptionDocs, TheManPageDescribesEachOptionOfTheTableAndNoOther) {
  for (const Tool& tool : Tools()) {
    const std::vector<std::string> page = ReadLines(SourceDir() / "docs" / (tool.name + ".1.in"));
    ASSERT_FALSE(page.empty()) << tool.name;
    const std::map<std::string, ManOption> described = ManOptions(Section(page, "OPTIONS"));
    std::set<std::string> names;
    for (const auto& [name, option] : described) names.insert(name);
    EXPECT_EQ(names, Names(tool)) << tool.name << "'s man page, OPTIONS";
    for (const OptionSpec& option : tool.options) {
      const auto it = described.find(std::string(option.name));
      if (it == described.end()) continue;
      EXPECT_EQ(it->second.short_name, option.short_name) << tool.name << " " << option.name;
      EXPECT_EQ(it->second.value_name, Lower(std::string(option.value_name)))
          << tool.name << " " << option.name;
      EXPECT_EQ(option.takes_value, !option.value_name.empty()) << tool.name << " " << option.name;
    }
    std::string synopsis;
    for (const std::string& line : Section(page, "SYNOPSIS")) synopsis += line + "\n";
    EXPECT_EQ(LongOptions(synopsis), Names(tool)) << tool.name << "'s man page, SYNOPSIS";
  }
}

// The help names every option but the one asking for it, each with its value's name, and no
// option the program does not know.
TEST(OptionDocs, TheHelpTextNamesEachOptionOfTheTableAndNoOther) {
  for (const Tool& tool : Tools()) {
    const testing::ProgramResult help = testing::RunProgram(tool.executable, {"--help"});
    ASSERT_EQ(help.exit_status, 0) << tool.name;
    std::set<std::string> expected = Names(tool);
    if (LongOptions(help.out).count("--help") == 0) expected.erase("--help");
    EXPECT_EQ(LongOptions(help.out), expected) << tool.name << " --help:\n" << help.out;
    for (const OptionSpec& option : tool.options) {
      if (!option.takes_value) continue;
      const std::string with_value =
          std::string(option.name) + " " + std::string(option.value_name);
      EXPECT_NE(help.out.find(with_value), std::string::npos) << tool.name << ": " << with_value;
    }
  }
}

// Options the README gives a tool, on a command line up to its end or the next command.
TEST(OptionDocs, TheReadmeGivesEachToolOnlyOptionsOfItsTable) {
  const std::vector<std::string> readme = ReadLines(SourceDir() / "README.md");
  ASSERT_FALSE(readme.empty());
  for (const Tool& tool : Tools()) {
    const std::set<std::string> known = Names(tool);
    int commands = 0;
    const std::regex command("(^|[\\s`'(])" + tool.name + " ([^|&;>'#`)]*)");
    for (const std::string& line : readme) {
      for (std::sregex_iterator it(line.begin(), line.end(), command), end; it != end; ++it) {
        ++commands;
        for (const std::string& name : LongOptions((*it)[2])) {
          EXPECT_TRUE(known.contains(name)) << tool.name << " " << name << " in: " << line;
        }
      }
    }
    EXPECT_GT(commands, 0) << tool.name;
  }
}

}  // namespace
}  // namespace coord2seg
