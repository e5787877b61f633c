// Gifload against other programs' files: GIFs written at test time by netpbm
// and ImageMagick, and the shared corpus of real files, each compared pixel by
// pixel with what netpbm's own decoder reads from the same file.
#include "readers/gif.h"
#include "tests/support/corpus_walk.h"
#include "tests/support/pnm.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>

using namespace testing_support;

namespace {

// Compares the converted sprite with giftopnm's reading of the file, colours
// and mask. giftopnm refuses images that reach past the logical screen, which
// the sprite does not care about, so it reads a copy whose screen is as large
// as can be. Returns a description of the first difference, or "".
std::string compare_with_giftopnm(const std::string &gif, const FilterConversion &ours, TempDir &dir) {
    Bytes copy = read_file(gif);
    if (copy.size() >= 10) std::fill(copy.begin() + 6, copy.begin() + 10, 0xFF);
    std::string widened = dir.file("widened.gif");
    write_file(widened, copy);
    std::string alpha = dir.file("alpha.pgm");
    std::filesystem::remove(alpha);
    Pnm theirs;
    if (!decode_with("giftopnm -alphaout=" + shell_quoted(alpha) + " " + shell_quoted(widened), theirs))
        return "giftopnm cannot read it";
    if (!ours.succeeded) return "Gifload failed: " + ours.failure + ours.parse_problem;
    const auto &sprite = ours.sprite;
    if (sprite.width != theirs.width || sprite.height != theirs.height)
        return "size " + std::to_string(sprite.width) + "x" + std::to_string(sprite.height) + " against " +
               std::to_string(theirs.width) + "x" + std::to_string(theirs.height);
    Pnm alpha_image;
    bool has_alpha = parse_pnm(read_file(alpha), alpha_image);
    for (int y = 0; y < theirs.height; ++y)
        for (int x = 0; x < theirs.width; ++x) {
            std::string where = " at " + std::to_string(x) + "," + std::to_string(y);
            if (sprite.rgb(x, y) != theirs.rgb(x, y)) return "colour differs" + where;
            bool opaque = !has_alpha || alpha_image.samples[static_cast<std::size_t>(y * theirs.width + x)] != 0;
            bool shown = !sprite.has_mask || sprite.mask_pixel(x, y) != 0;
            if (opaque != shown) return "transparency differs" + where;
        }
    return "";
}

TEST(GifExternal, NetpbmAndImageMagickFilesMatchGiftopnm) {
    for (const char *tool : {"pamtogif", "giftopnm", "convert"})
        if (!have_command(tool)) GTEST_SKIP() << tool << " is not installed";
    TempDir dir;
    struct Source { int width, height, colours; };
    const Source sources[] = {{33, 17, 2}, {50, 29, 16}, {97, 53, 256}};
    const char *encoders[] = {
        "pamtogif {in} > {out}",
        "pamtogif -interlace {in} > {out}",
        "pamtogif -sort {in} > {out}",
        "pamtogif -transparent=rgb:10/20/30 {in} > {out}",
        "convert ppm:{in} gif:{out}",
        "convert ppm:{in} GIF87:{out}",
        "convert ppm:{in} -interlace GIF gif:{out}",
        "convert ppm:{in} -transparent '#102030' gif:{out}",
    };
    int compared = 0;
    for (const Source &s : sources) {
        std::string ppm = dir.file("source.ppm");
        write_file(ppm, palette_ppm(s.width, s.height, s.colours, static_cast<unsigned>(s.colours)));
        for (std::string command : encoders) {
            std::string gif = dir.file("encoded.gif");
            command.replace(command.find("{in}"), 4, shell_quoted(ppm));
            command.replace(command.find("{out}"), 5, shell_quoted(gif));
            ASSERT_TRUE(run_shell(command + " 2>/dev/null")) << command;
            auto ours = convert_in_process(kGifloadProgram, gif, dir);
            EXPECT_EQ(compare_with_giftopnm(gif, ours, dir), "") << command << " on " << s.colours << " colours";
            ++compared;
        }
    }
    EXPECT_EQ(compared, 24);
}

// Corpus files that netpbm's decoder cannot read, or that Gifload refuses:
// the outcome Gifload gives ("" for a conversion) and why.
const CorpusTable kCorpusCases = {
    {"gif/image-gif/stall/issue-101-infinite-empty-loop.gif", {"Image has no pixels (width 0, height 9984)", "zero width"}},
    {"gif/image-gif/crashtest/issue-117-out-of-range.gif", {"Corruption in file.", "code beyond the next free entry"}},
    {"gif/image-gif/crashtest/issue-96-small-codesize.gif", {"Image has no pixels (width 0, height 0)", "empty image"}},
    {"gif/image-gif/crashtest/issue-96-small-codesize-2.gif", {"Error reading data.", "ends inside a sub-block"}},
    {"gif/giflib/malformed/cve-2005-2974-partial-treescap.gif", {"Error reading data.", "ends inside a sub-block"}},
    {"gif/giflib/malformed/cve-2019-15133-zero-height-treescap.gif", {"Image has no pixels (width 40, height 0)", "zero height"}},
    {"gif/pillow/no_palette_after_rgb.gif", {"", "no colour table: palette of zero words"}},
    {"gif/pillow/no_palette.gif", {"", "no colour table: palette of zero words"}},
    {"gif/wuffs/artificial/empty-palette.gif", {"", "no colour table: palette of zero words"}},
    {"gif/pillow/decompression_bomb_extents.gif", {"", "image position beyond 65535 is not used"}},
    {"gif/pillow/zero_width.gif", {"Image has no pixels (width 0, height 1321)", "zero width"}},
    {"gif/pillow/decompression_bomb.gif", {"Corruption in file.", "minimum code size 143"}},
    {"gif/image-rs/regression/zero-loop-count.gif", {"The GIF file holds no image before its end.", "no image"}},
    {"gif/pygif-suite/max-size.gif", {"The GIF file holds no image before its end.", "no image"}},
    {"gif/pygif-suite/zero-height.gif", {"The GIF file holds no image before its end.", "no image"}},
    {"gif/pygif-suite/zero-size.gif", {"The GIF file holds no image before its end.", "no image"}},
    {"gif/pygif-suite/zero-width.gif", {"The GIF file holds no image before its end.", "no image"}},
    {"gif/pygif-suite/no-data.gif", {"The GIF file holds no image before its end.", "no image"}},
    {"gif/wuffs/artificial/no-frames.gif", {"The GIF file holds no image before its end.", "no image"}},
    {"gif/pygif-suite/overflow-codes-max.gif", {"Corruption in file.", "code beyond the next free entry"}},
    {"gif/pygif-suite/overflow-codes.gif", {"Corruption in file.", "code beyond the next free entry"}},
    {"gif/pygif-suite/invalid-code.gif", {"Corruption in file.", "code beyond the next free entry"}},
    {"gif/pygif-suite/image-zero-height.gif", {"Error reading data.", "ends inside the local colour table"}},
    {"gif/pygif-suite/image-zero-size.gif", {"Error reading data.", "ends inside the local colour table"}},
    {"gif/pygif-suite/image-zero-width.gif", {"Image has no pixels (width 0, height 1)", "zero width"}},
    {"gif/pygif-suite/invalid-colors.gif", {"", "indices beyond the table are kept: pixels are indices, not colours"}},
    {"gif/pygif-suite/invalid-transparent.gif", {"", "a transparent index beyond the table makes no pixel transparent"}},
    {"gif/wuffs/hippopotamus.interlaced.truncated.gif", {"Error reading data.", "ends inside a sub-block"}},
    {"gif/wuffs/artificial/zero-width-frame.gif", {"Image has no pixels (width 0, height 0)", "empty image"}},
    {"gif/wuffs/artificial/pixel-data-none.gif", {"", "data that ends early leaves colour 0"}},
    {"gif/wuffs/artificial/pixel-data-not-enough.gif", {"", "data that ends early leaves colour 0"}},
};

TEST(GifCorpus, EveryFileConvertsLikeGiftopnmOrAsItsCaseSays) {
    if (corpus_folder("gif").empty()) GTEST_SKIP() << "no GIF corpus";
    if (!have_command("giftopnm")) GTEST_SKIP() << "giftopnm is not installed";
    TempDir dir;
    auto compare = [&dir](const std::string &gif, const FilterConversion &ours) {
        return compare_with_giftopnm(gif, ours, dir);
    };
    EXPECT_GT(walk_corpus(kGifloadProgram, "gif", {".gif"}, kCorpusCases, compare), 150);
}

} // namespace
