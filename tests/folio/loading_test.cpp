// Program entry, options, settings file, the two document forms and the
// header check, run in-process on built documents.
#include "tests/support/folio_harness.h"

#include "folio/document.h"

namespace {

using namespace testing_support;

const std::string kQuietDocumentDdl =
    kHeader + "// Colours\n\n" + kStandardColours + "\n\n" + baseStyleText("COL_01 0x10000 0");

TEST(Loading, SingleFileDocumentGivesTheWholeDdl) {
    FolioConversion result = convert(quietDocument());
    ASSERT_TRUE(result.succeeded) << result.failure;
    EXPECT_EQ(result.ddl, kQuietDocumentDdl);
    EXPECT_EQ(result.console, "width 0");
}

TEST(Loading, BothFormsAndBothSuffixSpellingsGiveTheSameDdl) {
    DocumentBuilder doc = quietDocument();
    doc.style(3, StyleSpec{"Used"}.word(kStyleWordTextSize, 160));
    doc.chapterMarker();
    doc.chapterMarker();
    doc.textStory(TextSpec{}.styleChange({3}).text("Hello").paragraph());
    doc.masterRecord(page(0, 0, 595000, 842000, 0));
    doc.mainRecord(chapter(1, 0, 0));
    std::string expected = kHeader + "// Colours\n\n" + kStandardColours + "\n\n" + baseStyleText("COL_01 0x10000 0") +
                           "STYLE_103={style \"Used\"\n{keypress \"\"}\n{textsize 10000}\n{scope 0}\n}\n";
    for (Form form : {Form::singleFile, Form::directory, Form::commaDirectory}) {
        FolioConversion result = convert(doc, {}, form);
        ASSERT_TRUE(result.succeeded) << static_cast<int>(form) << ": " << result.failure;
        EXPECT_EQ(result.ddl.substr(0, result.ddl.find("\nCHAP_")), expected) << static_cast<int>(form);
    }
}

TEST(Loading, DirectoryWithoutDocDataCannotBeOpened) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("Doc/Chapter1"));
    FolioConversion result = convertPath(dir, dir.file("Doc"));
    EXPECT_EQ(result.failure, "Can't open input file");
}

TEST(Loading, VersionBelow28IsRefused) {
    FolioConversion old = convert(quietDocument().version(27));
    EXPECT_EQ(old.failure, "File produced by too old a version of Impression");
    FolioConversion negative = convert(quietDocument().version(-5));
    EXPECT_EQ(negative.failure, "File produced by too old a version of Impression");
    EXPECT_TRUE(convert(quietDocument().version(28)).succeeded);
}

TEST(Loading, MessagesOfTheEntry) {
    TempDir dir;
    struct Case {
        std::vector<std::string> arguments;
        std::string failure;
    };
    std::vector<std::string> twoFew{dir.file("Folioload"), dir.file("only")};
    std::vector<char *> argv;
    for (auto &a : twoFew) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    try {
        folio::convertDocument(2, argv.data());
        ADD_FAILURE() << "no failure";
    } catch (const ddl::FatalError &failure) {
        EXPECT_STREQ(failure.what(), "Syntax: Convert <input file> <output file>");
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    EXPECT_EQ(convertPath(dir, dir.file("absent.bc5")).failure, "Input file does not exist.");

    write_file(dir.file("short.bc5"), Bytes(100, 0));
    EXPECT_EQ(convertPath(dir, dir.file("short.bc5")).failure, "Can't read input");

    std::string doc = quietDocument().writeSingleFile(dir.file("Doc.bc5"));
    std::vector<std::string> badOutput{dir.file("Folioload"), doc, dir.file("no/such/dir/out.ddl")};
    argv.clear();
    for (auto &a : badOutput) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    try {
        folio::convertDocument(3, argv.data());
        ADD_FAILURE() << "no failure";
    } catch (const ddl::FatalError &failure) {
        EXPECT_STREQ(failure.what(), "Can't open output file");
    }
    testing::internal::GetCapturedStdout();
}

TEST(Loading, TooLongInputPathIsRefused) {
    TempDir dir;
    std::string path = dir.file(std::string(200, 'a')) + "/" + std::string(100, 'b');
    EXPECT_EQ(convertPath(dir, path).failure, "Input path is too long");
}

TEST(Loading, TooLongDirectoryPathIsRefused) {
    TempDir dir;
    std::string deep = dir.file("");
    while (deep.size() < 250) deep += "d/";
    std::string path = quietDocument().writeDirectory(deep + "Doc");
    ASSERT_LT(path.size(), 260u);
    EXPECT_EQ(convertPath(dir, path).failure, "Input path is too long");
}

TEST(Loading, SettingsFileGivesTheBorderWidth) {
    struct Case {
        const char *settings; // null: no file
        const char *console;
    };
    const Case cases[] = {
        {nullptr, "width 0"},
        {"width:1500\n", "width 1500"},
        {"width:-20", "width -20"},
        {"width: 7", "width 7"},     // scanf skips blanks before a number
        {"Width:1500", "width 0"},   // the text must match exactly
        {"wide:1500", "width 0"},
        {"", "width 0"},
        {"width:", "width 0"},
    };
    for (const Case &c : cases) {
        TempDir dir;
        if (c.settings != nullptr) write_text(dir.file("folioload.txt"), c.settings);
        std::string doc = quietDocument().writeSingleFile(dir.file("Doc.bc5"));
        FolioConversion result = convertPath(dir, doc);
        EXPECT_TRUE(result.succeeded) << result.failure;
        EXPECT_EQ(result.console, c.console) << (c.settings ? c.settings : "(none)");
    }
}

TEST(Loading, NoStyleCheckIsRecognisedInAnyCaseAndPosition) {
    DocumentBuilder doc = quietDocument();
    doc.style(1, StyleSpec{"Unused"});
    EXPECT_EQ(styleObject(convert(doc).ddl, 1), "<no STYLE_101={style>");
    for (std::string option : {"-nostylecheck", "-NoStyleCheck", "-NOSTYLECHECK"}) {
        FolioConversion result = convert(doc, {"extra", option});
        EXPECT_EQ(styleObject(result.ddl, 1), "STYLE_101={style \"Unused\"\n{keypress \"\"}\n{scope 0}\n}\n") << option;
    }
    EXPECT_EQ(styleObject(convert(doc, {"-nostylecheckx"}).ddl, 1), "<no STYLE_101={style>");
}

// --- damaged documents -----------------------------------------------------

struct DamageCase {
    const char *name;
    std::uint32_t headerOffset;
    std::uint32_t word;
    const char *failure; // the start of the message
    std::uint32_t secondOffset = 0, secondWord = 0;
};

TEST(Loading, DocumentsThatPointOutsideThemselvesStopWithADamageMessage) {
    const DamageCase cases[] = {
        {"length below the header", 364, 100, "Document is damaged: its length of 100 bytes lies outside the file"},
        {"length beyond the file", 364, 0x7fffffff, "Can't read enough input"},
        {"colour table outside", 276, 0x7ffffff0, "Document is damaged: colour table at 0x7ffffff0"},
        {"colour table end far out", 288, 0x7fffffff, "Document is damaged: colour table at 0x"},
        {"style table outside", 292, 0xfffffff0, "Document is damaged: style table at 0xfffffff0"},
        {"story directory outside", 328, 0x40000000, "Document is damaged: story directory at 0x40000000", 336,
         0x40000100},
        {"story offsets outside", 336, 0x40000000, "Document is damaged: story offset table at 0x40000000"},
        {"main contents outside", 356, 0x10000000, "Document is damaged: contents record at 0x10000000", 360,
         0x7fffffff},
        {"master contents outside", 344, 0x10000000, "Document is damaged: contents record at 0x10000000", 352,
         0x7fffffff},
    };
    for (const DamageCase &c : cases) {
        DocumentBuilder doc = quietDocument();
        doc.style(1, StyleSpec{"Checked"}); // so that the style check reads the stories
        doc.textStory(TextSpec{}.text("x"));
        doc.header(c.headerOffset, c.word);
        if (c.secondOffset != 0) doc.header(c.secondOffset, c.secondWord);
        FolioConversion result = convert(doc);
        EXPECT_FALSE(result.succeeded) << c.name;
        EXPECT_EQ(result.failure.rfind(c.failure, 0), 0u) << c.name << ": " << result.failure;
    }
}

TEST(Loading, StyleRecordOutsideTheDocumentIsDamage) {
    DocumentBuilder doc = quietDocument();
    doc.style(2, StyleSpec{"Far"});
    BuiltDocument built = doc.build();
    std::uint32_t table = built.image[292] | built.image[293] << 8 | built.image[294] << 16;
    doc.patch(table + 8, 0x7ffffff0);
    FolioConversion result = convert(doc, {"-nostylecheck"});
    EXPECT_EQ(result.failure.rfind("Document is damaged: style record at 0x", 0), 0u) << result.failure;
}

TEST(Loading, StoryBeyondTheFileIsDamage) {
    DocumentBuilder doc = quietDocument();
    doc.style(1, StyleSpec{"Some"});
    int story = doc.textStory(TextSpec{}.text("text"));
    BuiltDocument built = doc.build();
    std::uint32_t offsets = built.image[336] | built.image[337] << 8 | built.image[338] << 16;
    doc.patch(offsets + 4u * static_cast<std::uint32_t>(story) + 4, 0x7fffffff);
    FolioConversion result = convert(doc);
    EXPECT_EQ(result.failure, "Document is damaged: story 0 lies beyond the end of the file");
}

TEST(Loading, ChunkRunningPastItsStoryEndsTheStory) {
    DocumentBuilder doc = quietDocument();
    doc.style(1, StyleSpec{"Some"});
    Bytes payload(16, 0);
    TextSpec text;
    text.chunk(5, payload);
    doc.textStory(text);
    BuiltDocument built = doc.build();
    // The story's only chunk claims 0x100 bytes of a 24-byte story.
    std::size_t chunkAt = built.image.size();
    Bytes file = built.singleFile;
    file[chunkAt + 6] = 1;
    TempDir dir;
    write_file(dir.file("Doc.bc5"), file);
    FolioConversion result = convertPath(dir, dir.file("Doc.bc5"));
    EXPECT_TRUE(result.succeeded);
    EXPECT_EQ(result.failure, "");
}

TEST(Loading, ContentsRecordShorterThanItsHeaderIsDamage) {
    DocumentBuilder doc = quietDocument();
    RecordSpec bad = textFrame(FrameSpec{});
    bad.length = 4;
    doc.mainRecord(bad);
    FolioConversion result = convert(doc);
    EXPECT_EQ(result.failure.rfind("Document is damaged: contents record at 0x", 0), 0u) << result.failure;
}

TEST(Loading, UnknownRecordTypeAndPassedLimit) {
    DocumentBuilder unknown = quietDocument();
    unknown.mainRecord(record(9, Bytes(8, 0)));
    EXPECT_EQ(convert(unknown).failure, "Unknown frame type");

    DocumentBuilder passed = quietDocument();
    passed.mainRecord(page(0, 0, 100, 100, 0));
    BuiltDocument built = passed.build();
    std::uint32_t mainStart = built.image[356] | built.image[357] << 8 | built.image[358] << 16;
    passed.header(360, mainStart + 10); // the end falls inside the page record
    EXPECT_EQ(convert(passed).failure, "frame pointer passed contents limit");
}

TEST(Loading, ObjectNumbersOfMasterCopies) {
    folio::resetRun();
    folio::gRun.image.assign(1000, 0);
    folio::gRun.chapterOrdinal = 0;
    EXPECT_EQ(folio::objectNumber(0x1f4, folio::Numbering::plain), 0x1f4u);
    EXPECT_EQ(folio::objectNumber(0x1f4, folio::Numbering::chapterCopy), 0x1f4u);
    folio::gRun.chapterOrdinal = 1;
    EXPECT_EQ(folio::objectNumber(0x1f4, folio::Numbering::chapterCopy), 0x1f4u + 1000u);
    EXPECT_EQ(folio::objectNumber(0x1f4, folio::Numbering::plain), 0x1f4u);
    folio::resetRun();
}

} // namespace
