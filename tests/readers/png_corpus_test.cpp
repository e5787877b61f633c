// Every PNG of the shared corpus: ordinary files must match netpbm's pngtopnm
// pixel for pixel; the suite's corrupt x* files and other damaged files must
// fail cleanly with a "PNG:" message. Files are read in place.
#include "tests/readers/png_helpers.h"
#include "tests/support/pnm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> corpus_pngs() {
    std::vector<fs::path> files;
    const fs::path root = testing_support::corpus_dir();
    if (root.empty() || !fs::is_directory(root / "png")) return files;
    for (const auto &entry : fs::recursive_directory_iterator(root / "png")) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
        if (entry.is_regular_file() && extension == ".png") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string corpus_name(const fs::path &file) {
    return fs::relative(file, testing_support::corpus_dir() / "png").generic_string();
}

// Damaged files, as their suites name them: PngSuite's x*, image-png's x_*,
// libpng's crashers (huge chunk lengths in short files, bad CRC and Adler-32;
// but empty_ancillary_chunks is a whole image whose empty chunks are passed
// over), and the truncated copies.
bool is_damaged_file(const std::string &name) {
    auto starts = [&name](const char *prefix) { return name.rfind(prefix, 0) == 0; };
    return starts("pngsuite/x") || starts("image-png-bugfixes/x_") || (starts("libpng-testpngs/crashers/") && name.find("empty_ancillary") == std::string::npos) ||
           name.find(".truncated.") != std::string::npos;
}

TEST(PngCorpus, EveryFileMatchesNetpbmOrFailsCleanly) {
    const std::vector<fs::path> files = corpus_pngs();
    if (files.empty()) GTEST_SKIP() << "no corpus at " << testing_support::corpus_dir();
    if (!testing_support::have_command("pngtopam")) GTEST_SKIP() << "netpbm's pngtopam is not installed";
    testing_support::TempDir scratch;
    int compared = 0;
    for (const fs::path &file : files) {
        const std::string name = corpus_name(file);
        SCOPED_TRACE(name);
        const testing_support::ReaderRun out = testing_support::read_png_file(file.string());
        const auto reference = testing_support::netpbm_reference(file.string(), scratch.path.string());
        if (is_damaged_file(name)) {
            EXPECT_FALSE(out.ok) << "a damaged file was accepted";
            EXPECT_EQ(out.failure.rfind("PNG:", 0), 0u) << out.failure;
            continue;
        }
        if (!out.ok) {
            ADD_FAILURE() << "failed as \"" << out.failure << "\"";
            continue;
        }
        if (!reference) {
            ADD_FAILURE() << "converted, but netpbm rejects it";
            continue;
        }
        ++compared;
        EXPECT_EQ(testing_support::compare_pixels(out.bitmap, *reference), "");
    }
    std::printf("compared %d of %zu corpus files with netpbm\n", compared, files.size());
}

} // namespace
