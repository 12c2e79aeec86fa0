// The byte block on POSIX systems: aligned anonymous mappings.
// SPDX-License-Identifier: MIT
#include "common/byte_block.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <new>
#include <string>

#include "common/buddyinfo_free_blocks.h"

namespace coord2seg {

namespace {

std::size_t PageBytes() { return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)); }

char* RoundUp(char* address, std::size_t step) {
  const auto bits = reinterpret_cast<std::uintptr_t>(address);
  return reinterpret_cast<char*>((bits + step - 1) & ~(step - 1));
}

std::size_t RoundUp(std::size_t value, std::size_t step) {
  return (value + step - 1) & ~(step - 1);
}

char* MapAnonymous(std::size_t bytes) {
  void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
  return static_cast<char*>(block);
}

// Maps `bytes` from an address that is a multiple of `alignment`: maps more and gives back the
// ends.
char* MapAligned(std::size_t bytes, std::size_t alignment) {
  const std::size_t length = RoundUp(bytes, PageBytes());
  const std::size_t wide_length = length + alignment - PageBytes();
  char* const wide = MapAnonymous(wide_length);
  char* const start = RoundUp(wide, alignment);
  if (start != wide) ::munmap(wide, static_cast<std::size_t>(start - wide));
  char* const end = start + length;
  if (end != wide + wide_length) ::munmap(end, static_cast<std::size_t>(wide + wide_length - end));
  return start;
}

// A small file of the kernel's, whole; empty when it cannot be read.
std::string ReadKernelFile(const char* path) {
  std::string text;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char part[4096];
  for (ssize_t got; (got = ::read(fd, part, sizeof part)) > 0;)
    text.append(part, static_cast<std::size_t>(got));
  ::close(fd);
  return text;
}

// The size of the kernel's transparent large pages, or 0 where it has none.
std::size_t LargePageBytes() {
  const std::string text = ReadKernelFile("/sys/kernel/mm/transparent_hugepage/hpage_pmd_size");
  std::size_t bytes = 0;
  std::from_chars(text.data(), text.data() + text.size(), bytes);
  return std::has_single_bit(bytes) && bytes > PageBytes() ? bytes : 0;
}

// Large pages are asked for only while the kernel has free large blocks to spare, twice what the
// block needs: where it has too few it would compact memory first, and in a fragmented memory
// that took longer than all the small-page faults it saves.
bool HasLargeBlocksToSpare(std::size_t bytes, std::size_t large_page) {
  const auto order = static_cast<unsigned>(std::countr_zero(large_page / PageBytes()));
  const std::size_t free = CountFreeLargeBlocks(ReadKernelFile("/proc/buddyinfo"), order);
  return free >= 2 * (bytes / large_page);
}

}  // namespace

// A block of several large pages is held in them where the kernel can spare them: one fault maps
// 2 MiB instead of 4 KiB, and in a virtual machine whose host shadows every page table entry, the
// first touch of each small page costs as much as a write system call. Only whole large pages
// inside the block are asked for, so the memory taken is the same.
ByteBlock::ByteBlock(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {
#ifdef MADV_HUGEPAGE  // Linux
  const std::size_t large_page = LargePageBytes();
  if (large_page != 0 && capacity_ / 2 >= large_page &&
      HasLargeBlocksToSpare(capacity_, large_page)) {
    data_ = MapAligned(capacity_, large_page);
    static_cast<void>(::madvise(data_, capacity_ & ~(large_page - 1), MADV_HUGEPAGE));
    return;
  }
#endif
  data_ = MapAnonymous(capacity_);
}

void ByteBlock::MapPages(std::size_t offset, std::size_t size) {
#ifdef MADV_POPULATE_WRITE  // Linux 5.14 and later
  const auto page = PageBytes();
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
