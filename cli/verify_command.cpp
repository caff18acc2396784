// morvane verify DIR: checks a whole volume as stored (a backing directory):
// every packed file must decode whole to the length its header states. Lists
// the "\TMP<n>" files in the root, which only an interrupted open or close
// leaves behind, with what each holds, so that their content can be
// recovered: a packed one is a new copy that did not reach its name, a plain
// one a working copy.
#include <algorithm>
#include <iostream>
#include <vector>

#include "cli/command_support.h"
#include "cli/progress_bar.h"
#include "cli/stored_file_report.h"
#include "cli/subcommands.h"
#include "storage/volume_path.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> StoredFiles(const fs::path& root, std::error_code* error) {
    std::vector<fs::path> files;
    for (fs::recursive_directory_iterator it(root, *error), end; !*error && it != end; it.increment(*error)) {
        if (it->is_regular_file()) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

int VerifyVolume(const std::string& directory) {
    const fs::path root = fs::u8path(directory);
    std::error_code error;
    const std::vector<fs::path> files = StoredFiles(root, &error);
    if (error) {
        ReportFailure(directory, error.message());
        return 1;
    }
    size_t packed = 0;
    size_t damaged = 0;
    std::vector<std::pair<std::string, StoredFileReport>> orphans;
    {
        ProgressBar progress("verify", files.size());
        for (const fs::path& file : files) {
            const StoredFileReport report = InspectStoredFile(file);
            const std::string name = file.lexically_relative(root).generic_u8string();
            progress.Advance(1);
            if (file.parent_path() == root && IsTemporaryName(ToUtf16(file.filename().u8string()))) {
                orphans.emplace_back(name, report);
                continue;
            }
            if (!report.readable) {
                ReportFailure(file.u8string(), report.error);
                ++damaged;
            } else if (report.packed) {
                ++packed;
                if (!report.streamValid) {
                    ReportFailure(file.u8string(), "damaged: " + report.damage);
                    ++damaged;
                }
            }
        }
    }
    for (const auto& [name, report] : orphans) {
        const char* kind = report.packed ? "a packed new copy" : "a plain working copy";
        std::cout << "orphan \\" << name << ": " << kind << ", " << DescribeStoredFile(report) << "\n"
                  << "    recover it with: morvane get " << directory << " /" << name << " FILE\n";
    }
    std::cout << files.size() << " files, " << packed << " packed, " << damaged << " damaged, " << orphans.size()
              << " orphan temporary files\n";
    return damaged == 0 && orphans.empty() ? 0 : 1;
}

}  // namespace

void AddVerifyCommand(CLI::App& app, int* status) {
    auto directory = std::make_shared<std::string>();
    auto* command = app.add_subcommand(
        "verify", "Check that every packed file of a volume decodes whole; list orphan \\TMP files left by a power loss.");
    command->add_option("DIR", *directory, "the volume as stored: a backing directory")->required();
    command->callback([directory, status] { *status = VerifyVolume(*directory); });
}
