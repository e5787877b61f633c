// Times Bmpload on large generated BMPs beside netpbm's bmptopnm and
// ImageMagick's convert (to PPM), every program writing its output into the
// same temporary directory, and beside the floor: reading the input and
// writing as many bytes as the Draw output holds. Prints ratios.
//     bmp_bench <Bmpload program> <work directory>
#include "bench/timing.h"
#include "tests/support/bmp_builder.h"

#include <filesystem>

using bench::best_time;
using bench::shell_word;
using bench::Timing;
using namespace testing_support;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

std::vector<std::vector<std::uint32_t>> photo_like(std::uint32_t modulo) {
    std::vector<std::vector<std::uint32_t>> rows(kHeight);
    for (int y = 0; y < kHeight; ++y) {
        rows[static_cast<std::size_t>(y)].reserve(kWidth);
        for (int x = 0; x < kWidth; ++x)
            rows[static_cast<std::size_t>(y)].push_back(static_cast<std::uint32_t>(x * 3 + y * 5 + (x ^ y)) % modulo);
    }
    return rows;
}

std::vector<std::uint32_t> ramp_palette() {
    std::vector<std::uint32_t> palette;
    for (std::uint32_t i = 0; i < 256; ++i) palette.push_back(i * 0x010101);
    return palette;
}

// RLE8 made of encoded runs only, or of absolute runs only.
Bytes rle8(bool absolute) {
    Bytes data;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth;) {
            int run = std::min(absolute ? 254 : 255, kWidth - x);
            if (absolute && run >= 3) {
                data.push_back(0);
                data.push_back(static_cast<std::uint8_t>(run));
                for (int i = 0; i < run; ++i) data.push_back(static_cast<std::uint8_t>(x + i + y));
                if (run % 2) data.push_back(0);
            } else {
                data.push_back(static_cast<std::uint8_t>(run));
                data.push_back(static_cast<std::uint8_t>(x / 255 + y));
            }
            x += run;
        }
        data.insert(data.end(), {0, 0});
    }
    data.insert(data.end(), {0, 1});
    return data;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bmp_bench <Bmpload program> <work directory>\n");
        return 2;
    }
    const std::filesystem::path work = argv[2];
    std::filesystem::create_directories(work);
    struct Input { const char *name; Bytes file; };
    const Input inputs[] = {
        {"24bpp", BmpBuilder{}.size(kWidth, kHeight).bits(24).pixels(photo_like(0x1000000)).build()},
        {"8bpp", BmpBuilder{}.size(kWidth, kHeight).bits(8).palette(ramp_palette()).pixels(photo_like(256)).build()},
        {"rle8-runs", BmpBuilder{}.size(kWidth, kHeight).bits(8).palette(ramp_palette()).compressed(1, rle8(false)).build()},
        {"rle8-absolute", BmpBuilder{}.size(kWidth, kHeight).bits(8).palette(ramp_palette()).compressed(1, rle8(true)).build()},
    };
    const int runs = 5;
    std::printf("%-14s %10s %10s %10s %10s   %s\n", "input", "Bmpload", "bmptopnm", "convert", "floor",
                "ratios: Bmpload/bmptopnm (target <= 1), Bmpload/floor (target <= 1.5)");
    for (const Input &input : inputs) {
        const std::string in = (work / (std::string(input.name) + ".bmp")).string();
        write_file(in, input.file);
        const std::string draw = (work / (std::string(input.name) + ".draw")).string();
        Timing ours = best_time(shell_word(argv[1]) + " " + shell_word(in) + " " + shell_word(draw), runs);
        Timing netpbm = best_time("bmptopnm " + shell_word(in) + " > " + shell_word(draw + ".netpbm.ppm") + " 2>/dev/null", runs);
        Timing magick = best_time("convert " + shell_word(in) + " " + shell_word(draw + ".magick.ppm"), runs);
        const auto draw_size = std::filesystem::file_size(draw);
        Timing floor = best_time("cat " + shell_word(in) + " > /dev/null && head -c " + std::to_string(draw_size) +
                                     " /dev/zero > " + shell_word(draw + ".floor"), runs);
        std::printf("%-14s %9.3fs %9.3fs %9.3fs %9.3fs   %.2f  %.2f  (processor: %.2f  %.2f)\n", input.name, ours.wall,
                    netpbm.wall, magick.wall, floor.wall, ours.wall / netpbm.wall, ours.wall / floor.wall,
                    ours.cpu / netpbm.cpu, ours.cpu / floor.cpu);
    }
    return 0;
}
