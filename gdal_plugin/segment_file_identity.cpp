// Which file a dataset name stands for, and whether its bytes are a segment file's.
// SPDX-License-Identifier: MIT
#include "gdal_plugin/segment_file_identity.h"

#include <cpl_conv.h>
#include <cpl_string.h>

#include <array>
#include <cstring>
#include <variant>

#include "gdal_plugin/vsi_record_reader.h"
#include "segment_file/record_format.h"

namespace coord2seg::gdal {

std::string PathWithoutPrefix(const char* name) {
  if (STARTS_WITH_CI(name, kConnectionPrefix)) return name + std::strlen(kConnectionPrefix);
  return name;
}

bool DriverIsNamed(const GDALOpenInfo& info) {
  return STARTS_WITH_CI(info.pszFilename, kConnectionPrefix) ||
         CSLFindString(info.papszAllowedDrivers, kDriverName) >= 0;
}

bool HasSegmentFileName(const char* path) {
  if (EQUAL(CPLGetExtension(path), "bin")) return true;
  // /vsigzip/coast.bin.gz
  return STARTS_WITH_CI(path, "/vsigzip/") && EQUAL(CPLGetExtension(path), "gz") &&
         EQUAL(CPLGetExtension(CPLGetBasename(path)), "bin");
}

namespace {

std::size_t ReadAt(VSILFILE* file, std::uint64_t offset, unsigned char* bytes, std::size_t size) {
  if (VSIFSeekL(file, offset, SEEK_SET) != 0) return 0;
  return VSIFReadL(bytes, 1, size, file);
}

}  // namespace

// The file's size is not needed while records are whole: asking for it would read a whole
// /vsigzip/ stream.
FirstRecords ReadFirstRecords(VSILFILE* file) {
  const vsi_l_offset position = VSIFTellL(file);
  FirstRecords first;
  RecordPlace place;
  while (first.whole < kRecordsToIdentify) {
    std::array<unsigned char, kRecordHeaderBytes> header{};
    const std::size_t got = ReadAt(file, place.offset, header.data(), header.size());
    if (got == 0) {
      first.file_ended = true;
      break;
    }
    const auto result = ReadRecordHeader(std::span(header.data(), got), place);
    if (const auto* damage = std::get_if<SegmentFileDamage>(&result)) {
      first.damage = *damage;
      first.cut_by_end = got < header.size();
      break;
    }
    const std::uint32_t count = std::get<std::uint32_t>(result);
    const std::uint64_t end = place.offset + RecordBytes(count);
    unsigned char last_byte = 0;
    if (ReadAt(file, end - 1, &last_byte, 1) != 1) {
      first.damage = RecordCutShort(count, VsiFileSize(file) - place.offset, place);
      first.cut_by_end = true;
      break;
    }
    ++first.whole;
    place = {place.number + 1, end};
  }
  VSIFSeekL(file, position, SEEK_SET);
  return first;
}

std::optional<std::string> ReasonToKeep(const std::string& path) {
  VSIStatBufL status;
  if (VSIStatL(path.c_str(), &status) != 0 || !VSI_ISREG(status.st_mode)) return std::nullopt;
  VSILFILE* file = VSIFOpenL(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;  // creating it says why
  const FirstRecords first = ReadFirstRecords(file);
  VSIFCloseL(file);
  if (first.Empty() || first.Fit()) return std::nullopt;
  return "it is not a segment file (" + DescribeDamagePlace(*first.damage) + ")";
}

}  // namespace coord2seg::gdal
