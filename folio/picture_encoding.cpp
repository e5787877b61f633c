#include "folio/picture_encoding.h"

#include <array>

namespace folio {
namespace {

constexpr int kGroupsPerLine = 19;

// The character of each 6-bit value: the value plus 35, and "c" in place of
// the backslash.
constexpr std::array<char, 64> kEncodedChars = [] {
    std::array<char, 64> chars{};
    for (unsigned value = 0; value < 64; ++value) chars[value] = static_cast<char>(value + 35 == '\\' ? 'c' : value + 35);
    return chars;
}();

inline char encodedChar(unsigned value) { return kEncodedChars[value & 63]; }

void openLine(PictureEncoder &encoder, std::string &out) {
    if (!encoder.lineOpen) {
        out += '"';
        encoder.lineOpen = true;
    }
}

void closeLine(PictureEncoder &encoder, std::string &out) {
    if (encoder.lineOpen) {
        out += "\"\n";
        encoder.lineOpen = false;
    }
    encoder.lineGroups = 0;
}

void writeGroup(PictureEncoder &encoder, std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::string &out) {
    openLine(encoder, out);
    const char group[4] = {encodedChar(b0 >> 2), encodedChar(static_cast<unsigned>((b0 & 3) << 4 | b1 >> 4)),
                           encodedChar(static_cast<unsigned>((b1 & 15) << 2 | b2 >> 6)), encodedChar(b2 & 63u)};
    out.append(group, 4);
    if (++encoder.lineGroups == kGroupsPerLine) closeLine(encoder, out);
}

} // namespace

void encodePictureBytes(PictureEncoder &encoder, std::span<const std::uint8_t> bytes, std::string &out) {
    std::size_t at = 0;
    while (encoder.heldCount > 0 && encoder.heldCount < 3 && at < bytes.size())
        encoder.held[encoder.heldCount++] = bytes[at++];
    if (encoder.heldCount == 3) {
        writeGroup(encoder, encoder.held[0], encoder.held[1], encoder.held[2], out);
        encoder.heldCount = 0;
    }
    // Whole lines straight into the output: the bulk of every picture.
    constexpr std::size_t kLineBytes = 3 * kGroupsPerLine, kLineChars = 4 * kGroupsPerLine + 3;
    for (; encoder.lineGroups != 0 && bytes.size() - at >= 3; at += 3)
        writeGroup(encoder, bytes[at], bytes[at + 1], bytes[at + 2], out);
    std::size_t lines = encoder.lineGroups == 0 ? (bytes.size() - at) / kLineBytes : 0;
    if (lines > 0) {
        std::size_t start = out.size();
        out.resize(start + lines * kLineChars);
        char *next = out.data() + start;
        for (std::size_t line = 0; line < lines; ++line) {
            *next++ = '"';
            for (int group = 0; group < kGroupsPerLine; ++group, at += 3) {
                unsigned b0 = bytes[at], b1 = bytes[at + 1], b2 = bytes[at + 2];
                *next++ = encodedChar(b0 >> 2);
                *next++ = encodedChar((b0 & 3) << 4 | b1 >> 4);
                *next++ = encodedChar((b1 & 15) << 2 | b2 >> 6);
                *next++ = encodedChar(b2 & 63);
            }
            *next++ = '"';
            *next++ = '\n';
        }
    }
    for (; bytes.size() - at >= 3; at += 3) writeGroup(encoder, bytes[at], bytes[at + 1], bytes[at + 2], out);
    while (at < bytes.size()) encoder.held[encoder.heldCount++] = bytes[at++];
}

void finishPictureEncoding(PictureEncoder &encoder, std::string &out) {
    if (encoder.heldCount > 0) {
        openLine(encoder, out);
        std::uint8_t b0 = encoder.held[0];
        out += encodedChar(b0 >> 2);
        if (encoder.heldCount == 1) {
            out += encodedChar(static_cast<unsigned>((b0 & 3) << 4));
        } else {
            std::uint8_t b1 = encoder.held[1];
            out += encodedChar(static_cast<unsigned>((b0 & 3) << 4 | b1 >> 4));
            out += encodedChar(static_cast<unsigned>((b1 & 15) << 2));
        }
        encoder.heldCount = 0;
    }
    closeLine(encoder, out);
}

} // namespace folio
