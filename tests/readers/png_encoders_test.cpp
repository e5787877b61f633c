// PNGs written at test time by other encoders (netpbm's pnmtopng and
// ImageMagick), each converted by the reader and compared pixel by pixel with
// netpbm's own reading of the same file.
#include "tests/readers/png_helpers.h"
#include "tests/support/pnm.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Encoding {
    const char *what;
    const char *command; // writes $OUT; $DIR holds source.ppm, source.pgm and alpha.pgm
    std::int32_t xdpi = 90, ydpi = 90;
};

const Encoding kEncodings[] = {
    // ImageMagick
    {"ImageMagick 24-bit", "convert $DIR/source.ppm PNG24:$OUT"},
    {"ImageMagick 48-bit", "convert $DIR/source.ppm -depth 16 PNG48:$OUT"},
    {"ImageMagick 8-bit palette", "convert $DIR/source.ppm -colors 200 PNG8:$OUT"},
    {"ImageMagick 4-bit palette", "convert $DIR/source.ppm -colors 12 -define png:bit-depth=4 PNG8:$OUT"},
    {"ImageMagick 32-bit with alpha", "convert $DIR/source.ppm $DIR/alpha.pgm -compose CopyOpacity -composite PNG32:$OUT"},
    {"ImageMagick 64-bit with alpha and bKGD",
     "convert $DIR/source.ppm $DIR/alpha.pgm -compose CopyOpacity -composite -background '#3080c0' -depth 16 "
     "PNG64:$OUT"},
    {"ImageMagick interlaced", "convert $DIR/source.ppm -interlace PNG PNG24:$OUT"},
    {"ImageMagick grey 8-bit", "convert $DIR/source.pgm -define png:color-type=0 -depth 8 PNG:$OUT"},
    {"ImageMagick grey 2-bit", "convert $DIR/source.pgm -define png:color-type=0 -depth 2 PNG:$OUT"},
    {"ImageMagick palette with a transparent colour",
     "convert $DIR/source.ppm -colors 30 -transparent \"$(convert $DIR/source.ppm -colors 30 -format '%[pixel:p{0,0}]' info:)\" PNG8:$OUT"},
    {"ImageMagick at 300 dpi", "convert $DIR/source.ppm -units PixelsPerInch -density 300 PNG24:$OUT", 300, 300},
    {"ImageMagick at 72 x 144 dpi", "convert $DIR/source.ppm -units PixelsPerInch -density 72x144 PNG24:$OUT", 72, 144},
    // netpbm
    {"pnmtopng colour", "pnmtopng $DIR/source.ppm > $OUT"},
    {"pnmtopng interlaced", "pnmtopng -interlace $DIR/source.ppm > $OUT"},
    {"pnmtopng 16-bit", "pamdepth 65535 $DIR/source.ppm | pnmtopng > $OUT"},
    {"pnmtopng grey", "pnmtopng $DIR/source.pgm > $OUT"},
    {"pnmtopng 4-bit grey", "pamdepth 15 $DIR/source.pgm | pnmtopng > $OUT"},
    {"pnmtopng 1-bit", "pamditherbw $DIR/source.pgm | pnmtopng > $OUT"},
    {"pnmtopng palette", "pnmquant 60 $DIR/source.ppm 2>/dev/null | pnmtopng > $OUT"},
    {"pnmtopng palette, transparent colour and background",
     "pnmquant 16 $DIR/source.ppm 2>/dev/null > $DIR/q.ppm && c=$(pamcut 0 0 1 1 $DIR/q.ppm | pnmtoplainpnm | tail -1 | "
     "awk '{printf \"rgb:%02x/%02x/%02x\", $1, $2, $3}') && pnmtopng -transparent=$c -background=rgb:ff/00/00 $DIR/q.ppm > $OUT"},
    {"pnmtopng colour with transparent colour", "pnmtopng -transparent=rgb:ff/ff/ff $DIR/source.ppm > $OUT"},
    {"pnmtopng with alpha", "pnmtopng -alpha=$DIR/alpha.pgm $DIR/source.ppm > $OUT"},
    {"pnmtopng with alpha and background", "pnmtopng -alpha=$DIR/alpha.pgm -background=rgb:20/40/f0 $DIR/source.ppm > $OUT"},
    {"pnmtopng with resolution", "pnmtopng -size='3780 1890 1' $DIR/source.ppm > $OUT", 96, 48},
};

std::string with_paths(std::string command, const std::string &dir, const std::string &out) {
    for (std::size_t at; (at = command.find("$DIR")) != std::string::npos;) command.replace(at, 4, dir);
    for (std::size_t at; (at = command.find("$OUT")) != std::string::npos;) command.replace(at, 4, out);
    return command;
}

TEST(PngEncoders, FilesOfOtherEncodersMatchNetpbm) {
    for (const char *program : {"convert", "pnmtopng", "pngtopam", "pamdepth", "pnmquant"}) {
        if (!testing_support::have_command(program)) GTEST_SKIP() << program << " is not installed";
    }
    testing_support::TempDir dir;
    const std::string d = dir.path.string();
    // A picture with smooth and sharp changes, its grey form, and an alpha
    // ramp with fully transparent and fully opaque parts.
    ASSERT_TRUE(testing_support::run_shell("convert rose: -resize 83x61! -depth 8 " + d + "/source.ppm"));
    ASSERT_TRUE(testing_support::run_shell("convert " + d + "/source.ppm -colorspace Gray -depth 8 " + d + "/source.pgm"));
    ASSERT_TRUE(testing_support::run_shell("convert -size 61x83 gradient:black-white -rotate 90 -level 20%,80% -depth 8 " +
                                       d + "/alpha.pgm"));
    for (const Encoding &e : kEncodings) {
        SCOPED_TRACE(e.what);
        const std::string out = d + "/encoded.png";
        std::remove(out.c_str());
        ASSERT_TRUE(testing_support::run_shell(with_paths(e.command, d, out))) << with_paths(e.command, d, out);
        const testing_support::ReaderRun got = testing_support::read_png_file(out);
        ASSERT_TRUE(got.ok) << got.failure;
        const auto reference = testing_support::netpbm_reference(out, d);
        ASSERT_TRUE(reference.has_value());
        EXPECT_EQ(testing_support::compare_pixels(got.bitmap, *reference), "");
        EXPECT_EQ(got.bitmap->xdpi, e.xdpi);
        EXPECT_EQ(got.bitmap->ydpi, e.ydpi);
    }
}

} // namespace
