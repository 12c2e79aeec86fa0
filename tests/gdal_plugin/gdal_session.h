// GDAL's drivers in the test process, the SegmentFile driver from the build first.
// SPDX-License-Identifier: MIT
#pragma once

#include <cpl_error.h>

#include <string>
#include <utility>
#include <vector>

namespace coord2seg::testing {

// GDAL's drivers in this process, the SegmentFile driver from the build first, so that an
// installed copy of the plugin cannot stand in for it.
class GdalSession {
 public:
  GdalSession();
};

// GDAL's errors and warnings while it lives, instead of their printing.
class CapturedErrors {
 public:
  CapturedErrors();
  ~CapturedErrors();
  CapturedErrors(const CapturedErrors&) = delete;
  CapturedErrors& operator=(const CapturedErrors&) = delete;

  std::vector<std::string> failures;
  std::vector<std::string> warnings;

 private:
  static void CPL_STDCALL Collect(CPLErr type, CPLErrorNum number, const char* message);
};

// An argument list for GDAL: the strings' copies, freed with it.
class GdalArguments {
 public:
  explicit GdalArguments(const std::vector<std::string>& arguments);
  ~GdalArguments();
  GdalArguments(const GdalArguments&) = delete;
  GdalArguments& operator=(const GdalArguments&) = delete;
  char** list() const { return list_; }

 private:
  char** list_ = nullptr;
};

// A folder in GDAL's memory file system, removed with all it holds when the test ends.
class VsiScratch {
 public:
  explicit VsiScratch(std::string folder) : folder_(std::move(folder)) {}
  ~VsiScratch();
  VsiScratch(const VsiScratch&) = delete;
  VsiScratch& operator=(const VsiScratch&) = delete;
  // The path of `name` in the folder.
  std::string At(const std::string& name) const { return folder_ + "/" + name; }
  // Empties the folder.
  void Clear() const;

 private:
  std::string folder_;
};

// ogr2ogr's own code with `arguments`; true when it made or updated `destination`.
bool Ogr2ogr(const std::string& destination, const std::string& source,
             const std::vector<std::string>& arguments);

std::string ReadVsiFile(const std::string& path);
void WriteVsiFile(const std::string& path, const std::string& bytes);

}  // namespace coord2seg::testing
