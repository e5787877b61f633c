// Gifload run as the host runs it, natively and (when configured) the Windows
// build under Wine: Draw files checked header and pixel by pixel, failures by
// their exact text.
#include "tests/readers/gif_pcx_harness.h"
#include "tests/support/gif_builder.h"

#include <gtest/gtest.h>

using testing_support::Bytes;
using testing_support::GifBuilder;
using testing_support::GifImage;
using testing_support::Rgb;

namespace {

std::vector<Rgb> colours(int n) {
    std::vector<Rgb> table;
    for (int i = 0; i < n; ++i)
        table.push_back({static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(i * 11), static_cast<std::uint8_t>(200 - i)});
    return table;
}

GifImage pattern(int width, int height, int colours_used) {
    GifImage image;
    image.width = width;
    image.height = height;
    for (int i = 0; i < width * height; ++i) image.pixels.push_back(static_cast<std::uint8_t>((i * 7 + i / width) % colours_used));
    return image;
}

TEST(GifloadProgram, UsageAndMissingInput) { reader_harness::expect_usage_and_missing_input("Gifload"); }

TEST(GifloadProgram, ConvertsTheFirstImage) {
    struct Case {
        const char *name;
        Bytes file;
        GifImage image;
        int table, bpp;
        int transparent; // -1: no mask
    };
    GifImage interlaced = pattern(13, 11, 8);
    interlaced.interlaced = true;
    GifImage mono = pattern(10, 3, 2);
    GifImage full = pattern(67, 45, 256);
    full.local_table = colours(256);
    const Case cases[] = {
        {"interlaced with transparency", GifBuilder().screen(13, 11, colours(8)).graphic_control(true, 6).image(interlaced).trailer().build(),
         interlaced, 8, 4, 6},
        {"two colours, GIF87a", GifBuilder("GIF87a").screen(10, 3, colours(2)).image(mono).trailer().build(), mono, 2, 1, -1},
        {"local table, further images", GifBuilder().screen(67, 45, colours(2)).comment("x").image(full).image(mono).image(mono).trailer().build(),
         full, 256, 8, -1},
    };
    std::vector<Bytes> native_outputs;
    for (auto runner : testing_support::runners_for("Gifload")) {
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const Case &c = cases[i];
            SCOPED_TRACE(testing_support::runner_name(runner) + ": " + c.name);
            auto run = reader_harness::run_program_on(runner, "Gifload", c.file);
            ASSERT_TRUE(run.result.succeeded) << run.result.failure_text;
            ASSERT_EQ(run.parse_problem, "");
            // Both builds write the same bytes.
            if (runner == testing_support::Runner::native) native_outputs.push_back(run.output);
            else EXPECT_EQ(run.output, native_outputs[i]);
            const auto &sprite = run.sprite;
            EXPECT_EQ(sprite.creator, "VIVOZ       ");
            EXPECT_EQ(sprite.name, "gif0");
            EXPECT_EQ(sprite.bpp, c.bpp);
            ASSERT_EQ(sprite.width, c.image.width);
            ASSERT_EQ(sprite.height, c.image.height);
            EXPECT_EQ(sprite.box[2], static_cast<std::uint32_t>(c.image.width * 480));
            EXPECT_EQ(sprite.box[3], static_cast<std::uint32_t>(c.image.height * 480));
            EXPECT_EQ(sprite.has_mask, c.transparent >= 0);
            std::vector<Rgb> table = colours(c.table);
            for (int y = 0; y < c.image.height; ++y)
                for (int x = 0; x < c.image.width; ++x) {
                    std::uint8_t index = c.image.pixels[static_cast<std::size_t>(y * c.image.width + x)];
                    ASSERT_EQ(sprite.pixel(x, y), index) << x << "," << y;
                    Rgb rgb = table[index];
                    ASSERT_EQ(sprite.rgb(x, y), static_cast<std::uint32_t>(rgb.r << 16 | rgb.g << 8 | rgb.b));
                    if (c.transparent >= 0) {
                        ASSERT_EQ(sprite.mask_pixel(x, y), index == c.transparent ? 0u : (1u << c.bpp) - 1);
                    }
                }
        }
    }
}

TEST(GifloadProgram, FailuresReachTheHostAsText) {
    GifImage image = pattern(40, 40, 256);
    Bytes whole = GifBuilder().screen(40, 40, colours(256)).image(image).trailer().build();
    const std::size_t data = 13 + 768 + 10;
    struct Case { const char *name; Bytes file; const char *text; };
    const Case cases[] = {
        {"not a GIF", Bytes{'G', 'I', 'F', '8', '9', 'b', 0, 0}, "Unidentified file type."},
        {"no image", GifBuilder().screen(4, 4, colours(2)).trailer().build(), "The GIF file holds no image before its end."},
        {"cut where a sub-block size is due", Bytes(whole.begin(), whole.begin() + data + 257), "Corruption in file."},
        {"cut inside a sub-block", Bytes(whole.begin(), whole.begin() + data + 100), "Error reading data."},
    };
    for (auto runner : testing_support::runners_for("Gifload"))
        for (const Case &c : cases) {
            auto run = reader_harness::run_program_on(runner, "Gifload", c.file);
            EXPECT_FALSE(run.result.succeeded);
            EXPECT_EQ(run.result.failure_text, c.text) << testing_support::runner_name(runner) << ": " << c.name;
        }
}

} // namespace
