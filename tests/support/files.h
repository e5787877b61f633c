// Temporary directories and whole-file reads and writes for tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

// A fresh directory, removed with everything in it when the object goes.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::filesystem::path path;
    std::string file(std::string_view name) const { return (path / name).string(); }
};

// Appends `more` behind `out`. (Builders use it rather than vector::insert,
// on which GCC 12 at -O3 reports reads and writes out of bounds that cannot happen.)
void append(Bytes &out, const Bytes &more);

// Little-endian words for builders.
void put_u16(Bytes &out, std::uint32_t value);
void put_u32(Bytes &out, std::uint32_t value);

void write_file(const std::string &path, const Bytes &bytes);
void write_text(const std::string &path, std::string_view text);
Bytes read_file(const std::string &path);
std::string read_text(const std::string &path);

// The shared corpus of real files, or an empty path when it is not there.
std::filesystem::path corpus_dir();

} // namespace testing_support
