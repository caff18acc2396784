// Every heap allocation of the open and the close made to fail in turn:
// the open fails cleanly or the close falls back, and nothing is lost.
#include "platform/heap_faults.h"
#include "tests/filter/filter_fixture.h"
#include "tests/support/sample_content.h"

namespace {

using HeapFaultTest = FilterTest;

TEST_F(HeapFaultTest, EveryAllocationOfACycleFailedInTurn) {
    const std::vector<BYTE> oldContent = SampleText(3000);
    const std::vector<BYTE> newContent = SampleText(7000);
    for (bool packedBefore : {false, true}) {
        for (bool persistent : {false, true}) {
            unsigned long countdown = 1;
            for (;; ++countdown) {
                SCOPED_TRACE(countdown);
                lower_.PutFile(W("\\f"), packedBefore ? PackedImage(oldContent) : oldContent);
                ArmHeapFault(countdown, persistent);
                HANDLE file = Open(W("\\f"), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
                if (file == INVALID_HANDLE_VALUE) {
                    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
                } else {
                    DWORD done = 0;
                    MRV_WriteFile(Word(file), newContent.data(), static_cast<DWORD>(newContent.size()), &done, nullptr);
                    Close(file);
                }
                unsigned long injected = HeapFaultsInjected();
                DisarmHeapFault();
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

}  // namespace
