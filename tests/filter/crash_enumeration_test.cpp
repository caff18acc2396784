// A power loss at every lower call of open-write-close cycles, in turn. The
// in-memory volume's crash mode carries out n calls and fails every later
// one; Restart() then drops the open handles as a power loss does, keeping
// the files as the n-th call left them. n runs from 0 until a cycle completes
// before its crash point. After each crash every stored file holds its old
// content or one handle's new content whole; only in the window between a
// replacement's delete and its move may the name be missing, and then the
// content is whole under a "\TMP" name in the root. With
// MORVANE_CRASH_WINDOWS set, each such volume is also written to a host
// directory there, for `morvane verify` to name the orphan.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <utility>

#include "tests/filter/filter_fixture.h"
#include "tests/support/sample_content.h"
#include "tests/support/settings_seed.h"

namespace {

enum class Before { kMissing, kPlain, kPacked };

struct Scenario {
    const char* what;
    Before before;
    std::vector<BYTE> oldContent;
    // One handle per content, all opened before any writes, each truncated
    // and written whole, closed in turn. None: one handle only reads.
    std::vector<std::vector<BYTE>> written;
    DWORD enable;
    DWORD level;
};

std::vector<Scenario> Scenarios() {
    const std::vector<BYTE> text = SampleText(4000);
    return {
        {"empty", Before::kPacked, text, {{}}, 1, 9},
        {"1 byte", Before::kPlain, Bytes("o"), {Bytes("n")}, 1, 9},
        {"64 KiB", Before::kPacked, text, {SampleBinary(64 * 1024)}, 1, 6},
        {"16 MiB", Before::kPacked, SampleText(16 << 20), {SampleBinary(16 << 20)}, 1, 1},
        {"incompressible", Before::kPacked, text, {SampleNoise(100000)}, 1, 9},
        {"growing", Before::kPacked, SampleText(1000), {SampleText(200000)}, 1, 9},
        {"shrinking", Before::kPacked, SampleText(200000), {Bytes("short")}, 1, 9},
        {"two handles", Before::kPacked, text, {SampleBinary(3000), SampleNoise(2000)}, 1, 9},
        {"compression off", Before::kPacked, text, {SampleBinary(5000)}, 0, 9},
        {"packing fails", Before::kPacked, text, {SampleBinary(5000)}, 1, 12},
        {"plain becomes packed", Before::kPlain, text, {SampleBinary(5000)}, 1, 9},
        {"new file", Before::kMissing, {}, {SampleBinary(5000)}, 1, 9},
        {"read only", Before::kPacked, text, {}, 1, 9},
    };
}

const WString kStored = W("\\f");
const WString kBystander = W("\\keep");

// Call indices (0-based) of the replacements' deletes of the stored file and
// of the moves that follow them, from a run without a crash: a crash after n
// calls falls in a window when delete < n <= move.
using Window = std::pair<size_t, size_t>;

std::vector<Window> ReplacementWindows(const std::vector<LoggedCall>& log) {
    std::vector<Window> windows;
    for (size_t i = 0; i < log.size(); ++i) {
        const LoggedCall& call = log[i];
        if (call.entry == LowerEntry::DeleteFileW && call.result != 0 && call.names[0] == kStored) {
            windows.emplace_back(i, log.size());
        } else if (call.entry == LowerEntry::MoveFileW && call.names[1] == kStored && !windows.empty() &&
                   windows.back().second == log.size()) {
            windows.back().second = i;
        }
    }
    return windows;
}

class CrashEnumerationTest : public FilterTest, public ::testing::WithParamInterface<Scenario> {
protected:
    // The volume before the cycle: the bystander and the stored file as
    // `image` (its packed form is made once: packing 16 MiB takes a while).
    void Prepare(const Scenario& s, const std::vector<BYTE>& image) {
        for (const WString& name : lower_.Files()) {
            MRV_SetFileAttributesW(filter_, name.c_str(), FILE_ATTRIBUTE_ARCHIVE);
            MRV_DeleteFileW(filter_, name.c_str());
        }
        lower_.PutFile(kBystander, PackedImage(bystander_));
        if (s.before != Before::kMissing) {
            lower_.PutFile(kStored, image);
        }
        SeedSettings(s.enable, s.level);
    }

    // The caller's side of the cycle; results are not looked at, since after
    // the crash point every call fails.
    void RunCycle(const Scenario& s) {
        if (s.written.empty()) {
            HANDLE file = Open(kStored, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
            if (file != INVALID_HANDLE_VALUE) {
                ReadRest(file);
                Close(file);
            }
            return;
        }
        std::vector<HANDLE> handles;
        for (size_t i = 0; i < s.written.size(); ++i) {
            handles.push_back(Open(kStored, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS));
        }
        for (size_t i = 0; i < handles.size(); ++i) {
            if (handles[i] == INVALID_HANDLE_VALUE) {
                continue;
            }
            DWORD done = 0;
            MRV_SetEndOfFile(Word(handles[i]));
            MRV_WriteFile(Word(handles[i]), s.written[i].data(), static_cast<DWORD>(s.written[i].size()), &done,
                          nullptr);
        }
        for (HANDLE file : handles) {
            if (file != INVALID_HANDLE_VALUE) {
                Close(file);
            }
        }
    }

    // What the stored file may hold after any crash.
    static std::vector<std::vector<BYTE>> Allowed(const Scenario& s) {
        std::vector<std::vector<BYTE>> allowed = s.written;
        if (s.before != Before::kMissing) {
            allowed.push_back(s.oldContent);
        }
        if (s.before != Before::kPacked) {
            // The handle is on the stored file itself: its truncation reaches
            // the file before its write does, as the caller asked.
            allowed.push_back({});
        }
        return allowed;
    }

    // Whole packed (or plain) content of a file on the lower volume.
    bool WholeContent(const WString& name, std::vector<BYTE>* content) {
        std::vector<BYTE> stored = lower_.Content(name).value_or(std::vector<BYTE>{});
        if (StoredPacked(name)) {
            return DecodePackedImage(stored, content);
        }
        *content = std::move(stored);
        return true;
    }

    void CheckAfterCrash(const Scenario& s, size_t n, const std::vector<Window>& windows, size_t firstCreate) {
        const std::vector<std::vector<BYTE>> allowed = Allowed(s);
        auto isAllowed = [&](const std::vector<BYTE>& content) {
            return std::find(allowed.begin(), allowed.end(), content) != allowed.end();
        };
        const bool inWindow = std::any_of(windows.begin(), windows.end(),
                                          [n](const Window& w) { return w.first < n && n <= w.second; });
        std::vector<BYTE> content;
        if (lower_.Exists(kStored)) {
            EXPECT_FALSE(inWindow) << "the stored file exists inside a replacement's window";
            ASSERT_TRUE(WholeContent(kStored, &content)) << "damaged packed file";
            EXPECT_TRUE(isAllowed(content)) << "stored file holds " << content.size() << " bytes of no content";
            // The filter serves it as it stands.
            EXPECT_EQ(Load(kStored), content);
        } else if (inWindow) {
            WString kept;
            for (const WString& name : TemporaryFiles()) {
                std::vector<BYTE> orphan;
                if (WholeContent(name, &orphan) && orphan != s.oldContent && isAllowed(orphan)) {
                    kept = name;
                }
            }
            EXPECT_FALSE(kept.empty()) << "lost between the delete and the move";
            WriteWindowVolume(s, n, kept);
        } else {
            EXPECT_TRUE(s.before == Before::kMissing && n <= firstCreate) << "the stored file is missing";
        }
        ASSERT_TRUE(WholeContent(kBystander, &content));
        EXPECT_EQ(content, bystander_) << "a file the cycle does not touch changed";
        EXPECT_EQ(lower_.OpenHandles(), 0u);
    }

    // The volume as a host directory, DIR/NAME, and the orphan that holds the
    // content in DIR/NAME.orphan.
    void WriteWindowVolume(const Scenario& s, size_t n, const WString& orphan) {
        const char* directory = getenv("MORVANE_CRASH_WINDOWS");
        if (directory == nullptr) {
            return;
        }
        std::string volume = std::string(directory) + "/" + s.what + " after " + std::to_string(n);
        for (char& c : volume) {
            c = c == ' ' ? '-' : c;
        }
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::u8path(volume), error);
        ASSERT_FALSE(error) << volume;
        auto write = [](const std::string& path, const std::vector<BYTE>& bytes) {
            FILE* out = fopen(path.c_str(), "wb");
            ASSERT_NE(out, nullptr) << path;
            if (!bytes.empty()) {
                ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
            }
            fclose(out);
        };
        for (const WString& name : lower_.Files()) {
            write(volume + "/" + ToUtf8(name.substr(1)), *lower_.Content(name));
        }
        const std::string named = ToUtf8(orphan.substr(1));
        write(volume + ".orphan", std::vector<BYTE>(named.begin(), named.end()));
    }

    const std::vector<BYTE> bystander_ = SampleText(1500);
};

TEST_P(CrashEnumerationTest, EveryLowerCallOfACycleIsAPowerLoss) {
    const Scenario& s = GetParam();
    const std::vector<BYTE> image = s.before == Before::kPacked ? PackedImage(s.oldContent, 1) : s.oldContent;
    Prepare(s, image);
    lower_.ClearLog();
    lower_.EnableLog(true);
    RunCycle(s);
    lower_.EnableLog(false);
    const std::vector<LoggedCall> reference = lower_.Log();
    lower_.ClearLog();
    const std::vector<Window> windows = ReplacementWindows(reference);
    size_t firstCreate = reference.size();
    for (size_t i = 0; i < reference.size(); ++i) {
        if (reference[i].entry == LowerEntry::CreateFileW && reference[i].names[0] == kStored &&
            static_cast<DWORD_PTR>(reference[i].result) != reinterpret_cast<DWORD_PTR>(INVALID_HANDLE_VALUE)) {
            firstCreate = std::min(firstCreate, i);
        }
    }
    EXPECT_EQ(windows.empty(), s.written.empty() || (s.enable == 0 && s.before != Before::kPacked));

    size_t n = 0;
    for (;; ++n) {
        SCOPED_TRACE("power lost after " + std::to_string(n) + " calls");
        Prepare(s, image);
        lower_.CrashAfter(n);
        RunCycle(s);
        const bool crashed = lower_.Crashed();
        lower_.Restart();
        if (!crashed) {
            break;
        }
        CheckAfterCrash(s, n, windows, firstCreate);
    }
    // The cycle that the crash did not reach made as many calls as the reference.
    EXPECT_EQ(n, reference.size());
    std::vector<BYTE> content;
    ASSERT_TRUE(WholeContent(kStored, &content));
    EXPECT_EQ(content, s.written.empty() ? s.oldContent : s.written.back());
    EXPECT_TRUE(TemporaryFiles().empty());
    std::cout << s.what << ": " << n << " crash points\n";
}

INSTANTIATE_TEST_SUITE_P(Cycles, CrashEnumerationTest, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                             std::string name = info.param.what;
                             for (char& c : name) {
                                 c = isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

}  // namespace
