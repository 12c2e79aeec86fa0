// The output file on Windows.
// SPDX-License-Identifier: MIT
#include "segment_file/segment_file.h"

#include <utility>

#include "common/run_error.h"
#include "common/windows_file.h"

namespace coord2seg {

SegmentFile::SegmentFile(std::string path, const FileIdentity& input, RecordEncoder encode_record)
    : path_(std::move(path)), encode_record_(encode_record) {
  // Opened without truncating so the file can be checked against the input before it is emptied.
  fd_ = FileHandle(
      FromHandle(::CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
  if (!fd_.is_open()) {
    const int error = LastError();
    if (IsDirectory(path_)) throw RunError("cannot create '" + path_ + "': " + kIsADirectory);
    throw RunError(DescribeFileFailure("cannot create", path_, error));
  }
  const HANDLE file = ToHandle(fd_.get());
  // By volume and file index: another spelling of the name (COAST.BIN for coast.bin) or a hard
  // link leads to the same file. Devices have no identity and are never the input.
  FileIdentity identity;
  if (GetFileIdentity(file, identity) && identity == input) {
    throw RunError("cannot create '" + path_ + "': it is the input file itself");
  }
  is_regular_ = ::GetFileType(file) == FILE_TYPE_DISK;
  if (is_regular_ && !::SetEndOfFile(file)) {  // just opened, so at offset 0
    throw RunError(DescribeFileFailure("cannot create", path_, LastError()));
  }
}

void SegmentFile::AppendRecord(std::span<const unsigned char> record) {
  if (!WriteWhole(ToHandle(fd_.get()), record.data(), record.size())) {
    const int error = LastError();
    CutBackToLastRecord();
    throw RunError(DescribeFileFailure("cannot write", path_, error));
  }
  size_ += record.size();
}

void SegmentFile::CutBackToLastRecord() {
  // Best effort: the write failure is what gets reported either way.
  if (!is_regular_) return;
  const HANDLE file = ToHandle(fd_.get());
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size_);
  if (::SetFilePointerEx(file, end, nullptr, FILE_BEGIN)) ::SetEndOfFile(file);
}

void SegmentFile::Close() {
  if (!::CloseHandle(ToHandle(fd_.Release()))) {
    throw RunError(DescribeFileFailure("cannot close", path_, LastError()));
  }
}

}  // namespace coord2seg
