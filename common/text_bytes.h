// The bytes that text does not hold, which mark a binary file.
// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <string_view>

namespace coord2seg {

// A byte that text does not hold: NUL and the controls other than TAB, LF, VT, FF and CR. The
// checking tools take such bytes as the mark of a binary file.
inline bool IsBinaryByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 32 && (byte < 9 || byte > 13);
}

inline bool HoldsBinaryByte(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(), IsBinaryByte);
}

}  // namespace coord2seg
