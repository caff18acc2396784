#include "tests/support/packed_image.h"

#include "filter/packed/packed_format.h"

std::vector<BYTE> PackedImage(const std::vector<BYTE>& content, LONG level) {
    DWORD length = static_cast<DWORD>(content.size());
    std::vector<BYTE> stream(static_cast<size_t>(PackedStreamBound(length)));
    PackResult packed = PackStream(content.data(), length, level, stream.data(), static_cast<DWORD>(stream.size()));
    std::vector<BYTE> image(kPackedMagic, kPackedMagic + 2);
    BYTE header[4];
    EncodeUnpackedLength(length, header);
    image.insert(image.end(), header, header + 4);
    image.insert(image.end(), stream.begin(), stream.begin() + packed.streamSize);
    return image;
}
