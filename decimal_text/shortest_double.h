// Doubles printed as the shortest text that reads back: the header the other layers include for it.
// SPDX-License-Identifier: MIT
#pragma once

#include <charconv>

namespace coord2seg {

// The shortest text that reads back as `value`, in fixed or scientific notation, whichever is
// shorter (fixed when equal): what std::to_chars(first, last, value) writes. Where the standard
// library has no floating-point <charconv> (libc++ 13), by a search of its own (double_text.cpp).
std::to_chars_result WriteShortestDouble(char* first, char* last, double value);

// The C library version, built everywhere so that tests can compare it with <charconv>.
std::to_chars_result WriteShortestDoubleByPrintf(char* first, char* last, double value);

}  // namespace coord2seg
