// The whole conversion by the real Folioload program: the bundled samples,
// natively and (when configured) the Windows build under Wine, and the real
// documents of the corpus through the DDL checker.
#include "tests/support/ddl_checker.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"
#include "tests/support/sample_documents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace testing_support;

namespace {

const std::filesystem::path kSamples = FOLIO_SAMPLES_DIR;

struct Converted {
    RunResult run;
    std::string ddl;
};

Converted convertWith(Runner runner, const std::string &input, const TempDir &dir, const std::string &name) {
    std::string output = dir.file(name);
    Converted result;
    result.run = run_program(runner, "Folioload",
                             {runner == Runner::windows ? windows_path(input) : input,
                              runner == Runner::windows ? windows_path(output) : output});
    if (std::filesystem::exists(output)) result.ddl = read_text(output);
    return result;
}

// The bundled samples are what the builder makes today: they cannot go stale.
TEST(EndToEnd, BundledSamplesAreTheBuildersOutput) {
    BuiltDocument built = sampleDocument().build();
    EXPECT_TRUE(read_file((kSamples / "Sample.bc5").string()) == built.singleFile);
    for (const auto &[relative, bytes] : built.files)
        EXPECT_TRUE(read_file((kSamples / "Sample" / relative).string()) == bytes) << relative;
    std::size_t files = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(kSamples / "Sample"))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, built.files.size());
}

TEST(EndToEnd, BundledSamplesConvertToTheSameDdlInBothFormsOnEveryRunner) {
    TempDir dir;
    std::string reference;
    for (Runner runner : runners_for("Folioload")) {
        for (const char *form : {"Sample.bc5", "Sample"}) {
            SCOPED_TRACE(runner_name(runner) + " " + form);
            Converted result = convertWith(runner, (kSamples / form).string(), dir, "out.ddl");
            ASSERT_TRUE(result.run.succeeded) << result.run.failure_text;
            EXPECT_EQ(result.run.output, "width 0");
            EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
            if (reference.empty()) reference = result.ddl;
            EXPECT_TRUE(result.ddl == reference);
        }
    }
    // What the sample is there to show.
    for (const char *shown : {"{masterpage", "{textchain", "{embed PICT_", "{merge 1}", "MERGE_1={merge",
                              "{data \"EPS\"", "{data \"GraphMate\"", "=PICTURE_", "={group PICT_", "{pageno}",
                              "{chapterno}", "{newpage}", "{adduserstyle STYLE_103}", "{master GLINE_",
                              "{pagestartnumber 1}", "{startonleft 0}", "\"10\"\n"})
        EXPECT_NE(reference.find(shown), std::string::npos) << shown;
}

std::vector<std::filesystem::path> corpusDocuments(bool directories) {
    std::vector<std::filesystem::path> found;
    std::filesystem::path root = corpus_dir() / "impression";
    if (corpus_dir().empty() || !std::filesystem::exists(root)) return found;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(root)) {
        if (directories && entry.path().filename() == "!DocData.d87") found.push_back(entry.path().parent_path());
        if (!directories && entry.path().extension() == ".bc5") found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Real documents made by others: every version-28 document converts and its
// DDL passes the checker. The Windows build gives the same bytes (checked by
// EndToEnd.CorpusDocumentsGiveTheSameBytesOnEveryRunner), so its DDL passes too.
TEST(CorpusWalk, RealDocumentsConvertWholeAndPassTheChecker) {
    std::vector<std::filesystem::path> documents = corpusDocuments(false);
    if (documents.empty()) GTEST_SKIP() << "no Impression corpus";
    EXPECT_EQ(documents.size(), 36u);
    TempDir dir;
    for (const auto &document : documents) {
        SCOPED_TRACE(document.string());
        Converted result = convertWith(Runner::native, document.string(), dir, "out.ddl");
        ASSERT_TRUE(result.run.succeeded) << result.run.failure_text;
        EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
        EXPECT_NE(result.ddl.find("={chapter "), std::string::npos);
        EXPECT_NE(result.ddl.find("={story\n"), std::string::npos);
    }
}

TEST(CorpusWalk, OlderDirectoryDocumentsAreRefusedOnEveryRunner) {
    std::vector<std::filesystem::path> documents = corpusDocuments(true);
    if (documents.empty()) GTEST_SKIP() << "no Impression corpus";
    EXPECT_EQ(documents.size(), 5u);
    TempDir dir;
    for (const auto &document : documents)
        for (Runner runner : runners_for("Folioload")) {
            Converted result = convertWith(runner, document.string(), dir, "out.ddl");
            EXPECT_FALSE(result.run.succeeded) << document;
            EXPECT_EQ(result.run.failure_text, "File produced by too old a version of Impression")
                << runner_name(runner) << " " << document;
        }
}

} // namespace
