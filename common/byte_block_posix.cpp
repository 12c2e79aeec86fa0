#include "common/byte_block.h"

#include <sys/mman.h>

#include <new>

namespace coord2seg {

namespace {

#ifdef MAP_POPULATE
constexpr int kPopulate = MAP_POPULATE;
#else
constexpr int kPopulate = 0;
#endif

}  // namespace

ByteBlock::ByteBlock(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {
  void* block = ::mmap(nullptr, capacity_, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | kPopulate, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
  data_ = static_cast<char*>(block);
}

void ByteBlock::Release() {
  if (data_ != nullptr) ::munmap(data_, capacity_);
  data_ = nullptr;
}

}  // namespace coord2seg
