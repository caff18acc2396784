// The packed-file format: a file the filter has compressed.
//
//   offset 0, 2 bytes   magic 0x24 0xA1
//   offset 2, 4 bytes   unpacked length, unsigned 32-bit little-endian
//   offset 6, the rest  one zlib stream (RFC 1950) of the whole content
//
// Nothing follows the stream: its length is the file size minus 6. There is
// no version, no flags and no record of the level. A file that does not
// begin with the magic is plain.
#pragma once

#include "platform/heap_buffer.h"
#include "platform/types.h"

constexpr BYTE kPackedMagic[2] = {0x24, 0xA1};
constexpr DWORD kPackedHeaderSize = 6;

// True exactly when at least two bytes were read and they are the magic.
bool IsPackedMagic(const BYTE* firstBytes, DWORD count);

// The output room reserved for packing a content of `length` bytes:
// length + length / 100 + 18, more than compress2 can need. Computed in 64
// bits; callers refuse a bound beyond 32 bits.
ULONGLONG PackedStreamBound(DWORD length);

// The header's unpacked-length field, little-endian.
void EncodeUnpackedLength(DWORD length, BYTE out[4]);
DWORD DecodeUnpackedLength(const BYTE in[4]);

struct PackResult {
    int zlibResult;    // Z_OK (0) on success
    DWORD streamSize;  // the stream's length on success
};

// Packs `content` with compress2 at `level` (passed unchanged) into `stream`,
// which must hold PackedStreamBound(length) bytes. A level zlib rejects, or
// no memory inside zlib, gives a nonzero zlibResult.
PackResult PackStream(const BYTE* content, DWORD length, LONG level, BYTE* stream, DWORD streamRoom);

enum class UnpackStatus {
    kOk,       // the stream ended within the stated length
    kCorrupt,  // uncompress rejected the stream, or it holds more than stated
    kNoMemory, // zlib ran out of memory
};

struct UnpackResult {
    UnpackStatus status;
    DWORD produced;  // bytes written to `content`; only these may be used
};

// Unpacks a whole stream with uncompress into `content`, which holds
// `unpackedLength` bytes (the header's length). A stream that ends cleanly
// with fewer bytes than stated is kOk with the produced length.
UnpackResult UnpackStream(const BYTE* stream, DWORD streamSize, BYTE* content, DWORD unpackedLength);
