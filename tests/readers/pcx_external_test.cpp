// Pcxload against other programs' files: PCX files written at test time by
// netpbm and ImageMagick, and the shared corpus of real files, each compared
// pixel by pixel with what netpbm's own decoder reads from the same file.
#include "readers/pcx.h"
#include "tests/support/corpus_walk.h"
#include "tests/support/pnm.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>

using namespace testing_support;

namespace {

bool sprite_size_differs(const FilterConversion &ours, const Pnm &theirs) {
    return !ours.succeeded || ours.sprite.width != theirs.width || ours.sprite.height != theirs.height;
}

// Compares the converted sprite with pcxtoppm's reading of the file. pcxtoppm
// blends red, green, blue and alpha planes over black, while the sprite keeps
// the colours and drops the alpha, and it refuses lines stored without runs
// (encoding 0), so those files are read by ImageMagick with its alpha turned
// off. Returns a description of the first difference, or "".
std::string compare_with_pcxtoppm(const std::string &pcx, const FilterConversion &ours) {
    Bytes file = read_file(pcx);
    bool rgba = file.size() >= 128 && file[3] == 8 && file[65] == 4;
    bool stored = file.size() >= 128 && file[2] == 0;
    std::string decoder = rgba || stored ? "convert pcx:" + shell_quoted(pcx) + " -alpha off ppm:-"
                                         : "pcxtoppm " + shell_quoted(pcx);
    Pnm theirs;
    if (!decode_with(decoder, theirs)) return "pcxtoppm cannot read it";
    if (!ours.succeeded) return "Pcxload failed: " + ours.failure + ours.parse_problem;
    const auto &sprite = ours.sprite;
    if (sprite_size_differs(ours, theirs))
        return "size " + std::to_string(sprite.width) + "x" + std::to_string(sprite.height) + " against " +
               std::to_string(theirs.width) + "x" + std::to_string(theirs.height);
    if (sprite.has_mask) return "unexpected mask";
    for (int y = 0; y < theirs.height; ++y)
        for (int x = 0; x < theirs.width; ++x)
            if (sprite.rgb(x, y) != theirs.rgb(x, y))
                return "colour differs at " + std::to_string(x) + "," + std::to_string(y);
    return "";
}

TEST(PcxExternal, NetpbmAndImageMagickFilesMatchPcxtoppm) {
    for (const char *tool : {"ppmtopcx", "pcxtoppm", "convert"})
        if (!have_command(tool)) GTEST_SKIP() << tool << " is not installed";
    TempDir dir;
    struct Case { int width, height, colours; const char *encoder; int bpp; };
    const Case cases[] = {
        {61, 41, 2, "ppmtopcx {in}", 1},
        {61, 41, 4, "ppmtopcx {in}", 2},          // two one-bit planes
        {61, 41, 4, "ppmtopcx -packed {in}", 2},  // 2-bit pixels
        {33, 17, 8, "ppmtopcx {in}", 4},          // three one-bit planes
        {50, 29, 16, "ppmtopcx {in}", 4},         // four one-bit planes
        {50, 29, 16, "ppmtopcx -packed {in}", 4}, // 4-bit pixels
        {50, 29, 16, "ppmtopcx -8bit {in}", 8},
        {97, 53, 256, "ppmtopcx {in}", 8},
        {45, 31, 3000, "ppmtopcx {in}", 24},
        {46, 31, 16, "ppmtopcx -24bit {in}", 24},
        {97, 53, 256, "convert ppm:{in} -type Palette pcx:{out}", 8},
        {61, 41, 2, "convert ppm:{in} -type Palette pcx:{out}", 8},
        {45, 31, 3000, "convert ppm:{in} pcx:{out}", 24},
        {47, 30, 200, "convert ppm:{in} -type TrueColor pcx:{out}", 24},
        {47, 30, 200, "convert ppm:{in} -type TrueColorAlpha pcx:{out}", 32}, // red, green, blue, alpha planes
    };
    for (const Case &c : cases) {
        std::string ppm = dir.file("source.ppm");
        std::string pcx = dir.file("encoded.pcx");
        write_file(ppm, palette_ppm(c.width, c.height, c.colours, static_cast<unsigned>(c.colours)));
        std::string command = c.encoder;
        command.replace(command.find("{in}"), 4, shell_quoted(ppm));
        if (command.find("{out}") != std::string::npos) command.replace(command.find("{out}"), 5, shell_quoted(pcx));
        else command += " > " + shell_quoted(pcx);
        ASSERT_TRUE(run_shell(command + " 2>/dev/null")) << command;
        auto ours = convert_in_process(kPcxloadProgram, pcx, dir);
        EXPECT_EQ(compare_with_pcxtoppm(pcx, ours), "") << command << " on " << c.colours << " colours";
        EXPECT_EQ(ours.sprite.bpp, c.bpp == 24 ? 32 : c.bpp) << command; // 24-bit sprites are written at 32
    }
}

// Corpus files that netpbm's decoder cannot read, reads differently, or that
// Pcxload refuses: the outcome Pcxload gives ("" for a conversion), why, and
// a reference rendering to compare with instead, where there is one.
const CorpusTable kCorpusCases = {
    {"pcx/kimageformats/read/ccbug_463951.pcx",
     {"", "the palette marker stands 769 bytes before the end, not right after the data", "pcx/kimageformats/read/ccbug_463951.png"}},
    {"pcx/generated/patched/16col_4planes_v3_nopal.pcx", {"", "version 3 uses the default 16-colour palette"}},
    {"pcx/generated/patched/16col_4planes_v0.pcx", {"", "version 0 uses the default 16-colour palette"}},
    {"pcx/commons-imaging/1plane1bppCompressed.pcx", {"", "version 3 at 1 bit is black and white"}},
    {"pcx/commons-imaging/1plane1bppUncompressed.pcx", {"", "version 3 at 1 bit is black and white"}},
    {"pcx/kryptan-pcx/tiny.pcx", {"", "version 3 uses the default 16-colour palette"}},
    {"pcx/commons-imaging/1plane24bppCompressed.pcx", {"", "24 bits in one plane is no known layout: left at 0"}},
    {"pcx/pillow/01r_00.pcx", {"", "short data is completed with 0xFF"}},
    {"pcx/pillow/ossfuzz-4836216264589312.pcx", {"Bad PCX header: 0 bytes per line.", "damaged header"}},
    {"pcx/pillow/hopper.dcx", {"Bad PCX header: 0 bits per pixel.", "a multi-page container, not a PCX file"}},
    {"pcx/commons-imaging/Oregon_Scientific_DS6639-DSC_0307-small.dcx",
     {"Bad PCX header: 0 bits per pixel.", "a multi-page container, not a PCX file"}},
};

// Compares the sprite with a reference rendering read by pngtopnm.
std::string compare_with_reference(const std::string &png, const FilterConversion &ours) {
    Pnm theirs;
    if (!decode_with("pngtopnm " + shell_quoted(png), theirs)) return "pngtopnm cannot read it";
    if (sprite_size_differs(ours, theirs)) return "size differs";
    for (int y = 0; y < theirs.height; ++y)
        for (int x = 0; x < theirs.width; ++x)
            if (ours.sprite.rgb(x, y) != theirs.rgb(x, y))
                return "colour differs at " + std::to_string(x) + "," + std::to_string(y);
    return "";
}

TEST(PcxCorpus, EveryFileConvertsLikePcxtoppmOrAsItsCaseSays) {
    if (corpus_folder("pcx").empty()) GTEST_SKIP() << "no PCX corpus";
    if (!have_command("pcxtoppm")) GTEST_SKIP() << "pcxtoppm is not installed";
    EXPECT_GT(walk_corpus(kPcxloadProgram, "pcx", {".pcx", ".PCX", ".dcx"}, kCorpusCases,
                                           compare_with_pcxtoppm, compare_with_reference),
              30);
}

} // namespace
