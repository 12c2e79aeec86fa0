// The output buffer's flushing to its sink.
// SPDX-License-Identifier: MIT
#include "common/output_buffer.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>

#include "decimal_text/library_stand_ins.h"
#include "decimal_text/shortest_double.h"

namespace coord2seg {

OutputBuffer::OutputBuffer(Sink sink)
    : sink_(std::move(sink)), data_(MakeUninitializedArray<char>(kCapacity)) {}

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

void OutputBuffer::AppendNumber(double value) {
  MakeRoom(kLongestNumber);
  char* begin = data_.get() + size_;
  size_ += static_cast<std::size_t>(WriteShortestDouble(begin, begin + kLongestNumber, value).ptr -
                                    begin);
}

void OutputBuffer::AppendInteger(std::uint64_t value) { AppendConverted(value); }

void OutputBuffer::AppendSignedInteger(std::int64_t value) { AppendConverted(value); }

void OutputBuffer::Flush() {
  if (size_ == 0) return;
  // Emptied first, so a sink that throws leaves no stale text behind.
  const std::size_t size = std::exchange(size_, 0);
  sink_({data_.get(), size});
}

}  // namespace coord2seg
