// A block of memory for a whole input file, its pages mapped just before they are written.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <utility>

namespace coord2seg {

// A block of memory for a whole input file. Its pages are mapped part by part just before they
// are written (MapPages): a file of hundreds of megabytes read into ordinary fresh memory takes
// one page fault per 4 KiB, which costs about as much as the copy itself, and mapping the whole
// block at once would zero-fill it long before the copy comes, out of the cache. Where the system
// has large pages to spare, a large block is held in them, so that one fault maps many pages.
class ByteBlock {
 public:
  ByteBlock() = default;
  explicit ByteBlock(std::size_t capacity);  // throws std::bad_alloc when no memory is left
  ByteBlock(ByteBlock&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)) {}
  ByteBlock& operator=(ByteBlock&& other) noexcept {
    if (this != &other) {
      Release();
      data_ = std::exchange(other.data_, nullptr);
      capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
  }
  ByteBlock(const ByteBlock&) = delete;
  ByteBlock& operator=(const ByteBlock&) = delete;
  ~ByteBlock() { Release(); }

  // Has the pages of bytes [offset, offset + size) mapped now, zero-filled, in one call, ready to
  // be written. Only a request: where the system declines, pages come at the first write.
  void MapPages(std::size_t offset, std::size_t size);

  char* data() const { return data_; }
  std::size_t capacity() const { return capacity_; }

 private:
  void Release();  // the one step that differs between systems, with the constructor

  char* data_ = nullptr;
  std::size_t capacity_ = 0;
};

}  // namespace coord2seg
