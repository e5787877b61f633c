// libFuzzer entry for the PNG reader: the input bytes become a file (the
// reader reads through a FileStream) and are decoded into the sprite list.
#include "framework/sprite.h"
#include "readers/png.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
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

const std::string &input_path() {
    static const std::string path = [] {
        char name[] = "/tmp/png-fuzz-XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) std::abort();
        close(fd);
        return std::string(name);
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    // Every other input keeps its CRCs as they are, so their checks are fuzzed too.
    if (size > 0 && (data[size - 1] & 1) != 0) mend_crcs(bytes);
    FILE *file = std::fopen(input_path().c_str(), "wb");
    if (file == nullptr) std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
    std::fclose(file);
    pngin_read(input_path().c_str());
    sprite_list_clear(&sprite_list);
    return 0;
}
