#include "folio/picture_encoding.h"

namespace folio {
namespace {

constexpr int kGroupsPerLine = 19;

char encodedChar(unsigned value) {
    unsigned c = value + 35;
    return static_cast<char>(c == '\\' ? 'c' : c);
}

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
    out += encodedChar(b0 >> 2);
    out += encodedChar(static_cast<unsigned>((b0 & 3) << 4 | b1 >> 4));
    out += encodedChar(static_cast<unsigned>((b1 & 15) << 2 | b2 >> 6));
    out += encodedChar(b2 & 63u);
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
    out.reserve(out.size() + (bytes.size() - at) * 4 / 3 + (bytes.size() - at) / 19 + 8);
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
