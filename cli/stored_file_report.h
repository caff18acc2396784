// What a stored file of a volume holds, read from the host directly with the
// packed format: packed or plain, its sizes, and whether its stream decodes
// whole to the length its header states.
#pragma once

#include <filesystem>
#include <string>

#include "platform/types.h"

struct StoredFileReport {
    bool readable = false;
    std::string error;  // why it could not be read
    bool packed = false;
    ULONGLONG storedSize = 0;
    DWORD unpackedLength = 0;  // the header's; for a plain file, its size
    bool streamValid = false;  // packed only
    std::string damage;        // why the stream is not valid
};

StoredFileReport InspectStoredFile(const std::filesystem::path& file);

// "packed, stored 4096, unpacked 10000, ratio 41.0%, stream valid", or
// "plain, 120 bytes".
std::string DescribeStoredFile(const StoredFileReport& report);
