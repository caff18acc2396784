// Sizes and ratios as the command prints them.
#pragma once

#include <string>

#include "platform/types.h"

// "1536 (1.5 KiB)"; below 1 KiB the count alone.
std::string ByteCount(ULONGLONG bytes);

// stored / unpacked as a percentage, "37.5%"; "-" for an empty content.
std::string StoredRatio(ULONGLONG stored, ULONGLONG unpacked);
