// morvane put BACKING LOCAL [PATH]: stores a host file on the volume through
// the filter, which packs it on close when compression is on.
#include <filesystem>
#include <fstream>

#include "cli/command_support.h"
#include "cli/subcommands.h"
#include "cli/volume_transfer.h"

namespace {

int PutFile(const std::string& backing, const std::string& local, std::string name) {
    const std::filesystem::path localPath = std::filesystem::u8path(local);
    std::error_code error;
    const auto size = std::filesystem::file_size(localPath, error);
    std::ifstream in(localPath, std::ios::binary);
    if (error || !in) {
        ReportFailure(local, error ? error.message() : "cannot be read");
        return 1;
    }
    std::unique_ptr<FilteredVolume> volume = OpenVolume(backing);
    if (!volume) {
        return 1;
    }
    if (name.empty()) {
        name = localPath.filename().u8string();
    }
    return CopyToVolume(*volume, in, size, name) ? 0 : 1;
}

}  // namespace

void AddPutCommand(CLI::App& app, int* status) {
    struct Options {
        std::string backing;
        std::string local;
        std::string name;
    };
    auto options = std::make_shared<Options>();
    auto* command = app.add_subcommand("put", "Store a host file on the volume (replacing a file of that name).");
    command->add_option("BACKING", options->backing, kBackingHelp)->required();
    command->add_option("LOCAL", options->local, "the host file to store")->required();
    command->add_option("PATH", options->name, "its name on the volume (default: LOCAL's name, in the root)");
    command->callback([options, status] { *status = PutFile(options->backing, options->local, options->name); });
}
