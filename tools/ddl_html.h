// Turns a read DDL file into one self-contained HTML page: an index (problems,
// counts, colours, styles, what is not rendered), then the pages with their
// frames, stories and pictures, or the flowing story of a file without pages.
#pragma once

#include "tools/ddl_reader.h"

#include <string>
#include <string_view>

namespace ddl {

struct PreviewOptions {
    double picture_pixels_per_inch = 120; // resolution of rendered Draw pictures
};

std::string previewHtml(const File &file, std::string_view title, const PreviewOptions &options = {});

// The generic family that stands in for a font name ("Trinity.Medium" gives
// serif), and whether the name asks for bold or italic.
struct FontLook {
    std::string_view family;
    bool bold = false;
    bool italic = false;
};
FontLook fontLook(std::string_view font_name);

} // namespace ddl
