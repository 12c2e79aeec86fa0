// Cuts a text into lines that end at LF, CR or CR LF.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace coord2seg {

// Cuts a text into lines that end at LF, at CR or at CR LF; a last line without an end mark is
// still a line. Every other byte, NUL included, belongs to its line.
class LineSplitter {
 public:
  explicit LineSplitter(std::string_view text) : text_(text) { FindNextLf(); }

  // Where the next line starts; the end of the text after the last line.
  const char* cursor() const { return text_.data() + position_; }
  // Continues at `next_line`, the start of a later line that the caller has read itself.
  void SkipTo(const char* next_line) {
    position_ = static_cast<std::size_t>(next_line - text_.data());
  }

  // Sets `line` to the next line and returns true, or returns false after the last line.
  bool Next(std::string_view& line) {
    const std::size_t size = text_.size();
    if (position_ >= size) return false;
    const char* data = text_.data();
    // The next LF is remembered: in a file that ends its lines with CR alone, searching for LF
    // from every line start would scan the rest of the file each time.
    if (next_lf_ < position_) FindNextLf();
    std::size_t end = next_lf_;
    std::size_t resume = end < size ? end + 1 : size;
    if (const void* cr = std::memchr(data + position_, '\r', end - position_)) {
      end = static_cast<std::size_t>(static_cast<const char*>(cr) - data);
      resume = (end + 1 < size && data[end + 1] == '\n') ? end + 2 : end + 1;
    }
    line = text_.substr(position_, end - position_);
    position_ = resume;
    return true;
  }

 private:
  void FindNextLf() {
    const std::size_t size = text_.size();
    if (position_ >= size) {  // memchr must not see the null data of an empty text
      next_lf_ = size;
      return;
    }
    const void* lf = std::memchr(text_.data() + position_, '\n', size - position_);
    next_lf_ = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - text_.data()) : size;
  }

  std::string_view text_;
  std::size_t position_ = 0;
  std::size_t next_lf_ = 0;
};

}  // namespace coord2seg
