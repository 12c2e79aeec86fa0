// segdump --check's lines: a file's counts, or where it is damaged.
// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <string>

#include "segment_file/segment_reader.h"

namespace coord2seg {

// segdump --check's line for a whole file: "NAME: N segments, M points", the nouns singular for 1.
std::string DescribeCheck(const std::string& name, const SegmentFileCheck& check);

// What is wrong with a segment file that CheckSegmentFile found damaged, after its `name`: the
// place of the damage, or that the bytes look like coordinate text to convert instead.
std::string DescribeDamage(const std::string& name, std::span<const unsigned char> bytes,
                           const SegmentFileDamage& damage);

}  // namespace coord2seg
