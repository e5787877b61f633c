// Helpers of the PNG reader tests: running the reader in this process,
// reading sprite pixels, and the independent decoder's PNM output.
#pragma once

#include "framework/sprite.h"
#include "tests/support/files.h"
#include "tests/support/png_builder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace png_tests {

struct Rgb {
    std::uint8_t red, green, blue;
    bool operator==(const Rgb &) const = default;
};

struct Outcome {
    bool ok = false;
    std::string failure; // the failure text when not ok
    Bitmap *bitmap = nullptr;
    std::string name; // the sprite entry's name
};

// Runs pngin_read on a file (after emptying the sprite list).
Outcome read_png_file(const std::string &path);
// Writes the bytes to a temporary file and reads it.
Outcome read_png_bytes(const testing_support::Bytes &bytes);

// The stored value of pixel (x, y): a palette index, or 0xBBGGRR for 24 bpp.
std::uint32_t sprite_value(const Bitmap *bitmap, std::int32_t x, std::int32_t y);
// The colour of pixel (x, y), through the palette for 8 bpp and less.
Rgb sprite_rgb(const Bitmap *bitmap, std::int32_t x, std::int32_t y);

// The colour pixel (x, y) of a built image must show in an 8-bit sprite: its
// own (16-bit samples cut to their high byte, grey widened to the ramp), or
// the bKGD colour (black without one) where alpha 0 or tRNS make it
// transparent. Alpha must be 0 or full.
Rgb builder_rgb(const testing_support::PngBuilder &png, std::uint32_t x, std::uint32_t y);

// netpbm's pngtopam reading of a PNG with its alpha, samples at the file's
// own precision, composited here as the reader must: onto the bKGD colour or
// black, alpha from the alpha channel, a palette's tRNS, or a grey or colour
// tRNS (which pngtopam leaves out of its alpha, so the test applies it).
struct Reference {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<Rgb> pixels;
    std::vector<bool> partial; // partly transparent pixels, compared within partial_tolerance
    // libpng's rounding may differ by one; and with a gAMA other than 1.0
    // png_set_background composites in linear light, which the reference
    // (mixing the encoded values) does not, so those pixels are not compared.
    int partial_tolerance = 0;
    bool rescaled = false;     // netpbm rescaled the samples (sBIT), so each may differ by one
};
std::optional<Reference> netpbm_reference(const std::string &png_path, const std::string &scratch_dir);

// The data of the first chunk of the type, if any (walks the chunk list).
std::optional<testing_support::Bytes> png_chunk_data(const testing_support::Bytes &bytes, const std::string &type);

// Compares every pixel: opaque and fully transparent ones exactly, partly
// transparent ones (and all of a rescaled reference) within one step.
// Returns a description of the first mismatches, or an empty string.
std::string compare_pixels(const Bitmap *bitmap, const Reference &expected);

} // namespace png_tests
