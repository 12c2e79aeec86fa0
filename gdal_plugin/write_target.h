#pragma once
// Where the records of one write go and what becomes of them at its end, so that a write that is
// refused or fails leaves every file as it was.
// SPDX-License-Identifier: MIT

#include <cpl_vsi.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace coord2seg::gdal {

// A segment file is added to in place, after its whole records, and cut back to them when the
// write is abandoned. A new file, or one that replaces a segment file, is written beside its name
// and renamed over it only when the write is kept. A file inside an archive can be neither cut
// back nor renamed: it is written in place, and an abandoned write says that it is unusable.
class WriteTarget {
 public:
  // Records after the first `end` bytes of `file`, the open segment file `path`.
  static std::unique_ptr<WriteTarget> Append(VSILFILE* file, std::string path, std::uint64_t end);
  // A new file for `path`. `replaced`: a segment file is there (or was moved to `aside` when GDAL
  // deleted it before the creation); it comes back if the write is abandoned. Nothing, with a
  // GDAL error, when no file can be made.
  static std::unique_ptr<WriteTarget> Create(const std::string& path, bool replaced,
                                             const std::string& aside);
  ~WriteTarget();
  WriteTarget(const WriteTarget&) = delete;
  WriteTarget& operator=(const WriteTarget&) = delete;

  VSILFILE* file() const { return file_; }
  const std::string& path() const { return path_; }
  // The bytes before the new records.
  std::uint64_t start() const { return start_; }
  // What a failed write leaves, for its message: "'coast.bin' is left as it was".
  const std::string& abandoned_state() const { return abandoned_state_; }

  // Ends the write: kept (a new file takes its name), or abandoned (every file as it was). False,
  // with a GDAL error, when the kept write could not be completed, which abandons it. `size`: the
  // bytes written, which a compressed file is read back to find whole.
  bool Finish(bool keep, std::uint64_t size = 0);

 private:
  WriteTarget() = default;
  // False when closing failed, said in a GDAL error if `report`.
  bool CloseOwnFile(bool report);
  // A compressed stream's writer may not say that the disk filled: it is read back.
  bool ReadsBackWhole(std::uint64_t size);
  void Abandon();

  VSILFILE* file_ = nullptr;
  bool owns_file_ = false;
  std::string path_;          // the dataset's file
  std::string written_path_;  // where the records go: path_, or a file beside it
  std::string aside_;         // where GDAL's deletion moved the replaced file
  std::uint64_t start_ = 0;
  std::string abandoned_state_;
  bool finished_ = false;
};

// GDAL deletes a dataset before it creates one under the same name, through the driver that
// recognizes it. For a segment file this moves the file aside instead, so that a creation that is
// then refused can put it back; the deletion completes on the next call into the driver, or
// when the process ends. False, with a GDAL error, when the file cannot be deleted.
bool DeleteSegmentFile(const std::string& path);
// Where the deletion just before moved `path`, taken over by the creation of the same name.
std::optional<std::string> TakeMovedAside(const std::string& path);
// Completes the deletions no creation took over.
void CompleteDeletions();

// GDAL keeps the last compressed file it read open and finds it again by its name, so that a
// /vsigzip/ file that a write replaced would still be read through it: reading a file of another
// name lets it go, and GDAL's index of the replaced file, kept beside it, goes too. Called once
// every handle on the old file is closed; other names are left alone.
void ForgetReplacedCompressedFile(const std::string& path);

// The file a /vsigzip/ name is stored in, on which renames and deletions act; other names as
// they are.
std::string StoredFileName(const std::string& path);

}  // namespace coord2seg::gdal
