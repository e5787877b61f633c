// Pcxload run as the host runs it, natively and (when configured) the Windows
// build under Wine: Draw files checked header and pixel by pixel, failures by
// their exact text.
#include "tests/support/raster_harness.h"
#include "tests/support/pcx_builder.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

PcxBuilder pattern(int bits, int planes, int width, int height) {
    PcxBuilder pcx;
    pcx.bits_per_pixel = bits;
    pcx.planes = planes;
    pcx.size(width, height);
    for (int i = 0; i < width * height; ++i) {
        std::uint32_t v = static_cast<std::uint32_t>(i * 2654435761u);
        pcx.pixels.push_back(bits == 8 && planes >= 3 ? v : v % (1u << (bits * planes)));
    }
    for (std::size_t i = 0; i < pcx.colour_map.size(); ++i) pcx.colour_map[i] = static_cast<std::uint8_t>(250 - i * 3);
    return pcx;
}

TEST(PcxloadProgram, UsageAndMissingInput) { expect_usage_and_missing_input("Pcxload"); }

TEST(PcxloadProgram, ConvertsEachLayout) {
    // The sprite of a layout: its values at 8 bpp and less, coloured by the
    // trailing palette (8 bits), black and white (1 bit) or the header's map.
    auto expect = [](const char *name, const PcxBuilder &pcx, int bpp) {
        return ProgramCase{name, pcx.build(), bpp, pcx.width(), pcx.height(), false, [pcx, bpp](int x, int y) {
                               std::uint32_t p = pcx.pixels[static_cast<std::size_t>(y * pcx.width() + x)];
                               if (bpp == 32) return SpritePixel{std::nullopt, p & 0xFFFFFF, std::nullopt};
                               std::uint32_t expected = 0;
                               if (bpp == 1) expected = p ? 0xFFFFFF : 0;
                               else {
                                   const std::uint8_t *t = bpp == 8 ? pcx.trailing_palette->data() : pcx.colour_map.data();
                                   expected = static_cast<std::uint32_t>(t[p * 3] << 16 | t[p * 3 + 1] << 8 | t[p * 3 + 2]);
                               }
                               return SpritePixel{p, expected, std::nullopt};
                           }};
    };
    PcxBuilder with_trailing = pattern(8, 1, 21, 9);
    with_trailing.trailing_palette = std::vector<std::uint8_t>(768);
    for (std::size_t i = 0; i < 768; ++i) (*with_trailing.trailing_palette)[i] = static_cast<std::uint8_t>(i / 3 ^ i % 3 * 85);
    PcxBuilder mono = pattern(1, 1, 10, 3);
    mono.version = 3;
    const ProgramCase cases[] = {
        expect("16 colours in planes", pattern(1, 4, 31, 7), 4),
        expect("8 bits with trailing palette", with_trailing, 8),
        expect("version 3 mono", mono, 1),
        expect("24-bit", pattern(8, 3, 19, 5), 32),
    };
    expect_conversions("Pcxload", "VOVID       ", "pcx0", cases);
}

TEST(PcxloadProgram, FailuresReachTheHostAsText) {
    PcxBuilder no_depth = pattern(8, 1, 4, 4);
    no_depth.planes = 0;
    no_depth.data = Bytes{};
    Bytes short_file = pattern(8, 1, 4, 4).build();
    short_file.resize(100);
    const FailureCase cases[] = {
        {"shorter than the header", short_file, "Error reading data."},
        {"depth 0", no_depth.build(), "Bad PCX header: 0 bits per pixel."},
    };
    expect_failure_texts("Pcxload", cases);
}

} // namespace
