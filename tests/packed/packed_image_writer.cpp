// Writes packed-file images, each beside the plain content it holds, for an
// independent decoder to read back (check_packed_images.py).
#include <cstdio>
#include <string>
#include <vector>

#include "platform/types.h"
#include "tests/support/packed_image.h"
#include "tests/support/sample_content.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<BYTE>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::perror(path.c_str());
        return false;
    }
    bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: packed_image_writer DIRECTORY\n");
        return 2;
    }
    const std::string directory = argv[1];
    struct Sample {
        const char* name;
        std::vector<BYTE> content;
        LONG level;
    } samples[] = {
        {"empty-9", {}, 9},
        {"one-byte-1", {0x41}, 1},
        {"text-1", SampleText(100000), 1},
        {"text-9", SampleText(100000), 9},
        {"text-default", SampleText(100000), -1},
        {"text-stored", SampleText(70000), 0},
        {"noise-6", SampleNoise(65536), 6},
        {"zeros-9", std::vector<BYTE>(1 << 20, 0), 9},
    };
    for (const Sample& sample : samples) {
        const std::string base = directory + "/" + sample.name;
        if (!WriteFile(base + ".packed", PackedImage(sample.content, sample.level)) ||
            !WriteFile(base + ".plain", sample.content)) {
            return 1;
        }
    }
    return 0;
}
