// Where the records of one write go: in place, or beside the name and renamed at the end; and
// the deletions GDAL asks for before a creation, completed only when no creation takes them over.
// SPDX-License-Identifier: MIT
#include "gdal_plugin/write_target.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_multiproc.h>
#include <cpl_string.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "common/system.h"

namespace coord2seg::gdal {
namespace {

constexpr const char* kGzipPrefix = "/vsigzip/";

// Archives: a file inside one can be neither renamed nor cut back.
bool InsideArchive(const std::string& path) {
  return STARTS_WITH_CI(path.c_str(), "/vsizip/") || STARTS_WITH_CI(path.c_str(), "/vsitar/") ||
         STARTS_WITH_CI(path.c_str(), "/vsi7z/");
}

// A name beside `stored` that no other write of this process or another uses.
std::string NameBeside(const std::string& stored, const char* what) {
  static std::atomic<unsigned> count{0};
  return stored + "." + what + "-" + std::to_string(CPLGetCurrentProcessID()) + "-" +
         std::to_string(++count);
}

std::string ErrnoReason(const char* fallback) {
  return errno != 0 ? SystemErrorReason(errno) : fallback;
}

}  // namespace

void ForgetReplacedCompressedFile(const std::string& path) {
  if (!STARTS_WITH_CI(path.c_str(), kGzipPrefix)) return;
  VSIUnlink((StoredFileName(path) + ".properties").c_str());
  const std::string other = std::string(kGzipPrefix) + "/vsimem/segmentfile_forget_" +
                            std::to_string(CPLGetCurrentProcessID()) + ".gz";
  if (VSILFILE* out = VSIFOpenL(other.c_str(), "wb")) {
    VSIFWriteL("\n", 1, 1, out);
    VSIFCloseL(out);
  }
  if (VSILFILE* in = VSIFOpenL(other.c_str(), "rb")) {
    char byte = 0;
    VSIFReadL(&byte, 1, 1, in);
    VSIFCloseL(in);
  }
  VSIUnlink(other.substr(std::strlen(kGzipPrefix)).c_str());
}

std::string StoredFileName(const std::string& path) {
  if (STARTS_WITH_CI(path.c_str(), kGzipPrefix)) return path.substr(std::strlen(kGzipPrefix));
  return path;
}

std::unique_ptr<WriteTarget> WriteTarget::Append(VSILFILE* file, std::string path,
                                                 std::uint64_t end) {
  std::unique_ptr<WriteTarget> target(new WriteTarget());
  target->file_ = file;
  target->written_path_ = path;
  target->abandoned_state_ = "'" + path + "' is left as it was";
  target->path_ = std::move(path);
  target->start_ = end;
  return target;
}

std::unique_ptr<WriteTarget> WriteTarget::Create(const std::string& path, bool replaced,
                                                 const std::string& aside) {
  std::unique_ptr<WriteTarget> target(new WriteTarget());
  target->path_ = path;
  target->aside_ = aside;
  const bool gzip = STARTS_WITH_CI(path.c_str(), kGzipPrefix);
  if (InsideArchive(path)) {
    target->written_path_ = path;
    target->abandoned_state_ = "'" + path + "' may hold a cut record and is unusable: delete it";
  } else {
    const std::string beside = NameBeside(StoredFileName(path), "part");
    target->written_path_ = gzip ? kGzipPrefix + beside : beside;
    target->abandoned_state_ =
        replaced ? "'" + path + "' is left as it was" : "no file is made at '" + path + "'";
  }
  errno = 0;
  // A compressed stream or an archive is written only; other files are read back by the new
  // layer.
  const FileSizeSignalHeld signal_held;
  const bool write_only = gzip || InsideArchive(path);
  target->file_ = VSIFOpenL(target->written_path_.c_str(), write_only ? "wb" : "w+b");
  if (target->file_ == nullptr) {
    CPLError(CE_Failure, CPLE_OpenFailed, "SegmentFile: cannot create '%s': %s", path.c_str(),
             ErrnoReason("open failed").c_str());
    target->finished_ = true;
    if (!aside.empty()) VSIRename(aside.c_str(), StoredFileName(path).c_str());
    return nullptr;
  }
  target->owns_file_ = true;
  return target;
}

WriteTarget::~WriteTarget() {
  if (!finished_) Finish(false);
}

bool WriteTarget::CloseOwnFile(bool report) {
  if (!owns_file_ || file_ == nullptr) return true;
  // A compressed stream writes its last block on closing.
  const FileSizeSignalHeld signal_held;
  errno = 0;
  const bool closed = VSIFCloseL(file_) == 0;
  file_ = nullptr;
  if (!closed && report) {
    CPLError(CE_Failure, CPLE_FileIO, "SegmentFile: cannot write '%s': %s; %s", path_.c_str(),
             ErrnoReason("close failed").c_str(), abandoned_state_.c_str());
  }
  return closed;
}

void WriteTarget::Abandon() {
  if (!owns_file_) {
    if (VSIFTruncateL(file_, start_) != 0) {
      CPLError(CE_Failure, CPLE_FileIO, "SegmentFile: cannot cut '%s' back to its %llu bytes",
               path_.c_str(), static_cast<unsigned long long>(start_));
    }
    return;
  }
  CloseOwnFile(false);                 // what is given up needs no more words
  if (written_path_ == path_) return;  // inside an archive: said when the write failed
  VSIUnlink(StoredFileName(written_path_).c_str());
  if (!aside_.empty()) VSIRename(aside_.c_str(), StoredFileName(path_).c_str());
}

bool WriteTarget::ReadsBackWhole(std::uint64_t size) {
  if (!STARTS_WITH_CI(written_path_.c_str(), kGzipPrefix)) return true;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  VSILFILE* file = VSIFOpenL(written_path_.c_str(), "rb");
  bool whole = false;
  if (file != nullptr) {
    std::vector<unsigned char> block(1 << 16);
    std::uint64_t read = 0;
    std::size_t got;
    while ((got = VSIFReadL(block.data(), 1, block.size(), file)) > 0) read += got;
    whole = read == size;
    VSIFCloseL(file);
  }
  CPLPopErrorHandler();
  if (!whole) {
    CPLError(CE_Failure, CPLE_FileIO,
             "SegmentFile: cannot write '%s': the compressed file reads back incomplete (is the "
             "disk full?); %s",
             path_.c_str(), abandoned_state_.c_str());
  }
  return whole;
}

bool WriteTarget::Finish(bool keep, std::uint64_t size) {
  if (finished_) return true;
  finished_ = true;
  if (!keep) {
    Abandon();
    return true;
  }
  if (!owns_file_) return VSIFFlushL(file_) == 0;
  if (!CloseOwnFile(true) || !ReadsBackWhole(size)) {
    Abandon();
    return false;
  }
  if (written_path_ != path_) {
    errno = 0;
    if (VSIRename(StoredFileName(written_path_).c_str(), StoredFileName(path_).c_str()) != 0) {
      CPLError(CE_Failure, CPLE_FileIO, "SegmentFile: cannot rename the new file to '%s': %s; %s",
               path_.c_str(), ErrnoReason("rename failed").c_str(), abandoned_state_.c_str());
      Abandon();
      return false;
    }
  }
  if (!aside_.empty()) VSIUnlink(aside_.c_str());
  return true;
}

// ---- Deletions that a creation may take over ----

namespace {

struct MovedAside {
  std::string path;
  std::string aside;
};

std::mutex moved_mutex;
std::vector<MovedAside> moved;
std::atomic<bool> any_moved{false};

// At the process's end GDAL's own file systems may be gone: real files are deleted directly.
void CompleteDeletionsAtExit() {
  const std::lock_guard lock(moved_mutex);
  for (const MovedAside& entry : moved) {
    if (!STARTS_WITH(entry.aside.c_str(), "/vsi")) std::remove(entry.aside.c_str());
  }
  moved.clear();
}

}  // namespace

bool DeleteSegmentFile(const std::string& path) {
  CompleteDeletions();
  const std::string stored = StoredFileName(path);
  const std::string aside = NameBeside(stored, "deleted");
  if (!InsideArchive(path) && VSIRename(stored.c_str(), aside.c_str()) == 0) {
    static const bool registered = std::atexit(CompleteDeletionsAtExit) == 0;
    static_cast<void>(registered);
    const std::lock_guard lock(moved_mutex);
    moved.push_back({path, aside});
    any_moved = true;
    return true;
  }
  errno = 0;
  if (VSIUnlink(stored.c_str()) == 0) return true;
  CPLError(CE_Failure, CPLE_FileIO, "SegmentFile: cannot delete '%s': %s", path.c_str(),
           ErrnoReason("delete failed").c_str());
  return false;
}

std::optional<std::string> TakeMovedAside(const std::string& path) {
  if (!any_moved) return std::nullopt;
  std::optional<std::string> aside;
  {
    const std::lock_guard lock(moved_mutex);
    for (auto entry = moved.begin(); entry != moved.end(); ++entry) {
      if (entry->path == path) {
        aside = entry->aside;
        moved.erase(entry);
        break;
      }
    }
  }
  CompleteDeletions();
  return aside;
}

void CompleteDeletions() {
  if (!any_moved) return;
  const std::lock_guard lock(moved_mutex);
  for (const MovedAside& entry : moved) VSIUnlink(entry.aside.c_str());
  moved.clear();
  any_moved = false;
}

}  // namespace coord2seg::gdal
