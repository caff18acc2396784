// morvane get BACKING PATH [LOCAL]: copies a volume file, unpacked, to the host.
#include <filesystem>
#include <fstream>

#include "cli/command_support.h"
#include "cli/subcommands.h"
#include "cli/volume_transfer.h"

namespace {

int GetFile(const std::string& backing, const std::string& name, std::string local) {
    std::unique_ptr<FilteredVolume> volume = OpenVolume(backing);
    if (!volume) {
        return 1;
    }
    if (local.empty()) {
        std::string base = name.substr(name.find_last_of("/\\") + 1);
        local = base.empty() ? name : base;
    }
    const std::filesystem::path localPath = std::filesystem::u8path(local);
    std::ofstream out(localPath, std::ios::binary | std::ios::trunc);
    if (!out) {
        ReportFailure(local, "cannot be written");
        return 1;
    }
    bool copied = CopyFromVolume(*volume, name, out);
    out.close();
    if (copied && !out) {
        ReportFailure(local, "cannot be written");
        copied = false;
    }
    if (!copied) {
        std::error_code ignored;
        std::filesystem::remove(localPath, ignored);
    }
    return copied ? 0 : 1;
}

}  // namespace

void AddGetCommand(CLI::App& app, int* status) {
    struct Options {
        std::string backing;
        std::string name;
        std::string local;
    };
    auto options = std::make_shared<Options>();
    auto* command = app.add_subcommand("get", "Copy a file of the volume, unpacked, to the host.");
    command->add_option("BACKING", options->backing, kBackingHelp)->required();
    command->add_option("PATH", options->name, "the file on the volume")->required();
    command->add_option("LOCAL", options->local, "the host file to write (default: PATH's name, here)");
    command->callback([options, status] { *status = GetFile(options->backing, options->name, options->local); });
}
