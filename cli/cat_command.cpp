// morvane cat BACKING PATH...: writes volume files to stdout, unpacked.
#include <iostream>
#include <vector>

#include "cli/command_support.h"
#include "cli/console.h"
#include "cli/subcommands.h"
#include "cli/volume_transfer.h"

namespace {

int CatFiles(const std::string& backing, const std::vector<std::string>& names) {
    std::unique_ptr<FilteredVolume> volume = OpenVolume(backing);
    if (!volume) {
        return 1;
    }
    SetStdoutBinary();
    int status = 0;
    for (const std::string& name : names) {
        if (!CopyFromVolume(*volume, name, std::cout)) {
            status = 1;
        }
    }
    std::cout.flush();
    return status;
}

}  // namespace

void AddCatCommand(CLI::App& app, int* status) {
    struct Options {
        std::string backing;
        std::vector<std::string> names;
    };
    auto options = std::make_shared<Options>();
    auto* command = app.add_subcommand("cat", "Write files of the volume to stdout, unpacked.");
    command->add_option("BACKING", options->backing, kBackingHelp)->required();
    command->add_option("PATH", options->names, "files of the volume")->required();
    command->callback([options, status] { *status = CatFiles(options->backing, options->names); });
}
