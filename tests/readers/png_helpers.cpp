#include "tests/readers/png_helpers.h"

#include "readers/png.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace png_tests {

using testing_support::Bytes;

Outcome read_png_file(const std::string &path) {
    sprite_list_clear(&sprite_list);
    Outcome outcome;
    ErrorRecord *error = pngin_read(path.c_str());
    if (error != nullptr) {
        outcome.failure = error->text;
        return outcome;
    }
    outcome.ok = sprite_list.count == 1 && sprite_list.entries[0].image != nullptr;
    if (outcome.ok) {
        outcome.bitmap = sprite_list.entries[0].image->image;
        outcome.name = sprite_list.entries[0].name;
    } else {
        outcome.failure = "no sprite made";
    }
    return outcome;
}

Outcome read_png_bytes(const Bytes &bytes) {
    testing_support::TempDir dir;
    const std::string path = dir.file("input.png");
    testing_support::write_file(path, bytes);
    return read_png_file(path);
}

std::uint32_t sprite_value(const Bitmap *bitmap, std::int32_t x, std::int32_t y) {
    const auto *rows = reinterpret_cast<const std::uint8_t *>(bitmap + 1);
    const std::uint8_t *row = rows + static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap->stride) * 4;
    const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bitmap->bpp);
    switch (bitmap->bpp) {
    case 1:
    case 2:
    case 4: return (row[bit / 8] >> (bit % 8)) & ((1u << bitmap->bpp) - 1); // leftmost pixel in the low bits
    case 8: return row[x];
    case 24: return row[bit / 8] | row[bit / 8 + 1] << 8 | row[bit / 8 + 2] << 16;
    default: return 0xFFFFFFFFu;
    }
}

Rgb sprite_rgb(const Bitmap *bitmap, std::int32_t x, std::int32_t y) {
    const std::uint32_t value = sprite_value(bitmap, x, y);
    if (bitmap->bpp == 24) {
        return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                static_cast<std::uint8_t>(value >> 16)};
    }
    // An index beyond the palette count shows the zero pair the writer puts there.
    const std::uint32_t entry =
        value < static_cast<std::uint32_t>(bitmap->palette_count) ? bitmap->palette[value] : 0;
    return {static_cast<std::uint8_t>(entry >> 8), static_cast<std::uint8_t>(entry >> 16),
            static_cast<std::uint8_t>(entry >> 24)};
}

namespace {

// Reads the next header number, passing white space and comments.
bool pnm_number(const Bytes &bytes, std::size_t &at, std::uint32_t &value) {
    for (;;) {
        while (at < bytes.size() && std::isspace(bytes[at])) ++at;
        if (at < bytes.size() && bytes[at] == '#') {
            while (at < bytes.size() && bytes[at] != '\n') ++at;
            continue;
        }
        break;
    }
    if (at >= bytes.size() || !std::isdigit(bytes[at])) return false;
    value = 0;
    while (at < bytes.size() && std::isdigit(bytes[at])) {
        value = value * 10 + (bytes[at] - '0');
        if (value > 0xFFFFFF) return false;
        ++at;
    }
    return true;
}

} // namespace

std::optional<Pnm> parse_pnm(const Bytes &bytes) {
    if (bytes.size() < 3 || bytes[0] != 'P' || (bytes[1] != '4' && bytes[1] != '5' && bytes[1] != '6')) {
        return std::nullopt;
    }
    const char kind = static_cast<char>(bytes[1]);
    std::size_t at = 2;
    std::uint32_t width = 0, height = 0, maxval = 1;
    if (!pnm_number(bytes, at, width) || !pnm_number(bytes, at, height)) return std::nullopt;
    if (kind != '4' && !pnm_number(bytes, at, maxval)) return std::nullopt;
    if (maxval == 0 || maxval > 65535) return std::nullopt;
    ++at; // the single white space before the raster
    Pnm pnm;
    pnm.width = static_cast<std::int32_t>(width);
    pnm.height = static_cast<std::int32_t>(height);
    const std::size_t sample_bytes = maxval > 255 ? 2 : 1;
    auto sample = [&](std::size_t &p) -> std::uint8_t {
        std::uint32_t v = bytes[p];
        if (sample_bytes == 2) v = v << 8 | bytes[p + 1];
        p += sample_bytes;
        // Exact for the maxvals PNG depths give (1, 3, 15, 255, 65535).
        if (maxval == 65535) return static_cast<std::uint8_t>(v >> 8);
        return static_cast<std::uint8_t>(v * 255 / maxval);
    };
    if (kind == '4') {
        const std::size_t row_bytes = (width + 7) / 8;
        if (bytes.size() - at < row_bytes * height) return std::nullopt;
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                const bool black = (bytes[at + y * row_bytes + x / 8] >> (7 - x % 8)) & 1;
                const std::uint8_t v = black ? 0 : 255;
                pnm.pixels.push_back({v, v, v});
            }
        }
        return pnm;
    }
    const std::size_t channels = kind == '6' ? 3 : 1;
    if (bytes.size() - at < static_cast<std::size_t>(width) * height * channels * sample_bytes) return std::nullopt;
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
        if (channels == 1) {
            const std::uint8_t v = sample(at);
            pnm.pixels.push_back({v, v, v});
        } else {
            const std::uint8_t r = sample(at);
            const std::uint8_t g = sample(at);
            const std::uint8_t b = sample(at);
            pnm.pixels.push_back({r, g, b});
        }
    }
    return pnm;
}

bool run_command(const std::string &command) { return std::system(command.c_str()) == 0; }

bool have_program(const std::string &name) { return run_command("command -v " + name + " >/dev/null 2>&1"); }

bool png_has_chunk(const Bytes &bytes, const std::string &type) {
    std::size_t at = 8;
    while (bytes.size() >= 12 && at <= bytes.size() - 12) {
        const std::uint32_t length = static_cast<std::uint32_t>(bytes[at]) << 24 | bytes[at + 1] << 16 |
                                     bytes[at + 2] << 8 | bytes[at + 3];
        if (std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + 8)) == type)
            return true;
        if (length > bytes.size() - at - 12) return false;
        at += 12 + length;
    }
    return false;
}

std::optional<Pnm> netpbm_decode(const std::string &png_path, const std::string &scratch_dir) {
    const Bytes bytes = testing_support::read_file(png_path);
    const std::string out = scratch_dir + "/netpbm.pnm";
    // -mix composites alpha and tRNS; without bKGD the reader's background is black.
    const std::string background = png_has_chunk(bytes, "bKGD") ? "" : " -background=black";
    if (!run_command("pngtopnm -mix" + background + " '" + png_path + "' > '" + out + "' 2>/dev/null")) {
        return std::nullopt;
    }
    return parse_pnm(testing_support::read_file(out));
}

std::string compare_pixels(const Bitmap *bitmap, const Pnm &expected, int tolerance) {
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
            const Rgb got = sprite_rgb(bitmap, x, y);
            const Rgb want = expected.pixels[static_cast<std::size_t>(y) * expected.width + x];
            const int d = std::max({std::abs(got.red - want.red), std::abs(got.green - want.green),
                                    std::abs(got.blue - want.blue)});
            if (d <= tolerance) continue;
            ++differing;
            if (shown++ < 4) {
                report << "(" << x << "," << y << ") got " << int(got.red) << "," << int(got.green) << ","
                       << int(got.blue) << " expected " << int(want.red) << "," << int(want.green) << ","
                       << int(want.blue) << "; ";
            }
        }
    }
    if (differing > 0) report << differing << " pixels differ";
    return report.str();
}

} // namespace png_tests
