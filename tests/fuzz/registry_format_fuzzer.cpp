// The Linux registry file's parser over arbitrary text: a file it accepts
// serialises back byte for byte, and a value set in any key it found reads
// back, after another parse, as set.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix/registry_format.h"

namespace {

// A broken property is a finding: say which, and stop.
void Require(bool condition, const char* property) {
    if (!condition) {
        fprintf(stderr, "property broken: %s\n", property);
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    RegistryFile file;
    if (!ParseRegistryFile(text, &file)) {
        Require(file.lines.empty(), "a refused text leaves no lines");
        return 0;
    }
    Require(SerialiseRegistryFile(file) == text, "the text serialises back unchanged");
    // One key the text names, changed and read back.
    for (const RegistryLine& line : file.lines) {
        if (line.kind != RegistryLine::Kind::kKey) {
            continue;
        }
        Require(RegistryKeyExists(file, line.key), "a section's key exists");
        RegistryFile changed = file;
        Require(SetRegistryDword(&changed, line.key, "ENABLE", 0x1234ABCD), "a value is set in an existing key");
        RegistryFile reread;
        Require(ParseRegistryFile(SerialiseRegistryFile(changed), &reread), "the changed text parses");
        DWORD value = 0;
        Require(FindRegistryDword(reread, line.key, "ENABLE", &value) && value == 0x1234ABCD, "the value set reads back");
        break;
    }
    return 0;
}
