// The byte block on Windows: committed virtual memory.
// SPDX-License-Identifier: MIT
#include "common/byte_block.h"

#include <windows.h>

#include <new>

namespace coord2seg {

// Committed at once, so running out of memory shows here rather than on first touch.
ByteBlock::ByteBlock(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {
  void* block = ::VirtualAlloc(nullptr, capacity_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (block == nullptr) throw std::bad_alloc();
  data_ = static_cast<char*>(block);
}

// Windows brings pages in at the first write, with no call to ask for them sooner.
void ByteBlock::MapPages(std::size_t, std::size_t) {}

void ByteBlock::Release() {
  if (data_ != nullptr) ::VirtualFree(data_, 0, MEM_RELEASE);
  data_ = nullptr;
}

}  // namespace coord2seg
