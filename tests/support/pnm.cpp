#include "tests/support/pnm.h"

#include <algorithm>
#include <cctype>
#include <random>
#include <cstdlib>
#include <sstream>
#include <string>

namespace testing_support {
namespace {

bool read_number(const Bytes &b, std::size_t &at, int &value) {
    while (at < b.size()) {
        if (b[at] == '#') {
            while (at < b.size() && b[at] != '\n') ++at;
        } else if (std::isspace(b[at])) {
            ++at;
        } else {
            break;
        }
    }
    if (at >= b.size() || !std::isdigit(b[at])) return false;
    value = 0;
    while (at < b.size() && std::isdigit(b[at])) value = value * 10 + (b[at++] - '0');
    return true;
}

// The header of a PAM file ("P7", then WIDTH, HEIGHT, DEPTH, MAXVAL and
// TUPLTYPE lines up to ENDHDR); `at` is left on the raster.
bool read_pam_header(const Bytes &b, std::size_t &at, Pnm &out) {
    const std::string text(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(b.size(), 200)));
    const std::size_t end = text.find("ENDHDR\n");
    if (text.rfind("P7\n", 0) != 0 || end == std::string::npos) return false;
    std::istringstream header(text.substr(3, end - 3));
    std::string key;
    while (header >> key) {
        if (key == "WIDTH") header >> out.width;
        else if (key == "HEIGHT") header >> out.height;
        else if (key == "DEPTH") header >> out.channels;
        else if (key == "MAXVAL") header >> out.maxval;
        else header >> key; // TUPLTYPE's value
    }
    at = end + 7;
    return out.channels >= 1 && out.channels <= 4;
}

} // namespace

bool parse_pnm(const Bytes &b, Pnm &out) {
    if (b.size() < 3 || b[0] != 'P') return false;
    char kind = static_cast<char>(b[1]);
    std::size_t at = 2;
    if (kind == '7') {
        if (!read_pam_header(b, at, out)) return false;
    } else {
        if (!read_number(b, at, out.width) || !read_number(b, at, out.height)) return false;
        out.maxval = 1;
        if (kind != '4' && !read_number(b, at, out.maxval)) return false;
        ++at; // the single white space before the raster
        out.channels = kind == '6' ? 3 : 1;
    }
    if (out.width <= 0 || out.height <= 0 || out.maxval <= 0 || out.maxval > 65535) return false;
    const std::size_t count = static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) *
                              static_cast<std::size_t>(out.channels);
    out.samples.clear();
    if (kind == '4') {
        std::size_t row_bytes = (static_cast<std::size_t>(out.width) + 7) / 8;
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) {
                std::size_t i = at + static_cast<std::size_t>(y) * row_bytes + static_cast<std::size_t>(x) / 8;
                if (i >= b.size()) return false;
                out.samples.push_back(((b[i] >> (7 - x % 8)) & 1) ? 0u : 1u); // 1 is black
            }
        return true;
    }
    if (kind != '5' && kind != '6' && kind != '7') return false;
    const std::size_t width = out.maxval > 255 ? 2 : 1;
    if (b.size() - at < count * width) return false;
    for (std::size_t i = 0; i < count; ++i)
        out.samples.push_back(width == 1 ? b[at + i] : static_cast<std::uint32_t>(b[at + 2 * i] << 8 | b[at + 2 * i + 1]));
    return true;
}

std::uint32_t Pnm::rgb(int x, int y) const {
    std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) *
                    static_cast<std::size_t>(channels);
    auto widen = [&](std::uint32_t v) { return (v * 255 + static_cast<std::uint32_t>(maxval) / 2) / static_cast<std::uint32_t>(maxval); };
    if (channels == 1) {
        std::uint32_t g = widen(samples[i]);
        return g << 16 | g << 8 | g;
    }
    return widen(samples[i]) << 16 | widen(samples[i + 1]) << 8 | widen(samples[i + 2]);
}

bool run_shell(const std::string &command) { return std::system(command.c_str()) == 0; }

std::string shell_quoted(const std::string &path) { return "'" + path + "'"; }

bool have_command(const std::string &name) { return run_shell("command -v " + name + " >/dev/null 2>&1"); }

bool decode_with(const std::string &command, Pnm &out) {
    TempDir dir;
    std::string path = dir.file("decoded.pnm");
    if (!run_shell(command + " > " + path + " 2>/dev/null")) return false;
    return parse_pnm(read_file(path), out);
}

Bytes palette_ppm(int width, int height, int colours, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint32_t> palette{0x102030};
    while (static_cast<int>(palette.size()) < colours) {
        std::uint32_t c = static_cast<std::uint32_t>(random() & 0xFFFFFF);
        if (std::find(palette.begin(), palette.end(), c) == palette.end()) palette.push_back(c);
    }
    std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    Bytes out(header.begin(), header.end());
    for (int i = 0; i < width * height; ++i) {
        std::uint32_t c = palette[static_cast<std::size_t>(i < colours ? i : static_cast<int>(random() % static_cast<unsigned>(colours)))];
        out.insert(out.end(), {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                               static_cast<std::uint8_t>(c)});
    }
    return out;
}

} // namespace testing_support
