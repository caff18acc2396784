// Every heap allocation of the open and the close made to fail in turn:
// the open fails cleanly or the close falls back, and nothing is lost.
#include <iostream>
#include <string>

#include "platform/heap_faults.h"
#include "tests/filter/filter_fixture.h"
#include "tests/support/sample_content.h"
#include "tests/support/settings_seed.h"

namespace {

using HeapFaultTest = FilterTest;

TEST_F(HeapFaultTest, EveryAllocationOfACycleFailedInTurn) {
    const std::vector<BYTE> oldContent = SampleText(3000);
    const std::vector<BYTE> newContent = SampleText(7000);
    struct Settings {
        DWORD enable;
        DWORD level;
    };
    unsigned long cycles = 0;
    // Compression on, off, and a level zlib rejects (packing fails).
    for (Settings settings : {Settings{1, 9}, Settings{0, 9}, Settings{1, 12}}) {
        SeedSettings(settings.enable, settings.level);
        for (bool packedBefore : {false, true}) {
            for (bool persistent : {false, true}) {
                unsigned long countdown = 1;
                for (;; ++countdown) {
                    SCOPED_TRACE("enable " + std::to_string(settings.enable) + ", level " +
                                 std::to_string(settings.level) + (packedBefore ? ", packed" : ", plain") +
                                 (persistent ? ", persistent" : ", once") + ", allocation " +
                                 std::to_string(countdown));
                    lower_.PutFile(W("\\f"), packedBefore ? PackedImage(oldContent) : oldContent);
                    ArmHeapFault(countdown, persistent);
                    HANDLE file = Open(W("\\f"), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
                    if (file == INVALID_HANDLE_VALUE) {
                        EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
                    } else {
                        DWORD done = 0;
                        MRV_WriteFile(Word(file), newContent.data(), static_cast<DWORD>(newContent.size()), &done,
                                      nullptr);
                        Close(file);
                    }
                    unsigned long injected = HeapFaultsInjected();
                    DisarmHeapFault();
                    ++cycles;
                    std::vector<BYTE> content = StoredContent(W("\\f"));
                    EXPECT_TRUE(content == oldContent || content == newContent);
                    EXPECT_TRUE(TemporaryFiles().empty());
                    EXPECT_EQ(lower_.OpenHandles(), 0u);
                    if (injected == 0) {
                        break;
                    }
                }
                EXPECT_GT(countdown, 2u);
            }
        }
    }
    std::cout << cycles << " cycles, each with an allocation failed from one point on or once\n";
}

}  // namespace
