// The PNG reader on files built by PngBuilder: every colour type and depth,
// with and without tRNS and bKGD, interlaced and not, checked pixel by pixel.
#include "readers/png.h"
#include "tests/readers/png_helpers.h"
#include "tests/support/png_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

struct Format {
    int colour;
    int depth;
};

constexpr Format kFormats[] = {
    {kPngGrey, 1},      {kPngGrey, 2},      {kPngGrey, 4},    {kPngGrey, 8},    {kPngGrey, 16},
    {kPngRgb, 8},       {kPngRgb, 16},      {kPngPalette, 1}, {kPngPalette, 2}, {kPngPalette, 4},
    {kPngPalette, 8},   {kPngGreyAlpha, 8}, {kPngGreyAlpha, 16}, {kPngRgba, 8},  {kPngRgba, 16},
};

enum class Extra { none, trns, bkgd, trns_and_bkgd };

struct Size {
    std::uint32_t width, height;
};
// Odd sizes leave some Adam7 passes empty or one pixel wide.
constexpr Size kSizes[] = {{1, 1}, {3, 2}, {13, 11}, {33, 9}};

bool has_alpha(int colour) { return (colour & 4) != 0; }

// A palette of distinct colours, as many as the depth allows (at most 200 so
// that the count is not simply 2^depth).
std::vector<Rgb> test_palette(int depth) {
    std::vector<Rgb> colours;
    const int count = depth == 8 ? 200 : 1 << depth;
    for (int i = 0; i < count; ++i) {
        colours.push_back({static_cast<std::uint8_t>(i * 37 + 11), static_cast<std::uint8_t>(255 - i),
                           static_cast<std::uint8_t>(i * 5 + 1)});
    }
    return colours;
}

// A pattern image; alpha, where there is any, is fully transparent on every
// third pixel and opaque elsewhere (partial alpha is left to the comparison
// with an independent decoder).
PngBuilder test_image(Format f, Size size, Extra extra, bool interlaced) {
    PngBuilder png;
    png.size(size.width, size.height).format(f.depth, f.colour).interlace(interlaced).filters();
    if (f.colour == kPngPalette) png.palette(test_palette(f.depth));
    png.pattern();
    const int channels = png_channels(f.colour);
    const std::uint16_t max = static_cast<std::uint16_t>((1u << f.depth) - 1);
    if (has_alpha(f.colour)) {
        for (std::uint32_t y = 0; y < size.height; ++y) {
            for (std::uint32_t x = 0; x < size.width; ++x) {
                png.samples[(y * size.width + x + 1) * channels - 1] = (x + y) % 3 == 0 ? 0 : max;
            }
        }
    }
    const bool trns = (extra == Extra::trns || extra == Extra::trns_and_bkgd) && !has_alpha(f.colour);
    const bool bkgd = extra == Extra::bkgd || extra == Extra::trns_and_bkgd;
    if (trns) {
        // Entry 0 transparent, and entry 2 where the palette has it (a tRNS longer
        // than the palette is invalid).
        if (f.colour == kPngPalette) png.transparency(f.depth == 1 ? Bytes{0, 255} : Bytes{0, 255, 0});
        if (f.colour == kPngGrey) png.transparent_grey(png.sample(0, 0, 0));
        if (f.colour == kPngRgb) png.transparent_rgb(png.sample(0, 0, 0), png.sample(0, 0, 1), png.sample(0, 0, 2));
    }
    if (bkgd) {
        if (f.colour == kPngPalette) png.background_index(1);
        if ((f.colour & 2) == 0) png.background_grey(f.depth == 16 ? 0xC0C0 : max);
        if ((f.colour & 2) != 0 && f.colour != kPngPalette) {
            png.background_rgb(f.depth == 16 ? 0x2020 : 0x20, f.depth == 16 ? 0x4040 : 0x40,
                               f.depth == 16 ? 0x6060 : 0x60);
        }
    }
    return png;
}

int expected_bpp(Format f) {
    if ((f.colour & 2) != 0 && f.colour != kPngPalette) return 24;
    return f.depth == 16 ? 8 : f.depth;
}

std::string describe(Format f, Size s, Extra e, bool interlaced) {
    static const char *const extras[] = {"plain", "tRNS", "bKGD", "tRNS+bKGD"};
    return "colour type " + std::to_string(f.colour) + " depth " + std::to_string(f.depth) + " " +
           std::to_string(s.width) + "x" + std::to_string(s.height) + " " + extras[static_cast<int>(e)] +
           (interlaced ? " interlaced" : "");
}

TEST(PngReader, EveryColourTypeAndDepthWithTransparencyAndBackground) {
    for (const Format &f : kFormats) {
        for (const Size &s : kSizes) {
            for (Extra e : {Extra::none, Extra::trns, Extra::bkgd, Extra::trns_and_bkgd}) {
                for (bool interlaced : {false, true}) {
                    SCOPED_TRACE(describe(f, s, e, interlaced));
                    const PngBuilder png = test_image(f, s, e, interlaced);
                    const ReaderRun out = testing_support::read_png_bytes(png.build());
                    ASSERT_TRUE(out.ok) << out.failure;
                    const Bitmap *b = out.bitmap;
                    EXPECT_EQ(out.name, "PNG0");
                    ASSERT_EQ(b->bpp, expected_bpp(f));
                    ASSERT_EQ(b->width, static_cast<std::int32_t>(s.width));
                    ASSERT_EQ(b->height, static_cast<std::int32_t>(s.height));
                    const int expected_count = f.colour == kPngPalette ? static_cast<int>(png.plte.size())
                                               : b->bpp <= 8         ? 1 << b->bpp
                                                                      : 0;
                    EXPECT_EQ(b->palette_count, expected_count);
                    int wrong = 0;
                    for (std::uint32_t y = 0; y < s.height; ++y) {
                        for (std::uint32_t x = 0; x < s.width; ++x) {
                            const Rgb want = testing_support::builder_rgb(png, x, y);
                            const Rgb got = bitmap_rgb(b, static_cast<std::int32_t>(x),
                                                                  static_cast<std::int32_t>(y));
                            if (got == want || ++wrong > 3) continue;
                            ADD_FAILURE() << "pixel " << x << "," << y << " is " << int(got.r) << ","
                                          << int(got.g) << "," << int(got.b) << ", expected "
                                          << int(want.r) << "," << int(want.g) << "," << int(want.b);
                        }
                    }
                    EXPECT_EQ(wrong, 0);
                }
            }
        }
    }
}

// Sub-byte pixels: the leftmost pixel in the low bits of each byte, and the
// bits beyond the last pixel of a row left at zero.
TEST(PngReader, SubBytePixelsInSpriteOrder) {
    struct Case {
        int depth;
        std::vector<std::uint16_t> row;
        std::vector<std::uint8_t> bytes; // the sprite row's bytes
    };
    const Case cases[] = {
        {1, {1, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0}, {0x01, 0x03, 0x00, 0x00}},
        {2, {1, 2, 3, 0, 3}, {0x39, 0x03, 0x00, 0x00}},
        {4, {1, 2, 15}, {0x21, 0x0F, 0x00, 0x00}},
    };
    for (const Case &c : cases) {
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE("depth " + std::to_string(c.depth) + (interlaced ? " interlaced" : ""));
            PngBuilder png;
            png.size(static_cast<std::uint32_t>(c.row.size()), 1).format(c.depth, kPngPalette).interlace(interlaced);
            png.palette(test_palette(c.depth)).pixels(c.row);
            const ReaderRun out = testing_support::read_png_bytes(png.build());
            ASSERT_TRUE(out.ok) << out.failure;
            const std::span<std::uint8_t> row = bitmap_row_bytes(out.bitmap, 0);
            EXPECT_EQ(std::vector<std::uint8_t>(row.begin(), row.end()), c.bytes);
        }
    }
}

TEST(PngReader, PaletteEntriesMadeTransparentHoldTheBackground) {
    // Entry 3 transparent, no bKGD: black. With bKGD index 1: entry 1's colour.
    for (bool with_background : {false, true}) {
        PngBuilder png;
        png.size(4, 1).format(8, kPngPalette).palette(test_palette(8)).pixels({0, 1, 2, 3});
        png.transparency({255, 255, 255, 0});
        if (with_background) png.background_index(1);
        const ReaderRun out = testing_support::read_png_bytes(png.build());
        ASSERT_TRUE(out.ok) << out.failure;
        EXPECT_EQ(out.bitmap->palette_count, 200);
        const std::uint32_t entry1 = 0x30u << 8 | 0xFEu << 16 | 0x06u << 24; // test_palette(8)[1]
        EXPECT_EQ(out.bitmap->palette[3], with_background ? entry1 : 0u);
        EXPECT_EQ(out.bitmap->palette[1], entry1);
        EXPECT_EQ(bitmap_value(out.bitmap, 3, 0), 3u);
    }
}

TEST(PngReader, GreyRampsByDepth) {
    struct Case {
        int depth;
        int count;
        std::uint32_t last;
        std::uint32_t second;
    };
    const Case cases[] = {{1, 2, 0xFFFFFF00, 0xFFFFFF00}, {2, 4, 0xFFFFFF00, 0x55555500},
                          {4, 16, 0xFFFFFF00, 0x11111100}, {8, 256, 0xFFFFFF00, 0x01010100},
                          {16, 256, 0xFFFFFF00, 0x01010100}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.depth);
        PngBuilder png;
        png.size(2, 2).format(c.depth, kPngGrey).pattern();
        const ReaderRun out = testing_support::read_png_bytes(png.build());
        ASSERT_TRUE(out.ok) << out.failure;
        EXPECT_EQ(out.bitmap->palette_count, c.count);
        EXPECT_EQ(out.bitmap->palette[0], 0u);
        EXPECT_EQ(out.bitmap->palette[1], c.second);
        EXPECT_EQ(out.bitmap->palette[c.count - 1], c.last);
    }
}

TEST(PngReader, ResolutionFromPhys) {
    struct Case {
        const char *what;
        bool phys;
        std::uint32_t x, y;
        std::uint8_t unit;
        std::int32_t xdpi, ydpi;
    };
    const Case cases[] = {
        {"2835 per metre", true, 2835, 2835, 1, 72, 72},
        {"3780 per metre", true, 3780, 3780, 1, 96, 96},
        {"different axes", true, 3780, 1890, 1, 96, 48},
        {"rounding up at a half", true, 2657, 2658, 1, 67, 68},
        {"unit 0 is an aspect ratio only", true, 3780, 3780, 0, 90, 90},
        {"no pHYs", false, 0, 0, 0, 90, 90},
        // Rounding to nothing would divide the bounding box by zero.
        {"a few pixels per metre", true, 19, 20, 1, 90, 1},
        {"zero", true, 0, 3780, 1, 90, 96},
        {"the largest value", true, 0xFFFFFFFFu, 0x7FFFFFFFu, 1, 109092169, 54546085},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        PngBuilder png;
        png.size(2, 2).format(8, kPngGrey).pattern();
        if (c.phys) png.physical(c.x, c.y, c.unit);
        const ReaderRun out = testing_support::read_png_bytes(png.build());
        ASSERT_TRUE(out.ok) << out.failure;
        EXPECT_EQ(out.bitmap->xdpi, c.xdpi);
        EXPECT_EQ(out.bitmap->ydpi, c.ydpi);
        EXPECT_EQ(sprite_list.entries[0].xdpi, c.xdpi);
        EXPECT_EQ(sprite_list.entries[0].ydpi, c.ydpi);
    }
}

// Splitting the image data over many IDAT chunks and cycling the row filters
// changes nothing in the sprite.
// Partly transparent pixels blend in the file's own sample values: a gAMA or
// sRGB chunk changes nothing (libpng would otherwise blend in linear light,
// up to 60 levels away).
TEST(PngReader, AlphaBlendsInFileValuesWhateverTheGammaChunksSay) {
    struct Case { const char *what; const char *type; Bytes data; };
    const Case cases[] = {
        {"no gamma chunk", nullptr, {}},
        {"gAMA 1/1.8", "gAMA", {0x00, 0x00, 0xD9, 0x03}},
        {"gAMA 1/2.2", "gAMA", {0x00, 0x00, 0xB1, 0x8F}},
        {"sRGB", "sRGB", {0x00}},
    };
    const std::vector<std::uint16_t> rgba = {200, 100, 50, 128, 255, 255, 255, 1, 10, 20, 30, 254, 90, 160, 230, 64};
    for (const Case &c : cases) {
        for (const std::uint32_t background : {0u, 255u}) {
            SCOPED_TRACE(std::string(c.what) + " over " + std::to_string(background));
            PngBuilder png;
            png.size(4, 1).format(8, kPngRgba).pixels(rgba);
            if (background != 0) png.background_rgb(255, 255, 255);
            if (c.type != nullptr) png.chunk(c.type, c.data);
            const ReaderRun out = testing_support::read_png_bytes(png.build());
            ASSERT_TRUE(out.ok) << out.failure;
            for (std::int32_t x = 0; x < 4; ++x) {
                const std::uint32_t alpha = rgba[static_cast<std::size_t>(x) * 4 + 3];
                auto blend = [&](int channel) {
                    const std::uint32_t sample = rgba[static_cast<std::size_t>(x) * 4 + static_cast<std::size_t>(channel)];
                    return static_cast<std::uint8_t>((sample * alpha + background * (255 - alpha) + 127) / 255);
                };
                EXPECT_EQ(bitmap_rgb(out.bitmap, x, 0), (Rgb{blend(0), blend(1), blend(2)})) << "pixel " << x;
            }
        }
    }
}

TEST(PngReader, IdatSplitAnywhereGivesTheSameSprite) {
    PngBuilder png;
    png.size(17, 5).format(8, kPngRgb).pattern();
    const ReaderRun whole = testing_support::read_png_bytes(png.build());
    ASSERT_TRUE(whole.ok);
    std::vector<Rgb> expected;
    for (std::int32_t y = 0; y < 5; ++y)
        for (std::int32_t x = 0; x < 17; ++x) expected.push_back(bitmap_rgb(whole.bitmap, x, y));
    for (std::size_t piece : {1u, 7u, 100u}) {
        SCOPED_TRACE(piece);
        png.split_idat(piece).filters();
        const ReaderRun out = testing_support::read_png_bytes(png.build());
        ASSERT_TRUE(out.ok) << out.failure;
        for (std::int32_t y = 0; y < 5; ++y)
            for (std::int32_t x = 0; x < 17; ++x)
                EXPECT_EQ(bitmap_rgb(out.bitmap, x, y), expected[static_cast<std::size_t>(y * 17 + x)]);
    }
}

Bytes with_byte(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes.at(at) = value;
    return bytes;
}

Bytes cut(Bytes bytes, std::size_t keep) {
    bytes.resize(keep);
    return bytes;
}

// Where the chunk of the given type starts (its length field).
std::size_t chunk_at(const Bytes &bytes, const std::string &type) {
    for (std::size_t at = 8; at + 8 <= bytes.size();) {
        if (std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + 8)) == type)
            return at;
        at += 12 + (static_cast<std::size_t>(bytes[at]) << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3]);
    }
    throw std::logic_error("no chunk " + type);
}

Bytes ihdr_with(std::uint32_t width, std::uint32_t height, int depth, int colour) {
    PngBuilder png;
    png.size(1, 1).format(8, kPngGrey).pixels({0});
    Bytes bytes = png.build();
    Bytes ihdr = {static_cast<std::uint8_t>(width >> 24),  static_cast<std::uint8_t>(width >> 16),
                  static_cast<std::uint8_t>(width >> 8),   static_cast<std::uint8_t>(width),
                  static_cast<std::uint8_t>(height >> 24), static_cast<std::uint8_t>(height >> 16),
                  static_cast<std::uint8_t>(height >> 8),  static_cast<std::uint8_t>(height),
                  static_cast<std::uint8_t>(depth),        static_cast<std::uint8_t>(colour),
                  0, 0, 0};
    const Bytes chunk = png_chunk("IHDR", ihdr);
    std::copy(chunk.begin(), chunk.end(), bytes.begin() + 8);
    return bytes;
}

TEST(PngReader, FailuresCarryLibpngsMessage) {
    PngBuilder png;
    png.size(8, 8).format(8, kPngRgb).pattern();
    const Bytes good = png.build();
    const std::size_t idat = chunk_at(good, "IDAT");
    const std::size_t iend = chunk_at(good, "IEND");

    PngBuilder palette;
    palette.size(2, 2).format(8, kPngPalette).pixels({0, 1, 1, 0});
    // Image data for 7 rows where IHDR promises 8.
    Bytes short_rows = cut(good, idat);
    {
        PngBuilder fewer = png;
        fewer.height = 7;
        const Bytes chunk = png_chunk("IDAT", fewer.image_data());
        short_rows.insert(short_rows.end(), chunk.begin(), chunk.end());
        const Bytes end = png_chunk("IEND", {});
        short_rows.insert(short_rows.end(), end.begin(), end.end());
    }
    Bytes no_idat = cut(good, idat);
    {
        const Bytes end = png_chunk("IEND", {});
        no_idat.insert(no_idat.end(), end.begin(), end.end());
    }

    // A text chunk that claims a gigabyte in a short file: passed over unread,
    // so the file simply ends early.
    Bytes huge_text = cut(good, 33);
    huge_text.insert(huge_text.end(), {0x3F, 0xFF, 0xFF, 0xFF, 't', 'E', 'X', 't', 'a', 'b', 'c'});

    struct Case {
        const char *what;
        Bytes bytes;
        std::string failure;
    };
    const Case cases[] = {
        {"a text chunk claiming a gigabyte", huge_text, "PNG:Unexpected end of file"},
        {"not a PNG signature", with_byte(good, 1, 'Q'), "PNG:Not a PNG file"},
        {"empty file", {}, "PNG:Unexpected end of file"},
        {"signature only", cut(good, 8), "PNG:Unexpected end of file"},
        {"cut inside IHDR", cut(good, 20), "PNG:Unexpected end of file"},
        {"cut inside the image data", cut(good, idat + 40), "PNG:Unexpected end of file"},
        {"cut before IEND", cut(good, iend), "PNG:Unexpected end of file"},
        {"IHDR CRC damaged", with_byte(good, 29, static_cast<std::uint8_t>(good[29] ^ 1)), "PNG:IHDR: CRC error"},
        {"IDAT CRC damaged", with_byte(good, iend - 1, static_cast<std::uint8_t>(good[iend - 1] ^ 1)),
         "PNG:IDAT: CRC error"},
        {"fewer rows than IHDR says", short_rows, "PNG:Not enough image data"},
        {"no image data", no_idat, "PNG:IEND: out of place"},
        {"palette image without PLTE", palette.build(), "PNG:IDAT: Missing PLTE before IDAT"},
        {"colour type 1", ihdr_with(1, 1, 8, 1), "PNG:Invalid IHDR data"},
        {"depth 3", ihdr_with(1, 1, 3, 0), "PNG:Invalid IHDR data"},
        {"width 0", ihdr_with(0, 1, 8, 0), "PNG:Invalid IHDR data"},
        {"wider than libpng allows", ihdr_with(1000001, 1, 8, 0), "PNG:Invalid IHDR data"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const ReaderRun out = testing_support::read_png_bytes(c.bytes);
        EXPECT_FALSE(out.ok);
        EXPECT_EQ(out.failure, c.failure);
    }
}

// The 1 GiB bitmap limit is checked before anything is allocated or inflated.
TEST(PngReader, BitmapsOverTheLimitFailBeforeDecoding) {
    const ReaderRun out = testing_support::read_png_bytes(ihdr_with(1000000, 400, 8, kPngRgb));
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.failure, "Image is too large (1000000 x 400 pixels at 24 bits per pixel)");
}

} // namespace
