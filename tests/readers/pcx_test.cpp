// The PCX reader on files built by PcxBuilder: sizes, layouts, palette rules,
// runs, truncation and damaged headers.
#include "readers/pcx.h"
#include "tests/support/raster_harness.h"
#include "tests/support/pcx_builder.h"

#include <gtest/gtest.h>

#include <random>

using namespace testing_support;

namespace {

std::string read_pcx(const Bytes &bytes) { return reader_failure(pcx_read, bytes); }

Bitmap *image() { return sprite_list.entries[0].image->image; }

std::uint32_t word(int r, int g, int b) {
    return static_cast<std::uint32_t>(r) << 8 | static_cast<std::uint32_t>(g) << 16 | static_cast<std::uint32_t>(b) << 24;
}

PcxBuilder random_image(int bits, int planes, int width, int height, unsigned seed) {
    PcxBuilder pcx;
    pcx.bits_per_pixel = bits;
    pcx.planes = planes;
    pcx.size(width, height);
    std::mt19937 random(seed);
    const std::uint64_t range = bits == 8 && planes >= 3 ? 1ull << 32 : 1ull << (bits * planes);
    for (int i = 0; i < width * height; ++i) pcx.pixels.push_back(static_cast<std::uint32_t>(random() % range));
    for (std::size_t i = 0; i < pcx.colour_map.size(); ++i) pcx.colour_map[i] = static_cast<std::uint8_t>(i * 5 + 1);
    return pcx;
}

void expect_pixels(const PcxBuilder &pcx) {
    Bitmap *bitmap = image();
    ASSERT_EQ(bitmap->width, pcx.width());
    ASSERT_EQ(bitmap->height, pcx.height());
    for (int y = 0; y < pcx.height(); ++y)
        for (int x = 0; x < pcx.width(); ++x) {
            std::uint32_t p = pcx.pixels[static_cast<std::size_t>(y * pcx.width() + x)];
            if (bitmap->bpp >= 24) p = (p >> 16 & 0xFF) | (p & 0xFF00) | (p & 0xFF) << 16; // red first, no alpha
            ASSERT_EQ(bitmap_value(bitmap, x, y), p) << "at " << x << "," << y;
        }
}

TEST(PcxRead, SizeComesFromTheWindow) {
    struct Case { int xmin, ymin, xmax, ymax, width, height; };
    for (Case c : {Case{0, 0, 639, 479, 640, 480}, {10, 0, 19, 0, 10, 1}, {-5, -7, 5, 7, 11, 15}}) {
        PcxBuilder pcx = random_image(8, 1, 1, 1, 1);
        pcx.xmin = c.xmin;
        pcx.ymin = c.ymin;
        pcx.xmax = c.xmax;
        pcx.ymax = c.ymax;
        pcx.pixels.assign(static_cast<std::size_t>(c.width * c.height), 7);
        ASSERT_EQ(read_pcx(pcx.build()), "");
        EXPECT_EQ(image()->width, c.width);
        EXPECT_EQ(image()->height, c.height);
        EXPECT_EQ(image()->xdpi, 96);
        EXPECT_EQ(image()->ydpi, 96);
        EXPECT_STREQ(sprite_list.entries[0].name, "PCX0");
        expect_pixels(pcx);
    }
}

TEST(PcxRead, EveryLayoutDecodesPixelForPixel) {
    struct Case { int bits, planes, bpp; };
    for (Case c : {Case{1, 1, 1}, {2, 1, 2}, {4, 1, 4}, {8, 1, 8}, {1, 2, 2}, {1, 3, 4}, {1, 4, 4}, {8, 3, 24},
                   {8, 4, 32}}) {
        for (int width : {1, 7, 37, 64}) {
            PcxBuilder pcx = random_image(c.bits, c.planes, width, 5, static_cast<unsigned>(width + c.bits));
            for (bool cross : {false, true}) {
                pcx.runs_cross_lines = cross;
                ASSERT_EQ(read_pcx(pcx.build()), "");
                EXPECT_EQ(image()->bpp, c.bpp);
                SCOPED_TRACE(::testing::Message() << c.bits << "x" << c.planes << " width " << width << " " << cross);
                expect_pixels(pcx);
            }
        }
    }
}

TEST(PcxRead, PaletteRulesByVersionAndTrailingPalette) {
    std::vector<std::uint8_t> trailing(768);
    for (std::size_t i = 0; i < trailing.size(); ++i) trailing[i] = static_cast<std::uint8_t>(i * 7);
    const std::uint32_t map0 = word(1, 6, 11);    // first header map entry of random_image
    const std::uint32_t end0 = word(0, 7, 14); // first trailing entry
    const std::uint32_t end255 = word(765 * 7 & 0xFF, 766 * 7 & 0xFF, 767 * 7 & 0xFF);
    const std::uint32_t default1 = word(0, 0, 255);
    struct Case {
        const char *name;
        int version, bits, planes;
        bool zero_map, trailing;
        std::uint8_t marker;
        int count;
        std::uint32_t first, second, last;
    };
    const Case cases[] = {
        {"v5 mono, zero map", 5, 1, 1, true, false, 12, 2, 0, 0xFFFFFF00, 0xFFFFFF00},
        {"v5 mono, own map", 5, 1, 1, false, false, 12, 2, map0, word(16, 21, 26), word(16, 21, 26)},
        {"v3 mono ignores map", 3, 1, 1, false, false, 12, 2, 0, 0xFFFFFF00, 0xFFFFFF00},
        {"v3 16 colours ignore map", 3, 1, 4, false, false, 12, 16, 0, default1, 0xFFFFFF00},
        {"v0 16 colours", 0, 4, 1, false, false, 12, 16, 0, default1, 0xFFFFFF00},
        {"v1 16 colours", 1, 4, 1, false, false, 12, 16, 0, default1, 0xFFFFFF00},
        {"v2 16 colours use map", 2, 1, 4, false, false, 12, 16, map0, word(16, 21, 26), word(226, 231, 236)},
        {"v4 16 colours use map", 4, 4, 1, false, false, 12, 16, map0, word(16, 21, 26), word(226, 231, 236)},
        {"v5 16 colours zero map", 5, 1, 4, true, false, 12, 16, 0, default1, 0xFFFFFF00},
        {"v5 8 bit trailing", 5, 8, 1, false, true, 12, 256, end0, word(21, 28, 35), end255},
        {"v5 8 bit wrong marker", 5, 8, 1, false, true, 13, 16, map0, word(16, 21, 26), word(226, 231, 236)},
        {"v5 8 bit no trailing", 5, 8, 1, false, false, 12, 16, map0, word(16, 21, 26), word(226, 231, 236)},
        {"v5 8 bit no trailing, zero map", 5, 8, 1, true, false, 12, 16, 0, default1, 0xFFFFFF00},
        {"v4 8 bit trailing not looked for", 4, 8, 1, false, true, 12, 16, map0, word(16, 21, 26), word(226, 231, 236)},
        {"v5 mono with trailing marker", 5, 1, 1, false, true, 12, 256, end0, word(21, 28, 35), end255},
    };
    for (const Case &c : cases) {
        PcxBuilder pcx = random_image(c.bits, c.planes, 40, 20, 3);
        pcx.version = static_cast<std::uint8_t>(c.version);
        if (c.zero_map) pcx.colour_map.fill(0);
        if (c.trailing) pcx.trailing_palette = trailing;
        pcx.trailing_marker = c.marker;
        ASSERT_EQ(read_pcx(pcx.build()), "") << c.name;
        EXPECT_EQ(image()->palette_count, c.count) << c.name;
        EXPECT_EQ(image()->palette[0], c.first) << c.name;
        EXPECT_EQ(image()->palette[1], c.second) << c.name;
        EXPECT_EQ(image()->palette[c.count - 1], c.last) << c.name;
        expect_pixels(pcx);
    }
    PcxBuilder pcx = random_image(8, 1, 40, 20, 3);
    pcx.trailing_palette = std::vector<std::uint8_t>(768, 0);
    ASSERT_EQ(read_pcx(pcx.build()), "");
    EXPECT_EQ(image()->palette_count, 256);
    EXPECT_EQ(image()->palette[0], 0u); // an all-zero 256-colour palette stays as read

    // The whole default palette, as a version 0 file without a usable map gets it.
    PcxBuilder old_file = random_image(1, 4, 8, 2, 5);
    old_file.version = 0;
    ASSERT_EQ(read_pcx(old_file.build()), "");
    const std::uint32_t expected[16] = {
        word(0, 0, 0),      word(0, 0, 255),    word(0, 255, 0),    word(0, 255, 255),
        word(255, 0, 0),    word(255, 0, 255),  word(255, 255, 0),  word(255, 255, 255),
        word(85, 85, 255),  word(85, 85, 85),   word(0, 170, 0),    word(170, 0, 0),
        word(85, 255, 255), word(255, 85, 255), word(255, 255, 85), word(255, 255, 255),
    };
    for (int i = 0; i < 16; ++i) EXPECT_EQ(image()->palette[i], expected[i]) << i;
}

TEST(PcxRead, RunsAndLiteralBytes) {
    struct Case { const char *name; Bytes data; std::vector<std::uint32_t> row; };
    const Case cases[] = {
        {"run of five", {0xC5, 0x12, 0x01, 0x02, 0x03}, {0x12, 0x12, 0x12, 0x12, 0x12, 1, 2, 3}},
        {"0xBF is a literal", {0xBF, 0xC1, 0xC0, 0xC2, 0xFF, 1, 2, 3, 4}, {0xBF, 0xC0, 0xFF, 0xFF, 1, 2, 3, 4}},
        {"count 0 consumes its value", {0xC0, 0x55, 9, 8, 7, 6, 5, 4, 3, 2}, {9, 8, 7, 6, 5, 4, 3, 2}},
    };
    for (const Case &c : cases) {
        PcxBuilder pcx;
        pcx.size(8, 1);
        pcx.data = c.data;
        ASSERT_EQ(read_pcx(pcx.build()), "") << c.name;
        for (int x = 0; x < 8; ++x) EXPECT_EQ(bitmap_value(image(), x, 0), c.row[static_cast<std::size_t>(x)]) << c.name;
    }
    // A run past a line end goes on at the start of the next line.
    PcxBuilder pcx;
    pcx.size(3, 3);
    pcx.bytes_per_line = 4;
    pcx.data = Bytes{1, 2, 3, 0xC6, 7, 4, 5, 6};
    ASSERT_EQ(read_pcx(pcx.build()), "");
    const std::uint32_t expected[3][3] = {{1, 2, 3}, {7, 7, 7}, {7, 4, 5}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(bitmap_value(image(), x, y), expected[y][x]);
}

TEST(PcxRead, PlaneTwoSetsBitTwo) {
    PcxBuilder pcx;
    pcx.bits_per_pixel = 1;
    pcx.planes = 4;
    pcx.size(16, 1);
    pcx.data = Bytes{0, 0, 0, 0, 0x80, 0, 0, 0};
    ASSERT_EQ(read_pcx(pcx.build()), "");
    EXPECT_EQ(bitmap_row_bytes(image(), 0)[0], 0x04);
    for (int x = 1; x < 16; ++x) EXPECT_EQ(bitmap_value(image(), x, 0), 0u);
}

TEST(PcxRead, TruncatedDataIsCompletedWithFF) {
    struct Case { int bits, planes; std::uint32_t filled; };
    for (Case c : {Case{8, 1, 0xFF}, {1, 4, 15}, {1, 1, 1}, {8, 3, 0xFFFFFF}}) {
        PcxBuilder pcx = random_image(c.bits, c.planes, 9, 4, 8);
        const Bytes lines = pcx.lines();
        const int row = pcx.line_length() * c.planes;
        // Cut after the first row, and also in the middle of a run (marker without its value).
        for (Bytes data : {testing_support::pcx_encode(Bytes(lines.begin(), lines.begin() + row)), Bytes{0xC2}}) {
            pcx.data = data;
            ASSERT_EQ(read_pcx(pcx.build()), "");
            for (int y = 1; y < 4; ++y)
                for (int x = 0; x < 9; ++x) ASSERT_EQ(bitmap_value(image(), x, y), c.filled) << c.bits << "x" << c.planes;
        }
    }
}

TEST(PcxRead, ManufacturerIsNotCheckedAndEncodingZeroMeansStoredLines) {
    // Random 8-bit pixels: stored lines hold bytes of 0xC0 and above, which
    // read as runs would garble the image.
    for (const std::uint8_t encoding : {std::uint8_t{1}, std::uint8_t{0}}) {
        PcxBuilder pcx = random_image(8, 1, 10, 3, 2);
        pcx.manufacturer = 0x42;
        pcx.encoding = encoding;
        ASSERT_EQ(read_pcx(pcx.build()), "") << int{encoding};
        expect_pixels(pcx);
    }
}

TEST(PcxRead, LongLinesAreCutToTheRow) {
    // Bytes per line far beyond what the row holds: the excess is dropped.
    for (auto [bits, planes] : {std::pair{1, 4}, {1, 2}, {8, 1}, {8, 3}, {1, 1}}) {
        PcxBuilder pcx = random_image(bits, planes, 5, 6, 4);
        pcx.bytes_per_line = 301;
        ASSERT_EQ(read_pcx(pcx.build()), "") << bits << "x" << planes;
        expect_pixels(pcx);
    }
}

TEST(PcxRead, DamagedHeadersFailWithClearMessages) {
    struct Case { const char *name; PcxBuilder pcx; const char *message; };
    PcxBuilder base = random_image(8, 1, 4, 4, 1);
    auto with = [&](auto change) {
        PcxBuilder pcx = base;
        change(pcx);
        return pcx;
    };
    const Case cases[] = {
        {"zero planes", with([](PcxBuilder &p) { p.planes = 0; p.data = Bytes{}; }), "Bad PCX header: 0 bits per pixel."},
        {"zero bits", with([](PcxBuilder &p) { p.bits_per_pixel = 0; p.data = Bytes{}; }), "Bad PCX header: 0 bits per pixel."},
        {"zero bytes per line", with([](PcxBuilder &p) { p.bytes_per_line = 0; p.data = Bytes{1}; }),
         "Bad PCX header: 0 bytes per line."},
        {"negative bytes per line", with([](PcxBuilder &p) { p.bytes_per_line = -2; p.data = Bytes{1}; }),
         "Bad PCX header: -2 bytes per line."},
        {"xmax before xmin", with([](PcxBuilder &p) { p.xmin = 5; p.xmax = 4; p.bytes_per_line = 4; p.data = Bytes{}; }), "Image has no pixels (width 0, height 4)"},
        {"negative height", with([](PcxBuilder &p) { p.ymin = 5; p.ymax = 0; }), "Image has no pixels (width 4, height -4)"},
        {"over a gigabyte", with([](PcxBuilder &p) { p.xmin = -32768; p.xmax = 32767; p.ymin = -32768; p.ymax = 32767; p.bytes_per_line = 2; p.data = Bytes{}; }),
         "Image is too large (65536 x 65536 pixels at 8 bits per pixel)"},
    };
    for (const Case &c : cases) EXPECT_EQ(read_pcx(c.pcx.build()), c.message) << c.name;
    Bytes short_header = base.build();
    short_header.resize(127);
    EXPECT_EQ(read_pcx(short_header), "Error reading data.");
}

TEST(PcxRead, UndecodedLayoutsAreCreatedAtTheirDepth) {
    struct Case { int bits, planes, bpp; };
    for (Case c : {Case{24, 1, 24}, {4, 4, 16}, {8, 2, 16}}) {
        PcxBuilder pcx;
        pcx.bits_per_pixel = c.bits;
        pcx.planes = c.planes;
        pcx.size(3, 2);
        pcx.data = Bytes(40, 0x21);
        ASSERT_EQ(read_pcx(pcx.build()), "");
        EXPECT_EQ(image()->bpp, c.bpp);
        for (auto byte : bitmap_row_bytes(image(), 1)) EXPECT_EQ(byte, 0);
    }
}

} // namespace
