// The corpus tests of the raster filters: every file of one folder of the
// shared corpus converted in this process, each compared with an independent
// decoder unless the expectations table pins its outcome.
#pragma once

#include "tests/support/raster_harness.h"

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <gtest/gtest.h>

namespace testing_support {

// The corpus folder (corpus/<folder>), or an empty path when it is not there.
inline std::filesystem::path corpus_folder(const std::string &folder) {
    const std::filesystem::path root = corpus_dir();
    if (root.empty() || !std::filesystem::is_directory(root / folder)) return {};
    return root / folder;
}

// Calls `visit` with every file below corpus/<folder> whose extension is one
// of `extensions`, and its path relative to the corpus ("gif/a/b.gif").
inline void for_each_corpus_file(const std::string &folder, std::initializer_list<std::string_view> extensions,
                                 const std::function<void(const std::filesystem::path &, const std::string &)> &visit) {
    const std::filesystem::path root = corpus_dir();
    for (const auto &item : std::filesystem::recursive_directory_iterator(root / folder)) {
        const std::string extension = item.path().extension().string();
        bool wanted = false;
        for (std::string_view e : extensions) wanted = wanted || extension == e;
        if (wanted) visit(item.path(), std::filesystem::relative(item.path(), root).generic_string());
    }
}

// A row of an expectations table: the failure text the file must end with
// ("" when it converts), why, and optionally a reference rendering in the
// corpus that the sprite must match.
struct CorpusRow {
    std::string outcome;
    std::string why;
    const char *reference = nullptr;
};
using CorpusTable = std::map<std::string, CorpusRow>; // by path relative to the corpus

// Compares a converted file (or a reference rendering) with the sprite;
// returns a description of the first difference, or "".
using CorpusComparison = std::function<std::string(const std::string &path, const FilterConversion &ours)>;

// Converts every file of the folder: one in the table ends as its row says
// (and matches its reference through `compare_reference`), any other passes
// `compare`. Every row must be met. Returns how many files were compared.
inline int walk_corpus(const FilterProgram &program, const std::string &folder,
                       std::initializer_list<std::string_view> extensions, const CorpusTable &table,
                       const CorpusComparison &compare, const CorpusComparison &compare_reference = {}) {
    TempDir dir;
    int compared = 0;
    std::size_t listed = 0;
    for_each_corpus_file(folder, extensions, [&](const std::filesystem::path &path, const std::string &relative) {
        auto ours = convert_in_process(program, path.string(), dir);
        auto found = table.find(relative);
        if (found == table.end()) {
            EXPECT_EQ(compare(path.string(), ours), "") << relative;
            ++compared;
            return;
        }
        EXPECT_EQ(ours.succeeded ? "" : ours.failure, found->second.outcome) << relative << ": " << found->second.why;
        if (found->second.reference != nullptr) {
            EXPECT_EQ(compare_reference((corpus_dir() / found->second.reference).string(), ours), "") << relative;
        }
        ++listed;
    });
    EXPECT_EQ(listed, table.size());
    return compared;
}

} // namespace testing_support
