// Load on one volume: eight threads, each running open-write-close cycles on
// four shared packed files and on files of its own, which it also renames and
// deletes. Every content written names its writer and its length, so that
// afterwards each shared file must hold one write whole, and each private
// file exactly its thread's last write. MORVANE_LOAD_CYCLES sets the cycles
// per thread (default 1 000; the campaign runs 10 000).
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <thread>

#include "tests/filter/filter_fixture.h"
#include "tests/support/settings_seed.h"

namespace {

constexpr int kThreads = 8;
constexpr int kSharedFiles = 4;
constexpr int kPrivateFiles = 6;

// "writer T cycle I length N\n" and then bytes that follow from it.
std::vector<BYTE> ContentOf(int thread, int cycle) {
    const size_t length = 64 + static_cast<size_t>((thread * 7919 + cycle * 104729) % 6000);
    std::string text = "writer " + std::to_string(thread) + " cycle " + std::to_string(cycle) + " length " +
                       std::to_string(length) + "\n";
    unsigned state = static_cast<unsigned>(thread * 1000003 + cycle) | 1u;
    while (text.size() < length) {
        state = state * 1103515245u + 12345u;
        text.push_back(static_cast<char>('a' + (state >> 16) % 8));
    }
    return std::vector<BYTE>(text.begin(), text.end());
}

// The content is some writer's whole write.
bool IsWholeWrite(const std::vector<BYTE>& content) {
    int thread = 0;
    int cycle = 0;
    size_t length = 0;
    const std::string text(content.begin(), content.end());
    if (sscanf(text.c_str(), "writer %d cycle %d length %zu", &thread, &cycle, &length) != 3) {
        return false;
    }
    return content == ContentOf(thread, cycle);
}

WString Shared(int index) { return W(("\\shared" + std::to_string(index)).c_str()); }
WString Private(int thread, int index) {
    return W(("\\t" + std::to_string(thread) + "\\f" + std::to_string(index)).c_str());
}

class LoadTest : public FilterTest {
protected:
    bool Cycle(const WString& name, const std::vector<BYTE>& content) {
        HANDLE file = Open(name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
        if (file == INVALID_HANDLE_VALUE) {
            return false;  // another thread holds it: share mode 0
        }
        DWORD done = 0;
        bool written = MRV_SetEndOfFile(Word(file)) &&
                       MRV_WriteFile(Word(file), content.data(), static_cast<DWORD>(content.size()), &done, nullptr) &&
                       done == content.size();
        return MRV_CloseFile(Word(file)) && written;
    }

    // One thread's work; returns what its private files must hold.
    std::map<WString, std::vector<BYTE>> Work(int thread, int cycles, int* failures) {
        std::map<WString, std::vector<BYTE>> own;
        for (int cycle = 0; cycle < cycles; ++cycle) {
            const std::vector<BYTE> content = ContentOf(thread, cycle);
            if (cycle % 2 == 0) {
                Cycle(Shared((thread + cycle / 2) % kSharedFiles), content);
                continue;
            }
            const WString name = Private(thread, cycle / 2 % kPrivateFiles);
            switch (cycle / 2 % 5) {
            case 3: {
                // A rename onto another private name, which must be free.
                const WString to = Private(thread, kPrivateFiles + cycle / 2 % kPrivateFiles);
                if (own.count(name) != 0 && own.count(to) == 0 && MRV_MoveFileW(filter_, name.c_str(), to.c_str())) {
                    own[to] = own[name];
                    own.erase(name);
                }
                break;
            }
            case 4:
                if (own.count(name) != 0 && MRV_DeleteFileW(filter_, name.c_str())) {
                    own.erase(name);
                }
                break;
            default:
                if (Cycle(name, content)) {
                    own[name] = content;
                } else {
                    ++*failures;  // nobody else opens this file
                }
            }
        }
        return own;
    }
};

TEST_F(LoadTest, EightThreadsOnSharedAndPrivateFiles) {
    const char* configured = getenv("MORVANE_LOAD_CYCLES");
    const int cycles = configured != nullptr ? atoi(configured) : 1000;
    SeedSettings(1, 6);
    for (int i = 0; i < kSharedFiles; ++i) {
        lower_.PutFile(Shared(i), PackedImage(ContentOf(99, i)));
    }
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_TRUE(MRV_CreateDirectoryW(filter_, W(("\\t" + std::to_string(t)).c_str()).c_str(), nullptr));
    }
    std::vector<std::map<WString, std::vector<BYTE>>> expected(kThreads);
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] { expected[t] = Work(t, cycles, &failures[t]); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int i = 0; i < kSharedFiles; ++i) {
        EXPECT_TRUE(StoredPacked(Shared(i)));
        EXPECT_TRUE(IsWholeWrite(StoredContent(Shared(i)))) << ToUtf8(Shared(i)) << " is torn";
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0) << "thread " << t << ": cycles on its own files failed";
        const WString directory = W(("\\t" + std::to_string(t)).c_str());
        std::map<WString, std::vector<BYTE>> found;
        for (const WString& name : lower_.Files(directory)) {
            found[name] = StoredContent(name);
        }
        EXPECT_EQ(found, expected[t]) << "thread " << t << "'s files";
    }
    EXPECT_TRUE(TemporaryFiles().empty());
    EXPECT_EQ(lower_.OpenHandles(), 0u);
    std::cout << kThreads << " threads x " << cycles << " cycles\n";
}

}  // namespace
