// GDAL's drivers in the test process, the SegmentFile driver from the build first.
// SPDX-License-Identifier: MIT
#include "tests/gdal_plugin/gdal_session.h"

#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <gdal_utils.h>

#include "gdal_plugin/register_driver.h"

namespace coord2seg::testing {

GdalSession::GdalSession() {
  static const bool registered = [] {
    RegisterOGRSegmentFile();
    GDALAllRegister();
    return true;
  }();
  static_cast<void>(registered);
}

VsiScratch::~VsiScratch() { Clear(); }

void VsiScratch::Clear() const { VSIRmdirRecursive(folder_.c_str()); }

CapturedErrors::CapturedErrors() { CPLPushErrorHandlerEx(Collect, this); }

CapturedErrors::~CapturedErrors() { CPLPopErrorHandler(); }

void CPL_STDCALL CapturedErrors::Collect(CPLErr type, CPLErrorNum, const char* message) {
  auto* self = static_cast<CapturedErrors*>(CPLGetErrorHandlerUserData());
  if (type == CE_Failure || type == CE_Fatal) self->failures.emplace_back(message);
  if (type == CE_Warning) self->warnings.emplace_back(message);
}

GdalArguments::GdalArguments(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) list_ = CSLAddString(list_, argument.c_str());
}

GdalArguments::~GdalArguments() { CSLDestroy(list_); }

bool Ogr2ogr(const std::string& destination, const std::string& source,
             const std::vector<std::string>& arguments) {
  const GdalArguments argument_list(arguments);
  GDALVectorTranslateOptions* options =
      GDALVectorTranslateOptionsNew(argument_list.list(), nullptr);
  GDALDatasetH input = GDALOpenEx(source.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
  GDALDatasetH output = nullptr;
  if (input != nullptr) {
    output = GDALVectorTranslate(destination.c_str(), nullptr, 1, &input, options, nullptr);
    GDALClose(input);
  }
  GDALVectorTranslateOptionsFree(options);
  if (output == nullptr) return false;
  GDALClose(output);
  return true;
}

std::string ReadVsiFile(const std::string& path) {
  vsi_l_offset size = 0;
  const GByte* data = VSIGetMemFileBuffer(path.c_str(), &size, FALSE);
  return data == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
}

void WriteVsiFile(const std::string& path, const std::string& bytes) {
  VSILFILE* file = VSIFOpenL(path.c_str(), "wb");
  VSIFWriteL(bytes.data(), 1, bytes.size(), file);
  VSIFCloseL(file);
}

}  // namespace coord2seg::testing
