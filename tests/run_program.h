#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace coord2seg::testing {

struct ProgramResult {
  int exit_status = -1;  // -1 when the program did not exit normally
  int signal = 0;        // the signal that ended it, if one did
  std::string out;
  std::string err;
};

struct RunOptions {
  std::filesystem::path working_directory = ".";
  long long file_size_limit = -1;      // RLIMIT_FSIZE in bytes for the child; -1 leaves it alone
  long long address_space_limit = -1;  // RLIMIT_AS in bytes; -1 leaves it alone
  std::vector<std::string> extra_environment{};  // "NAME=value" entries added for the child
};

// The environment a child gets: this process's, then `extra` ("NAME=value" each).
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& extra);

// Runs `program` with `arguments` in a child process and collects its output.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const RunOptions& options = {});

// A fresh directory under the system's temporary directory, removed with its contents on
// destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace coord2seg::testing
