// draw_preview: writes a PNG picture of the sprite in a Draw file that a
// raster filter made, so that the result can be looked at without RISC OS.
// Pixels come through the palette (8 bits and below) or as stored colour; a
// mask becomes the alpha channel. One sprite pixel is one PNG pixel.
//
//     draw_preview <Draw file> <PNG file>
#include "tests/support/draw_file.h"

#include <png.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

bool read_whole(const char *path, testing_support::Bytes &out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// RGBA rows, top row first.
std::vector<png_byte> rgba_pixels(const testing_support::DrawSprite &sprite) {
    std::vector<png_byte> pixels;
    pixels.reserve(static_cast<std::size_t>(sprite.width) * static_cast<std::size_t>(sprite.height) * 4);
    for (int y = 0; y < sprite.height; ++y) {
        for (int x = 0; x < sprite.width; ++x) {
            const std::uint32_t rgb = sprite.rgb(x, y);
            pixels.push_back(static_cast<png_byte>(rgb >> 16));
            pixels.push_back(static_cast<png_byte>(rgb >> 8));
            pixels.push_back(static_cast<png_byte>(rgb));
            pixels.push_back(sprite.has_mask && sprite.mask_pixel(x, y) == 0 ? 0 : 255);
        }
    }
    return pixels;
}

// libpng leaves through longjmp on failure; nothing here needs unwinding.
bool write_png(const char *path, const testing_support::DrawSprite &sprite) {
    std::vector<png_byte> pixels = rgba_pixels(sprite);
    std::vector<png_bytep> rows;
    for (int y = 0; y < sprite.height; ++y)
        rows.push_back(pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(sprite.width) * 4);
    std::FILE *file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    volatile bool written = false; // read again after a longjmp
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(sprite.width), static_cast<png_uint_32>(sprite.height), 8,
                     PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_rows(png, info, rows.data());
        png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: draw_preview <Draw file> <PNG file>\n");
        return 2;
    }
    testing_support::Bytes bytes;
    testing_support::DrawSprite sprite;
    std::string why;
    if (!read_whole(argv[1], bytes)) {
        std::fprintf(stderr, "draw_preview: cannot read %s\n", argv[1]);
        return 1;
    }
    if (!testing_support::parse_draw(bytes, sprite, why)) {
        std::fprintf(stderr, "draw_preview: %s: %s\n", argv[1], why.c_str());
        return 1;
    }
    if (!write_png(argv[2], sprite)) {
        std::fprintf(stderr, "draw_preview: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
