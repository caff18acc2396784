// morvane rm BACKING PATH...: deletes files of the volume through the filter.
#include <vector>

#include "cli/command_support.h"
#include "cli/subcommands.h"
#include "storage/volume_path.h"

namespace {

int RemoveFiles(const std::string& backing, const std::vector<std::string>& names, bool directories) {
    std::unique_ptr<FilteredVolume> volume = OpenVolume(backing);
    if (!volume) {
        return 1;
    }
    const FilterEntries& filter = volume->Filter();
    int status = 0;
    for (const std::string& name : names) {
        const WString path = ToVolumePath(name);
        const DWORD attributes = filter.GetFileAttributesW(volume->Word(), path.c_str());
        const bool directory = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (directory && !directories) {
            ReportFailure(name, "is a directory (use -d to remove an empty one)");
            status = 1;
            continue;
        }
        const BOOL removed = directory ? filter.RemoveDirectoryW(volume->Word(), path.c_str())
                                       : filter.DeleteFileW(volume->Word(), path.c_str());
        if (!removed) {
            ReportFailure(name, LastErrorText());
            status = 1;
        }
    }
    return status;
}

}  // namespace

void AddRmCommand(CLI::App& app, int* status) {
    struct Options {
        std::string backing;
        std::vector<std::string> names;
        bool directories = false;
    };
    auto options = std::make_shared<Options>();
    auto* command = app.add_subcommand("rm", "Delete files of the volume.");
    command->add_option("BACKING", options->backing, kBackingHelp)->required();
    command->add_option("PATH", options->names, "files of the volume")->required();
    command->add_flag("-d,--dir", options->directories, "also remove empty directories");
    command->callback(
        [options, status] { *status = RemoveFiles(options->backing, options->names, options->directories); });
}
