// Runs the real Folioload program the way the host does: natively and, when a
// Windows build is configured, under Wine; both must give the same bytes and
// the same failure texts.
#include "tests/support/document_programs.h"
#include "tests/support/folio_harness.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>

namespace {

using namespace testing_support;

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
    FolioConversion inProcess = convert(doc);
    FolioConversion keepingStyles = convert(doc, {"-NOSTYLECHECK"});
    ASSERT_TRUE(inProcess.succeeded) << inProcess.failure;
    ASSERT_NE(keepingStyles.ddl.find("STYLE_102={style \"Unused\""), std::string::npos);
    const DocumentCase cases[] = {
        {"single file", doc.writeSingleFile(dir.file("Doc.bc5")), inProcess.ddl},
        {"directory", doc.writeDirectory(dir.file("DocDir")), inProcess.ddl},
        {"directory with a comma", doc.writeDirectory(dir.file("CommaDir"), ','), inProcess.ddl},
        {"unused styles kept", dir.file("Doc.bc5"), keepingStyles.ddl, {"-NOSTYLECHECK"}},
    };
    expect_documents("Folioload", "width 0", cases);
}

// Picture placements all round the circle at a spread of scales: the
// transform's trigonometry and rounding, where a 32-bit build that kept x87
// intermediates would part from the native build.
TEST(EndToEnd, PicturePlacementsGiveTheSameBytesOnEveryRunner) {
    TempDir dir;
    DocumentBuilder doc = quietDocument();
    int picture = doc.pictureStory(Bytes{1, 2, 3}, 0xaff);
    doc.masterRecord(page(0, 0, 600000, 800000, 10000));
    doc.mainRecord(chapter(1, 0, 0));
    doc.mainRecord(page(0, 0, 600000, 800000, 10000));
    const std::int32_t frames = 250; // a page stacks at most 256 objects: one index byte each
    for (std::int32_t i = 0; i < frames; ++i) {
        FrameSpec frame = FrameSpec{}.box(1000, 1000, 90000, 70000).story(picture).stacking(static_cast<std::uint32_t>(i));
        frame.placement[0] = 0x1000 + i * 0x1d3b;    // x scale: 1/16 up to about 28
        frame.placement[1] = 0x48000 - i * 0x124e;   // y scale: 4.5 down through 0 to about -13
        frame.placement[2] = i * 1563 - 50000;
        frame.placement[3] = 40000 - i * 981;
        // Angle: every other frame a multiple of 15 degrees (where sine and
        // cosine come to within a rounding of a fixed-point step, 0.5 at 30
        // degrees), the rest from -45 degrees in irregular steps; four turns.
        frame.placement[4] = i % 2 == 0 ? (i / 2) * 15 * 0x10000 - 0x2d0000 : i * 0x5ccb9 - 0x2d0000;
        doc.mainRecord(pictureFrame(frame));
    }
    std::string document = doc.writeSingleFile(dir.file("Placements.bc5"));
    FolioConversion inProcess = convert(doc);
    ASSERT_TRUE(inProcess.succeeded) << inProcess.failure;
    std::size_t placements = 0;
    for (std::size_t at = 0; (at = inProcess.ddl.find("{picturedata\n", at)) != std::string::npos; ++at) ++placements;
    ASSERT_EQ(placements, static_cast<std::size_t>(frames));
    const DocumentCase cases[] = {{"placements", document, inProcess.ddl}};
    expect_documents("Folioload", "width 0", cases);
}

TEST(EndToEnd, FailuresCarryTheirMessage) {
    TempDir dir;
    std::string old = quietDocument().version(27).writeSingleFile(dir.file("Old.bc5"));
    std::filesystem::create_directories(dir.file("Empty"));
    DocumentBuilder damaged = quietDocument();
    damaged.header(364, 0x7fffffff);
    std::string broken = damaged.writeSingleFile(dir.file("Broken.bc5"));
    const std::string out = dir.file("out.ddl");
    const DocumentFailure cases[] = {
        {"one argument", {old}, "Syntax: Convert <input file> <output file>"},
        {"old version", {old, out}, "File produced by too old a version of Impression"},
        {"missing input", {dir.file("absent.bc5"), out}, "Input file does not exist."},
        {"empty directory", {dir.file("Empty"), out}, "Can't open input file"},
        {"damaged header", {broken, out}, "Can't read enough input"},
    };
    expect_document_failures("Folioload", out, cases);
}

} // namespace

namespace {

// The format version of a document: the word at offset 8 of the single file
// or of a directory document's !DocData.d87 (0 when the file is shorter).
std::uint32_t documentVersion(const std::filesystem::path &header) {
    Bytes bytes = read_file(header.string());
    if (bytes.size() < 12) return 0;
    return bytes[8] | bytes[9] << 8 | bytes[10] << 16 | static_cast<std::uint32_t>(bytes[11]) << 24;
}

// The 32-bit Windows build against the native one on every real version-28
// document: the same output, byte for byte, proves that both builds do their
// arithmetic (floating point included) alike.
TEST(EndToEnd, CorpusDocumentsGiveTheSameBytesOnEveryRunner) {
    std::filesystem::path corpus = corpus_dir();
    if (corpus.empty() || !std::filesystem::is_directory(corpus / "impression")) GTEST_SKIP() << "no Impression corpus";
    std::vector<Runner> runners = runners_for("Folioload");
    if (runners.size() < 2) GTEST_SKIP() << "no Windows build configured to compare with";
    std::vector<std::filesystem::path> documents;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(corpus / "impression")) {
        const std::filesystem::path &path = entry.path();
        if (path.extension() == ".bc5" && documentVersion(path) == 28) documents.push_back(path);
        if (path.filename() == "!DocData.d87" && documentVersion(path) == 28) documents.push_back(path.parent_path());
    }
    std::sort(documents.begin(), documents.end());
    EXPECT_EQ(documents.size(), 36u);
    for (const auto &document : documents) {
        TempDir dir;
        const std::string out = dir.file("out.ddl");
        DocumentRun native = run_document_program(Runner::native, "Folioload", {document.string(), out}, out);
        DocumentRun windows = run_document_program(Runner::windows, "Folioload", {document.string(), out}, out);
        ASSERT_TRUE(native.result.succeeded) << document << ": " << native.result.failure_text;
        EXPECT_TRUE(windows.result.succeeded) << document << ": " << windows.result.failure_text;
        EXPECT_EQ(windows.result.output, native.result.output) << document;
        EXPECT_EQ(first_difference(windows.written.value_or(""), native.written.value_or("")), "") << document;
    }
}

} // namespace
