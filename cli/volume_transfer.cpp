#include <istream>
#include <ostream>
#include <vector>

#include "cli/command_support.h"
#include "cli/progress_bar.h"
#include "cli/volume_transfer.h"
#include "storage/filter_file.h"
#include "storage/volume_path.h"

namespace {
constexpr DWORD kChunk = 1 << 20;
}

bool CopyFromVolume(const FilteredVolume& volume, const std::string& name, std::ostream& out) {
    const FilterEntries& filter = volume.Filter();
    const WString path = ToVolumePath(name);
    FilterFile file(filter, filter.CreateFileW(volume.Word(), nullptr, path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
        ReportFailure(name, LastErrorText());
        return false;
    }
    DWORD sizeHigh = 0;
    const DWORD sizeLow = filter.GetFileSize(file.Word(), &sizeHigh);
    ProgressBar progress(name, (static_cast<ULONGLONG>(sizeHigh) << 32) | sizeLow);
    std::vector<char> buffer(kChunk);
    for (;;) {
        DWORD done = 0;
        if (!filter.ReadFile(file.Word(), buffer.data(), kChunk, &done, nullptr)) {
            ReportFailure(name, LastErrorText());
            return false;
        }
        if (done == 0) {
            break;
        }
        if (!out.write(buffer.data(), done)) {
            ReportFailure(name, "cannot write the copy");
            return false;
        }
        progress.Advance(done);
    }
    return true;
}

bool CopyToVolume(const FilteredVolume& volume, std::istream& in, ULONGLONG size, const std::string& name) {
    const FilterEntries& filter = volume.Filter();
    const WString path = ToVolumePath(name);
    FilterFile file(filter, filter.CreateFileW(volume.Word(), nullptr, path.c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
        ReportFailure(name, LastErrorText());
        return false;
    }
    ProgressBar progress(name, size);
    std::vector<char> buffer(kChunk);
    while (in) {
        in.read(buffer.data(), kChunk);
        const DWORD count = static_cast<DWORD>(in.gcount());
        if (count == 0) {
            break;
        }
        DWORD done = 0;
        if (!filter.WriteFile(file.Word(), buffer.data(), count, &done, nullptr) || done != count) {
            ReportFailure(name, LastErrorText());
            return false;
        }
        progress.Advance(done);
    }
    if (in.bad()) {
        ReportFailure(name, "cannot read the content to store");
        return false;
    }
    // The close is when the filter packs and puts the file in place.
    if (!file.Close()) {
        ReportFailure(name, "not stored: " + LastErrorText());
        return false;
    }
    return true;
}
