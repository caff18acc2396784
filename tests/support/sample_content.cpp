#include "tests/support/sample_content.h"

#include <cstring>

namespace {
// xorshift32: reproducible in both builds, unlike std::rand.
unsigned Next(unsigned* state) {
    unsigned x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    *state = x;
    return x;
}
}  // namespace

std::vector<BYTE> SampleText(size_t size) {
    static const char* const kWords[] = {"the", "volume", "filter", "packs", "every", "file", "when", "it",
                                         "closes", "and", "unpacks", "on", "open", "a", "working", "copy",
                                         "storage", "card", "device", "level", "zlib", "stream", "header"};
    std::vector<BYTE> text;
    text.reserve(size + 16);
    unsigned state = 2463534242u;
    while (text.size() < size) {
        const char* word = kWords[Next(&state) % (sizeof(kWords) / sizeof(kWords[0]))];
        text.insert(text.end(), word, word + std::strlen(word));
        text.push_back(Next(&state) % 11 == 0 ? '\n' : ' ');
    }
    text.resize(size);
    return text;
}

std::vector<BYTE> SampleNoise(size_t size, unsigned seed) {
    std::vector<BYTE> noise(size);
    unsigned state = 0x9E3779B9u ^ seed;
    for (BYTE& byte : noise) {
        byte = static_cast<BYTE>(Next(&state) >> 24);
    }
    return noise;
}

std::vector<BYTE> SampleBinary(size_t size) {
    std::vector<BYTE> binary(size);
    unsigned state = 88675123u;
    for (size_t i = 0; i < size; ++i) {
        // 16-byte records: a fixed opcode pattern, a counter, a few random bytes.
        size_t field = i % 16;
        binary[i] = field < 6 ? static_cast<BYTE>(0x48 + field) : field < 10 ? static_cast<BYTE>(i >> (8 * (field - 6)))
                                                                           : static_cast<BYTE>(Next(&state) & 0x0F);
    }
    return binary;
}
