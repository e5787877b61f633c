// Writes the fuzzers' seed inputs (fuzz/seeds/<target>/) with the test
// builders: small files of every kind each parser tells apart, so that a run
// starts beyond the signatures and checksums.
//   make_fuzz_seeds <seeds directory>
#include "tests/support/ddf_builder.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/document_builder.h"
#include "tests/support/gif_builder.h"
#include "tests/support/pcx_builder.h"
#include "tests/support/png_builder.h"
#include "tests/support/sample_documents.h"

#include <cstdio>
#include <filesystem>
#include <string>

using namespace testing_support;

namespace {

std::string gDirectory;
int gWritten = 0;

void seed(const std::string &target, const std::string &name, const Bytes &bytes) {
    std::filesystem::create_directories(gDirectory + "/" + target);
    write_file(gDirectory + "/" + target + "/" + name, bytes);
    ++gWritten;
}

void seed(const std::string &target, const std::string &name, const std::string &text) {
    seed(target, name, Bytes(text.begin(), text.end()));
}

std::vector<std::uint32_t> grey_palette(int count) {
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < count; ++i) palette.push_back(static_cast<std::uint32_t>(i * 255 / (count - 1)) * 0x010101u);
    return palette;
}

void bmp_seeds() {
    seed("bmp", "1bit", BmpBuilder{}.size(9, 3).bits(1).palette({0x000000, 0xFFFFFF}).pixels(pattern_rows(9, 3, 2)).build());
    seed("bmp", "4bit-os2", BmpBuilder{}.as_os2().size(5, 3).bits(4).palette(grey_palette(16)).pixels(pattern_rows(5, 3, 16)).build());
    seed("bmp", "8bit-top-down", BmpBuilder{}.size(5, 3).bits(8).stored_top_down().palette(grey_palette(256), 6)
                                     .resolution(3780, 2835).pixels(pattern_rows(5, 3, 6)).build());
    seed("bmp", "16bit-fields", BmpBuilder{}.size(4, 3).bits(16).bit_fields(0xF800, 0x07E0, 0x001F).pixels(pattern_rows(4, 3, 65536)).build());
    seed("bmp", "16bit", BmpBuilder{}.size(4, 2).bits(16).pixels(pattern_rows(4, 2, 32768)).build());
    seed("bmp", "24bit", BmpBuilder{}.size(5, 3).bits(24).pixels(pattern_rows(5, 3, 1 << 24)).build());
    seed("bmp", "32bit-fields", BmpBuilder{}.size(3, 2).bits(32).header(56).bit_fields(0xFF0000, 0xFF00, 0xFF).pixels(pattern_rows(3, 2, 1 << 24)).build());
    // RLE8: a run, an absolute run, a delta, end of line and end of bitmap.
    seed("bmp", "rle8", BmpBuilder{}.size(8, 4).bits(8).palette(grey_palette(8))
                            .compressed(1, {3, 1, 0, 3, 2, 3, 4, 0, 0, 2, 1, 1, 2, 5, 0, 0, 8, 7, 0, 1}).build());
    // RLE4: runs of two alternating colours and an absolute run.
    seed("bmp", "rle4", BmpBuilder{}.size(8, 3).bits(4).palette(grey_palette(16))
                            .compressed(2, {5, 0x12, 0, 4, 0x34, 0x56, 0, 0, 8, 0x77, 0, 0, 0, 2, 1, 0, 0, 1}).build());
}

void gif_seeds() {
    std::vector<Rgb> four{{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 255}};
    GifImage small;
    small.width = 6;
    small.height = 5;
    for (int i = 0; i < 30; ++i) small.pixels.push_back(static_cast<std::uint8_t>((i / 2) % 4));
    seed("gif", "89a-transparent", GifBuilder{}.screen(6, 5, four).graphic_control(true, 3).comment("seed").image(small).trailer().build());

    GifImage interlaced = small;
    interlaced.interlaced = true;
    interlaced.lzw.sub_block = 7;
    interlaced.lzw.clear_every = 9;
    seed("gif", "interlaced-small-blocks", GifBuilder{}.screen(6, 5, four).image(interlaced).trailer().build());

    // GIF87a, no global table: two images with local tables at offsets.
    GifImage first = small;
    first.local_table = four;
    GifImage second = small;
    second.left = 2;
    second.top = 1;
    second.width = 3;
    second.height = 2;
    second.pixels.resize(6);
    second.local_table = {{9, 9, 9}, {200, 100, 50}};
    seed("gif", "87a-two-local", GifBuilder{"GIF87a"}.screen(8, 6, {}).image(first).image(second).trailer().build());

    // A full 256-colour table whose codes fill the LZW table without clearing it.
    std::vector<Rgb> many;
    for (int i = 0; i < 256; ++i) many.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7});
    GifImage wide;
    wide.width = 64;
    wide.height = 4;
    for (int i = 0; i < 256; ++i) wide.pixels.push_back(static_cast<std::uint8_t>((i * 37) & 0xFF));
    wide.lzw.clear_when_full = false;
    seed("gif", "256-deferred-clear", GifBuilder{}.screen(64, 4, many).application("NETSCAPE2.0", {1, 0, 0}).plain_text("x").image(wide).trailer().build());
}

void pcx_seeds() {
    auto filled = [](PcxBuilder pcx, std::uint32_t modulo) {
        for (int i = 0; i < pcx.width() * pcx.height(); ++i) pcx.pixels.push_back(static_cast<std::uint32_t>(i * 7) % modulo);
        return pcx;
    };
    PcxBuilder mono;
    mono.bits_per_pixel = 1;
    mono.size(11, 3);
    seed("pcx", "1bit", filled(mono, 2).build());

    PcxBuilder ega;
    ega.bits_per_pixel = 1;
    ega.planes = 4;
    ega.version = 2;
    for (std::size_t i = 0; i < ega.colour_map.size(); ++i) ega.colour_map[i] = static_cast<std::uint8_t>(i * 5);
    ega.size(7, 3);
    seed("pcx", "4planes", filled(ega, 16).build());

    PcxBuilder cga;
    cga.bits_per_pixel = 2;
    cga.size(6, 2);
    seed("pcx", "2bit", filled(cga, 4).build());

    PcxBuilder vga;
    vga.size(6, 3);
    std::vector<std::uint8_t> palette;
    for (int i = 0; i < 768; ++i) palette.push_back(static_cast<std::uint8_t>(i * 3));
    vga.trailing_palette = palette;
    vga.runs_cross_lines = true;
    seed("pcx", "8bit-palette", filled(vga, 256).build());

    PcxBuilder truecolour;
    truecolour.planes = 3;
    truecolour.size(5, 2);
    seed("pcx", "24bit", filled(truecolour, 1u << 24).build());
}

void png_seeds() {
    struct Kind {
        const char *name;
        int depth, colour;
        bool interlaced;
    };
    for (Kind k : {Kind{"grey1", 1, kPngGrey, false}, Kind{"grey2-interlaced", 2, kPngGrey, true}, Kind{"grey4", 4, kPngGrey, false},
                   Kind{"grey16", 16, kPngGrey, false}, Kind{"rgb8", 8, kPngRgb, false}, Kind{"rgb16-interlaced", 16, kPngRgb, true},
                   Kind{"grey-alpha8", 8, kPngGreyAlpha, false}, Kind{"rgba16", 16, kPngRgba, false}}) {
        PngBuilder png;
        png.size(5, 3).format(k.depth, k.colour).interlace(k.interlaced).pattern().filters();
        seed("png", k.name, png.build());
    }
    std::vector<Rgb> colours;
    for (int i = 0; i < 16; ++i) colours.push_back({static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(255 - i * 16), 40});
    seed("png", "palette4-trns-bkgd", PngBuilder{}.size(6, 3).format(4, kPngPalette).palette(colours).pattern()
                                          .transparency({0, 128, 255}).background_index(2).physical(2835, 2835, 1).build());
    seed("png", "rgba8-bkgd-split", PngBuilder{}.size(4, 4).format(8, kPngRgba).pattern().background_rgb(255, 255, 255)
                                        .split_idat(20).build());
    seed("png", "grey8-trns-text", PngBuilder{}.size(3, 2).format(8, kPngGrey).pattern().transparent_grey(5)
                                       .chunk("tEXt", {'a', 0, 'b'}).build());
    seed("png", "rgb8-trns", PngBuilder{}.size(3, 2).format(8, kPngRgb).pattern().transparent_rgb(1, 2, 3).build());
}

void folio_seeds() {
    seed("folio", "sample", sampleDocument().build().singleFile);

    // A small document of one page: a styled text story with every code the
    // story writer knows, and a frame of each kind.
    DocumentBuilder doc;
    doc.colour(processCmyk("Ink", 0, 20, 40, 255)).colour(spotRgb("Red", 255, 0, 0)).colour(tint("Pale", 1, 128));
    doc.style(1, StyleSpec{"Heading"}.word(kStyleWordTextSize, 200).byte(kStyleByteBold, 1).foregroundColour(documentColourWord(1)));
    int story = doc.textStory(TextSpec{}.styleChange({1}).text("Hi").paragraph().tab().field(1, 0).mergeField("Name")
                                  .pageBreak().text("end").paragraph());
    int picture = doc.pictureStory(Bytes(64, 0x41), 0xfffffaff);
    doc.masterRecord(page(0, 0, 595000, 842000, 0));
    doc.mainRecord(chapter(1, 0, 0));
    doc.mainRecord(page(0, 0, 595000, 842000, 0));
    doc.mainRecord(textFrame(FrameSpec{}.box(10000, 10000, 200000, 300000).story(story).filled(rgbWord(0, 0, 255))));
    doc.mainRecord(pictureFrame(FrameSpec{}.box(300000, 10000, 500000, 300000).story(picture)));
    doc.mainRecord(guides(FrameSpec{}.box(0, 0, 595000, 842000)));
    seed("folio", "one-page", doc.build().singleFile);
}

void markload_seeds() {
    using testing_support::DdfBuilder;
    std::string sample = DdfBuilder{}
                             .colours({"%%+r 0 (Red) 1,0,0", "%%+c 0 (Ink) 1,0.5,0,0.2", "%%+h 0 (Grey) 8,20,60", "%%+t (Paper)"})
                             .line()
                             .style("Body", "font Trinity.Medium; fontsize 11pt; linespace 13.5pt; justify full; autoparagraph")
                             .line()
                             .style("Quote", "effectruler on; leftmargin 1cm; rightmargin 1cm; returnmargin 1.5cm; Body off")
                             .line()
                             .style("Prices", "tabs left 2cm, centre 3in, right 12pi, decimal 150mm; linespacep 120%")
                             .line()
                             .group("body on")
                             .plain("Dear ")
                             .group("merge \"Name\"")
                             .plain(", ")
                             .group("bold on")
                             .plain("bold")
                             .group("bold off")
                             .group("fontcolour \"Red\"")
                             .plain("red")
                             .group("fontcolour rgb=(0,0.5,0)")
                             .group("backcolour \"Grey\"")
                             .group("quote on")
                             .plain("quoted")
                             .group("quote off")
                             .line()
                             .group("prices on")
                             .plain("Item\tQty\t3.50")
                             .group("prices off")
                             .plain(" {\\123} } {not a command}")
                             .group("pagenumber arabic")
                             .group("script super; underline 1; tracking 20; fontaspect 120%; kern 50 0; fontsize 2ft")
                             .group("tab;star;hash;at;softhyphen;nextframe")
                             .build();
    seed("markload", "sample", sample);
    seed("markload", "tabs-and-styles", DdfBuilder{}
                                            .style("A", "fontsize 10pt; tabs 20mm, right")
                                            .style("B", "effectruler on; A on; tabs left")
                                            .group("b on")
                                            .plain("x")
                                            .group("tabs left")
                                            .plain("Hello")
                                            .group("b off")
                                            .group("define style C; B on")
                                            .build());
    // Effect-ruler styles that switch each other off, and commands short of their values.
    seed("markload", "rulers-and-short-commands",
         DdfBuilder{}
             .style("Indent", "effectruler on; leftmargin 1cm; Outdent off")
             .style("Outdent", "effectruler on; leftmargin -1cm; Indent off")
             .group("indent on")
             .plain("one ")
             .group("outdent on")
             .plain("two")
             .group("tabs left")
             .plain("Hello, world. More text")
             .group("bold on")
             .plain("after")
             .group("backcolour")
             .group("fontcolour")
             .group("define style \"Unterminated; tabs 20mm, right")
             .build());
}

// The first byte says whether the value is REG_EXPAND_SZ; the rest is the value.
void uninstall_path_seeds() {
    using namespace std::string_literals;
    seed("uninstall_path", "usable", "\0C:\\Program Files\\Filters"s);
    seed("uninstall_path", "expanded", "\1%ProgramFiles%\\Velmora\\..\\Filters\\"s);
    seed("uninstall_path", "unc-wildcard", "\0\\\\server\\share\\Fil*ters"s);
    seed("uninstall_path", "registry-key", "\0HKLM\\Software\\Velmora\\Filters\\"s);
    seed("uninstall_path", "registry-value", "\0HKCU\\Software\\Classes\\.bc5\\Content Type"s);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds <seeds directory>\n");
        return 2;
    }
    gDirectory = argv[1];
    bmp_seeds();
    gif_seeds();
    pcx_seeds();
    png_seeds();
    folio_seeds();
    markload_seeds();
    uninstall_path_seeds();
    std::printf("wrote %d seeds to %s\n", gWritten, gDirectory.c_str());
    return 0;
}
