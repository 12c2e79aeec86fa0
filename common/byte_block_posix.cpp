#include "common/byte_block.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>

namespace coord2seg {

ByteBlock::ByteBlock(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {
  void* block =
      ::mmap(nullptr, capacity_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
  data_ = static_cast<char*>(block);
}

void ByteBlock::MapPages(std::size_t offset, std::size_t size) {
#ifdef MADV_POPULATE_WRITE  // Linux 5.14 and later
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto first = reinterpret_cast<std::uintptr_t>(data_ + offset) & ~(page - 1);
  const auto last = reinterpret_cast<std::uintptr_t>(data_ + offset + size);
  static_cast<void>(::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE));
#else
  static_cast<void>(offset);
  static_cast<void>(size);
#endif
}

void ByteBlock::Release() {
  if (data_ != nullptr) ::munmap(data_, capacity_);
  data_ = nullptr;
}

}  // namespace coord2seg
