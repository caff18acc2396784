// A small plain file opened and closed through the filter, against the same
// open and close on the lower volume alone. The filter's open adds a probe
// (open, two-byte read, close) and its close reads the settings, so the
// floor is about three lower calls' worth beyond the lower's own two.
//
// The pair is measured over three lower layers: the in-memory volume (which
// logs, fault-checks and locks every call), a host directory (a real file
// system's calls), and a minimal table that does nothing but answer, where
// the figures are the filter's own costs.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench/cases.h"
#include "bench/paired_timing.h"
#include "filter/morvane.h"
#include "lower/hostdir/host_directory_volume.h"
#include "lower/memory/memory_volume.h"
#include "settings/settings_store.h"
#include "tests/support/sample_content.h"
#include "tests/support/settings_seed.h"

namespace {

constexpr int kBatch = 64;
const WCHAR kSmall[] = WIDE("\\notes.txt");

// The lower table's words, as memory_volume.h numbers them.
constexpr int kVolumeWord = 1;
constexpr int Word(LowerEntry entry) { return static_cast<int>(entry); }

// A lower layer that opens any name, reads as a plain two-byte file and
// closes: the least a lower table can cost.
namespace minimal {
HANDLE CreateFileW(DWORD_PTR, HANDLE, const WCHAR*, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) {
    return reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(0x40));
}
BOOL ReadFile(DWORD_PTR, void* buffer, DWORD count, DWORD* done, void*) {
    DWORD put = count < 2 ? count : 2;
    for (DWORD i = 0; i < put; ++i) {
        static_cast<BYTE*>(buffer)[i] = 'n';
    }
    *done = put;
    return TRUE;
}
BOOL CloseFile(DWORD_PTR) { return TRUE; }
}  // namespace minimal

std::vector<DWORD_PTR> MinimalTable() {
    std::vector<DWORD_PTR> table(31, 0);
    table[kVolumeWord] = 0x1000;
    table[Word(LowerEntry::CreateFileW)] = reinterpret_cast<DWORD_PTR>(&minimal::CreateFileW);
    table[Word(LowerEntry::ReadFile)] = reinterpret_cast<DWORD_PTR>(&minimal::ReadFile);
    table[Word(LowerEntry::CloseFile)] = reinterpret_cast<DWORD_PTR>(&minimal::CloseFile);
    return table;
}

void OpenCloseOver(benchmark::State& state, const DWORD_PTR* hooks) {
    SeedSettings(1, 9);
    using CreateEntry = HANDLE (*)(DWORD_PTR, HANDLE, const WCHAR*, DWORD, DWORD, void*, DWORD, DWORD, HANDLE);
    using CloseEntry = BOOL (*)(DWORD_PTR);
    auto create = reinterpret_cast<CreateEntry>(hooks[Word(LowerEntry::CreateFileW)]);
    auto close = reinterpret_cast<CloseEntry>(hooks[Word(LowerEntry::CloseFile)]);
    DWORD_PTR filter = MRV_HookVolume(reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(0xD15C)), hooks);

    auto lowerAlone = [&] {
        HANDLE file = create(hooks[kVolumeWord], nullptr, kSmall, GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        close(reinterpret_cast<DWORD_PTR>(file));
    };
    auto throughFilter = [&] {
        HANDLE file = MRV_CreateFileW(filter, nullptr, kSmall, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        MRV_CloseFile(reinterpret_cast<DWORD_PTR>(file));
    };
    PairedTiming(state).Run(lowerAlone, throughFilter, nullptr, kBatch);
    MRV_UnhookVolume(filter);
}

void OpenCloseMemory(benchmark::State& state) {
    MemoryVolume volume;
    volume.PutFile(kSmall, SampleText(200));
    OpenCloseOver(state, volume.Hooks());
}

// A scratch directory, removed with what it holds.
class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "morvane-bench-XXXXXX").string();
        path_ = mkdtemp(&pattern[0]) ? pattern : std::string();
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void OpenCloseHostDirectory(benchmark::State& state) {
    ScratchDirectory root;
    std::vector<BYTE> text = SampleText(200);
    std::ofstream(root.path() + "/notes.txt", std::ios::binary)
        .write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size()));
    std::unique_ptr<HostDirectoryVolume> volume = HostDirectoryVolume::Open(root.path());
    if (!volume) {
        state.SkipWithError("no scratch directory to serve");
        return;
    }
    OpenCloseOver(state, volume->Hooks());
}

void OpenCloseMinimal(benchmark::State& state) {
    std::vector<DWORD_PTR> table = MinimalTable();
    OpenCloseOver(state, table.data());
}

// What every close pays before anything else.
void SettingsRead(benchmark::State& state) {
    SeedSettings(1, 9);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadSettingsForFilter());
    }
}

}  // namespace

void RegisterSmallFileBenchmarks() {
    benchmark::RegisterBenchmark("SmallOpenClose/memory", OpenCloseMemory)->UseManualTime()->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("SmallOpenClose/hostdir", OpenCloseHostDirectory)->UseManualTime()->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("SmallOpenClose/minimal", OpenCloseMinimal)->UseManualTime()->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("SettingsRead", SettingsRead)->Unit(benchmark::kMicrosecond);
}
