#include "common/byte_block.h"

#include <sys/mman.h>

#include <new>
#include <utility>

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

ByteBlock::ByteBlock(ByteBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)) {}

ByteBlock& ByteBlock::operator=(ByteBlock&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

ByteBlock::~ByteBlock() { Release(); }

void ByteBlock::Release() {
  if (data_ != nullptr) ::munmap(data_, capacity_);
  data_ = nullptr;
}

}  // namespace coord2seg
