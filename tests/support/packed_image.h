// Packed-file images built in memory, for tests and benchmarks that place
// them on a lower volume or on disk directly.
#pragma once

#include <vector>

#include "platform/types.h"

// The packed image of `content`, as the close path writes it.
std::vector<BYTE> PackedImage(const std::vector<BYTE>& content, LONG level = 9);
