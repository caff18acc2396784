// The open path over arbitrary stored-file bytes on the in-memory volume.
// The open either fails or hands out exactly what zlib produces from the
// stream (the bytes themselves for a plain file); either way the close
// leaves the stored file as it was and no temporary file, handle or block
// behind.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "filter/morvane.h"
#include "lower/memory/memory_volume.h"

namespace {

// The content zlib's streaming inflate makes of a packed image, or none when
// the stream does not end within the header's length. Independent of the
// filter's own unpacking; grows with what it produces, not with what the
// header claims.
std::optional<std::vector<BYTE>> Inflated(const std::vector<BYTE>& image) {
    const DWORD stated = image[2] | image[3] << 8 | image[4] << 16 | static_cast<DWORD>(image[5]) << 24;
    std::vector<BYTE> content;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        abort();
    }
    stream.next_in = const_cast<BYTE*>(image.data() + 6);
    stream.avail_in = static_cast<uInt>(image.size() - 6);
    int result = Z_OK;
    while (result == Z_OK && content.size() <= stated) {
        BYTE chunk[16384];
        stream.next_out = chunk;
        stream.avail_out = sizeof(chunk);
        result = inflate(&stream, Z_NO_FLUSH);
        content.insert(content.end(), chunk, chunk + (sizeof(chunk) - stream.avail_out));
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END || content.size() > stated) {
        return std::nullopt;
    }
    return content;
}

std::vector<BYTE> ReadAll(HANDLE file) {
    std::vector<BYTE> content;
    BYTE chunk[4096];
    DWORD done = 0;
    while (MRV_ReadFile(reinterpret_cast<DWORD_PTR>(file), chunk, sizeof(chunk), &done, nullptr) && done > 0) {
        content.insert(content.end(), chunk, chunk + done);
    }
    return content;
}

// A broken property is a finding: say which, and stop.
void Require(bool condition, const char* property) {
    if (!condition) {
        fprintf(stderr, "property broken: %s\n", property);
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The close reads the settings: from a registry file that is not there,
    // so that every run sees the same defaults and no file is written.
    static const std::string missing =
        (std::filesystem::temp_directory_path() / "morvane-fuzz-no-registry" / "registry.reg").string();
    setenv("MORVANE_REGISTRY", missing.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<BYTE> stored(data, data + size);
    const bool packed = size >= 6 && data[0] == 0x24 && data[1] == 0xA1;
    const std::optional<std::vector<BYTE>> expected = packed ? Inflated(stored) : stored;

    MemoryVolume volume;
    volume.PutFile(WIDE("\\f"), stored);
    DWORD_PTR filter = MRV_HookVolume(reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(1)), volume.Hooks());
    Require(filter != 0, "the volume is hooked");
    HANDLE file = MRV_CreateFileW(filter, nullptr, WIDE("\\f"), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    // A plain file always opens; a packed one may fail on a damaged stream
    // or a length it will not allocate for.
    Require(file != INVALID_HANDLE_VALUE || packed, "a plain file opens");
    if (file != INVALID_HANDLE_VALUE) {
        Require(expected.has_value() && ReadAll(file) == *expected, "the handle reads what zlib produced");
        Require(MRV_CloseFile(reinterpret_cast<DWORD_PTR>(file)), "the close succeeds");
    }
    Require(volume.Content(WIDE("\\f")) == stored, "the stored file is unchanged");
    Require(volume.Files() == std::vector<WString>{WIDE("\\f")}, "no temporary file is left");
    Require(volume.OpenHandles() == 0, "no lower handle is left open");
    MRV_UnhookVolume(filter);
    return 0;
}
