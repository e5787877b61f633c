// Gifload run as the host runs it, natively and (when configured) the Windows
// build under Wine: Draw files checked header and pixel by pixel, failures by
// their exact text.
#include "tests/support/raster_harness.h"
#include "tests/support/gif_builder.h"

#include <gtest/gtest.h>

using namespace testing_support;

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

TEST(GifloadProgram, UsageAndMissingInput) { expect_usage_and_missing_input("Gifload"); }

TEST(GifloadProgram, ConvertsTheFirstImage) {
    // The sprite of an image: its indices, coloured by the table, masked at `transparent` (-1: no mask).
    auto expect = [](const char *name, Bytes file, const GifImage &image, int table, int bpp, int transparent) {
        return ProgramCase{name, std::move(file), bpp, image.width, image.height, transparent >= 0,
                           [image, table = colours(table), bpp, transparent](int x, int y) {
                               std::uint8_t index = image.pixels[static_cast<std::size_t>(y * image.width + x)];
                               return SpritePixel{index, table[index].packed(),
                                                  index == transparent ? 0u : (1u << bpp) - 1};
                           }};
    };
    GifImage interlaced = pattern(13, 11, 8);
    interlaced.interlaced = true;
    GifImage mono = pattern(10, 3, 2);
    GifImage full = pattern(67, 45, 256);
    full.local_table = colours(256);
    const ProgramCase cases[] = {
        expect("interlaced with transparency", GifBuilder().screen(13, 11, colours(8)).graphic_control(true, 6).image(interlaced).trailer().build(),
               interlaced, 8, 4, 6),
        expect("two colours, GIF87a", GifBuilder("GIF87a").screen(10, 3, colours(2)).image(mono).trailer().build(), mono, 2, 1, -1),
        expect("local table, further images", GifBuilder().screen(67, 45, colours(2)).comment("x").image(full).image(mono).image(mono).trailer().build(),
               full, 256, 8, -1),
    };
    expect_conversions("Gifload", "VIVOZ       ", "gif0", cases);
}

TEST(GifloadProgram, FailuresReachTheHostAsText) {
    GifImage image = pattern(40, 40, 256);
    Bytes whole = GifBuilder().screen(40, 40, colours(256)).image(image).trailer().build();
    const std::size_t data = 13 + 768 + 10;
    const FailureCase cases[] = {
        {"not a GIF", Bytes{'G', 'I', 'F', '8', '9', 'b', 0, 0}, "Unidentified file type."},
        {"no image", GifBuilder().screen(4, 4, colours(2)).trailer().build(), "The GIF file holds no image before its end."},
        {"cut where a sub-block size is due", Bytes(whole.begin(), whole.begin() + data + 257), "Corruption in file."},
        {"cut inside a sub-block", Bytes(whole.begin(), whole.begin() + data + 100), "Error reading data."},
    };
    expect_failure_texts("Gifload", cases);
}

} // namespace
