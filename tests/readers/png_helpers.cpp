#include "tests/readers/png_helpers.h"

#include "readers/png.h"
#include "tests/support/pnm.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace testing_support {


Rgb builder_rgb(const PngBuilder &png, std::uint32_t x, std::uint32_t y) {
    const int depth = png.bit_depth;
    const int colour = png.colour_type;
    auto grey_level = [depth](std::uint16_t v) -> std::uint8_t {
        return depth == 16 ? static_cast<std::uint8_t>(v >> 8) : static_cast<std::uint8_t>(v * 255 / ((1 << depth) - 1));
    };
    auto grey = [&](std::uint16_t v) {
        const std::uint8_t level = grey_level(v);
        return Rgb{level, level, level};
    };
    auto rgb = [depth](std::uint16_t r, std::uint16_t g, std::uint16_t b) {
        return Rgb{png_sample_8(r, depth), png_sample_8(g, depth), png_sample_8(b, depth)};
    };
    auto at16 = [](const Bytes &b, std::size_t i) { return static_cast<std::uint16_t>(b[i] << 8 | b[i + 1]); };

    Rgb background{0, 0, 0};
    if (!png.bkgd.empty()) {
        if (colour == kPngPalette) {
            const Rgb &c = png.plte[png.bkgd[0]];
            background = {c.r, c.g, c.b};
        } else if ((colour & 2) == 0) {
            background = grey(at16(png.bkgd, 0));
        } else {
            background = rgb(at16(png.bkgd, 0), at16(png.bkgd, 2), at16(png.bkgd, 4));
        }
    }
    const int channels = png_channels(colour);
    if ((colour & 4) != 0 && png.sample(x, y, channels - 1) == 0) return background;
    switch (colour) {
    case kPngPalette: {
        const std::uint16_t index = png.sample(x, y, 0);
        if (index < png.trns.size() && png.trns[index] == 0) return background;
        const Rgb &c = png.plte[index];
        return {c.r, c.g, c.b};
    }
    case kPngGrey:
    case kPngGreyAlpha:
        if (colour == kPngGrey && !png.trns.empty() && png.sample(x, y, 0) == at16(png.trns, 0)) return background;
        return grey(png.sample(x, y, 0));
    default:
        if (colour == kPngRgb && !png.trns.empty() && png.sample(x, y, 0) == at16(png.trns, 0) &&
            png.sample(x, y, 1) == at16(png.trns, 2) && png.sample(x, y, 2) == at16(png.trns, 4))
            return background;
        return rgb(png.sample(x, y, 0), png.sample(x, y, 1), png.sample(x, y, 2));
    }
}


ReaderRun read_png_file(const std::string &path) { return read_path_with(pngin_read, path); }

ReaderRun read_png_bytes(const Bytes &bytes) { return read_bytes_with(pngin_read, bytes); }

namespace {

std::uint32_t big32(const Bytes &b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

std::uint16_t big16(const Bytes &b, std::size_t at) { return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]); }

} // namespace

std::optional<Bytes> png_chunk_data(const Bytes &bytes, const std::string &type) {
    std::size_t at = 8;
    while (bytes.size() >= 12 && at <= bytes.size() - 12) {
        const std::uint32_t length = big32(bytes, at);
        if (length > bytes.size() - at - 12) return std::nullopt;
        if (std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + 8)) == type)
            return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at + 8),
                         bytes.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
        at += 12 + length;
    }
    return std::nullopt;
}

std::optional<Reference> netpbm_reference(const std::string &png_path, const std::string &scratch_dir) {
    const Bytes file = read_file(png_path);
    const auto ihdr = png_chunk_data(file, "IHDR");
    if (!ihdr || ihdr->size() != 13) return std::nullopt;
    const int depth = (*ihdr)[8];
    const int colour = (*ihdr)[9];
    const std::string out = scratch_dir + "/netpbm.pam";
    // A memory cap makes netpbm give up at once on chunks that claim a gigabyte.
    if (!run_shell("ulimit -v 800000; pngtopam -alphapam '" + png_path + "' > '" + out + "' 2>/dev/null")) return std::nullopt;
    Pnm pam;
    if (!parse_pnm(read_file(out), pam) || (pam.channels != 2 && pam.channels != 4)) return std::nullopt;
    const auto m = static_cast<std::uint32_t>(pam.maxval);
    const bool grey = pam.channels == 2;

    // The file's own sample scale: 2^depth - 1, or 255 for palette colours.
    const std::uint32_t file_max = colour == 3 ? 255 : (1u << depth) - 1;
    Reference ref;
    ref.width = pam.width;
    ref.height = pam.height;
    ref.rescaled = m != file_max;

    // Background in the PAM's scale.
    std::array<std::uint32_t, 3> background{0, 0, 0};
    const auto bkgd = png_chunk_data(file, "bKGD");
    const auto plte = png_chunk_data(file, "PLTE");
    if (bkgd && colour == 3 && bkgd->size() == 1 && plte && (*bkgd)[0] * 3u + 3 <= plte->size()) {
        for (int c = 0; c < 3; ++c) background[c] = (*plte)[(*bkgd)[0] * 3u + c] * m / 255;
    } else if (bkgd && (colour == 0 || colour == 4) && bkgd->size() == 2) {
        background.fill(big16(*bkgd, 0) * m / file_max);
    } else if (bkgd && (colour == 2 || colour == 6) && bkgd->size() == 6) {
        for (int c = 0; c < 3; ++c) background[c] = big16(*bkgd, 2 * c) * m / file_max;
    }
    // pngtopam leaves grey and colour tRNS out of its alpha.
    const auto trns = png_chunk_data(file, "tRNS");
    std::optional<std::array<std::uint32_t, 3>> transparent;
    if (trns && colour == 0 && trns->size() == 2) transparent = {{big16(*trns, 0), 0, 0}};
    if (trns && colour == 2 && trns->size() == 6) transparent = {{big16(*trns, 0), big16(*trns, 2), big16(*trns, 4)}};

    auto to8 = [m](std::uint32_t v) -> std::uint8_t {
        return static_cast<std::uint8_t>(m == 65535 ? v >> 8 : m == 255 ? v : v * 255 / m);
    };
    const std::size_t pixels = static_cast<std::size_t>(ref.width) * ref.height;
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint32_t *s = &pam.samples[i * static_cast<std::size_t>(pam.channels)];
        std::array<std::uint32_t, 3> fg{s[0], grey ? s[0] : s[1], grey ? s[0] : s[2]};
        std::uint32_t alpha = s[pam.channels - 1];
        if (transparent && m == file_max && fg[0] == (*transparent)[0] &&
            (grey || (fg[1] == (*transparent)[1] && fg[2] == (*transparent)[2])))
            alpha = 0;
        Rgb rgb{};
        std::uint8_t *channel[3] = {&rgb.r, &rgb.g, &rgb.b};
        for (int c = 0; c < 3; ++c)
            *channel[c] = to8((fg[c] * alpha + background[c] * (m - alpha) + m / 2) / m);
        ref.pixels.push_back(rgb);
        ref.partial.push_back(alpha != 0 && alpha != m);
    }
    return ref;
}

std::string compare_pixels(const Bitmap *bitmap, const Reference &expected) {
    std::ostringstream report;
    if (bitmap->width != expected.width || bitmap->height != expected.height) {
        report << "size " << bitmap->width << "x" << bitmap->height << ", expected " << expected.width << "x"
               << expected.height;
        return report.str();
    }
    int shown = 0;
    std::size_t differing = 0;
    for (std::int32_t y = 0; y < bitmap->height; ++y) {
        for (std::int32_t x = 0; x < bitmap->width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * expected.width + x;
            const Rgb got = bitmap_rgb(bitmap, x, y);
            const Rgb want = expected.pixels[i];
            const int d = std::max({std::abs(got.r - want.r), std::abs(got.g - want.g),
                                    std::abs(got.b - want.b)});
            if (d <= (expected.partial[i] ? expected.partial_tolerance : expected.rescaled ? 1 : 0)) continue;
            ++differing;
            if (shown++ < 4) {
                report << "(" << x << "," << y << ") got " << int(got.r) << "," << int(got.g) << ","
                       << int(got.b) << " expected " << int(want.r) << "," << int(want.g) << ","
                       << int(want.b) << "; ";
            }
        }
    }
    if (differing > 0) report << differing << " pixels differ";
    return report.str();
}

} // namespace testing_support
