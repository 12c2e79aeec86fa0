// Output text collected in a fixed block and handed to a sink in large pieces.
// SPDX-License-Identifier: MIT
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace coord2seg {

// Collects output text in a fixed block and hands it to the sink in large pieces, so writing
// millions of values costs one call per block instead of one per value.
class OutputBuffer {
 public:
  using Sink = std::function<void(std::string_view)>;

  explicit OutputBuffer(Sink sink);

  void Append(std::string_view text);
  void Append(char c);
  // The shortest text that reads back as the same double.
  void AppendNumber(double value);
  void AppendInteger(std::uint64_t value);
  void AppendSignedInteger(std::int64_t value);
  // Hands everything collected so far to the sink.
  void Flush();

 private:
  static constexpr std::size_t kCapacity = std::size_t{1} << 16;
  static constexpr std::size_t kLongestNumber = 32;  // a double or a uint64 as text fits

  void MakeRoom(std::size_t bytes) {
    if (kCapacity - size_ < bytes) Flush();
  }
  // The text std::to_chars gives for `value` (for a double, the shortest).
  template <typename Number>
  void AppendConverted(Number value) {
    MakeRoom(kLongestNumber);
    char* begin = data_.get() + size_;
    size_ +=
        static_cast<std::size_t>(std::to_chars(begin, begin + kLongestNumber, value).ptr - begin);
  }

  Sink sink_;
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
};

// A sink that writes to standard output as bytes; throws RunError when a write fails.
OutputBuffer::Sink StandardOutputSink();

}  // namespace coord2seg
