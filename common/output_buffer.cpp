#include "common/output_buffer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string>
#include <utility>

#include "common/run_error.h"

namespace coord2seg {

OutputBuffer::OutputBuffer(Sink sink)
    : sink_(std::move(sink)), data_(std::make_unique_for_overwrite<char[]>(kCapacity)) {}

void OutputBuffer::Append(std::string_view text) {
  while (!text.empty()) {
    MakeRoom(1);
    const std::size_t piece = std::min(text.size(), kCapacity - size_);
    std::memcpy(data_.get() + size_, text.data(), piece);
    size_ += piece;
    text.remove_prefix(piece);
  }
}

void OutputBuffer::Append(char c) {
  MakeRoom(1);
  data_[size_++] = c;
}

void OutputBuffer::AppendNumber(double value) { AppendConverted(value); }

void OutputBuffer::AppendInteger(std::uint64_t value) { AppendConverted(value); }

void OutputBuffer::AppendSignedInteger(std::int64_t value) { AppendConverted(value); }

void OutputBuffer::Flush() {
  if (size_ == 0) return;
  // Emptied first, so a sink that throws leaves no stale text behind.
  const std::size_t size = std::exchange(size_, 0);
  sink_({data_.get(), size});
}

OutputBuffer::Sink FileDescriptorSink(int fd, std::string_view name) {
  return [fd, name = std::string(name)](std::string_view text) {
    while (!text.empty()) {
      const ssize_t written = ::write(fd, text.data(), text.size());
      if (written < 0) {
        if (errno == EINTR) continue;
        throw RunError("cannot write " + name + ": " + std::strerror(errno));
      }
      text.remove_prefix(static_cast<std::size_t>(written));
    }
  };
}

}  // namespace coord2seg
