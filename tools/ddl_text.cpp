// Text for the HTML preview: escaping with the RISC OS character set, lengths
// in points, base64, the picture data's printable encoding, and fonts.
#include "tools/ddl_text.h"

#include <array>
#include <cstdio>

namespace ddl {
namespace {

// Characters 0x80 to 0x9f of the RISC OS Latin-1 set, as Unicode; 0 where
// the set has none.
constexpr std::uint16_t kRiscOsHigh[32] = {
    0x20AC, 0x0174, 0x0175, 0, 0, 0x0176, 0x0177, 0, 0, 0, 0, 0, 0x2026, 0x2122, 0x2030, 0x2022,
    0x2018, 0x2019, 0x2039, 0x203A, 0x201C, 0x201D, 0x201E, 0x2013, 0x2014, 0x2212, 0x0152, 0x0153, 0x2020, 0x2021, 0xFB01, 0xFB02};

void appendUtf8(std::string &out, unsigned code) {
    if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | code >> 6));
    } else {
        out.push_back(static_cast<char>(0xE0 | code >> 12));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
    }
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
}

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct FontFamily {
    std::string_view prefix;
    std::string_view family;
};

constexpr FontFamily kFontFamilies[] = {
    {"trinity", "serif"},     {"newhall", "serif"},      {"times", "serif"},   {"dutch", "serif"},
    {"century", "serif"},     {"palatino", "serif"},     {"homerton", "sans-serif"},
    {"helvetica", "sans-serif"}, {"swiss", "sans-serif"}, {"sassoon", "sans-serif"},
    {"frutiger", "sans-serif"}, {"corpus", "monospace"}, {"courier", "monospace"},
    {"system", "monospace"},  {"fixed", "monospace"},    {"selwyn", "fantasy"}, {"sidney", "fantasy"},
};

} // namespace

// Text from the file is 8-bit RISC OS Latin-1; control characters are dropped.
void appendEscaped(std::string &out, std::string_view text) {
    for (unsigned char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (c < 32 || c == 127) break;
            if (c < 128)
                out.push_back(static_cast<char>(c));
            else if (c < 0xA0)
                appendUtf8(out, kRiscOsHigh[c - 0x80] != 0 ? kRiscOsHigh[c - 0x80] : 0xFFFD);
            else
                appendUtf8(out, c);
        }
    }
}

std::string escaped(std::string_view text) {
    std::string out;
    appendEscaped(out, text);
    return out;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string points(double millipoints) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.3fpt", millipoints / 1000.0);
    return buffer;
}

// The part of an object name after its prefix: "TEXT_1f4" gives "1f4".
std::string_view suffixAfter(std::string_view name, std::string_view prefix) {
    return name.substr(0, prefix.size()) == prefix ? name.substr(prefix.size()) : std::string_view{};
}

std::string base64(const std::vector<std::uint8_t> &bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= bytes[i + 2];
        out.push_back(kBase64[group >> 18 & 63]);
        out.push_back(kBase64[group >> 12 & 63]);
        out.push_back(i + 1 < bytes.size() ? kBase64[group >> 6 & 63] : '=');
        out.push_back(i + 2 < bytes.size() ? kBase64[group & 63] : '=');
    }
    return out;
}

// The picture data's printable encoding: four characters from 35 up ("c"
// standing for 57 as well) carry three bytes; a short last group carries one
// or two.
std::vector<std::uint8_t> decodePictureData(std::string_view text) {
    std::vector<std::uint8_t> out;
    std::array<unsigned, 4> group{};
    std::size_t have = 0;
    auto flush = [&] {
        if (have >= 2) out.push_back(static_cast<std::uint8_t>(group[0] << 2 | group[1] >> 4));
        if (have >= 3) out.push_back(static_cast<std::uint8_t>(group[1] << 4 | group[2] >> 2));
        if (have == 4) out.push_back(static_cast<std::uint8_t>(group[2] << 6 | group[3]));
        have = 0;
    };
    for (unsigned char c : text) {
        if (c < 35 || c > 99) continue;
        group[have++] = c == 'c' ? 57u : static_cast<unsigned>(c - 35) & 63u;
        if (have == 4) flush();
    }
    flush();
    return out;
}

FontLook fontLook(std::string_view font_name) {
    std::string name = lower(font_name);
    FontLook look{"serif", name.find("bold") != std::string::npos,
                  name.find("italic") != std::string::npos || name.find("oblique") != std::string::npos};
    for (const FontFamily &entry : kFontFamilies)
        if (name.compare(0, entry.prefix.size(), entry.prefix) == 0) look.family = entry.family;
    return look;
}

} // namespace ddl
