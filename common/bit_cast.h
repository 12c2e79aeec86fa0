// std::bit_cast, or the compiler's builtin where the standard library lacks it.
// SPDX-License-Identifier: MIT
#pragma once

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

}  // namespace coord2seg
