// The packed-file format: the magic test, the output bound, and packing and
// unpacking whole streams.
#include <gtest/gtest.h>

#include <zlib.h>

#include <string>
#include <vector>

#include "filter/packed/packed_format.h"
#include "tests/support/sample_content.h"

namespace {

std::vector<BYTE> Pack(const std::vector<BYTE>& content, LONG level, int* zlibResult = nullptr) {
    std::vector<BYTE> stream(static_cast<size_t>(PackedStreamBound(static_cast<DWORD>(content.size()))));
    PackResult packed = PackStream(content.data(), static_cast<DWORD>(content.size()), level, stream.data(),
                                   static_cast<DWORD>(stream.size()));
    if (zlibResult != nullptr) {
        *zlibResult = packed.zlibResult;
    }
    stream.resize(packed.streamSize);
    return stream;
}

TEST(PackedMagic, IsExactlyTwoBytes2401) {
    struct Case {
        std::vector<BYTE> bytes;
        bool packed;
    } cases[] = {
        {{}, false},
        {{0x24}, false},
        {{0x24, 0xA1}, true},
        {{0x24, 0xA1, 0x00}, true},
        {{0xA1, 0x24}, false},
        {{0x24, 0xA0}, false},
        {{'$', 0xA1, 'x', 't'}, true},  // a plain text that begins so is taken for packed
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsPackedMagic(c.bytes.data(), static_cast<DWORD>(c.bytes.size())), c.packed)
            << "length " << c.bytes.size();
    }
}

TEST(PackedStreamBound, IsLengthPlusOnePercentPlus18) {
    struct Case {
        DWORD length;
        ULONGLONG bound;
    } cases[] = {
        {0, 18}, {1, 19}, {99, 117}, {100, 119}, {1000, 1028}, {0xFFFFFFFFu, 0xFFFFFFFFull + 42949672ull + 18},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PackedStreamBound(c.length), c.bound) << c.length;
    }
}

TEST(UnpackedLength, IsLittleEndian) {
    BYTE encoded[4];
    EncodeUnpackedLength(0x12345678u, encoded);
    EXPECT_EQ(encoded[0], 0x78);
    EXPECT_EQ(encoded[3], 0x12);
    EXPECT_EQ(DecodeUnpackedLength(encoded), 0x12345678u);
}

TEST(PackStream, EveryAcceptedLevelRoundTrips) {
    const std::vector<BYTE> text = SampleText(20000);
    for (LONG level : {-1, 0, 1, 6, 9}) {
        int result = -100;
        std::vector<BYTE> stream = Pack(text, level, &result);
        ASSERT_EQ(result, Z_OK) << level;
        std::vector<BYTE> back(text.size());
        UnpackResult unpacked =
            UnpackStream(stream.data(), static_cast<DWORD>(stream.size()), back.data(), static_cast<DWORD>(back.size()));
        EXPECT_EQ(unpacked.status, UnpackStatus::kOk) << level;
        EXPECT_EQ(unpacked.produced, text.size()) << level;
        EXPECT_EQ(back, text) << level;
    }
}

TEST(PackStream, LevelsGiveDifferentStreamsThatOneUnpackReads) {
    const std::vector<BYTE> text = SampleText(20000);
    std::vector<BYTE> fast = Pack(text, 1);
    std::vector<BYTE> best = Pack(text, 9);
    EXPECT_NE(fast, best);
    EXPECT_LE(best.size(), fast.size());
    std::vector<BYTE> stored = Pack(text, 0);
    EXPECT_GT(stored.size(), text.size());  // stored blocks: no compression
}

TEST(PackStream, RejectedLevelFails) {
    for (LONG level : {-2, 10, 12, 0x7FFFFFFF}) {
        int result = Z_OK;
        Pack(SampleText(100), level, &result);
        EXPECT_NE(result, Z_OK) << level;
    }
}

TEST(PackStream, EmptyContentGivesTheEightByteStream) {
    std::vector<BYTE> stream = Pack({}, 9);
    EXPECT_EQ(stream.size(), 8u);  // with the 6-byte header: a 14-byte packed file
    BYTE none = 0;
    UnpackResult unpacked = UnpackStream(stream.data(), static_cast<DWORD>(stream.size()), &none, 0);
    EXPECT_EQ(unpacked.status, UnpackStatus::kOk);
    EXPECT_EQ(unpacked.produced, 0u);
}

TEST(PackStream, IncompressibleContentIsPackedAllTheSame) {
    const std::vector<BYTE> noise = SampleNoise(4096);
    int result = -100;
    std::vector<BYTE> stream = Pack(noise, 9, &result);
    EXPECT_EQ(result, Z_OK);
    EXPECT_GT(stream.size(), noise.size());
    EXPECT_LE(stream.size(), PackedStreamBound(4096));
}

TEST(UnpackStream, FaultsAreReportedAndProduceNothingUsable) {
    const std::vector<BYTE> text = SampleText(5000);
    const std::vector<BYTE> stream = Pack(text, 6);

    std::vector<BYTE> damaged = stream;
    damaged[damaged.size() / 2] ^= 0xFF;
    std::vector<BYTE> cut(stream.begin(), stream.begin() + static_cast<long>(stream.size() / 2));

    struct Case {
        const char* what;
        std::vector<BYTE> stream;
        DWORD stated;
        UnpackStatus status;
        DWORD produced;
    } cases[] = {
        {"damaged", damaged, 5000, UnpackStatus::kCorrupt, 0},
        {"cut short", cut, 5000, UnpackStatus::kCorrupt, 0},
        {"more than stated", stream, 4999, UnpackStatus::kCorrupt, 0},
        {"less than stated", stream, 6000, UnpackStatus::kOk, 5000},
        {"not zlib at all", std::vector<BYTE>(64, 0x55), 100, UnpackStatus::kCorrupt, 0},
        {"empty", {}, 100, UnpackStatus::kCorrupt, 0},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> out(c.stated + 1);
        UnpackResult unpacked = UnpackStream(c.stream.data(), static_cast<DWORD>(c.stream.size()), out.data(), c.stated);
        EXPECT_EQ(unpacked.status, c.status) << c.what;
        EXPECT_EQ(unpacked.produced, c.produced) << c.what;
    }
}

}  // namespace
