// The sprite area: strides, palettes, pixel order, depth conversion, modes.
#include "framework/memory.h"
#include "framework/sprite.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct SpriteTest : ::testing::Test {
    void TearDown() override { sprite_list_clear(&sprite_list); }
};

TEST_F(SpriteTest, StridesAreWholeWords) {
    struct Case { int width, bpp, words; };
    const Case cases[] = {{1, 1, 1}, {32, 1, 1}, {33, 1, 2}, {3, 24, 3}, {1, 24, 1}, {10, 16, 5}, {5, 4, 1}, {9, 4, 2}};
    for (const auto &c : cases) {
        Bitmap *bitmap = nullptr;
        ASSERT_EQ(bitmap_create(c.width, 2, c.bpp, &bitmap), nullptr);
        EXPECT_EQ(bitmap->stride, c.words) << c.width << "x" << c.bpp;
        EXPECT_EQ(bitmap_row_bytes(bitmap, 1).size(), static_cast<std::size_t>(c.words) * 4);
        block_free(&bitmap);
    }
}

TEST_F(SpriteTest, SizesThatMakeNoSenseOrExceedTheLimitFailCleanly) {
    Bitmap *bitmap = nullptr;
    EXPECT_STREQ(bitmap_create(0, 5, 8, &bitmap)->text, "Image has no pixels (width 0, height 5)");
    EXPECT_STREQ(bitmap_create(5, -1, 8, &bitmap)->text, "Image has no pixels (width 5, height -1)");
    EXPECT_STREQ(bitmap_create(60000, 60000, 32, &bitmap)->text,
                 "Image is too large (60000 x 60000 pixels at 32 bits per pixel)");
    EXPECT_EQ(bitmap, nullptr);
    ASSERT_EQ(bitmap_create(50000, 2, 8, &bitmap), nullptr); // wide images are fine
    block_free(&bitmap);
}

TEST_F(SpriteTest, DefaultPalettesFollowTheDepth) {
    struct Case { int bpp, n; std::uint32_t index, expected; };
    const Case cases[] = {{1, 1, 1, 0xFFFFFF00}, {2, 2, 2, 0xAAAAAA00}, {4, 4, 3, 0x33333300}, {8, 8, 200, 0xC8C8C800}};
    for (const auto &c : cases) {
        Bitmap *bitmap = nullptr;
        ASSERT_EQ(bitmap_create(1, 1, c.bpp, &bitmap), nullptr);
        bitmap_set_default_palette(bitmap, c.n);
        EXPECT_EQ(bitmap->palette_count, 1 << c.n);
        EXPECT_EQ(bitmap->palette[c.index], c.expected) << c.bpp;
        EXPECT_EQ(bitmap->palette[0], 0u);
        block_free(&bitmap);
    }
}

TEST_F(SpriteTest, ReversalTurnsPcOrderIntoSpriteOrder) {
    struct Case { int bpp; std::uint8_t in, out; };
    const Case cases[] = {{4, 0x12, 0x21}, {2, 0x1B, 0xE4}, {1, 0x01, 0x80}, {1, 0xC0, 0x03}, {8, 0x12, 0x12}};
    for (const auto &c : cases) {
        Bitmap *bitmap = nullptr;
        ASSERT_EQ(bitmap_create(8, 1, c.bpp, &bitmap), nullptr);
        auto row = bitmap_row_bytes(bitmap, 0);
        std::memset(row.data(), c.in, row.size());
        bitmap_reverse_row_pixels(bitmap, 0);
        for (std::uint8_t byte : row) EXPECT_EQ(byte, c.out) << c.bpp;
        block_free(&bitmap);
    }
}

TEST_F(SpriteTest, DepthConversionWidensMaskBitsToAllOnes) {
    std::uint32_t source[1] = {0b101};
    std::uint32_t destination[2] = {0xDEADBEEF, 0xDEADBEEF};
    convert_row_depth(source, 1, destination, 8, 3);
    EXPECT_EQ(destination[0], 0x00FF00FFu);
    EXPECT_EQ(destination[1], 0xDEADBEEFu); // exactly ceil(3 * 8 / 32) words written

    std::uint32_t wide[2] = {};
    std::uint32_t bits[1] = {0xFFFFFFFF};
    convert_row_depth(bits, 1, wide, 4, 9);
    EXPECT_EQ(wide[0], 0xFFFFFFFFu);
    EXPECT_EQ(wide[1], 0xFu);
    std::uint32_t two_bit[1] = {0b11100100};
    std::uint32_t out[1] = {};
    convert_row_depth(two_bit, 2, out, 8, 4);
    EXPECT_EQ(out[0], 0xFFAA5500u);
}

TEST_F(SpriteTest, ModeWordsRecordDepthAndPixelShape) {
    struct Case { int bpp, xdpi, ydpi; std::uint32_t mode; };
    const Case cases[] = {
        {8, 300, 300, 28}, {8, 200, 100, 15}, {1, 90, 45, 0}, {1, 90, 90, 25}, {2, 90, 45, 8}, {4, 90, 90, 27},
        {32, 72, 72, 0x301680B5}, {16, 90, 90, 0x281680B5}, {16, 90, 45, 0x280B40B5}, {32, 90, 45, 0x300B40B5},
        {24, 90, 90, 0x301680B5},
    };
    for (const auto &c : cases) EXPECT_EQ(sprite_mode_word(c.bpp, c.xdpi, c.ydpi), c.mode) << c.bpp;
}

TEST_F(SpriteTest, TheEighthEntryAlreadyGrowsTheList) {
    std::int32_t index = -1;
    for (int i = 0; i < 8; ++i) ASSERT_EQ(sprite_list_add(&sprite_list, &index, 12), nullptr);
    EXPECT_EQ(index, 7);
    EXPECT_EQ(sprite_list.count, 8);
    SpriteImage *image = nullptr;
    ASSERT_EQ(sprite_image_create(4, 4, 8, 1, &image), nullptr);
    EXPECT_EQ(image->mask->bpp, 1);
    EXPECT_EQ(image->mask->stride, 1);
    sprite_list.entries[0].image = image;
}

} // namespace
