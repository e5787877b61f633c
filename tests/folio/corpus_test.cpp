// Real Impression documents made by others, read in place from the shared
// corpus: every version-28 document converts; the older directory documents
// stop with the version message.
#include "tests/folio/conversion.h"

#include <regex>
#include <set>

namespace {

using namespace folio_testing;

std::filesystem::path impressionCorpus() {
    std::filesystem::path corpus = corpus_dir();
    if (corpus.empty() || !std::filesystem::is_directory(corpus / "impression")) return {};
    return corpus / "impression";
}

std::vector<std::filesystem::path> corpusFiles(const std::string &name, bool extension) {
    std::vector<std::filesystem::path> found;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(impressionCorpus())) {
        const auto &path = entry.path();
        if (extension ? path.extension() == name : path.filename() == name) found.push_back(path);
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Every colour the output names is defined in its colour section.
void expectColoursDefined(const std::string &ddl, const std::string &what) {
    std::set<std::string> defined, used;
    std::regex definition(R"((COL_[0-9a-f]+)=\{colour)"), reference(R"((COL_[0-9a-f]+) 0x10000)");
    for (std::sregex_iterator i(ddl.begin(), ddl.end(), definition), end; i != end; ++i) defined.insert((*i)[1]);
    for (std::sregex_iterator i(ddl.begin(), ddl.end(), reference), end; i != end; ++i) used.insert((*i)[1]);
    for (const std::string &name : used) EXPECT_TRUE(defined.count(name)) << what << ": " << name << " not defined";
}

TEST(Corpus, EveryVersion28DocumentConverts) {
    if (impressionCorpus().empty()) GTEST_SKIP() << "no Impression corpus";
    auto documents = corpusFiles(".bc5", true);
    ASSERT_FALSE(documents.empty());
    for (const auto &path : documents) {
        for (std::vector<std::string> options : {std::vector<std::string>{}, std::vector<std::string>{"-nostylecheck"}}) {
            TempDir dir;
            Conversion result = convertPath(dir, path.string(), options);
            ASSERT_TRUE(result.succeeded) << path << ": " << result.failure;
            EXPECT_EQ(result.ddl.rfind(kHeader + "// Colours\n\n" + kStandardColours, 0), 0u) << path;
            EXPECT_NE(result.ddl.find("\n\n\nSTYLE_100={style \"BodyText\"\n"), std::string::npos) << path;
            expectColoursDefined(result.ddl, path.string());
        }
    }
}

TEST(Corpus, OlderDirectoryDocumentsAreRefused) {
    if (impressionCorpus().empty()) GTEST_SKIP() << "no Impression corpus";
    auto docData = corpusFiles("!DocData.d87", false);
    ASSERT_FALSE(docData.empty());
    for (const auto &path : docData) {
        TempDir dir;
        Conversion result = convertPath(dir, path.parent_path().string());
        EXPECT_EQ(result.failure, "File produced by too old a version of Impression") << path;
    }
}

} // namespace
