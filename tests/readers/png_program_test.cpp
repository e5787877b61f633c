// Pngload end to end, natively and (when configured) the Windows build under
// Wine through the test host: the Draw file it writes, checked pixel by
// pixel, and its failures as the host sees them.
#include "tests/readers/png_helpers.h"
#include "tests/support/raster_harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

std::vector<Rgb> palette_of(int count) {
    std::vector<Rgb> colours;
    for (int i = 0; i < count; ++i)
        colours.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(255 - i)});
    return colours;
}

// A row: the builder chain, then the sprite's depth, the palette entries it
// holds (the rest are zero pairs), its mode and its box.
ProgramCase png_case(const char *name, const PngBuilder &png, int bpp, std::size_t palette_count, std::uint32_t mode,
                     std::uint32_t box_x1, std::uint32_t box_y1) {
    return ProgramCase{name, png.build(), bpp, static_cast<int>(png.width), static_cast<int>(png.height), false,
                       [png](int x, int y) {
                           const Rgb want = builder_rgb(png, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
                           return SpritePixel{std::nullopt, std::uint32_t{want.r} << 16 | want.g << 8 | want.b, std::nullopt};
                       },
                       mode, std::pair{box_x1, box_y1}, palette_count};
}

TEST(PngloadProgram, ConvertsToADrawSprite) {
    PngBuilder alpha_halves = PngBuilder{}.size(6, 5).format(16, kPngRgba).pattern().background_rgb(0x1000, 0x8000, 0xF000);
    for (std::size_t i = 3; i < alpha_halves.samples.size(); i += 4) alpha_halves.samples[i] = (i / 4) % 2 == 0 ? 0 : 0xFFFF;
    const ProgramCase cases[] = {
        png_case("8-bit palette of 200 entries", PngBuilder{}.size(23, 7).format(8, kPngPalette).palette(palette_of(200)).pattern(),
                 8, 200, 28, 23 * 512, 7 * 512),
        png_case("4-bit palette, interlaced", PngBuilder{}.size(9, 4).format(4, kPngPalette).palette(palette_of(16)).pattern().interlace(),
                 4, 16, 27, 9 * 512, 4 * 512),
        png_case("1-bit grey", PngBuilder{}.size(10, 3).format(1, kPngGrey).pattern(), 1, 2, 25, 5120, 1536),
        // 96 x 48 dpi: the 90 x 45 mode, box 5 x 46080 / 96 and 5 x 46080 / 48.
        png_case("16-bit grey at 96 x 48 dpi", PngBuilder{}.size(5, 5).format(16, kPngGrey).pattern().physical(3780, 1890, 1),
                 8, 256, 15, 2400, 4800),
        png_case("8-bit colour at 72 dpi", PngBuilder{}.size(3, 2).format(8, kPngRgb).pattern().physical(2835, 2835, 1),
                 32, 0, 0x301680B5, 3 * 640, 2 * 640),
        png_case("16-bit colour with alpha and bKGD", alpha_halves, 32, 0, 0x301680B5, 6 * 512, 5 * 512),
    };
    expect_conversions("Pngload", "RODEZ       ", "png0", cases);
}

TEST(PngloadProgram, FailuresReachTheHost) {
    Bytes good = PngBuilder{}.size(8, 8).format(8, kPngRgb).pattern().build();
    Bytes not_png = good;
    not_png[1] = 'Q';
    // IHDR of 1000000 x 400 colour pixels: a 1.2 GB bitmap.
    Bytes too_large = good;
    const Bytes ihdr = png_chunk("IHDR", {0x00, 0x0F, 0x42, 0x40, 0, 0, 0x01, 0x90, 8, 2, 0, 0, 0});
    std::copy(ihdr.begin(), ihdr.end(), too_large.begin() + 8);
    expect_usage_and_missing_input("Pngload");
    const FailureCase cases[] = {
        {"not a PNG file", not_png, "PNG:Not a PNG file"},
        {"truncated", Bytes(good.begin(), good.begin() + 60), "PNG:Unexpected end of file"},
        {"over the bitmap limit", too_large, "Image is too large (1000000 x 400 pixels at 24 bits per pixel)"},
    };
    expect_failure_texts("Pngload", cases);
}

} // namespace
