// Which file a dataset name stands for, and whether its bytes are a segment file's.
// SPDX-License-Identifier: MIT
#pragma once

#include <gdal_priv.h>

#include <cstdint>
#include <optional>
#include <string>

#include "segment_file/segment_reader.h"

namespace coord2seg::gdal {

inline constexpr const char* kDriverName = "SegmentFile";
// "SegmentFile:coast.seg" names the driver in every tool, as "CSV:" does for that driver.
inline constexpr const char* kConnectionPrefix = "SegmentFile:";

// The file a dataset name stands for: the name without the driver's prefix.
std::string PathWithoutPrefix(const char* name);

// True when the caller named this driver: by the prefix, or in the list of allowed drivers
// (gdal.OpenEx's allowed_drivers, the tools' -if).
bool DriverIsNamed(const GDALOpenInfo& info);

// A .bin name, or .bin.gz read through /vsigzip/.
bool HasSegmentFileName(const char* path);

// How the first few records of a file look, from their headers alone: a few seeks and reads of
// 5 bytes, so that identification stays cheap on large and remote files.
struct FirstRecords {
  std::uint64_t whole = 0;                  // records whose bytes are all in the file
  bool file_ended = false;                  // nothing follows them
  std::optional<SegmentFileDamage> damage;  // met among them
  bool cut_by_end = false;                  // the damage is a record cut by the file's end

  // Every record looked at fits, or the file ends inside the one after a whole record (a damaged
  // segment file, which opens to say where): random bytes after one plausible header do not.
  bool Fit() const { return whole > 0 && (!damage || cut_by_end); }
  bool Empty() const { return file_ended && whole == 0; }
};

// The first kRecordsToIdentify records of the file, or all of a file with fewer: two headers
// that fit by chance are far rarer than one, and a file damaged after them still opens. The file's
// position is kept.
inline constexpr std::uint64_t kRecordsToIdentify = 2;
FirstRecords ReadFirstRecords(VSILFILE* file);

// Why an existing file at `path` must not be replaced by a segment file, or nothing when it may:
// it is missing, empty, or a segment file.
std::optional<std::string> ReasonToKeep(const std::string& path);

}  // namespace coord2seg::gdal
