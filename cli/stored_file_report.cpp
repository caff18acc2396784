#include <fstream>
#include <iterator>
#include <vector>

#include "cli/formatting.h"
#include "cli/stored_file_report.h"
#include "filter/packed/packed_format.h"
#include "platform/heap_buffer.h"

namespace {

void CheckStream(const std::vector<BYTE>& bytes, StoredFileReport* report) {
    const BYTE* stream = bytes.data() + kPackedHeaderSize;
    const DWORD streamSize = static_cast<DWORD>(bytes.size() - kPackedHeaderSize);
    HeapBuffer content(report->unpackedLength);
    if (!content) {
        report->damage = "not enough memory to decode it";
        return;
    }
    const UnpackResult result = UnpackStream(stream, streamSize, content.data(), report->unpackedLength);
    if (result.status == UnpackStatus::kNoMemory) {
        report->damage = "not enough memory to decode it";
    } else if (result.status == UnpackStatus::kCorrupt) {
        report->damage = "the stream does not decode";
    } else if (result.produced != report->unpackedLength) {
        report->damage = "the stream ends after " + std::to_string(result.produced) + " of " +
                         std::to_string(report->unpackedLength) + " bytes";
    } else {
        report->streamValid = true;
    }
}

}  // namespace

StoredFileReport InspectStoredFile(const std::filesystem::path& file) {
    StoredFileReport report;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        report.error = "cannot be read";
        return report;
    }
    std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        report.error = "cannot be read";
        return report;
    }
    report.readable = true;
    report.storedSize = bytes.size();
    // As the filter sees it: shorter than a header is plain, whatever its first bytes.
    report.packed = bytes.size() >= kPackedHeaderSize && IsPackedMagic(bytes.data(), static_cast<DWORD>(bytes.size()));
    if (!report.packed) {
        report.unpackedLength = static_cast<DWORD>(bytes.size());
        return report;
    }
    report.unpackedLength = DecodeUnpackedLength(bytes.data() + sizeof(kPackedMagic));
    CheckStream(bytes, &report);
    return report;
}

std::string DescribeStoredFile(const StoredFileReport& report) {
    if (!report.readable) {
        return report.error;
    }
    if (!report.packed) {
        return "plain, " + std::to_string(report.storedSize) + " bytes";
    }
    return "packed, stored " + std::to_string(report.storedSize) + ", unpacked " +
           std::to_string(report.unpackedLength) + ", ratio " + StoredRatio(report.storedSize, report.unpackedLength) +
           ", " + (report.streamValid ? "stream valid" : "stream damaged: " + report.damage);
}
