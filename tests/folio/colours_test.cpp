// The colour section: standard colours, the document's colour table with its
// tints, and literal colours of frames and styles.
#include "tests/support/folio_harness.h"

#include "folio/colours.h"
#include "folio/document.h"

namespace {

using namespace testing_support;

std::string colours(const DocumentBuilder &doc) {
    FolioConversion result = convert(doc);
    EXPECT_TRUE(result.succeeded) << result.failure;
    return colourSection(result.ddl);
}

std::string section(const std::string &created) { return "// Colours\n\n" + kStandardColours + created + "\n\n"; }

TEST(Colours, EmptyTableLeavesTheTenStandardColours) { EXPECT_EQ(colours(quietDocument()), section("")); }

TEST(Colours, DocumentColoursOfTheThreeModels) {
    DocumentBuilder doc = quietDocument();
    doc.colour(spotRgb("Sky", 0x80, 0xc0, 0xff));
    doc.colour(processCmyk("Ink", 0xff, 0x00, 0xfd, 0x10));
    doc.colour(overprint(processHsv("Dusk", 300, 0x80, 0xff)));
    doc.colour(spotRgb("", 1, 2, 3)); // no name: skipped
    doc.colour(processRgb("Say \"hi\" \\ now", 0, 0, 0));
    doc.colour(processRgb("A name longer than twenty-three", 0, 0, 0));
    EXPECT_EQ(colours(doc),
              section("COL_20={colour \"Sky\" {rgb 0x8080 0xc0c0 0x10000}{spot 1}{overprintlimit 0xe666}}\n"
                      "COL_21={colour \"Ink\" {cmyk 0x10000 0x0 0xfcfc 0x1010}{overprintlimit 0xe666}}\n"
                      "COL_22={colour \"Dusk\" {hsv 0x12c0000 0x8080 0x10000}{overprint 1}{overprintlimit 0xe666}}\n"
                      "COL_23={colour \"Say \\\"hi\\\" \\\\ now\" {rgb 0x0 0x0 0x0}{overprintlimit 0xe666}}\n"
                      "COL_24={colour \"A name longer than twen\" {rgb 0x0 0x0 0x0}{overprintlimit 0xe666}}\n"));
}

TEST(Colours, DocumentBlackReplacesTheStandardBlack) {
    DocumentBuilder doc = quietDocument();
    doc.colour(processRgb("black", 10, 20, 30));
    doc.colour(overprint(spotRgb("RED", 0, 0, 0)));
    std::string expected = kStandardColours;
    expected.replace(0, expected.find('\n') + 1,
                     "COL_01={colour \"Black\" {rgb 0xa0a 0x1414 0x1e1e}{lock 1}{overprintlimit 0xe666}}\n");
    auto red = expected.find("COL_04");
    expected.replace(red, expected.find('\n', red) + 1 - red,
                     "COL_04={colour \"Red\" {rgb 0x0 0x0 0x0}{spot 1}{overprint 1}{overprintlimit 0xe666}}\n");
    EXPECT_EQ(colours(doc), "// Colours\n\n" + expected + "\n\n");
}

TEST(Colours, TintsResolveAgainstTheirBases) {
    struct Case {
        const char *name;
        std::vector<ColourRecord> table;
        std::string created;
    };
    const Case cases[] = {
        {"tint of a later tint: second pass",
         {processRgb("Base", 0, 0, 0), tint("Light", 2, 64), tint("Mid", 0, 64)},
         "COL_20={colour \"Base\" {rgb 0x0 0x0 0x0}{overprintlimit 0xe666}}\n"
         "COL_21={colour \"Mid\" {rgb 0x8000 0x8000 0x8000}{overprintlimit 0xe666}}\n"
         "COL_22={colour \"Light\" {rgb 0xc000 0xc000 0xc000}{overprintlimit 0xe666}}\n"},
        {"chain in reverse order: three passes",
         {tint("Pale", 1, 64), tint("Mid", 2, 64), processRgb("Base", 0, 0, 0)},
         "COL_20={colour \"Base\" {rgb 0x0 0x0 0x0}{overprintlimit 0xe666}}\n"
         "COL_21={colour \"Mid\" {rgb 0x8000 0x8000 0x8000}{overprintlimit 0xe666}}\n"
         "COL_22={colour \"Pale\" {rgb 0xc000 0xc000 0xc000}{overprintlimit 0xe666}}\n"},
        {"missing bases leave the tint undefined",
         {tint("Ghost", 7, 64), spotRgb("", 0, 0, 0), tint("Orphan", 1, 64), tint("Self", 3, 64)},
         ""},
        {"amount 128 keeps the colour, spot and overprint come from the base",
         {overprint(spotRgb("Sky", 0x80, 0xc0, 0xff)), tint("Same", 0, 128)},
         "COL_20={colour \"Sky\" {rgb 0x8080 0xc0c0 0x10000}{spot 1}{overprint 1}{overprintlimit 0xe666}}\n"
         "COL_21={colour \"Same\" {rgb 0x8080 0xc0c0 0x10000}{spot 1}{overprint 1}{overprintlimit 0xe666}}\n"},
        {"CMYK tints scale every component",
         {processCmyk("Ink", 0xff, 0x80, 0xfc, 0x40), tint("Half", 0, 64)},
         "COL_20={colour \"Ink\" {cmyk 0x10000 0x8080 0xfcfc 0x4040}{overprintlimit 0xe666}}\n"
         "COL_21={colour \"Half\" {cmyk 0x8000 0x4040 0x7e7e 0x2020}{overprintlimit 0xe666}}\n"},
        {"HSV hue of 4000 degrees at amount 255 needs 64 bits",
         {processHsv("Wide", 4000, 0xff, 0x00), tint("More", 0, 255)},
         "COL_20={colour \"Wide\" {hsv 0xfa00000 0x10000 0x0}{overprintlimit 0xe666}}\n"
         "COL_21={colour \"More\" {hsv 0x1f20c000 0x1fe00 0xffff0200}{overprintlimit 0xe666}}\n"},
        {"a tint named like a standard colour keeps its number",
         {processRgb("Base", 0, 0, 0), tint("white", 0, 0)},
         "COL_20={colour \"Base\" {rgb 0x0 0x0 0x0}{overprintlimit 0xe666}}\n"},
    };
    for (const Case &c : cases) {
        DocumentBuilder doc = quietDocument();
        for (const ColourRecord &r : c.table) doc.colour(r);
        std::string expected = section(c.created);
        if (std::string(c.name).find("standard colour") != std::string::npos) {
            auto white = expected.find("COL_02");
            expected.replace(white, expected.find('\n', white) + 1 - white,
                             "COL_02={colour \"white\" {rgb 0x10000 0x10000 0x10000}{overprintlimit 0xe666}}\n");
        }
        EXPECT_EQ(colours(doc), expected) << c.name;
    }
}

TEST(Colours, LiteralColoursOfFramesAreSharedAndDefinedBeforeUse) {
    DocumentBuilder doc = quietDocument();
    FrameSpec orange = FrameSpec{}.box(0, 0, 1000, 1000).filled(rgbWord(0xff, 0x80, 0x00));
    FrameSpec unfilled = FrameSpec{}.box(0, 0, 1000, 1000);
    unfilled.fillColour = rgbWord(1, 2, 3); // not filled: its fill colour is not used
    FrameSpec bordered = FrameSpec{}.box(0, 0, 1000, 1000);
    bordered.borderColour = cmykWord(0, 0, 0xfd, 0);
    FrameSpec masterFrame = FrameSpec{}.box(0, 0, 1000, 1000).filled(hsvWord(300, 0x80, 0xff));
    masterFrame.borderColour = rgbWord(0xff, 0x80, 0x00);
    doc.masterRecord(page(0, 0, 595000, 842000, 0));
    doc.masterRecord(textFrame(masterFrame));
    doc.mainRecord(chapter(1, 0, 0));
    doc.mainRecord(page(0, 0, 595000, 842000, 0));
    doc.mainRecord(textFrame(orange));
    doc.mainRecord(pictureFrame(unfilled));
    doc.mainRecord(linkedTextFrame(bordered));
    doc.mainRecord(pictureFrame(orange));
    doc.mainRecord(guides(orange)); // guides have no colours
    EXPECT_EQ(colours(doc),
              section("COL_20={colour \"RGBFF8000\" {rgb 0x10000 0x8080 0x0}{overprintlimit 0xe666}}\n"
                      "COL_21={colour \"CMYK000000FF\" {cmyk 0x0 0x0 0x10000 0x0}{overprintlimit 0xe666}}\n"
                      "COL_22={colour \"HSV0FC812\" {hsv 0x12c0000 0x8080 0x10000}{overprintlimit 0xe666}}\n"));
}

// colourValueText against a loaded document image.
class ColourValues : public testing::Test {
protected:
    void load(const DocumentBuilder &doc) {
        folio::resetRun();
        folio::resetColours();
        folio::gRun.image = doc.build().image;
        folio::buildColourList();
    }
    void TearDown() override { folio::resetRun(); }
};

TEST_F(ColourValues, NamesTheColourOfAWord) {
    DocumentBuilder doc = quietDocument();
    doc.colour(spotRgb("", 0, 0, 0));
    doc.colour(processRgb("Sky", 0x80, 0xc0, 0xff));
    doc.colour(tint("Unresolved", 9, 64));
    load(doc);
    EXPECT_EQ(folio::colourValueText(documentColourWord(1), 0, false), "COL_20 0x10000 0");
    EXPECT_EQ(folio::colourValueText(documentColourWord(1), 1, false), "COL_20 0x10000 1");
    EXPECT_EQ(folio::colourValueText(documentColourWord(1), 0, true), "COL_03 0x10000 0");
    // No entry for the record (empty name, unresolved tint, beyond the table): the standard Black.
    EXPECT_EQ(folio::colourValueText(documentColourWord(0), 0, false), "COL_01 0x10000 0");
    EXPECT_EQ(folio::colourValueText(documentColourWord(2), 0, false), "COL_01 0x10000 0");
    EXPECT_EQ(folio::colourValueText(documentColourWord(300), 0, false), "COL_01 0x10000 0");
    EXPECT_EQ(folio::colourValueText(rgbWord(1, 2, 3), 0, false), "COL_21 0x10000 0");
    EXPECT_EQ(folio::colourValueText(rgbWord(1, 2, 3), 0, false), "COL_21 0x10000 0");
    EXPECT_EQ(folio::colourValueText(cmykWord(1, 2, 0xff, 4), 0, false), "COL_22 0x10000 0");
    EXPECT_EQ(folio::colourCount(), 13u);
    EXPECT_EQ(folio::colourAt(12).name, "CMYK010204FF");
}

TEST_F(ColourValues, FindColourIgnoresTheCaseOfLettersOnly) {
    load(quietDocument());
    ASSERT_NE(folio::findColour("REGISTRATION"), nullptr);
    EXPECT_EQ(folio::findColour("rEd")->number, 4);
    EXPECT_EQ(folio::findColour("Red "), nullptr);
    folio::addColour("Grün");
    EXPECT_EQ(folio::findColour("GRüN")->number, 0x20);
}

} // namespace
