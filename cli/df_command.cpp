// morvane df BACKING: the volume's capacity as the filter reports it, three
// times the real one, so that packed files can fill it.
#include <cstdio>

#include "cli/command_support.h"
#include "cli/formatting.h"
#include "cli/subcommands.h"

namespace {

int ReportFreeSpace(const std::string& backing) {
    std::unique_ptr<FilteredVolume> volume = OpenVolume(backing);
    if (!volume) {
        return 1;
    }
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
    if (!volume->Filter().GetDiskFreeSpaceW(volume->Word(), WIDE("\\"), &sectorsPerCluster, &bytesPerSector,
                                            &freeClusters, &totalClusters)) {
        ReportFailure(backing, LastErrorText());
        return 1;
    }
    const ULONGLONG cluster = static_cast<ULONGLONG>(sectorsPerCluster) * bytesPerSector;
    const ULONGLONG total = cluster * totalClusters;
    const ULONGLONG free = cluster * freeClusters;
    std::printf("size  %s\nused  %s\nfree  %s\ncluster %llu bytes\n", ByteCount(total).c_str(),
                ByteCount(total - free).c_str(), ByteCount(free).c_str(), static_cast<unsigned long long>(cluster));
    return 0;
}

}  // namespace

void AddDfCommand(CLI::App& app, int* status) {
    auto backing = std::make_shared<std::string>();
    auto* command = app.add_subcommand("df", "Show the volume's size and free space as the filter reports them.");
    command->add_option("BACKING", *backing, kBackingHelp)->required();
    command->callback([backing, status] { *status = ReportFreeSpace(*backing); });
}
