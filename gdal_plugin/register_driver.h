// The plugin's entry point: registers the SegmentFile vector driver.
// SPDX-License-Identifier: MIT
#pragma once

// Only the entry point leaves the module; everything else is built hidden.
#define COORD2SEG_GDAL_EXPORT __attribute__((visibility("default")))

// Adds the SegmentFile vector driver to GDAL's driver manager, once.
extern "C" COORD2SEG_GDAL_EXPORT void RegisterOGRSegmentFile();
