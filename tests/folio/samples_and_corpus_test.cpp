// The whole conversion by the real Folioload program: the bundled samples,
// natively and (when configured) the Windows build under Wine, and the real
// documents of the corpus through the DDL checker.
#include "tests/support/ddl_checker.h"
#include "tests/support/document_programs.h"
#include "tests/support/sample_documents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace testing_support;

namespace {

const std::filesystem::path kSamples = FOLIO_SAMPLES_DIR;

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
    const std::string out = dir.file("out.ddl");
    std::string reference;
    for (Runner runner : runners_for("Folioload")) {
        for (const char *form : {"Sample.bc5", "Sample"}) {
            SCOPED_TRACE(runner_name(runner) + " " + form);
            DocumentRun run = run_document_program(runner, "Folioload", {(kSamples / form).string(), out}, out);
            ASSERT_TRUE(run.result.succeeded) << run.result.failure_text;
            EXPECT_EQ(run.result.output, "width 0");
            const std::string ddl = run.written.value_or("");
            EXPECT_EQ(check_ddl(ddl), std::vector<std::string>{});
            if (reference.empty()) reference = ddl;
            EXPECT_TRUE(ddl == reference);
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
    const std::string out = dir.file("out.ddl");
    for (const auto &document : documents) {
        SCOPED_TRACE(document.string());
        DocumentRun run = run_document_program(Runner::native, "Folioload", {document.string(), out}, out);
        ASSERT_TRUE(run.result.succeeded) << run.result.failure_text;
        const std::string ddl = run.written.value_or("");
        EXPECT_EQ(check_ddl(ddl), std::vector<std::string>{});
        EXPECT_NE(ddl.find("={chapter "), std::string::npos);
        EXPECT_NE(ddl.find("={story\n"), std::string::npos);
    }
}

TEST(CorpusWalk, OlderDirectoryDocumentsAreRefusedOnEveryRunner) {
    std::vector<std::filesystem::path> documents = corpusDocuments(true);
    if (documents.empty()) GTEST_SKIP() << "no Impression corpus";
    EXPECT_EQ(documents.size(), 5u);
    TempDir dir;
    const std::string out = dir.file("out.ddl");
    std::vector<DocumentFailure> cases;
    for (const auto &document : documents)
        cases.push_back({document.string(), {document.string(), out}, "File produced by too old a version of Impression"});
    expect_document_failures("Folioload", out, cases);
}

} // namespace
