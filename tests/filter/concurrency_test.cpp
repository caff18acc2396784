// Threads opening, writing and closing the same packed file and files of
// their own through one volume: every stored file afterwards unpacks whole
// to the complete content of one handle.
#include <set>
#include <string>
#include <thread>

#include "tests/filter/filter_fixture.h"

namespace {

using ConcurrencyTest = FilterTest;

std::vector<BYTE> ContentOf(int thread, int round) {
    std::string text;
    for (int i = 0; i < 200 + thread * 37 + round; ++i) {
        text += "thread " + std::to_string(thread) + " round " + std::to_string(round) + "\n";
    }
    return std::vector<BYTE>(text.begin(), text.end());
}

TEST_F(ConcurrencyTest, SharedAndPrivateFilesStayWhole) {
    constexpr int kThreads = 6;
    constexpr int kRounds = 60;
    lower_.PutFile(W("\\shared"), PackedImage(ContentOf(99, 0)));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            const WString own = W("\\own") + W(std::to_string(t).c_str());
            for (int round = 0; round < kRounds; ++round) {
                const WString& name = round % 2 == 0 ? W("\\shared") : own;
                const std::vector<BYTE> content = ContentOf(t, round);
                HANDLE file = Open(name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
                if (file == INVALID_HANDLE_VALUE) {
                    continue;  // another thread holds the file: share mode 0
                }
                DWORD done = 0;
                MRV_SetEndOfFile(Word(file));
                MRV_WriteFile(Word(file), content.data(), static_cast<DWORD>(content.size()), &done, nullptr);
                MRV_CloseFile(Word(file));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::set<std::vector<BYTE>> written = {ContentOf(99, 0)};
    for (int t = 0; t < kThreads; ++t) {
        for (int round = 0; round < kRounds; ++round) {
            written.insert(ContentOf(t, round));
        }
    }
    for (const WString& name : lower_.Files()) {
        EXPECT_TRUE(StoredPacked(name)) << ToUtf8(name);
        EXPECT_EQ(written.count(StoredContent(name)), 1u) << ToUtf8(name);
    }
    EXPECT_TRUE(TemporaryFiles().empty());
    EXPECT_EQ(lower_.OpenHandles(), 0u);
}

}  // namespace
