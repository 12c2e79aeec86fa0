// Decimal text to the nearest double, as std::from_chars does, on every standard library.
// SPDX-License-Identifier: MIT
#pragma once

#include <charconv>

namespace coord2seg {

// Doubles from text, as std::from_chars does, on every standard library this code is built with:
// where the library has no floating-point <charconv> (libc++ 13), by the C library's exact strtod.

// Reads a plain decimal ("12.5", "1e-3", no sign, no hex, no inf or nan) to the nearest double,
// correctly rounded for any number of digits. result_out_of_range for a value beyond the largest
// double and for a nonzero one that rounds to zero.
std::from_chars_result ReadDouble(const char* first, const char* last, double& value);

// The C library version, built everywhere so that tests can compare it with <charconv>.
std::from_chars_result ReadDoubleByStrtod(const char* first, const char* last, double& value);

}  // namespace coord2seg
