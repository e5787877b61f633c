// draw_preview: writes a PNG picture of the sprite in a Draw file that a
// raster filter made, so that the result can be looked at without RISC OS.
// Pixels come through the palette (8 bits and below) or as stored colour; a
// mask becomes the alpha channel. One sprite pixel is one PNG pixel.
//
//     draw_preview <Draw file> <PNG file>
#include "tools/draw_file.h"
#include "tools/draw_render.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

bool read_whole(const char *path, draw_file::Bytes &out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: draw_preview <Draw file> <PNG file>\n");
        return 2;
    }
    draw_file::Bytes bytes;
    draw_file::DrawSprite sprite;
    std::string why;
    if (!read_whole(argv[1], bytes)) {
        std::fprintf(stderr, "draw_preview: cannot read %s\n", argv[1]);
        return 1;
    }
    if (!draw_file::parse_draw(bytes, sprite, why)) {
        std::fprintf(stderr, "draw_preview: %s: %s\n", argv[1], why.c_str());
        return 1;
    }
    std::vector<std::uint8_t> png = draw_file::encodePng(draw_file::spriteCanvas(sprite));
    std::FILE *file = std::fopen(argv[2], "wb");
    if (png.empty() || file == nullptr || std::fwrite(png.data(), 1, png.size(), file) != png.size() || std::fclose(file) != 0) {
        std::fprintf(stderr, "draw_preview: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
