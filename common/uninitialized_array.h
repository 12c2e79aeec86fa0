// An array the caller fills before reading: make_unique_for_overwrite where the library has it.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <memory>

namespace coord2seg {

// An array of `count` elements that the caller fills before reading. std::make_unique_for_overwrite
// where the standard library has it; elsewhere (libc++ 13) zeroed, which costs one pass.
template <typename T>
std::unique_ptr<T[]> MakeUninitializedArray(std::size_t count) {
#if defined(__cpp_lib_smart_ptr_for_overwrite)
  return std::make_unique_for_overwrite<T[]>(count);
#else
  return std::make_unique<T[]>(count);
#endif
}

}  // namespace coord2seg
