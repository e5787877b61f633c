// Writes the bundled image samples (samples/*.bmp, .gif, .pcx, .png) with the
// test builders:
//   make_raster_samples <samples directory>
#include "tests/support/bmp_builder.h"
#include "tests/support/gif_builder.h"
#include "tests/support/pcx_builder.h"
#include "tests/support/png_builder.h"

#include <cmath>
#include <cstdio>
#include <string>

using namespace testing_support;

namespace {

std::vector<std::vector<std::uint32_t>> sunset(int width, int height) {
    std::vector<std::vector<std::uint32_t>> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double dx = x - width * 0.5, dy = y - height * 0.7;
            bool sun = dx * dx + dy * dy < (height * 0.2) * (height * 0.2);
            auto red = static_cast<std::uint32_t>(255 - y * 100 / height);
            auto green = static_cast<std::uint32_t>(sun ? 220 : 60 + y * 120 / height);
            auto blue = static_cast<std::uint32_t>(sun ? 40 : 200 - y * 150 / height);
            rows[static_cast<std::size_t>(y)].push_back(red << 16 | green << 8 | blue);
        }
    return rows;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_raster_samples <samples directory>\n");
        return 2;
    }
    const std::string dir = argv[1];
    write_file(dir + "/sunset-24bit.bmp", BmpBuilder{}.size(96, 64).bits(24).resolution(3780, 3780).pixels(sunset(96, 64)).build());

    std::vector<std::uint32_t> grey;
    for (std::uint32_t i = 0; i < 16; ++i) grey.push_back(i * 0x111111);
    write_file(dir + "/steps-4bit-os2.bmp", BmpBuilder{}.as_os2().size(64, 32).bits(4).palette(grey).pixels(pattern_rows(64, 32, 16)).build());

    // RLE8: horizontal bands as encoded runs, one absolute run per row.
    Bytes rle;
    for (int y = 0; y < 40; ++y) {
        rle.insert(rle.end(), {60, static_cast<std::uint8_t>(y / 5)});
        rle.insert(rle.end(), {0, 4, 1, 2, 3, 4});
        rle.insert(rle.end(), {0, 0});
    }
    rle.insert(rle.end(), {0, 1});
    std::vector<std::uint32_t> bands{0x202040, 0x3050A0, 0x4080C0, 0x60A0E0, 0x80C0F0, 0xA0D0F0, 0xC0E0F8, 0xE0F0FF};
    write_file(dir + "/bands-rle8.bmp", BmpBuilder{}.size(64, 40).bits(8).palette(bands).compressed(1, rle).build());

    // GIF: a 16-colour interlaced sunset whose colour 0 is transparent.
    const auto sky = sunset(64, 48);
    std::vector<Rgb> table;
    for (int i = 0; i < 16; ++i)
        table.push_back({static_cast<std::uint8_t>(255 - i * 6), static_cast<std::uint8_t>(60 + i * 10),
                         static_cast<std::uint8_t>(200 - i * 9)});
    GifImage frame;
    frame.width = 64;
    frame.height = 48;
    frame.interlaced = true;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) frame.pixels.push_back(static_cast<std::uint8_t>(((x / 8 + y / 6) % 15) + (x < 4 ? 0 : 1)));
    write_file(dir + "/checks-interlaced.gif",
               GifBuilder{}.screen(64, 48, table).comment("made by make_raster_samples").graphic_control(true, 0).image(frame).trailer().build());

    // PCX: 8-bit with its 256-colour palette behind the image.
    PcxBuilder pcx;
    pcx.size(96, 64);
    std::vector<std::uint8_t> palette;
    for (int i = 0; i < 256; ++i) palette.insert(palette.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 128});
    pcx.trailing_palette = palette;
    for (const auto &row : sunset(96, 64))
        for (std::uint32_t rgb : row) pcx.pixels.push_back((rgb >> 16) & 0xFF);
    write_file(dir + "/sunset-8bit.pcx", pcx.build());

    // PNG: RGBA with a background colour to composite onto, at 300 dpi.
    std::vector<std::uint16_t> samples;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            std::uint32_t rgb = sky[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            samples.insert(samples.end(), {static_cast<std::uint16_t>(rgb >> 16), static_cast<std::uint16_t>((rgb >> 8) & 0xFF),
                                           static_cast<std::uint16_t>(rgb & 0xFF), static_cast<std::uint16_t>(x * 4)});
        }
    write_file(dir + "/fade-rgba.png", PngBuilder{}.size(64, 48).format(8, kPngRgba).pixels(samples)
                                            .background_rgb(255, 255, 255).physical(11811, 11811, 1).build());
    std::printf("wrote 6 image samples to %s\n", dir.c_str());
    return 0;
}
