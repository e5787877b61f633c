#include "tests/support/files.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace testing_support {

void append(Bytes &out, const Bytes &more) {
    if (more.empty()) return;
    const std::size_t at = out.size();
    out.resize(at + more.size());
    std::memcpy(out.data() + at, more.data(), more.size());
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "filters-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave read-only files behind; make them removable first.
    for (auto &entry : std::filesystem::recursive_directory_iterator(path, ignored))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path, ignored);
}

void write_file(const std::string &path, const Bytes &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

void write_text(const std::string &path, std::string_view text) {
    write_file(path, Bytes(text.begin(), text.end()));
}

Bytes read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string read_text(const std::string &path) {
    Bytes bytes = read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

std::filesystem::path corpus_dir() {
    const char *dir = std::getenv("FILTERS_CORPUS_DIR");
    if (dir == nullptr || !std::filesystem::is_directory(dir)) return {};
    return dir;
}

void put_u16(Bytes &out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put_u32(Bytes &out, std::uint32_t value) {
    put_u16(out, value & 0xFFFF);
    put_u16(out, value >> 16);
}

} // namespace testing_support
