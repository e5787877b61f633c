// Text for the HTML preview: escaping, lengths, base64, picture data, fonts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ddl {

// Appends text from a DDL file (8-bit RISC OS Latin-1) as escaped UTF-8;
// control characters are dropped.
void appendEscaped(std::string &out, std::string_view text);
std::string escaped(std::string_view text);
std::string lower(std::string_view text);
// Millipoints as a CSS length in points.
std::string points(double millipoints);
// The part of an object name after its prefix: "TEXT_1f4" gives "1f4".
std::string_view suffixAfter(std::string_view name, std::string_view prefix);
std::string base64(const std::vector<std::uint8_t> &bytes);
// The picture data's printable encoding back to bytes.
std::vector<std::uint8_t> decodePictureData(std::string_view text);

// The generic family that stands in for a font name ("Trinity.Medium" gives
// serif), and whether the name asks for bold or italic.
struct FontLook {
    std::string_view family;
    bool bold = false;
    bool italic = false;
};
FontLook fontLook(std::string_view font_name);

} // namespace ddl
