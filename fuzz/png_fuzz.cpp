// Pngload on arbitrary bytes: reader, Draw writer and messages.
#include "fuzz/raster_fuzz_support.h"
#include "readers/png.h"

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace {

// Chunk CRCs are put right, so that mutations reach the chunk parsers and
// the image data instead of stopping at the first CRC check.
void mend_crcs(std::vector<std::uint8_t> &bytes) {
    std::size_t at = 8;
    while (bytes.size() >= 12 && at <= bytes.size() - 12) {
        const std::uint32_t length = static_cast<std::uint32_t>(bytes[at]) << 24 | bytes[at + 1] << 16 |
                                     bytes[at + 2] << 8 | bytes[at + 3];
        if (length > bytes.size() - at - 12) return;
        const uLong crc = crc32(0, bytes.data() + at + 4, static_cast<uInt>(length + 4));
        std::uint8_t *field = bytes.data() + at + 8 + length;
        field[0] = static_cast<std::uint8_t>(crc >> 24);
        field[1] = static_cast<std::uint8_t>(crc >> 16);
        field[2] = static_cast<std::uint8_t>(crc >> 8);
        field[3] = static_cast<std::uint8_t>(crc);
        at += 12 + length;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    // Every other input keeps its CRCs as they are, so their checks are fuzzed too.
    if (size > 0 && (data[size - 1] & 1) != 0) mend_crcs(bytes);
    fuzz_raster_filter(kPngloadProgram, bytes.data(), bytes.size());
    return 0;
}
