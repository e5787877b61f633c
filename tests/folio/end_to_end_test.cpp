// Runs the real Folioload program the way the host does: natively and, when a
// Windows build is configured, under Wine; both must give the same bytes and
// the same failure texts.
#include "tests/folio/conversion.h"
#include "tests/support/programs.h"

namespace {

using namespace folio_testing;

struct ProgramRun {
    RunResult result;
    std::string ddl;
};

ProgramRun runFolioload(Runner runner, const TempDir &dir, std::vector<std::string> arguments) {
    ProgramRun run;
    std::filesystem::remove(dir.file("out.ddl"));
    run.result = run_program(runner, "Folioload", arguments);
    if (std::filesystem::exists(dir.file("out.ddl"))) run.ddl = read_text(dir.file("out.ddl"));
    return run;
}

DocumentBuilder richDocument() {
    DocumentBuilder doc = quietDocument();
    doc.colour(spotRgb("Sky \"blue\"", 0x80, 0xc0, 0xff));
    doc.colour(tint("Pale sky", 0, 64));
    doc.style(1, StyleSpec{"Heading"}.word(kStyleWordTextSize, 320).byte(kStyleByteBold, 1).key(0x1cb));
    doc.style(2, StyleSpec{"Unused"});
    doc.chapterMarker();
    doc.chapterMarker();
    doc.textStory(TextSpec{}.styleChange({1}).text("Title").paragraph());
    doc.masterRecord(page(0, 0, 595000, 842000, 0));
    doc.mainRecord(chapter(1, 0, 0));
    doc.mainRecord(page(0, 0, 595000, 842000, 0));
    doc.mainRecord(textFrame(FrameSpec{}.box(1000, 1000, 5000, 5000).filled(rgbWord(0xff, 0x80, 0))));
    return doc;
}

TEST(EndToEnd, ConvertsBothFormsWithTheSameBytesOnEveryRunner) {
    TempDir dir;
    DocumentBuilder doc = richDocument();
    std::string single = doc.writeSingleFile(dir.file("Doc.bc5"));
    std::string directory = doc.writeDirectory(dir.file("DocDir"));
    std::string comma = doc.writeDirectory(dir.file("CommaDir"), ',');
    Conversion inProcess = convert(doc);
    ASSERT_TRUE(inProcess.succeeded) << inProcess.failure;
    for (Runner runner : runners_for("Folioload")) {
        for (const std::string &input : {single, directory, comma}) {
            ProgramRun run = runFolioload(runner, dir, {input, dir.file("out.ddl")});
            EXPECT_TRUE(run.result.succeeded) << runner_name(runner) << " " << input << ": " << run.result.failure_text;
            EXPECT_EQ(run.result.output, "width 0") << runner_name(runner);
            EXPECT_EQ(run.ddl, inProcess.ddl) << runner_name(runner) << " " << input;
        }
        ProgramRun kept = runFolioload(runner, dir, {single, dir.file("out.ddl"), "-NOSTYLECHECK"});
        EXPECT_NE(kept.ddl.find("STYLE_102={style \"Unused\""), std::string::npos) << runner_name(runner);
    }
}

TEST(EndToEnd, FailuresCarryTheirMessage) {
    TempDir dir;
    std::string old = quietDocument().version(27).writeSingleFile(dir.file("Old.bc5"));
    std::filesystem::create_directories(dir.file("Empty"));
    DocumentBuilder damaged = quietDocument();
    damaged.header(364, 0x7fffffff);
    std::string broken = damaged.writeSingleFile(dir.file("Broken.bc5"));
    struct Case {
        std::vector<std::string> arguments;
        std::string failure;
    };
    const std::vector<Case> cases = {
        {{old}, "Syntax: Convert <input file> <output file>"},
        {{old, dir.file("out.ddl")}, "File produced by too old a version of Impression"},
        {{dir.file("absent.bc5"), dir.file("out.ddl")}, "Input file does not exist."},
        {{dir.file("Empty"), dir.file("out.ddl")}, "Can't open input file"},
        {{broken, dir.file("out.ddl")}, "Can't read enough input"},
    };
    for (Runner runner : runners_for("Folioload")) {
        for (const Case &c : cases) {
            ProgramRun run = runFolioload(runner, dir, c.arguments);
            EXPECT_FALSE(run.result.succeeded) << runner_name(runner) << " " << c.failure;
            EXPECT_NE(run.result.exit_code, 0);
            EXPECT_EQ(run.result.failure_text, c.failure) << runner_name(runner);
        }
    }
}

} // namespace

namespace {

TEST(EndToEnd, CorpusDocumentsGiveTheSameBytesOnEveryRunner) {
    std::filesystem::path corpus = corpus_dir();
    if (corpus.empty() || !std::filesystem::is_directory(corpus / "impression")) GTEST_SKIP() << "no Impression corpus";
    std::vector<Runner> runners = runners_for("Folioload");
    if (runners.size() < 2) GTEST_SKIP() << "no Windows build to compare with";
    std::vector<std::filesystem::path> documents;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(corpus / "impression"))
        if (entry.path().extension() == ".bc5") documents.push_back(entry.path());
    std::sort(documents.begin(), documents.end());
    for (const auto &document : documents) {
        TempDir dir;
        ProgramRun native = runFolioload(Runner::native, dir, {document.string(), dir.file("out.ddl")});
        ProgramRun windows = runFolioload(Runner::windows, dir, {document.string(), dir.file("out.ddl")});
        ASSERT_TRUE(native.result.succeeded) << document << ": " << native.result.failure_text;
        EXPECT_TRUE(windows.result.succeeded) << document << ": " << windows.result.failure_text;
        EXPECT_EQ(windows.ddl, native.ddl) << document;
    }
}

} // namespace
