// ddl_preview: writes one self-contained HTML page showing a DDL file as the
// document converters write it, so a conversion can be looked at without the
// host. A damaged file still gives a page; its index names the problems.
//
//     ddl_preview <DDL file> <HTML file>
#include "tools/ddl_html.h"
#include "tools/ddl_reader.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

constexpr std::uintmax_t kMaxInputBytes = 512u << 20;

bool readWhole(const char *path, std::string &out) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return false;
    auto size = in.tellg();
    if (size < 0 || static_cast<std::uintmax_t>(size) > kMaxInputBytes) return false;
    in.seekg(0);
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string baseName(const std::string &path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: ddl_preview <DDL file> <HTML file>\n");
        return 2;
    }
    std::string text;
    if (!readWhole(argv[1], text)) {
        std::fprintf(stderr, "ddl_preview: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string html = ddl::previewHtml(ddl::readDdl(text), baseName(argv[1]));
    std::FILE *out = std::fopen(argv[2], "wb");
    if (out == nullptr || std::fwrite(html.data(), 1, html.size(), out) != html.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "ddl_preview: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
