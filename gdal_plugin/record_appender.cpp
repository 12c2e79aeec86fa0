#include "gdal_plugin/record_appender.h"

#include <cpl_error.h>

#include <cerrno>
#include <cstring>

#include "common/segment_buffer.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"

namespace coord2seg::gdal {

void RecordAppender::Add(std::span<const GeoPoint> points) {
  const std::size_t start = pending_.size();
  pending_.resize(start + RecordBytes(static_cast<std::uint32_t>(points.size())));
  EncodeRecord(points, pending_.data() + start);
}

bool RecordAppender::Flush() {
  if (failed_) return false;
  if (pending_.empty()) return true;
  errno = 0;
  const bool written = VSIFSeekL(file_, size_, SEEK_SET) == 0 &&
                       VSIFWriteL(pending_.data(), 1, pending_.size(), file_) == pending_.size() &&
                       VSIFFlushL(file_) == 0;
  if (!written) {
    const int error = errno;
    failed_ = true;
    // Best effort: the failure is what gets reported either way.
    VSIFTruncateL(file_, size_);
    CPLError(CE_Failure, CPLE_FileIO,
             "SegmentFile: cannot write '%s': %s; it keeps its first %llu bytes, whole records "
             "only",
             path_.c_str(), error != 0 ? std::strerror(error) : "write failed",
             static_cast<unsigned long long>(size_));
    return false;
  }
  size_ += pending_.size();
  pending_.clear();
  return true;
}

}  // namespace coord2seg::gdal
