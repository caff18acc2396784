// The packed image of a content, as the close path writes it: magic,
// unpacked length, zlib stream.
#pragma once

#include <vector>

#include "platform/types.h"

std::vector<BYTE> PackedImage(const std::vector<BYTE>& content, LONG level = 9);
