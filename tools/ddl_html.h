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

} // namespace ddl
