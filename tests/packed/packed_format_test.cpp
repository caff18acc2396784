#include <gtest/gtest.h>

#include "filter/packed/packed_format.h"

TEST(PackedFormat, MagicNeedsTwoBytes) {
    const BYTE magic[2] = {0x24, 0xA1};
    EXPECT_TRUE(IsPackedMagic(magic, 2));
    EXPECT_FALSE(IsPackedMagic(magic, 1));
}
