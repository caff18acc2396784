// Every lower call of an open-write-close cycle made to fail in turn, once
// and from then on: the stored file always holds its old or its new content
// whole, and a transient fault leaves no temporary file behind.
#include <algorithm>
#include <string>

#include "tests/filter/filter_fixture.h"
#include "tests/support/sample_content.h"
#include "tests/support/settings_seed.h"

namespace {

struct Scenario {
    const char* what;
    bool packedBefore;
    DWORD enable;
    DWORD level;
    size_t size;
};

const Scenario kScenarios[] = {
    {"plain, compression on", false, 1, 9, 5000},
    {"packed, compression on", true, 1, 9, 5000},
    {"packed, compression off", true, 0, 9, 5000},
    {"packed, packing fails", true, 1, 12, 5000},
    {"plain, packing fails", false, 1, 12, 5000},
    {"packed, growing to 64 KiB", true, 1, 6, 65536},
    {"packed, empty", true, 1, 9, 0},
};

class FaultSweepTest : public FilterTest {
protected:
    // One cycle; returns whether the fault was reached.
    bool RunCycle(const Scenario& s, unsigned long countdown, bool persistent) {
        const std::vector<BYTE> oldContent = SampleText(4000);
        const std::vector<BYTE> newContent = SampleBinary(s.size);
        for (const WString& name : lower_.Files()) {
            lower_.Restart();
            MRV_SetFileAttributesW(filter_, name.c_str(), FILE_ATTRIBUTE_ARCHIVE);
            MRV_DeleteFileW(filter_, name.c_str());
        }
        lower_.PutFile(W("\\f"), s.packedBefore ? PackedImage(oldContent) : oldContent);
        SeedSettings(s.enable, s.level);
        lower_.ClearFaults();
        lower_.Inject(Fault{countdown, persistent, {}, {}, ERROR_GEN_FAILURE});

        lower_.ClearLog();
        lower_.EnableLog(true);

        // What the handle holds when it is closed: the caller's own calls may fail too.
        std::vector<BYTE> handleContent = oldContent;
        HANDLE file = Open(W("\\f"), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD done = 0;
            if (MRV_SetEndOfFile(Word(file))) {
                handleContent.clear();
            }
            if (MRV_WriteFile(Word(file), newContent.data(), static_cast<DWORD>(newContent.size()), &done, nullptr)) {
                handleContent.resize(std::max(handleContent.size(), newContent.size()));
                std::copy(newContent.begin(), newContent.end(), handleContent.begin());
            }
            Close(file);
        }
        bool reached = lower_.Injected() > 0;
        lower_.ClearFaults();
        lower_.Restart();
        const std::vector<LoggedCall> log = lower_.Log();
        lower_.EnableLog(false);

        const std::vector<BYTE> stored = lower_.Content(W("\\f")).value_or(std::vector<BYTE>{});
        const std::vector<BYTE> content = StoredContent(W("\\f"));
        bool whole = content == oldContent || content == handleContent;
        if (!lower_.Exists(W("\\f"))) {
            // Only between the delete and the move: the content is whole under a temporary name.
            bool kept = false;
            for (const WString& name : TemporaryFiles()) {
                kept = kept || StoredContent(name) == handleContent;
            }
            EXPECT_TRUE(kept) << "lost between delete and move";
        } else {
            EXPECT_TRUE(whole) << "stored file holds " << content.size() << " bytes of neither content";
        }
        if (!persistent && lower_.Exists(W("\\f"))) {
            // A temporary file stays only where the fault refused its delete.
            for (const WString& name : TemporaryFiles()) {
                bool refused = false;
                for (const LoggedCall& call : log) {
                    refused = refused || (call.entry == LowerEntry::DeleteFileW && call.error != 0 &&
                                          !call.names.empty() && call.names[0] == name);
                }
                EXPECT_TRUE(refused) << ToUtf8(name) << " left behind";
            }
        }
        return reached;
    }
};

TEST_F(FaultSweepTest, EveryLowerCallFailedOnceAndFromThenOn) {
    for (const Scenario& s : kScenarios) {
        for (bool persistent : {false, true}) {
            unsigned long countdown = 1;
            for (; countdown < 10000; ++countdown) {
                SCOPED_TRACE(std::string(s.what) + (persistent ? ", persistent" : ", once") + ", call " +
                             std::to_string(countdown));
                if (!RunCycle(s, countdown, persistent)) {
                    break;
                }
            }
            EXPECT_GT(countdown, 10u) << s.what;  // the sweep visited the cycle's calls
        }
    }
}

}  // namespace
