// Independent decoders for comparisons: runs a command (netpbm, ImageMagick)
// and reads the PNM or PAM image it writes.
#pragma once

#include "tests/support/files.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct Pnm {
    int width = 0, height = 0, maxval = 0, channels = 0;
    std::vector<std::uint32_t> samples; // channels per pixel, row by row
    // The pixel as 0xRRGGBB (grey or RGB images) with every sample widened to 8 bits (grey repeated).
    std::uint32_t rgb(int x, int y) const;
};

bool parse_pnm(const Bytes &bytes, Pnm &out);
// Runs a shell command; true when it exits 0.
bool run_shell(const std::string &command);
bool have_command(const std::string &name);
// A path in single quotes for a shell command line.
std::string shell_quoted(const std::string &path);
// Runs `command` (which writes PNM to standard output) into a PNM image.
bool decode_with(const std::string &command, Pnm &out);

// A P6 image of `colours` random colours (the first of them pure 0x102030,
// for transparency tests), pixels scattered at random: input for encoders.
Bytes palette_ppm(int width, int height, int colours, unsigned seed);

} // namespace testing_support
