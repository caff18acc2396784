// morvane mount BACKING MOUNTPOINT: serves the volume through the filter as a
// FUSE mount, for any program to use. Unmount with fusermount3 -u, or Ctrl-C
// in the foreground.
#include <climits>
#include <cstdlib>

#include "cli/command_support.h"
#include "cli/subcommands.h"
#include "storage/fuse/serve_mount.h"

namespace {

int Mount(const std::string& backing, const MountOptions& options) {
    // The daemon leaves the working directory: the backing folder is held by its full path.
    char resolved[PATH_MAX];
    if (realpath(backing.c_str(), resolved) == nullptr) {
        ReportFailure(backing, "no such directory");
        return 1;
    }
    std::unique_ptr<FilteredVolume> volume = OpenVolume(resolved);
    if (!volume) {
        return 1;
    }
    return ServeMount(*volume, options);
}

}  // namespace

void AddPlatformCommands(CLI::App& app, int* status) {
    struct Options {
        std::string backing;
        MountOptions mount;
    };
    auto options = std::make_shared<Options>();
    auto* command = app.add_subcommand("mount", "Mount the volume with FUSE: files stored packed in BACKING, "
                                                "read and written unpacked at MOUNTPOINT.");
    command->add_option("BACKING", options->backing, kBackingHelp)->required()->check(CLI::ExistingDirectory);
    command->add_option("MOUNTPOINT", options->mount.mountpoint, "an empty directory to mount on")
        ->required()
        ->check(CLI::ExistingDirectory);
    command->add_flag("-f,--foreground", options->mount.foreground, "stay in the foreground (Ctrl-C unmounts)");
    command->add_flag("-d,--debug", options->mount.debug, "trace every FUSE request on stderr (implies -f)");
    command->callback([options, status] {
        if (options->mount.debug) {
            options->mount.foreground = true;
        }
        *status = Mount(options->backing, options->mount);
    });
}
