// Builds GIF files for tests: blocks in any order, images compressed by a
// small LZW encoder whose clear codes, end code, table handling and sub-block
// sizes a test can choose, or raw code sequences for damaged data.
#pragma once

#include "tests/support/files.h"
#include "tests/support/pixels.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace testing_support {

struct GifLzwOptions {
    int minimum_code_size = 0;   // 0: the smallest that holds the table's indices, at least 2
    bool clear_first = true;     // begin with a clear code
    bool end_code = true;        // finish with the end-of-information code
    bool clear_when_full = true; // false: keep coding with a full table (deferred clear)
    int clear_every = 0;         // also send a clear after this many data codes (0: never)
    int sub_block = 255;         // data sub-block length
    bool terminator = true;      // the empty sub-block after the data
};

struct GifImage {
    int left = 0, top = 0;
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels; // row-major indices, top row first
    std::vector<Rgb> local_table;     // empty: no local table
    bool interlaced = false;
    GifLzwOptions lzw;
};

// The codes an image's pixels compress to (clear and end codes included).
std::vector<int> gif_lzw_codes(const std::vector<std::uint8_t> &pixels, int minimum_code_size,
                               const GifLzwOptions &options);
// Packs codes with the widths a decoder reads them at, into data sub-blocks
// preceded by the minimum code size byte.
Bytes gif_pack_codes(const std::vector<int> &codes, int minimum_code_size, int sub_block, bool terminator);
// Rows in the order an interlaced image stores them.
std::vector<int> gif_interlace_order(int height);

struct GifBuilder {
    Bytes bytes;

    explicit GifBuilder(std::string_view signature = "GIF89a");
    // Logical screen descriptor and global table; `size_bits` overrides the
    // table-size field (written even without a table).
    GifBuilder &screen(int width, int height, const std::vector<Rgb> &global_table, int size_bits = -1);
    GifBuilder &graphic_control(bool transparent, int index, int block_size = 4);
    GifBuilder &comment(std::string_view text);
    GifBuilder &application(std::string_view identifier, const Bytes &data);
    GifBuilder &plain_text(std::string_view text);
    GifBuilder &extension(std::uint8_t label, const std::vector<Bytes> &sub_blocks);
    GifBuilder &image(const GifImage &image);
    // An image descriptor (and local table) followed by the given data bytes.
    GifBuilder &image_with_data(const GifImage &image, const Bytes &data);
    GifBuilder &raw(const Bytes &data);
    GifBuilder &trailer();
    Bytes build() const { return bytes; }
};

} // namespace testing_support
