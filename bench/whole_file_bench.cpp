// The whole-file paths against the codec's limit. Opening a packed file must
// unpack it and write the content once; closing a changed one must pack it
// and write the stream once. So the limit of open-and-read is uncompress plus
// one copy of the content, and that of write-and-close is compress2 plus one
// copy of the stream, both into buffers that already exist.
#include <zlib.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "bench/cases.h"
#include "bench/paired_timing.h"
#include "filter/morvane.h"
#include "filter/packed/packed_format.h"
#include "lower/memory/memory_volume.h"
#include "tests/support/packed_image.h"
#include "tests/support/sample_content.h"
#include "tests/support/settings_seed.h"

namespace {

struct ContentKind {
    const char* name;
    std::vector<BYTE> (*make)(size_t size);
};

std::vector<BYTE> Zeros(size_t size) { return std::vector<BYTE>(size, 0); }
std::vector<BYTE> Noise(size_t size) { return SampleNoise(size); }

const ContentKind kKinds[] = {
    {"text", SampleText}, {"binary", SampleBinary}, {"random", Noise}, {"zeros", Zeros}};
const int kLevels[] = {1, 6, 9};
const size_t kSizes[] = {64 << 10, 1 << 20, 16 << 20};

std::string SizeName(size_t size) {
    return size >= (1 << 20) ? std::to_string(size >> 20) + "MiB" : std::to_string(size >> 10) + "KiB";
}

// Enough pairs for a median, however slow the case.
int IterationsFor(size_t size) { return size >= (16 << 20) ? 3 : size >= (1 << 20) ? 10 : 50; }

// A 2 GiB volume: room for a 16 MiB file, its working copy and a new copy.
VolumeGeometry RoomyGeometry() { return VolumeGeometry{8, 512, 1u << 19}; }

const WCHAR kStored[] = WIDE("\\bench\\content.bin");

class HookedFilter {
public:
    explicit HookedFilter(const MemoryVolume& volume)
        : filter_(MRV_HookVolume(reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(0xD15C)), volume.Hooks())) {}
    ~HookedFilter() { MRV_UnhookVolume(filter_); }
    HookedFilter(const HookedFilter&) = delete;
    HookedFilter& operator=(const HookedFilter&) = delete;
    DWORD_PTR word() const { return filter_; }

private:
    DWORD_PTR filter_;
};

HANDLE OpenThrough(DWORD_PTR filter, DWORD access, DWORD creation) {
    return MRV_CreateFileW(filter, nullptr, kStored, access, 0, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void OpenRead(benchmark::State& state, const ContentKind& kind, size_t size, int level) {
    SeedSettings(1, static_cast<DWORD>(level));
    std::vector<BYTE> content = kind.make(size);
    std::vector<BYTE> image = PackedImage(content, level);
    MemoryVolume volume(RoomyGeometry());
    volume.PutFile(kStored, image);
    HookedFilter filter(volume);

    std::vector<BYTE> unpacked(size);
    std::vector<BYTE> copy(size);
    std::vector<BYTE> read(size);
    auto limit = [&] {
        uLongf produced = static_cast<uLongf>(size);
        uncompress(unpacked.data(), &produced, image.data() + kPackedHeaderSize,
                   static_cast<uLong>(image.size() - kPackedHeaderSize));
        std::memcpy(copy.data(), unpacked.data(), produced);
        benchmark::DoNotOptimize(copy.data());
    };
    auto throughFilter = [&] {
        HANDLE file = OpenThrough(filter.word(), GENERIC_READ, OPEN_EXISTING);
        DWORD done = 0;
        MRV_ReadFile(reinterpret_cast<DWORD_PTR>(file), read.data(), static_cast<DWORD>(size), &done, nullptr);
        MRV_CloseFile(reinterpret_cast<DWORD_PTR>(file));
        if (done != size) {
            state.SkipWithError("the filter read back a short content");
        }
    };
    PairedTiming(state).Run(limit, throughFilter);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void WriteClose(benchmark::State& state, const ContentKind& kind, size_t size, int level) {
    SeedSettings(1, static_cast<DWORD>(level));
    std::vector<BYTE> content = kind.make(size);
    MemoryVolume volume(RoomyGeometry());
    volume.PutDirectory(WIDE("\\bench"));
    HookedFilter filter(volume);

    std::vector<BYTE> stream(static_cast<size_t>(PackedStreamBound(static_cast<DWORD>(size))));
    std::vector<BYTE> copy(stream.size());
    auto limit = [&] {
        uLongf streamSize = static_cast<uLongf>(stream.size());
        compress2(stream.data(), &streamSize, content.data(), static_cast<uLong>(size), level);
        std::memcpy(copy.data(), stream.data(), streamSize);
        benchmark::DoNotOptimize(copy.data());
    };
    // A new file each time: writing over a packed one would unpack it first.
    auto removeStored = [&] { MRV_DeleteFileW(filter.word(), kStored); };
    auto throughFilter = [&] {
        HANDLE file = OpenThrough(filter.word(), GENERIC_WRITE, CREATE_ALWAYS);
        DWORD done = 0;
        MRV_WriteFile(reinterpret_cast<DWORD_PTR>(file), content.data(), static_cast<DWORD>(size), &done, nullptr);
        MRV_CloseFile(reinterpret_cast<DWORD_PTR>(file));
    };
    PairedTiming(state).Run(limit, throughFilter, removeStored);
    std::optional<std::vector<BYTE>> stored = volume.Content(kStored);
    if (!stored || !IsPackedMagic(stored->data(), static_cast<DWORD>(stored->size()))) {
        state.SkipWithError("the filter did not store the file packed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

}  // namespace

void RegisterWholeFileBenchmarks() {
    using Body = void (*)(benchmark::State&, const ContentKind&, size_t, int);
    const std::pair<const char*, Body> kPaths[] = {{"OpenRead", OpenRead}, {"WriteClose", WriteClose}};
    for (const auto& [pathName, body] : kPaths) {
        for (const ContentKind& kind : kKinds) {
            for (size_t size : kSizes) {
                for (int level : kLevels) {
                    std::string name = std::string(pathName) + "/" + kind.name + "/" + SizeName(size) + "/level:" +
                                       std::to_string(level);
                    benchmark::RegisterBenchmark(name.c_str(), body, kind, size, level)
                        ->UseManualTime()
                        ->Iterations(IterationsFor(size))
                        ->Unit(benchmark::kMillisecond);
                }
            }
        }
    }
}
