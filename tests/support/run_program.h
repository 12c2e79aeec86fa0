// Runs a program with arguments, input and limits, and collects its output and status.
// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <optional>
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
  // Bytes the child reads from its standard input, through a pipe; without them it reads the
  // null device.
  std::optional<std::string> standard_input{};
  // POSIX systems only: RLIMIT_FSIZE and RLIMIT_AS in bytes for the child (-1 leaves it alone),
  // and "NAME=value" entries added to its environment.
  long long file_size_limit = -1;
  long long address_space_limit = -1;
  // Under a file-size limit the child ignores SIGXFSZ, so that a write past the limit fails with
  // an error, as coord2seg arranges for itself. True leaves the signal's default action, which
  // ends a host program such as ogr2ogr that arranges nothing.
  bool default_file_size_signal = false;
  std::vector<std::string> extra_environment{};
};

// The environment a child gets: this process's, then `extra` ("NAME=value" each).
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& extra);

// Runs `program` with `arguments` in a child process and collects its output.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const RunOptions& options = {});

// False on Windows. Tests that need what only a POSIX system has (/proc, FIFOs, resource limits,
// /dev/full, a shell, symbolic links) skip there, each with its reason.
extern const bool kPosixHost;
#define SKIP_ON_WINDOWS(reason) \
  if (!::coord2seg::testing::kPosixHost) GTEST_SKIP() << "Windows: " << reason

// Makes a FIFO under `path`; false on a system that has none.
bool MakeFifo(const std::filesystem::path& path);

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
