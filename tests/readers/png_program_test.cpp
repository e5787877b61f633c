// Pngload end to end, natively and (when configured) the Windows build under
// Wine through the test host: the Draw file it writes, checked pixel by
// pixel, and its failures as the host sees them.
#include "tests/readers/png_helpers.h"
#include "tools/draw_file.h"
#include "tests/support/programs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;
using draw_file::DrawSprite;
using draw_file::parse_draw;

namespace {

std::vector<Rgb> palette_of(int count) {
    std::vector<Rgb> colours;
    for (int i = 0; i < count; ++i)
        colours.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(255 - i)});
    return colours;
}

struct PngCase {
    const char *what;
    PngBuilder png;
    int bpp;            // of the written sprite
    int palette_count;  // entries the sprite's palette holds (the rest are zero pairs)
    std::uint32_t mode; // sprite mode
    std::uint32_t box_x1, box_y1;
};

std::vector<PngCase> conversions() {
    PngBuilder alpha_halves = PngBuilder{}.size(6, 5).format(16, kPngRgba).pattern().background_rgb(0x1000, 0x8000, 0xF000);
    for (std::size_t i = 3; i < alpha_halves.samples.size(); i += 4) alpha_halves.samples[i] = (i / 4) % 2 == 0 ? 0 : 0xFFFF;
    return {
        {"8-bit palette of 200 entries", PngBuilder{}.size(23, 7).format(8, kPngPalette).palette(palette_of(200)).pattern(),
         8, 200, 28, 23 * 512, 7 * 512},
        {"4-bit palette, interlaced", PngBuilder{}.size(9, 4).format(4, kPngPalette).palette(palette_of(16)).pattern().interlace(),
         4, 16, 27, 9 * 512, 4 * 512},
        {"1-bit grey", PngBuilder{}.size(10, 3).format(1, kPngGrey).pattern(), 1, 2, 25, 5120, 1536},
        // 96 x 48 dpi: the 90 x 45 mode, box 5 x 46080 / 96 and 5 x 46080 / 48.
        {"16-bit grey at 96 x 48 dpi", PngBuilder{}.size(5, 5).format(16, kPngGrey).pattern().physical(3780, 1890, 1),
         8, 256, 15, 2400, 4800},
        {"8-bit colour at 72 dpi", PngBuilder{}.size(3, 2).format(8, kPngRgb).pattern().physical(2835, 2835, 1),
         32, 0, 0x301680B5, 3 * 640, 2 * 640},
        {"16-bit colour with alpha and bKGD", alpha_halves, 32, 0, 0x301680B5, 6 * 512, 5 * 512},
    };
}

TEST(PngloadProgram, ConvertsToADrawSprite) {
    TempDir dir;
    for (Runner runner : runners_for("Pngload")) {
        for (const PngCase &c : conversions()) {
            SCOPED_TRACE(runner_name(runner) + ": " + c.what);
            const std::string input = dir.file("in.png");
            const std::string output = dir.file("out.aff");
            write_file(input, c.png.build());
            const RunResult run = run_program(runner, "Pngload", {input, output});
            ASSERT_TRUE(run.succeeded) << run.failure_text;
            DrawSprite draw;
            std::string why;
            ASSERT_TRUE(parse_draw(read_file(output), draw, why)) << why;
            EXPECT_EQ(draw.creator, "RODEZ       ");
            EXPECT_EQ(draw.name, "png0");
            EXPECT_EQ(draw.bpp, c.bpp);
            EXPECT_EQ(draw.mode, c.mode);
            EXPECT_EQ(draw.box[2], c.box_x1);
            EXPECT_EQ(draw.box[3], c.box_y1);
            EXPECT_FALSE(draw.has_mask);
            ASSERT_EQ(draw.width, static_cast<int>(c.png.width));
            ASSERT_EQ(draw.height, static_cast<int>(c.png.height));
            if (c.bpp <= 8) {
                ASSERT_EQ(draw.palette.size(), std::size_t{1} << c.bpp);
                for (std::size_t i = static_cast<std::size_t>(c.palette_count); i < draw.palette.size(); ++i)
                    EXPECT_EQ(draw.palette[i], 0u) << "palette entry " << i;
            }
            int wrong = 0;
            for (std::uint32_t y = 0; y < c.png.height; ++y) {
                for (std::uint32_t x = 0; x < c.png.width; ++x) {
                    const Rgb want = testing_support::builder_rgb(c.png, x, y);
                    const std::uint32_t expected = static_cast<std::uint32_t>(want.r) << 16 | want.g << 8 | want.b;
                    const std::uint32_t got = draw.rgb(static_cast<int>(x), static_cast<int>(y));
                    if (got != expected && wrong++ < 3)
                        ADD_FAILURE() << "pixel " << x << "," << y << std::hex << " is " << got << ", expected " << expected;
                }
            }
            EXPECT_EQ(wrong, 0);
        }
    }
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
