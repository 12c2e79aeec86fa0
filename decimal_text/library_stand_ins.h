// Stand-ins for what the web toolchain's standard library (libc++ 13) lacks, each taking the
// library's own version where it has it.
// SPDX-License-Identifier: MIT
#pragma once

// They can go when the web build's libc++ has the real thing: BitCast with libc++ 14
// (std::bit_cast); MakeUninitializedArray, and the C library reading and printing of doubles
// behind double_text.h and shortest_double.h (floating-point <charconv>), need 16 or later.

#include <cstddef>
#include <memory>
#include <type_traits>

namespace coord2seg {

// The object representation of `from` read as a `To`: std::bit_cast, which not every standard
// library this code is built with has (libc++ 13 lacks it); the compilers' builtin does the same.
template <typename To, typename From>
constexpr To BitCast(const From& from) {
  static_assert(sizeof(To) == sizeof(From));
  static_assert(std::is_trivially_copyable_v<To> && std::is_trivially_copyable_v<From>);
  return __builtin_bit_cast(To, from);
}

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
