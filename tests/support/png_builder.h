// Builds PNG files for tests with code of its own (no libpng): chunks with
// their CRCs, image data in stored deflate blocks, Adam7 interlacing, and the
// ancillary chunks the reader uses. Tests then damage the bytes as they need.
#pragma once

#include "tests/support/files.h"
#include "tests/support/pixels.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// PNG colour types.
enum PngColour : int { kPngGrey = 0, kPngRgb = 2, kPngPalette = 3, kPngGreyAlpha = 4, kPngRgba = 6 };


// One chunk: length, type, data and CRC.
Bytes png_chunk(std::string_view type, const Bytes &data);

// The samples of one pixel per colour type: 1 (grey, palette), 2 (grey, alpha), 3 (RGB) or 4 (RGBA).
int png_channels(int colour_type);

struct PngBuilder {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    int bit_depth = 8;
    int colour_type = kPngGrey;
    bool interlaced = false;
    std::vector<std::uint16_t> samples;  // width x height x channels, row by row
    std::vector<Rgb> plte;
    Bytes trns, bkgd, phys;
    std::vector<std::pair<std::string, Bytes>> extra; // further chunks before the image data
    std::size_t idat_piece = 0;                       // split the image data into chunks of this size (0: one)
    bool cycle_filters = false;                       // row filters 0..4 in turn instead of none

    PngBuilder &size(std::uint32_t w, std::uint32_t h);
    PngBuilder &format(int depth, int colour);
    PngBuilder &interlace(bool on = true);
    PngBuilder &pixels(std::vector<std::uint16_t> values);
    // A pattern that uses every value the depth allows, different in every channel.
    PngBuilder &pattern();
    PngBuilder &palette(std::vector<Rgb> colours);
    PngBuilder &transparency(Bytes data);          // tRNS exactly as given
    PngBuilder &transparent_grey(std::uint16_t grey);
    PngBuilder &transparent_rgb(std::uint16_t red, std::uint16_t green, std::uint16_t blue);
    PngBuilder &background_index(std::uint8_t index);
    PngBuilder &background_grey(std::uint16_t grey);
    PngBuilder &background_rgb(std::uint16_t red, std::uint16_t green, std::uint16_t blue);
    PngBuilder &physical(std::uint32_t x, std::uint32_t y, std::uint8_t unit);
    PngBuilder &chunk(std::string type, Bytes data);
    PngBuilder &split_idat(std::size_t piece);
    PngBuilder &filters();

    // The sample of channel c of pixel (x, y).
    std::uint16_t sample(std::uint32_t x, std::uint32_t y, int c) const;
    // The zlib stream of the filtered rows (every pass when interlaced).
    Bytes image_data() const;
    Bytes build() const;
};

// What a decoder should show for 8-bit output: a sample cut to its high byte
// for 16-bit images, unchanged otherwise.
std::uint8_t png_sample_8(std::uint16_t sample, int bit_depth);

} // namespace testing_support
