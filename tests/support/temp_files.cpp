// Temporary folders and files for the tests.
// SPDX-License-Identifier: MIT
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "tests/support/run_program.h"

namespace coord2seg::testing {

TempDir::TempDir() {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = std::filesystem::temp_directory_path() /
            ("coord2seg-test-" + std::to_string(random()) + std::to_string(random()));
    if (std::filesystem::create_directory(path_)) return;  // false when it was already there
  }
  throw std::runtime_error("no fresh temporary directory");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace coord2seg::testing
