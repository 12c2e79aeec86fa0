// Whether this build runs under AddressSanitizer.
// SPDX-License-Identifier: MIT
#pragma once

// COORD2SEG_SANITIZED in a build under AddressSanitizer, whose code (the GDAL plugin among it) only
// loads into programs built the same way.
#if defined(__SANITIZE_ADDRESS__)
#define COORD2SEG_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define COORD2SEG_SANITIZED 1
#endif
#endif
