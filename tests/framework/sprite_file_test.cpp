// The Draw writer: header arithmetic, palettes, 24 bpp widening, masks.
#include "framework/sprite.h"
#include "framework/sprite_file.h"
#include "tests/support/files.h"
#include "tools/draw_file.h"

#include <gtest/gtest.h>

#include <cstring>

using draw_file::DrawSprite;
using testing_support::TempDir;

namespace {

struct WriterTest : ::testing::Test {
    TempDir dir;
    std::string out = dir.file("out.draw");

    void TearDown() override { sprite_list_clear(&sprite_list); }

    Bitmap *add_sprite(const char *name, int width, int height, int bpp, int mask_bpp, int xdpi, int ydpi) {
        std::int32_t index = 0;
        EXPECT_EQ(sprite_list_add(&sprite_list, &index, 0), nullptr);
        SpriteEntry &entry = sprite_list.entries[index];
        std::strcpy(entry.name, name);
        EXPECT_EQ(sprite_image_create(width, height, bpp, mask_bpp, &entry.image), nullptr);
        entry.image->image->xdpi = xdpi;
        entry.image->image->ydpi = ydpi;
        return entry.image->image;
    }

    DrawSprite written() {
        DrawSprite sprite;
        std::string why;
        EXPECT_TRUE(draw_file::parse_draw(testing_support::read_file(out), sprite, why)) << why;
        return sprite;
    }
};

TEST_F(WriterTest, OneBitTenByThreeMatchesTheWorkedExample) {
    Bitmap *image = add_sprite("Mono", 10, 3, 1, 0, 90, 90);
    bitmap_set_default_palette(image, 1);
    bitmap_row(image, 1)[0] = 0x201; // pixels 0 and 9 of the middle row
    sprite_file_set_creator("VIVOZ");
    ASSERT_EQ(sprite_file_write(&sprite_list, 0, out.c_str()), nullptr);
    DrawSprite d = written();
    EXPECT_EQ(d.creator, "VIVOZ       ");
    EXPECT_EQ(d.box[2], 5120u);
    EXPECT_EQ(d.box[3], 1536u);
    EXPECT_EQ(d.object_type, 5u);
    EXPECT_EQ(d.object_size, 96u);
    EXPECT_EQ(d.sprite_size, 72u);
    EXPECT_EQ(d.object_box[2], 5120u);
    EXPECT_EQ(d.name, "mono");
    EXPECT_EQ(d.width_words, 0u);
    EXPECT_EQ(d.height_rows, 2u);
    EXPECT_EQ(d.last_bit, 9u);
    EXPECT_EQ(d.image_offset, 60u);
    EXPECT_EQ(d.mask_offset, 60u);
    EXPECT_EQ(d.mode, 25u);
    EXPECT_EQ(d.palette, (std::vector<std::uint32_t>{0, 0xFFFFFF00}));
    EXPECT_EQ(d.palette_second, d.palette);
    EXPECT_EQ(d.pixel(0, 1), 1u);
    EXPECT_EQ(d.pixel(9, 1), 1u);
    EXPECT_EQ(d.pixel(5, 1), 0u);
}

TEST_F(WriterTest, TwentyFourBitsAreWrittenAsThirtyTwo) {
    Bitmap *image = add_sprite("RGB", 3, 1, 24, 0, 90, 90);
    std::uint8_t *row = bitmap_row_bytes(image, 0).data();
    for (int i = 0; i < 9; ++i) row[i] = static_cast<std::uint8_t>(i + 1);
    ASSERT_EQ(sprite_file_write(&sprite_list, 0, out.c_str()), nullptr);
    DrawSprite d = written();
    EXPECT_EQ(d.mode, 0x301680B5u);
    EXPECT_EQ(d.width_words, 2u);
    EXPECT_EQ(d.image_offset, 44u);
    EXPECT_EQ(d.pixel(0, 0), 0x00030201u);
    EXPECT_EQ(d.pixel(2, 0), 0x00090807u);
}

TEST_F(WriterTest, MasksWidenToTheImageDepthAtEightBitsAndBelow) {
    Bitmap *image = add_sprite("masked", 5, 2, 8, 1, 90, 90);
    image->palette_count = 5;
    Bitmap *mask = sprite_list.entries[0].image->mask;
    bitmap_row(mask, 0)[0] = 0b10101;
    ASSERT_EQ(sprite_file_write(&sprite_list, 0, out.c_str()), nullptr);
    DrawSprite d = written();
    ASSERT_TRUE(d.has_mask);
    EXPECT_EQ(d.mask_offset, d.image_offset + 16);
    EXPECT_EQ(d.mask_pixel(0, 0), 255u);
    EXPECT_EQ(d.mask_pixel(1, 0), 0u);
    EXPECT_EQ(d.mask_pixel(4, 0), 255u);
    EXPECT_EQ(d.palette.size(), 256u);
}

TEST_F(WriterTest, MasksStayOneBitForDeepImages) {
    add_sprite("deep", 40, 2, 16, 1, 90, 90);
    bitmap_row(sprite_list.entries[0].image->mask, 1)[1] = 0x80;
    ASSERT_EQ(sprite_file_write(&sprite_list, 0, out.c_str()), nullptr);
    DrawSprite d = written();
    EXPECT_EQ(d.mask_bpp(), 1);
    EXPECT_EQ(d.mask_offset, d.image_offset + 2 * 20 * 4);
    EXPECT_EQ(d.mask_pixel(39, 1), 1u);
}

TEST_F(WriterTest, ShortPalettesArePaddedWithZeroPairs) {
    Bitmap *image = add_sprite("ABC123", 2, 2, 4, 0, 90, 45);
    image->palette_count = 5;
    for (int i = 0; i < 16; ++i) image->palette[i] = 0x11111100u * static_cast<std::uint32_t>(i);
    ASSERT_EQ(sprite_file_write(&sprite_list, 0, out.c_str()), nullptr);
    DrawSprite d = written();
    EXPECT_EQ(d.name, "abc123");
    EXPECT_EQ(d.mode, 12u);
    EXPECT_EQ(d.palette[4], 0x44444400u);
    EXPECT_EQ(d.palette[5], 0u);
    EXPECT_EQ(d.palette_second[15], 0u);
    EXPECT_EQ(d.box[3], 2u * 46080 / 45);
}

TEST_F(WriterTest, WideImagesGetTheirTrueBoxAndOversizedBoxesFail) {
    add_sprite("wide", 50000, 1, 1, 0, 90, 90);
    ASSERT_EQ(sprite_file_write(&sprite_list, 0, out.c_str()), nullptr);
    EXPECT_EQ(written().box[2], 50000u * 512);
    DrawHeader header{};
    EXPECT_STREQ(draw_header_fill(&header, 0, 2000000, 1, 1, 90)->text,
                 "Image is too large for a Draw file (2000000 x 1 pixels at 1 x 90 dpi)");
}

TEST_F(WriterTest, DepthsBeyondThirtyTwoAreRefusedBeforeTheFileIsTouched) {
    add_sprite("deep", 1, 1, 48, 0, 90, 90);
    ErrorRecord *error = sprite_file_write(&sprite_list, 0, out.c_str());
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code, kErrorBadBits);
    EXPECT_TRUE(testing_support::read_file(out).empty());
}

} // namespace
