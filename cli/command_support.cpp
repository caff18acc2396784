#include <iostream>

#include "cli/command_support.h"
#include "platform/last_error.h"
#include "storage/error_codes.h"

void ReportFailure(const std::string& subject, const std::string& reason) {
    std::cerr << "morvane: " << subject << ": " << reason << std::endl;
}

std::string LastErrorText() { return ErrorText(GetLastError()); }

std::unique_ptr<FilteredVolume> OpenVolume(const std::string& backing) {
    std::string error;
    std::unique_ptr<FilteredVolume> volume = FilteredVolume::Open(backing, &error);
    if (!volume) {
        std::cerr << "morvane: " << error << std::endl;
    }
    return volume;
}
