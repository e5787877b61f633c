// The GIF reader on files built by GifBuilder: structure, palettes, masks,
// interlace order, the LZW decoder's edge cases and damaged data.
#include "readers/gif.h"
#include "tests/support/raster_harness.h"
#include "tests/support/gif_builder.h"

#include <gtest/gtest.h>

#include <random>

using namespace testing_support;

namespace {

std::string read_gif(const Bytes &bytes) { return reader_failure(gif_read, bytes); }

std::vector<Rgb> grey_table(int n) {
    std::vector<Rgb> table;
    for (int i = 0; i < n; ++i) table.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3),
                                                 static_cast<std::uint8_t>(255 - i)});
    return table;
}

std::vector<std::uint8_t> random_pixels(int count, int colours, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(count));
    for (auto &p : pixels) p = static_cast<std::uint8_t>(random() % colours);
    return pixels;
}

GifImage image_of(int width, int height, std::vector<std::uint8_t> pixels) {
    GifImage image;
    image.width = width;
    image.height = height;
    image.pixels = std::move(pixels);
    return image;
}

// The decoded entry 0 equals the image's pixels, row by row.
void expect_pixels(const GifImage &image) {
    ASSERT_GE(sprite_list.count, 1);
    Bitmap *bitmap = sprite_list.entries[0].image->image;
    ASSERT_EQ(bitmap->width, image.width);
    ASSERT_EQ(bitmap->height, image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            ASSERT_EQ(bitmap_value(bitmap, x, y), image.pixels[static_cast<std::size_t>(y * image.width + x)])
                << "at " << x << "," << y;
}

Bytes simple_file(const GifImage &image, const std::vector<Rgb> &global = grey_table(256)) {
    return GifBuilder().screen(image.width, image.height, global).image(image).trailer().build();
}

TEST(GifRead, AcceptsOnlyTheTwoSignatures) {
    GifImage image = image_of(2, 1, {1, 0});
    for (const char *good : {"GIF87a", "GIF89a"}) {
        EXPECT_EQ(read_gif(GifBuilder(good).screen(2, 1, grey_table(2)).image(image).trailer().build()), "");
        expect_pixels(image);
    }
    for (const char *bad : {"gif89a", "GIF89b", "GIF88a", "GIF8", ""}) {
        Bytes bytes = GifBuilder(bad).build();
        if (std::string_view(bad).size() == 6) bytes = GifBuilder(bad).screen(2, 1, grey_table(2)).image(image).build();
        EXPECT_EQ(read_gif(bytes), "Unidentified file type.") << bad;
    }
}

TEST(GifRead, DepthAndPaletteFollowTheColourTable) {
    struct Case { int colours, bpp; };
    for (Case c : {Case{2, 1}, {4, 2}, {8, 4}, {16, 4}, {32, 8}, {64, 8}, {128, 8}, {256, 8}}) {
        GifImage image = image_of(37, 5, random_pixels(37 * 5, c.colours, static_cast<unsigned>(c.colours)));
        image.local_table = grey_table(c.colours);
        ASSERT_EQ(read_gif(simple_file(image, grey_table(2))), "") << c.colours;
        Bitmap *bitmap = sprite_list.entries[0].image->image;
        EXPECT_EQ(bitmap->bpp, c.bpp);
        EXPECT_EQ(sprite_list.entries[0].bpp, c.bpp);
        ASSERT_EQ(bitmap->palette_count, c.colours);
        for (int i = 0; i < c.colours; ++i)
            EXPECT_EQ(bitmap->palette[i], std::uint32_t(i) << 8 | std::uint32_t(i * 3 & 0xFF) << 16 |
                                              std::uint32_t(255 - i) << 24);
        EXPECT_EQ(bitmap->xdpi, 96);
        EXPECT_EQ(bitmap->ydpi, 96);
        EXPECT_EQ(sprite_list.entries[0].image->mask, nullptr);
        EXPECT_STREQ(sprite_list.entries[0].name, "GIF0");
        expect_pixels(image);
    }
    EXPECT_EQ(gif_depth_for_colours(0), 1);
    EXPECT_EQ(gif_depth_for_colours(512), 24);
    EXPECT_EQ(gif_depth_for_colours(1 << 25), 32);
}

TEST(GifRead, ImageWithoutLocalTableTakesTheGlobalOneOrZeros) {
    GifImage image = image_of(3, 2, {0, 1, 2, 3, 2, 1});
    ASSERT_EQ(read_gif(simple_file(image, grey_table(4))), "");
    Bitmap *bitmap = sprite_list.entries[0].image->image;
    EXPECT_EQ(bitmap->palette_count, 4);
    EXPECT_EQ(bitmap->palette[3], 0xFC090300u);
    expect_pixels(image);

    ASSERT_EQ(read_gif(GifBuilder().screen(3, 2, {}, 4).image(image).trailer().build()), "");
    bitmap = sprite_list.entries[0].image->image;
    EXPECT_EQ(bitmap->palette_count, 32);
    EXPECT_EQ(bitmap->bpp, 8);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(bitmap->palette[i], 0u);
    expect_pixels(image);
}

TEST(GifRead, GraphicControlGivesAMaskForTheNextImageOnly) {
    struct Case { int block_size, index, transparent_pixel; };
    // A block shorter than 4 bytes leaves index 0; a longer one has its excess skipped.
    for (Case c : {Case{4, 5, 5}, {6, 5, 5}, {2, 5, 0}, {1, 5, 0}}) {
        GifImage image = image_of(40, 3, random_pixels(120, 8, 7));
        image.pixels[0] = 5;
        image.pixels[1] = 0;
        Bytes bytes = GifBuilder().screen(40, 3, grey_table(8)).graphic_control(true, c.index, c.block_size)
                          .image(image).image(image).trailer().build();
        ASSERT_EQ(read_gif(bytes), "") << c.block_size;
        Bitmap *mask = sprite_list.entries[0].image->mask;
        ASSERT_NE(mask, nullptr);
        EXPECT_EQ(mask->bpp, 1);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(bitmap_value(mask, x, y), image.pixels[static_cast<std::size_t>(y * 40 + x)] == c.transparent_pixel
                                                 ? 0u
                                                 : 1u);
        expect_pixels(image);
        ASSERT_EQ(sprite_list.count, 2);
        auto *second = reinterpret_cast<GifImageInfo *>(sprite_list.extra + sizeof(GifImageInfo));
        EXPECT_EQ(second->has_transparency, 0);
    }
    GifImage image = image_of(2, 1, {1, 1});
    ASSERT_EQ(read_gif(GifBuilder().screen(2, 1, grey_table(2)).graphic_control(false, 1).image(image).build()), "");
    EXPECT_EQ(sprite_list.entries[0].image->mask, nullptr);
}

TEST(GifRead, InterlacedRowsArriveInFourPasses) {
    struct Case { int height; std::vector<int> order; };
    for (const Case &c : {Case{10, {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}}, Case{3, {0, 2, 1}}, Case{1, {0}}}) {
        EXPECT_EQ(testing_support::gif_interlace_order(c.height), c.order);
        std::vector<std::uint8_t> rows;
        for (int y = 0; y < c.height; ++y) rows.insert(rows.end(), {static_cast<std::uint8_t>(y + 1), 0});
        GifImage image = image_of(2, c.height, rows);
        image.interlaced = true;
        ASSERT_EQ(read_gif(simple_file(image, grey_table(16))), "");
        expect_pixels(image);
        // Data that stops after k rows fills exactly the first k rows of the pass order.
        for (int k = 1; k < c.height; ++k) {
            std::vector<std::uint8_t> sent(static_cast<std::size_t>(2 * k), 15);
            Bytes data = testing_support::gif_pack_codes(testing_support::gif_lzw_codes(sent, 4, {}), 4, 255, true);
            ASSERT_EQ(read_gif(GifBuilder().screen(2, c.height, grey_table(16)).image_with_data(image, data).build()),
                      "");
            Bitmap *bitmap = sprite_list.entries[0].image->image;
            for (int i = 0; i < c.height; ++i)
                EXPECT_EQ(bitmap_value(bitmap, 1, c.order[static_cast<std::size_t>(i)]), i < k ? 15u : 0u) << k << " " << i;
        }
    }
}

TEST(GifRead, LzwStreamsDecodeWhateverTheEncoderChose) {
    struct Case { const char *name; int width, height, colours; testing_support::GifLzwOptions lzw; };
    const Case cases[] = {
        {"width grows to 12 bits, clear when full", 300, 200, 256, {}},
        {"deferred clear: full table kept", 300, 200, 256, {.clear_when_full = false}},
        {"clear after every code", 50, 20, 16, {.clear_every = 1}},
        {"clear every 3 codes", 50, 20, 4, {.clear_every = 3}},
        {"no leading clear", 60, 20, 4, {.clear_first = false}},
        {"no end code", 60, 20, 4, {.end_code = false}},
        {"one-byte sub-blocks", 60, 20, 16, {.sub_block = 1}},
        {"two-colour image", 61, 7, 2, {}},
        {"minimum code size 11", 40, 40, 256, {.minimum_code_size = 11}},
        {"minimum code size 8 for 4 colours", 40, 40, 4, {.minimum_code_size = 8}},
        {"rows with padding, few colours", 301, 60, 3, {.minimum_code_size = 8}},
        {"one pixel wide", 1, 500, 2, {.minimum_code_size = 8}},
    };
    for (const Case &c : cases) {
        for (bool interlaced : {false, true}) {
            GifImage image = image_of(c.width, c.height, random_pixels(c.width * c.height, c.colours, 11));
            image.lzw = c.lzw;
            image.interlaced = interlaced;
            image.local_table = grey_table(std::max(c.colours, 4));
            ASSERT_EQ(read_gif(simple_file(image)), "") << c.name;
            SCOPED_TRACE(::testing::Message() << c.name << (interlaced ? ", interlaced" : ""));
            expect_pixels(image);
        }
    }
}

TEST(GifRead, CodeEqualToTheNextFreeEntryRepeatsThePreviousString) {
    // Runs of one value make the encoder send codes that are not yet in the decoder's table.
    GifImage image = image_of(30, 1, std::vector<std::uint8_t>(30, 3));
    for (int i = 10; i < 20; ++i) image.pixels[static_cast<std::size_t>(i)] = 1;
    std::vector<int> codes = testing_support::gif_lzw_codes(image.pixels, 2, {});
    EXPECT_EQ(codes[2], 6); // clear, 3, then code 6 = "3 3" before the decoder has defined it
    ASSERT_EQ(read_gif(simple_file(image, grey_table(4))), "");
    expect_pixels(image);
}

TEST(GifRead, DataEndingEarlyLeavesColourZeroAndTransparency) {
    GifImage image = image_of(4, 4, std::vector<std::uint8_t>(16, 2));
    std::vector<std::uint8_t> half(8, 2);
    struct Case { const char *name; Bytes data; };
    const Case cases[] = {
        {"end code after half", testing_support::gif_pack_codes(testing_support::gif_lzw_codes(half, 2, {}), 2, 255, true)},
        {"empty sub-block after half", testing_support::gif_pack_codes(
                                           testing_support::gif_lzw_codes(half, 2, {.end_code = false}), 2, 255, true)},
    };
    for (const Case &c : cases) {
        Bytes bytes = GifBuilder().screen(4, 4, grey_table(4)).graphic_control(true, 3).image_with_data(image, c.data)
                          .image(image).trailer().build();
        ASSERT_EQ(read_gif(bytes), "") << c.name;
        EXPECT_EQ(sprite_list.count, 2) << c.name;
        Bitmap *bitmap = sprite_list.entries[0].image->image;
        Bitmap *mask = sprite_list.entries[0].image->mask;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                EXPECT_EQ(bitmap_value(bitmap, x, y), y < 2 ? 2u : 0u) << c.name;
                EXPECT_EQ(bitmap_value(mask, x, y), y < 2 ? 1u : 0u) << c.name;
            }
    }
}

TEST(GifRead, ExtraDataAndFurtherImagesAreWalkedNotDecoded) {
    GifImage first = image_of(3, 2, {1, 2, 3, 3, 2, 1});
    GifImage second = image_of(5, 4, random_pixels(20, 4, 3));
    second.local_table = grey_table(4);
    // The first image's data runs on past its last row.
    Bytes extra = testing_support::gif_pack_codes(
        testing_support::gif_lzw_codes({1, 2, 3, 3, 2, 1, 1, 1, 1, 2, 2, 2}, 2, {}), 2, 255, true);
    Bytes bytes = GifBuilder().screen(9, 9, grey_table(4))
                      .comment("made by hand").application("NETSCAPE2.0", {1, 0, 0}).plain_text("hello")
                      .extension(0x99, {{0x10, 0x20}}).raw({0x00, 0x42})
                      .image_with_data(first, extra).graphic_control(true, 2).image(second).image(first).trailer()
                      .build();
    ASSERT_EQ(read_gif(bytes), "");
    expect_pixels(first);
    ASSERT_EQ(sprite_list.count, 3);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(sprite_list.entries[i].image, nullptr);
        EXPECT_EQ(sprite_list.entries[i].name, "GIF" + std::to_string(i));
    }
    EXPECT_EQ(sprite_list.entries[1].width, 5);
    EXPECT_EQ(sprite_list.entries[1].bpp, 2);
    auto *info = reinterpret_cast<GifImageInfo *>(sprite_list.extra + sizeof(GifImageInfo));
    EXPECT_EQ(info->has_transparency, 1);
    EXPECT_EQ(info->transparent_index, 2);
    EXPECT_EQ(info->colour_count, 4);
}

TEST(GifRead, RegistersAtMostMaxEntriesButWalksToTheEnd) {
    GifImage dot = image_of(1, 1, {1});
    GifBuilder many;
    many.screen(1, 1, grey_table(2));
    for (int i = 0; i < kGifMaxEntries + 100; ++i) many.image(dot);
    Bytes whole = many.trailer().build();
    ASSERT_EQ(read_gif(whole), "");
    EXPECT_EQ(sprite_list.count, kGifMaxEntries);
    EXPECT_STREQ(sprite_list.entries[kGifMaxEntries - 1].name, "GIF1023");
    // An image past the limit is still read: a damaged one still fails.
    whole.resize(whole.size() - 9); // into the last image descriptor
    EXPECT_EQ(read_gif(whole), "Error reading data.");
}

TEST(GifRead, DamagedFilesFailWithClearMessages) {
    GifImage image = image_of(20, 20, random_pixels(400, 256, 5));
    Bytes good = simple_file(image);
    const std::size_t data_start = 13 + 768 + 10;
    // Two-bit roots: clear 4, end 5, first free entry 6.
    Bytes codes_clear_then_entry = testing_support::gif_pack_codes({4, 7, 5}, 2, 255, true);
    Bytes codes_beyond_next = testing_support::gif_pack_codes({4, 1, 7, 5}, 2, 255, true);
    GifImage small = image_of(2, 2, {});
    struct Case { const char *name; Bytes bytes; const char *message; };
    const Case cases[] = {
        {"trailer before any image", GifBuilder().screen(2, 2, grey_table(2)).comment("x").trailer().build(),
         "The GIF file holds no image before its end."},
        {"end of file before any image", GifBuilder().screen(2, 2, grey_table(2)).build(),
         "The GIF file holds no image before its end."},
        {"cut inside a data sub-block", Bytes(good.begin(), good.begin() + data_start + 30), "Error reading data."},
        {"cut where a sub-block size is due", Bytes(good.begin(), good.begin() + data_start + 1 + 256),
         "Corruption in file."},
        {"cut in the screen descriptor", Bytes(good.begin(), good.begin() + 9), "Error reading data."},
        {"cut in the global table", Bytes(good.begin(), good.begin() + 100), "Error reading data."},
        {"cut in the image descriptor", Bytes(good.begin(), good.begin() + 13 + 768 + 4), "Error reading data."},
        {"minimum code size 12", GifBuilder().screen(2, 2, grey_table(4)).image_with_data(small, {12, 1, 0, 0}).build(),
         "Corruption in file."},
        {"code after a clear is not a pixel",
         GifBuilder().screen(2, 2, grey_table(4)).image_with_data(small, codes_clear_then_entry).build(),
         "Corruption in file."},
        {"code beyond the next free entry",
         GifBuilder().screen(2, 2, grey_table(4)).image_with_data(small, codes_beyond_next).build(),
         "Corruption in file."},
        {"zero-width image", GifBuilder().screen(2, 2, grey_table(4)).image(image_of(0, 2, {})).build(),
         "Image has no pixels (width 0, height 2)"},
        {"over a gigabyte", GifBuilder().screen(2, 2, grey_table(256)).image_with_data(image_of(65535, 65535, {}), {8, 0}).build(),
         "Image is too large (65535 x 65535 pixels at 8 bits per pixel)"},
        {"later image descriptor cut", GifBuilder().screen(2, 2, grey_table(4)).image(image_of(2, 2, {0, 1, 2, 3}))
                                           .raw({0x2C, 0, 0, 0}).build(),
         "Error reading data."},
    };
    for (const Case &c : cases) EXPECT_EQ(read_gif(c.bytes), c.message) << c.name;
}

TEST(GifRead, PixelValuesBeyondTheDepthStayInTheirOwnPixel) {
    // A two-colour image whose data names colours 2 and 3: each pixel keeps its low bit only.
    GifImage image = image_of(8, 1, {0, 3, 0, 2, 0, 3, 1, 0});
    ASSERT_EQ(read_gif(simple_file(image, grey_table(2))), "");
    Bitmap *bitmap = sprite_list.entries[0].image->image;
    const std::uint32_t expected[8] = {0, 1, 0, 0, 0, 1, 1, 0};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(bitmap_value(bitmap, x, 0), expected[x]) << x;
}

} // namespace
