// Bmpload on files other encoders wrote: netpbm and ImageMagick at test
// time, and the real-world collection when it is present. Every pixel is
// compared with an independent decoder or the collection's own reference.
#include "readers/bmp.h"
#include "tests/support/corpus_walk.h"
#include "tests/support/compare.h"
#include "tests/support/pnm.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

using namespace testing_support;

namespace {

TEST(BmpExternal, FilesFromOtherEncodersMatchAnIndependentDecoder) {
    if (!have_command("convert") || !have_command("bmptopnm") || !have_command("ppmtobmp"))
        GTEST_SKIP() << "netpbm and ImageMagick are not installed";
    TempDir dir;
    const std::string rose = dir.file("rose.ppm");
    ASSERT_TRUE(run_shell("convert rose: " + shell_quoted(rose)));
    const std::string grey = dir.file("grey.pgm");
    ASSERT_TRUE(run_shell("convert rose: -colorspace gray -depth 8 " + shell_quoted(grey)));
    // Encoder command lines, each writing one BMP from the rose image.
    const std::map<std::string, std::string> encoders = {
        {"im_bmp2_24", "convert rose: BMP2:%s"},
        {"im_bmp3_24", "convert rose: BMP3:%s"},
        {"im_bmp_v5_24", "convert rose: BMP:%s"},
        {"im_bmp3_pal8", "convert rose: -colors 200 -type palette -compress none BMP3:%s"},
        {"im_bmp3_pal4", "convert rose: -colors 16 -type palette -compress none BMP3:%s"},
        {"im_bmp3_pal1", "convert rose: -monochrome BMP3:%s"},
        {"im_bmp3_rle8", "convert rose: -colors 200 -type palette -compress RLE BMP3:%s"},
        {"im_bmp_565", "convert rose: -define bmp:subtype=RGB565 BMP:%s"},
        {"im_bmp_555", "convert rose: -define bmp:subtype=RGB555 BMP:%s"},
        {"im_bmp3_32", "convert rose: -alpha on -channel A -evaluate set 100% BMP3:%s"},
        {"nb_win_24", "ppmtobmp -windows " + shell_quoted(rose) + " > %s"},
        {"nb_os2_24", "ppmtobmp -os2 " + shell_quoted(rose) + " > %s"},
        {"nb_win_8", "pnmquant 256 " + shell_quoted(rose) + " 2>/dev/null | ppmtobmp -windows -bpp 8 > %s"},
        {"nb_os2_8", "pnmquant 256 " + shell_quoted(rose) + " 2>/dev/null | ppmtobmp -os2 -bpp 8 > %s"},
        {"nb_win_4", "pnmquant 16 " + shell_quoted(rose) + " 2>/dev/null | ppmtobmp -windows -bpp 4 > %s"},
        {"nb_os2_4", "pnmquant 16 " + shell_quoted(rose) + " 2>/dev/null | ppmtobmp -os2 -bpp 4 > %s"},
        {"nb_win_1", "pamthreshold " + shell_quoted(grey) + " 2>/dev/null | ppmtobmp -windows -bpp 1 > %s"},
        {"nb_os2_1", "pamthreshold " + shell_quoted(grey) + " 2>/dev/null | ppmtobmp -os2 -bpp 1 > %s"},
    };
    int compared = 0;
    for (const auto &[name, command] : encoders) {
        SCOPED_TRACE(name);
        std::string bmp = dir.file(name + ".bmp");
        std::string line = command;
        line.replace(line.find("%s"), 2, shell_quoted(bmp));
        if (!run_shell(line + " 2>/dev/null")) {
            ADD_FAILURE() << "encoder failed: " << line;
            continue;
        }
        Pnm reference;
        // netpbm refuses some run-length files that overrun their rows; ImageMagick reads them.
        ASSERT_TRUE(decode_with("bmptopnm " + shell_quoted(bmp), reference) ||
                    decode_with("convert " + shell_quoted(bmp) + " ppm:-", reference));
        FilterConversion c = convert_in_process(kBmploadProgram, bmp, dir);
        ASSERT_TRUE(c.succeeded) << c.failure << c.parse_problem;
        EXPECT_EQ(compare_pixels(c.sprite, reference), "");
        ++compared;
    }
    EXPECT_EQ(compared, static_cast<int>(encoders.size()));
}

// Files whose result is by design not the reference picture, and why.
const std::map<std::string, std::string> kPrescribedResults = {
    {"generated/im_bmp_argb4444.bmp", "4-bit fields are kept as they are, not widened to 5 bits"},
    {"image-rs/V3_A4_R4_G4_B4.bmp", "4-bit fields are kept as they are, not widened to 5 bits"},
    {"image-rs/V3_A4_R4_G4_B4_Top_Down.bmp", "4-bit fields are kept as they are, not widened to 5 bits"},
    {"image-rs/V3_X4_R4_G4_B4.bmp", "4-bit fields are kept as they are, not widened to 5 bits"},
    {"image-rs/V3_X4_R4_G4_B4_Top_Down.bmp", "4-bit fields are kept as they are, not widened to 5 bits"},
    {"g/pal8nonsquare.bmp", "pixels twice as tall as wide stay one row each; the mode and box carry the shape"},
    {"pillow/l2rgb_read.bmp", "colours used (252) runs the palette into the pixels; the last row is then short"},
};

// Folders of damaged files: they need only convert or fail cleanly.
bool is_damaged_collection(const std::string &relative) {
    const std::string folder = relative.substr(0, relative.find('/'));
    return folder == "q" || folder == "b" || folder == "x" || relative.find("/bad/") != std::string::npos ||
           relative.find("/broken/") != std::string::npos || relative.find("/lenient/") != std::string::npos ||
           relative == "pillow/mmap_error.bmp"; // its header claims a 3158064-pixel-wide image
}

// The collection's own rendering (alpha dropped, as the sprite drops it) when it has one (the manifest names the BMP
// Suite's), else ImageMagick's decode, else netpbm's.
bool reference_for(const std::filesystem::path &corpus, const std::string &relative, Pnm &reference) {
    static std::map<std::string, std::string> renderings = [&] {
        std::map<std::string, std::string> found;
        std::string manifest = read_text((corpus / "MANIFEST.tsv").string());
        const std::string marker = "Reference rendering: ";
        for (std::size_t line = 0; line < manifest.size();) {
            std::size_t end = manifest.find('\n', line);
            if (end == std::string::npos) end = manifest.size();
            std::string row = manifest.substr(line, end - line);
            std::size_t at = row.find(marker);
            if (at != std::string::npos && row.rfind("bmp/", 0) == 0) {
                std::string png = row.substr(at + marker.size());
                png = png.substr(0, png.find_first_of(" \t"));
                found[row.substr(4, row.find('\t') - 4)] = png;
            }
            line = end + 1;
        }
        return found;
    }();
    const std::filesystem::path file = corpus / "bmp" / relative;
    std::vector<std::filesystem::path> pngs;
    if (auto it = renderings.find(relative); it != renderings.end()) pngs.push_back(corpus / it->second);
    pngs.push_back(corpus / "bmp" / "reference" / file.filename().replace_extension(".png"));
    pngs.push_back(file.parent_path() / "reference" / (file.filename().string() + ".png"));
    for (const auto &png : pngs)
        if (std::filesystem::exists(png) && decode_with("pngtopnm " + shell_quoted(png.string()), reference))
            return true;
    return decode_with("convert " + shell_quoted(file.string()) + " -depth 8 ppm:-", reference) ||
           decode_with("bmptopnm " + shell_quoted(file.string()), reference);
}

TEST(BmpCorpus, EveryCollectedFileConvertsOrFailsCleanly) {
    if (corpus_folder("bmp").empty()) GTEST_SKIP() << "no corpus";
    if (!have_command("pngtopnm") || !have_command("convert")) GTEST_SKIP() << "netpbm or ImageMagick is not installed";
    const std::filesystem::path corpus = corpus_dir();
    TempDir dir;
    int matched = 0, converted = 0, refused = 0;
    for_each_corpus_file("bmp", {".bmp"}, [&](const std::filesystem::path &path, const std::string &in_corpus) {
        const std::string relative = in_corpus.substr(4); // below bmp/
        SCOPED_TRACE(relative);
        FilterConversion c = convert_in_process(kBmploadProgram, path.string(), dir);
        const bool damaged = is_damaged_collection(relative);
        const bool prescribed = kPrescribedResults.count(relative) != 0;
        if (!c.succeeded) {
            ++refused;
            EXPECT_TRUE(damaged || prescribed) << c.failure << c.parse_problem;
            return;
        }
        ++converted;
        Pnm reference;
        if (damaged || prescribed || !reference_for(corpus, relative, reference)) return;
        std::string difference = compare_pixels(c.sprite, reference);
        if (difference.empty()) ++matched;
        EXPECT_EQ(difference, "");
    });
    EXPECT_GT(converted, 150);
    EXPECT_GT(matched, 90);
    std::printf("bmp corpus: %d converted, %d matched a reference, %d refused\n", converted, matched, refused);
}

} // namespace
