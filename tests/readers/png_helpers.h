// Helpers of the PNG reader tests: the reader run in this process, the
// colours a built image must show, and netpbm's decoding to compare with.
#pragma once

#include "tests/support/png_builder.h"
#include "tests/support/raster_harness.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// The PNG reader run in this process on a file or on built bytes.
ReaderRun read_png_file(const std::string &path);
ReaderRun read_png_bytes(const Bytes &bytes);

// The colour pixel (x, y) of a built image must show in an 8-bit sprite: its
// own (16-bit samples cut to their high byte, grey widened to the ramp), or
// the bKGD colour (black without one) where alpha 0 or tRNS make it
// transparent. Alpha must be 0 or full.
Rgb builder_rgb(const PngBuilder &png, std::uint32_t x, std::uint32_t y);

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
std::optional<Bytes> png_chunk_data(const Bytes &bytes, const std::string &type);

// Compares every pixel: opaque and fully transparent ones exactly, partly
// transparent ones (and all of a rescaled reference) within one step.
// Returns a description of the first mismatches, or an empty string.
std::string compare_pixels(const Bitmap *bitmap, const Reference &expected);

} // namespace testing_support
