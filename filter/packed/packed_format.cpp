#include "filter/packed/packed_format.h"

#include <zlib.h>

// zlib's uLong is 32 bits under mingw-w64 and 64 bits on Linux; lengths cross
// into it only here, where they are at most 32 bits.

bool IsPackedMagic(const BYTE* firstBytes, DWORD count) {
    return count >= 2 && firstBytes[0] == kPackedMagic[0] && firstBytes[1] == kPackedMagic[1];
}

ULONGLONG PackedStreamBound(DWORD length) { return ULONGLONG{length} + length / 100 + 18; }

void EncodeUnpackedLength(DWORD length, BYTE out[4]) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<BYTE>(length >> (8 * i));
    }
}

DWORD DecodeUnpackedLength(const BYTE in[4]) {
    return DWORD{in[0]} | DWORD{in[1]} << 8 | DWORD{in[2]} << 16 | DWORD{in[3]} << 24;
}

PackResult PackStream(const BYTE* content, DWORD length, LONG level, BYTE* stream, DWORD streamRoom) {
    uLongf size = streamRoom;
    int result = compress2(stream, &size, content, length, level);
    return PackResult{result, result == Z_OK ? static_cast<DWORD>(size) : 0};
}

UnpackResult UnpackStream(const BYTE* stream, DWORD streamSize, BYTE* content, DWORD unpackedLength) {
    uLongf produced = unpackedLength;
    int result = uncompress(content, &produced, stream, streamSize);
    switch (result) {
    case Z_OK:
        return UnpackResult{UnpackStatus::kOk, static_cast<DWORD>(produced)};
    case Z_MEM_ERROR:
        return UnpackResult{UnpackStatus::kNoMemory, 0};
    default:
        // Z_BUF_ERROR: more content than stated, or a stream cut short;
        // Z_DATA_ERROR: a damaged stream.
        return UnpackResult{UnpackStatus::kCorrupt, 0};
    }
}
