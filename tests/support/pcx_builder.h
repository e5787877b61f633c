// Builds PCX files for tests: the 128-byte header, run-length encoded lines
// made from pixels (packed, one-bit planes, or 8-bit colour planes), and the
// trailing 256-colour palette.
#pragma once

#include "tests/support/files.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace testing_support {

struct PcxBuilder {
    std::uint8_t manufacturer = 10;
    std::uint8_t version = 5;
    std::uint8_t encoding = 1; // 0: the lines are stored without runs
    int bits_per_pixel = 8;
    int planes = 1;
    int xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    std::optional<int> bytes_per_line; // default: the even length that holds a line
    std::array<std::uint8_t, 48> colour_map{};
    std::vector<std::uint32_t> pixels; // row-major: palette indices, or 0xAARRGGBB for 8-bit planes
    bool runs_cross_lines = false;     // encode all lines as one stream
    std::optional<Bytes> data;         // encoded data given as is
    std::optional<std::vector<std::uint8_t>> trailing_palette; // 768 bytes behind a marker
    std::uint8_t trailing_marker = 12;

    PcxBuilder &size(int width, int height) {
        xmax = xmin + width - 1;
        ymax = ymin + height - 1;
        return *this;
    }
    int width() const { return xmax - xmin + 1; }
    int height() const { return ymax - ymin + 1; }
    int line_length() const; // bytes per line in use
    // The decoded lines: height x planes of line_length() bytes.
    Bytes lines() const;
    Bytes build() const;
};

// Run-length encodes bytes: runs of up to 63, single bytes below 0xC0 as themselves.
Bytes pcx_encode(const Bytes &bytes);

} // namespace testing_support
