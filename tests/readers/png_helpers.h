// Helpers of the PNG reader tests: running the reader in this process,
// reading sprite pixels, and the independent decoder's PNM output.
#pragma once

#include "framework/sprite.h"
#include "tests/support/files.h"

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

// A decoded netpbm image (PBM, PGM or PPM, binary), samples scaled to 8 bits
// by taking the high byte of 16-bit samples.
struct Pnm {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<Rgb> pixels;
};
std::optional<Pnm> parse_pnm(const testing_support::Bytes &bytes);

// Runs a shell command; true when it exits with status 0.
bool run_command(const std::string &command);
bool have_program(const std::string &name);

// pngtopnm's rendering of a PNG composited as the reader does: onto the
// bKGD colour, or onto black when the file has none.
std::optional<Pnm> netpbm_decode(const std::string &png_path, const std::string &scratch_dir);

// True when the PNG file holds a chunk of this type (walks the chunk list).
bool png_has_chunk(const testing_support::Bytes &bytes, const std::string &type);

// Compares every pixel; returns a description of the first few mismatches
// beyond `tolerance` per sample, or an empty string.
std::string compare_pixels(const Bitmap *bitmap, const Pnm &expected, int tolerance);

} // namespace png_tests
