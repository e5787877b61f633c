// The libFuzzer entry of the four raster filters; the build names the filter
// in FUZZ_PROGRAM (kBmploadProgram, kGifloadProgram, kPcxloadProgram or
// kPngloadProgram). Each run does what the filter does after its start-up:
// the reader on the input, then the Draw writer for images small enough
// that writing them costs less than reading them. The start-up itself (the
// message table and the error codes) happens once, as in the program.
#include "framework/filter_main.h"
#include "framework/memory.h"
#include "framework/messages.h"
#include "framework/sprite.h"
#include "framework/sprite_file.h"
#include "fuzz/memory_file.h"
#include "readers/bmp.h"
#include "readers/gif.h"
#include "readers/pcx.h"
#include "readers/png.h"

#include <cstdint>
#include <vector>

#if FUZZ_MEND_PNG_CRCS
#include <zlib.h>
#endif

namespace {

const FilterProgram &kProgram = FUZZ_PROGRAM;

// Larger images are decoded but not written: the writer's loop is the same
// for every size, and writing megabytes would slow every run that finds one.
constexpr std::int64_t kMaxWrittenBytes = 64 * 1024;

// A few header bytes can ask for a gigabyte of pixels, and zero-filling and
// decoding it would take most of the run. Here a larger block fails as when
// memory runs out: the pixel loops are the same for every size, and the
// failure path is worth fuzzing too. The limit keeps blocks within ASan's
// 128 KB size classes (larger ones are mapped and unmapped on every run),
// which also makes the PNG reader's 128 KB stream buffer take its fallback
// of half that size. Gifload keeps 1 MB: its list of images grows by a
// kilobyte an image.
#ifndef FUZZ_MAX_BLOCK_BYTES
#define FUZZ_MAX_BLOCK_BYTES ((128 << 10) - 16)
#endif
constexpr std::size_t kMaxBlockBytes = FUZZ_MAX_BLOCK_BYTES;

MemoryFile input, output;

#if FUZZ_MEND_PNG_CRCS
// PNG chunk CRCs are put right, so that mutations reach the chunk parsers
// and the image data instead of stopping at the first CRC check.
void mend_png_crcs(std::vector<std::uint8_t> &bytes) {
    std::size_t at = 8;
    while (bytes.size() >= 12 && at <= bytes.size() - 12) {
        const std::uint32_t length = static_cast<std::uint32_t>(bytes[at]) << 24 | bytes[at + 1] << 16 |
                                     bytes[at + 2] << 8 | bytes[at + 3];
        if (length > bytes.size() - at - 12) return;
        const auto crc = static_cast<std::uint32_t>(crc32(0, bytes.data() + at + 4, length + 4));
        std::uint8_t *field = bytes.data() + at + 8 + length;
        for (int i = 0; i < 4; ++i) field[i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        at += 12 + length;
    }
}
#endif

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    block_set_limit(kMaxBlockBytes);
    input = memory_file_create("fuzz-input");
    output = memory_file_create("fuzz-output");
    if (kProgram.preallocate_message_table) message_table_append("", 0);
    message_table_load("Messages.txt");
    static CodeTableNode node;
    register_code_table(kFrameworkCodes, &node);
    sprite_file_set_creator(kProgram.creator);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
#if FUZZ_MEND_PNG_CRCS
    // Every other PNG input keeps its CRCs as they are, so their checks are fuzzed too.
    if (size > 0 && (data[size - 1] & 1) != 0) {
        std::vector<std::uint8_t> bytes(data, data + size);
        mend_png_crcs(bytes);
        memory_file_fill(input, bytes.data(), bytes.size());
    } else {
        memory_file_fill(input, data, size);
    }
#else
    memory_file_fill(input, data, size);
#endif
    if (kProgram.read(input.path.c_str()) == nullptr) {
        // A reader that succeeds without an image is left for the writer to refuse.
        const SpriteImage *sprite = sprite_list.count > 0 ? sprite_list.entries[0].image : nullptr;
        const Bitmap *image = sprite != nullptr ? sprite->image : nullptr;
        if (image == nullptr || static_cast<std::int64_t>(image->stride) * 4 * image->height <= kMaxWrittenBytes)
            sprite_file_write(&sprite_list, 0, output.path.c_str());
    }
    sprite_list_clear(&sprite_list);
    return 0;
}
