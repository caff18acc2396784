// Faults on demand, the crash mode, and calls from several threads.
#include <thread>

#include "tests/memory/memory_fixture.h"

namespace {

using FaultTest = MemoryVolumeTest;

TEST_F(FaultTest, CountdownsFailTheNthMatchingCallOnceOrFromThenOn) {
    struct Case {
        Fault fault;
        const char* outcomes;  // of five GetFileAttributesW calls: o succeeds, x fails
        unsigned long injected;
    } cases[] = {
        {Fault{1, false, {}, {}, ERROR_NOT_READY}, "xoooo", 1},
        {Fault{3, false, {LowerEntry::GetFileAttributesW}, {}, ERROR_NOT_READY}, "ooxoo", 1},
        {Fault{2, true, {LowerEntry::GetFileAttributesW}, {}, ERROR_NOT_READY}, "oxxxx", 4},
        {Fault{1, true, {LowerEntry::DeleteFileW, LowerEntry::MoveFileW}, {}, ERROR_NOT_READY}, "ooooo", 0},
        {Fault{0, true, {}, {}, ERROR_NOT_READY}, "ooooo", 0},  // never
    };
    volume_.PutFile(W("\\f"), Bytes("f"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outcomes);
        volume_.ClearFaults();
        volume_.Inject(c.fault);
        std::string outcomes;
        for (int i = 0; i < 5; ++i) {
            DWORD attributes = lower_.GetFileAttributesW(v_, WIDE("\\f"));
            outcomes += attributes == INVALID_FILE_ATTRIBUTES ? 'x' : 'o';
            if (attributes == INVALID_FILE_ATTRIBUTES) {
                EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
            }
        }
        EXPECT_EQ(outcomes, c.outcomes);
        EXPECT_EQ(volume_.Injected(), c.injected);
    }
    volume_.ClearFaults();
    EXPECT_EQ(volume_.Injected(), 0u);
}

TEST_F(FaultTest, ANamedFaultFailsOnlyCallsWithThatNameAmongTheirArguments) {
    volume_.PutFile(W("\\a"), Bytes("a"));
    volume_.PutFile(W("\\b.txt"), Bytes("b"));
    volume_.Inject(Fault{1, true, {}, W("\\B.TXT"), ERROR_ACCESS_DENIED});
    EXPECT_NE(lower_.GetFileAttributesW(v_, WIDE("\\a")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(lower_.GetFileAttributesW(v_, WIDE("\\b.txt")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(lower_.MoveFileW(v_, WIDE("\\a"), WIDE("\\b.Txt")));  // as the second name too
    EXPECT_EQ(Open(W("\\b.txt")), INVALID_HANDLE_VALUE);
    HANDLE a = Open(W("\\a"));
    EXPECT_NE(a, INVALID_HANDLE_VALUE);  // handle-level calls carry no name
    EXPECT_EQ(Read(a, 5), Bytes("a"));
    Close(a);
    EXPECT_EQ(volume_.Injected(), 3u);
}

TEST_F(FaultTest, FaultsCountTheirOwnCallsAndAFailedCallChangesNothing) {
    volume_.PutFile(W("\\f"), Bytes("old"));
    volume_.Inject(Fault{2, false, {LowerEntry::WriteFile}, {}, ERROR_DISK_FULL});
    volume_.Inject(Fault{1, false, {LowerEntry::CreateFileW}, {}, ERROR_GEN_FAILURE});
    EXPECT_EQ(Open(W("\\new"), GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_FALSE(volume_.Exists(W("\\new")));
    HANDLE file = Open(W("\\f"), GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD done = 5;
    EXPECT_TRUE(Write(file, Bytes("N"), &done));
    EXPECT_FALSE(Write(file, Bytes("EW"), &done));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(volume_.Content(W("\\f")), Bytes("Nld"));
    EXPECT_EQ(lower_.SetFilePointer(Word(file), 0, nullptr, FILE_CURRENT), 1u);
    EXPECT_EQ(volume_.Injected(), 2u);

    // A failed close still ends its handle.
    volume_.Inject(Fault{1, false, {LowerEntry::CloseFile}, {}, ERROR_GEN_FAILURE});
    EXPECT_FALSE(Close(file));
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_EQ(volume_.OpenHandles(), 0u);
    EXPECT_TRUE(lower_.DeleteFileW(v_, WIDE("\\f")));
}

// Copies \src to \dst the way the filter's close path replaces a file: every
// call a sweep can fail.
bool CopyCycle(const LowerHooks& lower, DWORD_PTR volume) {
    BYTE buffer[64];
    DWORD done = 0;
    HANDLE source = lower.CreateFileW(volume, nullptr, WIDE("\\src"), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool read = lower.ReadFile(reinterpret_cast<DWORD_PTR>(source), buffer, sizeof(buffer), &done, nullptr);
    FILETIME times[3] = {};
    lower.GetFileTime(reinterpret_cast<DWORD_PTR>(source), &times[0], &times[1], &times[2]);
    lower.CloseFile(reinterpret_cast<DWORD_PTR>(source));
    if (!read) {
        return false;
    }
    HANDLE copy = lower.CreateFileW(volume, nullptr, WIDE("\\copy"), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (copy == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool whole = lower.WriteFile(reinterpret_cast<DWORD_PTR>(copy), buffer, done, &written, nullptr) &&
                 written == done && lower.SetFileTime(reinterpret_cast<DWORD_PTR>(copy), &times[0], &times[1], &times[2]);
    whole = lower.CloseFile(reinterpret_cast<DWORD_PTR>(copy)) && whole;
    if (!whole || !lower.DeleteFileW(volume, WIDE("\\dst"))) {
        lower.DeleteFileW(volume, WIDE("\\copy"));
        return false;
    }
    return lower.MoveFileW(volume, WIDE("\\copy"), WIDE("\\dst"));
}

TEST_F(FaultTest, ASweepRaisesTheCountdownUntilNothingIsInjected) {
    volume_.EnableLog(true);
    unsigned long countdown = 1;
    unsigned long cleanCalls = 0;
    for (bool persistent : {false, true}) {
        for (countdown = 1;; ++countdown) {
            SCOPED_TRACE(::testing::Message() << (persistent ? "persistent, call " : "once, call ") << countdown);
            volume_.PutFile(W("\\src"), Bytes("new content"));
            volume_.PutFile(W("\\dst"), Bytes("old content"));
            volume_.ClearLog();
            volume_.ClearFaults();
            volume_.Inject(Fault{countdown, persistent, {}, {}, ERROR_GEN_FAILURE});
            bool done = CopyCycle(lower_, v_);
            std::vector<LoggedCall> log = volume_.Log();
            if (volume_.Injected() == 0) {
                EXPECT_TRUE(done);
                cleanCalls = log.size();
                break;
            }
            // The countdown-th call failed; before it nothing did.
            ASSERT_GE(log.size(), countdown);
            EXPECT_EQ(log[countdown - 1].error, ERROR_GEN_FAILURE);
            for (unsigned long i = 0; i + 1 < countdown; ++i) {
                EXPECT_NE(log[i].error, ERROR_GEN_FAILURE) << log[i].Text();
            }
            EXPECT_EQ(volume_.Injected(), persistent ? log.size() - countdown + 1 : 1u);
            // Nothing half-done, whether or not the cycle noticed: the destination is whole, old or new.
            EXPECT_TRUE(volume_.Content(W("\\dst")) == Bytes("old content") ||
                        volume_.Content(W("\\dst")) == Bytes("new content") || !volume_.Exists(W("\\dst")));
            EXPECT_EQ(volume_.OpenHandles(), 0u);  // closes end their handles, failed or not
            volume_.ClearFaults();
            lower_.DeleteFileW(v_, WIDE("\\copy"));
        }
        EXPECT_EQ(countdown, cleanCalls + 1);  // every call of the cycle was failed once
    }
    EXPECT_EQ(cleanCalls, 10u);
}

TEST_F(FaultTest, ACrashFailsEveryCallUntilRestartDropsTheHandles) {
    volume_.PutFile(W("\\f"), Bytes("before"));
    HANDLE file = Open(W("\\f"), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    WIN32_FIND_DATAW data{};
    HANDLE search = lower_.FindFirstFileW(v_, nullptr, WIDE("\\*"), &data);
    volume_.CrashAfter(2);
    EXPECT_TRUE(Write(file, Bytes("AFTER!")));  // carried out: 1
    EXPECT_EQ(lower_.GetFileAttributesW(v_, WIDE("\\missing")), INVALID_FILE_ATTRIBUTES);  // 2, failing on its own
    EXPECT_FALSE(volume_.Crashed());
    EXPECT_FALSE(Write(file, Bytes("lost")));
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_TRUE(volume_.Crashed());
    EXPECT_EQ(Open(W("\\g"), GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_FALSE(lower_.DeleteFileW(v_, WIDE("\\f")));
    EXPECT_EQ(volume_.OpenHandles(), 2u);
    EXPECT_EQ(volume_.Content(W("\\f")), Bytes("AFTER!"));  // as the last call carried out left it

    volume_.Restart();
    EXPECT_FALSE(volume_.Crashed());
    EXPECT_EQ(volume_.OpenHandles(), 0u);
    EXPECT_FALSE(Close(file));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(lower_.FindClose(Word(search)));
    EXPECT_FALSE(volume_.Exists(W("\\g")));
    HANDLE again = Open(W("\\f"), GENERIC_READ, 0, OPEN_EXISTING);  // no sharing left over from before
    EXPECT_EQ(Read(again, 10), Bytes("AFTER!"));
    Close(again);
    EXPECT_TRUE(lower_.DeleteFileW(v_, WIDE("\\f")));
}

TEST_F(FaultTest, CallsFromSeveralThreadsKeepTheVolumeWhole) {
    constexpr int kThreads = 4;
    constexpr int kWrites = 200;
    volume_.PutFile(W("\\shared"), {});
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            WString own = W("\\own") + ToUtf16(std::to_string(t));
            HANDLE file = Open(own, GENERIC_WRITE, 0, CREATE_NEW);
            HANDLE shared = Open(W("\\shared"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
            const BYTE mark = static_cast<BYTE>('a' + t);
            for (int i = 0; i < kWrites; ++i) {
                DWORD done = 0;
                lower_.WriteFile(Word(file), &mark, 1, &done, nullptr);
                lower_.WriteFileWithSeek(Word(shared), &mark, 1, &done, nullptr, static_cast<DWORD>(i * kThreads + t), 0);
            }
            lower_.CloseFile(Word(file));
            lower_.CloseFile(Word(shared));
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::vector<BYTE> expected;
    for (int i = 0; i < kWrites; ++i) {
        for (int t = 0; t < kThreads; ++t) {
            expected.push_back(static_cast<BYTE>('a' + t));
        }
    }
    EXPECT_EQ(volume_.Content(W("\\shared")), expected);
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(volume_.Content(W("\\own") + ToUtf16(std::to_string(t))),
                  std::vector<BYTE>(kWrites, static_cast<BYTE>('a' + t)));
    }
    EXPECT_EQ(volume_.OpenHandles(), 0u);
    EXPECT_EQ(volume_.CallCount(), static_cast<unsigned long>(kThreads * (2 + 2 * kWrites + 2)));
}

}  // namespace
