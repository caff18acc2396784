// morvane ls BACKING [PATH]: lists a directory of the volume through the
// filter, each file with its size (unpacked, for a packed file) and its
// stored size.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "cli/command_support.h"
#include "cli/subcommands.h"
#include "storage/filter_file.h"
#include "storage/packed_length.h"
#include "storage/volume_path.h"

namespace {

struct Listed {
    std::string name;
    WString path;
    WIN32_FIND_DATAW data;
};

ULONGLONG StoredSize(const WIN32_FIND_DATAW& data) {
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void PrintEntry(const FilteredVolume& volume, const Listed& entry) {
    const DWORD attributes = entry.data.dwFileAttributes;
    const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const char kind = directory ? 'd' : '-';
    const char writable = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 'r' : 'w';
    if (directory) {
        std::printf("%c%c %12s %12s %-6s %s/\n", kind, writable, "-", "-", "", entry.name.c_str());
        return;
    }
    DWORD unpacked = 0;
    const bool packed = ReadUnpackedLength(volume.Lower(), entry.path.c_str(), &unpacked);
    const ULONGLONG stored = StoredSize(entry.data);
    std::printf("%c%c %12llu %12llu %-6s %s\n", kind, writable,
                static_cast<unsigned long long>(packed ? unpacked : stored), static_cast<unsigned long long>(stored),
                packed ? "packed" : "plain", entry.name.c_str());
}

int ListDirectory(const std::string& backing, const std::string& where) {
    std::unique_ptr<FilteredVolume> volume = OpenVolume(backing);
    if (!volume) {
        return 1;
    }
    const FilterEntries& filter = volume->Filter();
    const WString path = ToVolumePath(where);
    const DWORD attributes = filter.GetFileAttributesW(volume->Word(), path.c_str());
    const bool root = path == WIDE("\\");
    if (!root && attributes == INVALID_FILE_ATTRIBUTES) {
        ReportFailure(where, LastErrorText());
        return 1;
    }
    const bool directory = root || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const WString pattern = directory ? JoinVolumePath(path, WIDE("*")) : path;
    const WString parent = directory ? path : path.substr(0, std::max<size_t>(path.rfind('\\'), 1));

    std::vector<Listed> entries;
    WIN32_FIND_DATAW data;
    FilterSearch search(filter, filter.FindFirstFileW(volume->Word(), nullptr, pattern.c_str(), &data));
    for (bool found = search.IsOpen(); found; found = filter.FindNextFileW(search.Word(), &data) != FALSE) {
        WString name(data.cFileName);
        if (name == WIDE(".") || name == WIDE("..")) {
            continue;
        }
        entries.push_back(Listed{ToUtf8(name), JoinVolumePath(parent, name), data});
    }
    std::sort(entries.begin(), entries.end(), [](const Listed& a, const Listed& b) { return a.name < b.name; });
    std::printf("%-2s %12s %12s %-6s %s\n", "", "size", "stored", "form", "name");
    for (const Listed& entry : entries) {
        PrintEntry(*volume, entry);
    }
    return 0;
}

}  // namespace

void AddLsCommand(CLI::App& app, int* status) {
    struct Options {
        std::string backing;
        std::string where = "\\";
    };
    // The options live as long as the callback that reads them.
    auto options = std::make_shared<Options>();
    auto* command = app.add_subcommand("ls", "List a directory of the volume: size, stored size, packed or plain.");
    command->add_option("BACKING", options->backing, kBackingHelp)->required();
    command->add_option("PATH", options->where, "a directory or file of the volume (default: its root)");
    command->callback([options, status] { *status = ListDirectory(options->backing, options->where); });
}
