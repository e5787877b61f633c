// Bmpload on files composed by the BMP builder: every header kind, depth and
// compression, checked pixel by pixel; then the real program, natively and
// as the Windows build under Wine, with the host's view of failures.
#include "readers/bmp.h"
#include "tests/support/raster_harness.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/programs.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testing_support;

namespace {

struct BmpTest : ::testing::Test {
    TempDir dir;

    FilterConversion convert(const Bytes &file) {
        std::string input = dir.file("input.bmp");
        write_file(input, file);
        return convert_in_process(kBmploadProgram, input, dir);
    }

    // Converts and expects success with the given raw pixel values, top row first.
    DrawSprite expect_pixels(const Bytes &file, const std::vector<std::vector<std::uint32_t>> &expected) {
        FilterConversion c = convert(file);
        EXPECT_TRUE(c.succeeded) << c.failure << c.parse_problem;
        if (!c.succeeded) return {};
        if (!expected.empty()) {
            EXPECT_EQ(c.sprite.height, static_cast<int>(expected.size()));
        }
        for (std::size_t y = 0; y < expected.size() && y < static_cast<std::size_t>(c.sprite.height); ++y)
            for (std::size_t x = 0; x < expected[y].size(); ++x)
                EXPECT_EQ(c.sprite.pixel(static_cast<int>(x), static_cast<int>(y)), expected[y][x]) << x << "," << y;
        return c.sprite;
    }
};

TEST_F(BmpTest, TwentyFourBitBottomUpWithoutResolutionHasTallPixels) {
    auto rows = pattern_rows(5, 3, 0x1000000);
    rows[0][0] = 0x112233;
    DrawSprite d = expect_pixels(BmpBuilder{}.size(5, 3).bits(24).pixels(rows).build(), {});
    EXPECT_EQ(d.mode, 0x300B40B5u);
    EXPECT_EQ(d.box[2], 5u * 512);
    EXPECT_EQ(d.box[3], 3u * 1024); // 45 dpi: each pixel twice as tall as wide
    EXPECT_EQ(d.name, "bmp0");
    EXPECT_EQ(d.creator, "VIVOZ       ");
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(d.rgb(x, y), rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
}

TEST_F(BmpTest, ResolutionComesFromPixelsPerMetre) {
    struct Case { std::uint32_t x_ppm, y_ppm; std::uint32_t mode; std::uint32_t x1, y1; };
    const Case cases[] = {
        {2835, 2835, 0x301680B5, 4 * 640, 2 * 640}, // 72 x 72 dpi
        {11811, 5906, 0x300B40B5, 4 * 46080 / 300, 2 * 46080 / 150}, // 300 x 150 dpi
        {1, 1, 0x300B40B5, 4 * 512, 2 * 1024},      // rounds to nothing: the defaults stand
    };
    for (const auto &c : cases) {
        DrawSprite d = expect_pixels(BmpBuilder{}.size(4, 2).bits(24).resolution(c.x_ppm, c.y_ppm).pixels(pattern_rows(4, 2, 99)).build(), {});
        EXPECT_EQ(d.mode, c.mode) << c.x_ppm;
        EXPECT_EQ(d.box[2], c.x1) << c.x_ppm;
        EXPECT_EQ(d.box[3], c.y1) << c.y_ppm;
    }
}

TEST_F(BmpTest, PalettedDepthsKeepTheirIndicesInSpriteOrder) {
    struct Case { int depth; std::uint32_t modulo; };
    for (const Case c : {Case{1, 2}, Case{2, 4}, Case{4, 16}, Case{8, 256}}) {
        auto rows = pattern_rows(37, 3, c.modulo);
        std::vector<std::uint32_t> palette;
        for (std::uint32_t i = 0; i < c.modulo; ++i) palette.push_back(i * 0x010203);
        for (bool top_down : {false, true}) {
            BmpBuilder b = BmpBuilder{}.size(37, 3).bits(c.depth).palette(palette).pixels(rows);
            if (top_down) b.stored_top_down();
            DrawSprite d = expect_pixels(b.build(), rows);
            EXPECT_EQ(d.bpp, c.depth);
            EXPECT_EQ(d.palette[1], 0x03020100u) << c.depth;
        }
    }
}

TEST_F(BmpTest, OneBitBlackAndWhite) {
    DrawSprite d = expect_pixels(BmpBuilder{}.size(3, 1).bits(1).palette({0x000000, 0xFFFFFF}).pixels({{1, 0, 1}}).build(),
                                 {{1, 0, 1}});
    EXPECT_EQ(d.palette, (std::vector<std::uint32_t>{0x00000000, 0xFFFFFF00}));
    EXPECT_EQ(d.mode, 0u);
}

TEST_F(BmpTest, ColoursUsedDecidesHowManyPaletteEntriesAreRead) {
    std::vector<std::uint32_t> five{0x100000, 0x200000, 0x300000, 0x400000, 0x500000};
    DrawSprite d = expect_pixels(BmpBuilder{}.size(2, 1).bits(4).palette(five, 5).pixels({{4, 1}}).build(), {{4, 1}});
    ASSERT_EQ(d.palette.size(), 16u);
    EXPECT_EQ(d.palette[4], 0x00005000u);
    EXPECT_EQ(d.palette[5], 0u); // padded with zero pairs
    std::vector<std::uint32_t> sixteen(16, 0x0000FF);
    d = expect_pixels(BmpBuilder{}.size(2, 1).bits(4).palette(sixteen, 0).pixels({{15, 0}}).build(), {{15, 0}});
    EXPECT_EQ(d.palette[15], 0xFF000000u);
}

TEST_F(BmpTest, SixteenAndThirtyTwoBitMasksKeepTheTopBits) {
    // 5-6-5: green keeps its top 5 bits.
    std::uint32_t p565 = (20u << 11) | (45u << 5) | 7u;
    expect_pixels(BmpBuilder{}.size(1, 1).bits(16).bit_fields(0xF800, 0x7E0, 0x1F).pixels({{p565}}).build(),
                  {{20u | (45u >> 1) << 5 | 7u << 10}});
    // The default 16-bit layout is 5-5-5.
    std::uint32_t p555 = (3u << 10) | (9u << 5) | 30u;
    expect_pixels(BmpBuilder{}.size(3, 1).bits(16).pixels({{p555, 0, p555}}).build(),
                  {{3u | 9u << 5 | 30u << 10, 0, 3u | 9u << 5 | 30u << 10}});
    // 32 bits: default x8r8g8b8, and bit fields with alpha first.
    expect_pixels(BmpBuilder{}.size(1, 1).bits(32).pixels({{0x7F112233}}).build(), {{0x00332211}});
    expect_pixels(BmpBuilder{}.size(1, 1).bits(32).bit_fields(0xFF00, 0xFF0000, 0xFF000000).pixels({{0xAABBCC7F}}).build(),
                  {{0x00AABBCC}});
    // Ten-bit fields keep their top eight bits.
    std::uint32_t p1010102 = (0x3FFu << 20) | (0x200u << 10) | 0x0FFu;
    expect_pixels(BmpBuilder{}.size(1, 1).bits(32).bit_fields(0x3FF00000, 0xFFC00, 0x3FF).pixels({{p1010102}}).build(),
                  {{0x3Fu << 16 | 0x80u << 8 | 0xFFu}});
}

TEST_F(BmpTest, VersionTwoAndLaterHeadersCarryTheirOwnMasks) {
    for (std::uint32_t header : {52u, 56u, 108u, 124u}) {
        std::uint32_t p = (31u << 11) | (0u << 5) | 1u;
        expect_pixels(BmpBuilder{}.size(1, 1).bits(16).header(header).bit_fields(0xF800, 0x7E0, 0x1F).pixels({{p}}).build(),
                      {{31u | 1u << 10}});
    }
}

TEST_F(BmpTest, Os2FilesHaveShortHeadersAndThreeBytePalettes) {
    DrawSprite d = expect_pixels(
        BmpBuilder{}.as_os2().size(3, 2).bits(8).palette(std::vector<std::uint32_t>(256, 0x123456)).pixels({{1, 2, 3}, {4, 5, 6}}).build(),
        {{1, 2, 3}, {4, 5, 6}});
    EXPECT_EQ(d.palette[7], 0x56341200u);
    EXPECT_EQ(d.mode, 15u);
}

TEST_F(BmpTest, Rle8RunsEscapesAndDeltasLandWhereTheySay) {
    // Rows fill from the bottom. Runs past the width are cut; a delta moves right and up.
    Bytes rle{3, 9,          // bottom row: 9 9 9
              0, 0,          // end of line
              0, 3, 1, 2, 3, 0, // absolute run of 3 with its pad byte
              0, 0,
              0, 2, 1, 1,    // delta: one right, one up
              6, 5,          // a run of 6 cut at the width of 4
              0, 1};         // end of bitmap
    expect_pixels(BmpBuilder{}.size(4, 4).bits(8).palette({0}).compressed(1, rle).build(),
                  {{0, 5, 5, 5}, {0, 0, 0, 0}, {1, 2, 3, 0}, {9, 9, 9, 0}});
}

TEST_F(BmpTest, Rle4RunsAlternateNibblesAndPadToWords) {
    Bytes rle{0, 3, 0x12, 0x30,             // absolute 3 pixels: 2 bytes, no pad
              5, 0xC4,                      // encoded run of 5: C 4 C 4 C
              0, 0,                         // end of line
              0, 5, 0xA5, 0x6B, 0x70, 0,    // absolute 5 pixels: 3 bytes and a pad byte
              2, 0xCC,                      // colour index 12 is written as 12
              0, 1};
    expect_pixels(BmpBuilder{}.size(8, 2).bits(4).palette({0}).compressed(2, rle).build(),
                  {{10, 5, 6, 11, 7, 12, 12, 0}, {1, 2, 3, 12, 4, 12, 4, 12}});
}

TEST_F(BmpTest, DamagedRunLengthDataStopsQuietly) {
    // Truncated data, a delta above the top row and runs past the end of a row.
    const Bytes cases[] = {
        {4, 7, 0},                 // the file ends inside an escape
        {0, 2, 200, 200, 5, 5},    // delta far beyond the image: decoding ends
        {255, 1, 255, 1, 255, 1},  // runs far past the width
        {0, 255, 1},               // absolute run that the file cannot supply
    };
    for (const Bytes &rle : cases) {
        FilterConversion c = convert(BmpBuilder{}.size(3, 2).bits(8).palette({0}).compressed(1, rle).build());
        EXPECT_TRUE(c.succeeded) << c.failure;
        c = convert(BmpBuilder{}.size(3, 2).bits(4).palette({0}).compressed(2, rle).build());
        EXPECT_TRUE(c.succeeded) << c.failure;
    }
}

TEST_F(BmpTest, CompressionsNotDecodedGiveAnEmptySpriteOfTheRightSize) {
    for (std::uint32_t compression : {4u, 5u}) {
        DrawSprite d = expect_pixels(BmpBuilder{}.size(4, 2).bits(24).compressed(compression, {0xFF, 0xD8, 0xFF}).build(),
                                     {{0, 0, 0, 0}, {0, 0, 0, 0}});
        EXPECT_EQ(d.width, 4);
    }
    // RLE at a depth it is not made for decodes nothing rather than writing past the row.
    expect_pixels(BmpBuilder{}.size(2, 1).bits(1).palette({0, 0xFFFFFF}).compressed(1, {200, 1}).build(), {{0, 0}});
}

TEST_F(BmpTest, BadFilesFailWithClearMessages) {
    struct Case { Bytes file; const char *failure; };
    Bytes truncated = BmpBuilder{}.size(4, 4).bits(24).pixels(pattern_rows(4, 4, 256)).build();
    truncated.resize(truncated.size() - 5);
    Bytes too_deep = BmpBuilder{}.size(1, 1).bits(24).pixels({{0}}).build();
    too_deep[28] = 64;
    Bytes odd_depth = too_deep;
    odd_depth[28] = 12;
    const Case cases[] = {
        {Bytes{'B', 'A', 0, 0}, "This is not a BMP file"},
        {Bytes{'B'}, "This is not a BMP file"},
        {Bytes{'B', 'M', 1, 2}, "Error reading data."},
        {truncated, "Error reading data."},
        {BmpBuilder{}.size(0, 4).bits(24).build(), "Image has no pixels (width 0, height 4)"},
        {too_deep, "Image has too many bits resolution for file format."},
        {odd_depth, "Unknown sprite mode."},
        {BmpBuilder{}.size(70000, 70000).bits(24).compressed(4, {0}).build(),
         "Image is too large (70000 x 70000 pixels at 24 bits per pixel)"},
    };
    for (const auto &c : cases) {
        FilterConversion result = convert(c.file);
        EXPECT_FALSE(result.succeeded);
        EXPECT_EQ(result.failure, c.failure);
    }
}

TEST_F(BmpTest, PixelDataOffsetIsHonouredOnlyForward) {
    auto rows = pattern_rows(2, 2, 256);
    BmpBuilder gap = BmpBuilder{}.size(2, 2).bits(8).palette({0}).pixels(rows);
    Bytes file = gap.build();
    // Insert two bytes of gap before the pixels and point the offset past them.
    std::size_t data = file.size() - 8;
    file.insert(file.begin() + static_cast<long>(data), {0xEE, 0xEE});
    file[10] = static_cast<std::uint8_t>(data + 2);
    expect_pixels(file, rows);
    gap.data_offset_adjust = -4; // an offset inside the palette: reading goes on from where it is
    expect_pixels(gap.build(), rows);
}

// A file of 2 GiB or more: the stream reaches only what lies below 2 GiB, so
// rows that start just before it come up short ("{ERD}") instead of
// overflowing 32-bit offsets. The file is sparse: nothing is written there.
TEST_F(BmpTest, PixelsBeyondTwoGigabytesAreAReadError) {
    Bytes file = BmpBuilder{}.size(16, 16).bits(24).pixels(pattern_rows(16, 16, 0x1000000)).build();
    const std::uint32_t offset = 0x7FFFFF00; // 256 bytes before 2 GiB; the rows need 768
    for (std::size_t i = 0; i < 4; ++i) file[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
    const std::string input = dir.file("large.bmp");
    write_file(input, file);
    std::error_code failed;
    std::filesystem::resize_file(input, (std::uintmax_t{1} << 31) + 4096, failed);
    if (failed) GTEST_SKIP() << "no sparse file of 2 GiB here: " << failed.message();
    FilterConversion c = convert_in_process(kBmploadProgram, input, dir);
    EXPECT_FALSE(c.succeeded);
    EXPECT_EQ(c.failure, "Error reading data.");
}

// The real program, as the host runs it.
TEST(BmploadProgram, ConvertsIdenticallyOnEveryPlatformAndReportsFailuresAsTheHostSeesThem) {
    TempDir dir;
    std::string input = dir.file("in.bmp");
    write_file(input, BmpBuilder{}.size(7, 5).bits(8).palette({0xFF0000, 0x00FF00}).pixels(pattern_rows(7, 5, 2)).build());
    Bytes native_output;
    for (Runner runner : runners_for("Bmpload")) {
        SCOPED_TRACE(runner_name(runner));
        std::string output = dir.file("out-" + runner_name(runner) + ".draw");
        RunResult ok = run_program(runner, "Bmpload", {input, output});
        EXPECT_TRUE(ok.succeeded) << ok.failure_text;
        Bytes written = read_file(output);
        if (runner == Runner::native) native_output = written;
        EXPECT_FALSE(written.empty());
        EXPECT_EQ(written, native_output);
    }
    expect_usage_and_missing_input("Bmpload");
    const FailureCase failures[] = {{"not a BMP file", Bytes{'G', 'I', 'F', '8', '9', 'a'}, "This is not a BMP file"}};
    expect_failure_texts("Bmpload", failures);
}

} // namespace
