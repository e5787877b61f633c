// Arbitrary bytes as a DDL file for the HTML preview (the page is built in
// memory), and, when they start like one, as a Draw file for the renderer:
// neither may read outside the input, crash or run without end.
#include "tools/ddl_html.h"
#include "tools/ddl_reader.h"
#include "tools/draw_render.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);
    if (size >= 4 && std::string_view(reinterpret_cast<const char *>(data), 4) == "Draw") {
        draw_file::Canvas canvas;
        draw_file::SkippedObjects skipped;
        std::string why;
        if (draw_file::renderDraw(bytes, 30, canvas, skipped, why)) draw_file::encodePng(canvas);
        return 0;
    }
    ddl::PreviewOptions options;
    options.picture_pixels_per_inch = 30; // small pictures keep each run short
    std::string html = ddl::previewHtml(ddl::readDdl(std::string_view(reinterpret_cast<const char *>(data), size)), "fuzz", options);
    return html.empty() ? 1 : 0;
}
