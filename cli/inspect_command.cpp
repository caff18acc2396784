// morvane inspect FILE...: what stored files hold, read from the host
// directly (a backing directory, an image, a card).
#include <iostream>
#include <vector>

#include "cli/command_support.h"
#include "cli/stored_file_report.h"
#include "cli/subcommands.h"

namespace {

int InspectFiles(const std::vector<std::string>& files) {
    int status = 0;
    for (const std::string& file : files) {
        const StoredFileReport report = InspectStoredFile(std::filesystem::u8path(file));
        if (!report.readable) {
            ReportFailure(file, report.error);
            status = 1;
            continue;
        }
        if (report.packed && !report.streamValid) {
            status = 1;
        }
        std::cout << file << ": " << DescribeStoredFile(report) << "\n";
    }
    return status;
}

}  // namespace

void AddInspectCommand(CLI::App& app, int* status) {
    auto files = std::make_shared<std::vector<std::string>>();
    auto* command = app.add_subcommand(
        "inspect", "Show whether stored files are packed, their stored and unpacked sizes, ratio and stream validity.");
    command->add_option("FILE", *files, "stored files, as found in a backing directory")->required();
    command->callback([files, status] { *status = InspectFiles(*files); });
}
