// The names of the entries and the text of a logged call.
#include <cstdio>

#include "lower/memory/handle_table.h"
#include "lower/memory/memory_volume.h"

namespace {

struct EntryText {
    const char* name;
    bool onHandle;       // the first word is a handle, shown by its number
    const char* numbers; // one letter per logged number: x hex, d decimal, s signed
    char result;         // h handle, x hex, d decimal
};

// By word, from word 3.
const EntryText kEntries[] = {
    {"CreateDirectoryW", false, "", 'd'},
    {"RemoveDirectoryW", false, "", 'd'},
    {"GetFileAttributesW", false, "", 'x'},
    {"SetFileAttributesW", false, "x", 'd'},
    {"DeleteFileW", false, "", 'd'},
    {"MoveFileW", false, "", 'd'},
    {"DeleteAndRenameFileW", false, "", 'd'},
    {"GetDiskFreeSpaceW", false, "", 'd'},
    {"Notify", false, "x", 'd'},
    {"RegisterFileSystemFunction", false, "", 'd'},
    {"FindFirstFileW", false, "", 'h'},
    {"FindNextFileW", true, "", 'd'},
    {"FindClose", true, "", 'd'},
    {"CreateFileW", false, "xxdx", 'h'},
    {"ReadFile", true, "d", 'd'},
    {"ReadFileWithSeek", true, "dd", 'd'},
    {"WriteFile", true, "d", 'd'},
    {"WriteFileWithSeek", true, "dd", 'd'},
    {"SetFilePointer", true, "sd", 'd'},
    {"GetFileSize", true, "", 'd'},
    {"GetFileInformationByHandle", true, "", 'd'},
    {"FlushFileBuffers", true, "", 'd'},
    {"GetFileTime", true, "", 'd'},
    {"SetFileTime", true, "", 'd'},
    {"SetEndOfFile", true, "", 'd'},
    {"DeviceIoControl", true, "xdd", 'd'},
    {"CloseFile", true, "", 'd'},
};

constexpr int kFirstEntry = static_cast<int>(LowerEntry::CreateDirectoryW);
static_assert(sizeof(kEntries) / sizeof(kEntries[0]) ==
                  static_cast<size_t>(static_cast<int>(LowerEntry::CloseFile) - kFirstEntry + 1),
              "one text per entry");

const EntryText& TextOf(LowerEntry entry) { return kEntries[static_cast<int>(entry) - kFirstEntry]; }

std::string Number(ULONGLONG value, char kind) {
    char text[32];
    if (kind == 'x' && value != 0) {
        std::snprintf(text, sizeof(text), "0x%llx", static_cast<unsigned long long>(value));
    } else if (kind == 's') {
        std::snprintf(text, sizeof(text), "%lld", static_cast<long long>(value));
    } else {
        std::snprintf(text, sizeof(text), "%llu", static_cast<unsigned long long>(value));
    }
    return text;
}

std::string Handle(ULONGLONG word) {
    if (static_cast<DWORD_PTR>(word) == reinterpret_cast<DWORD_PTR>(INVALID_HANDLE_VALUE)) {
        return "-1";
    }
    return "h" + std::to_string(HandleNumber(static_cast<DWORD_PTR>(word)));
}

}  // namespace

const char* EntryName(LowerEntry entry) { return TextOf(entry).name; }

std::string LoggedCall::Text() const {
    const EntryText& text = TextOf(entry);
    std::vector<std::string> arguments;
    if (text.onHandle) {
        arguments.push_back(Handle(first));
    }
    for (const WString& name : names) {
        arguments.push_back(ToUtf8(name));
    }
    for (size_t i = 0; i < numbers.size(); ++i) {
        arguments.push_back(Number(numbers[i], text.numbers[i]));
    }
    std::string line = std::string(text.name) + "(";
    for (size_t i = 0; i < arguments.size(); ++i) {
        line += (i == 0 ? "" : ", ") + arguments[i];
    }
    line += ") = " + (text.result == 'h' ? Handle(result) : Number(result, text.result));
    if (error != 0) {
        line += ", error " + std::to_string(error);
    }
    return line;
}
