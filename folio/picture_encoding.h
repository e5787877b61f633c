// The printable encoding of picture data inside DDL strings: three bytes give
// four characters of six bits each plus 35 ("#" to "c"); the value that would
// be a backslash is written as "c" instead, so no character needs escaping.
// Lines hold 19 groups (76 characters) between double quotes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace folio {

struct PictureEncoder {
    std::uint8_t held[3] = {};
    int heldCount = 0;   // bytes of an incomplete group
    int lineGroups = 0;  // complete groups on the current line
    bool lineOpen = false;
};

// Appends the encoding of `bytes` to `out`, whole lines and the open line so far.
void encodePictureBytes(PictureEncoder &encoder, std::span<const std::uint8_t> bytes, std::string &out);

// Writes what is held of an incomplete group and closes the last line.
void finishPictureEncoding(PictureEncoder &encoder, std::string &out);

} // namespace folio
