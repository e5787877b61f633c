// The document walk on built documents: chapters, master pages, pages and
// their frames, each against the exact DDL it must give.
#include "tests/support/folio_harness.h"
#include "tests/support/ddl_checker.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

std::string textFrameText(std::uint32_t number, const std::string &extra = "") {
    return "TEXT_" + hex(number) +
           "={textframe{lock 0} {spread 0}\n{fillcolour COL_03 0x10000 0}\n{radius 0}\n"
           "{columns 1}{gutterwidth 14173}{columnguides 0 {thickness 2834} {colourvalue COL_01 0x10000 0}}\n"
           "{vertalign 0}\n{firstline 1}\n" +
           extra +
           "{inset 0}\n{textflow 3 0 0}\n{fcurve {box {x 100000}\n{y 100000}\n{w 200000}\n{h 300000}\n}}\n"
           "{angle 0x0}\n{skew 0x0}\n}\n\n";
}

// A picture frame with the standard box, its placement and its picture of
// three zero bytes.
std::string pictFrameText(const std::string &name) {
    return name +
           "={pictframe{lock 0} {spread 0}\n{fillcolour COL_03 0x10000 0}\n{radius 0}\n{inset 0}\n{textflow 3 0 0}\n"
           "{fcurve {box {x 100000}\n{y 100000}\n{w 200000}\n{h 300000}\n}}\n{angle 0x0}\n{skew 0x0}\n"
           "{picturedata\n{lockmode 0}\n{aspectlock 1}\n{autoscale 0}\n{hide 0}\n{bottomleft 1}\n{x 0}\n{y 0}\n"
           "{scale 0x10000}\n{aspect 0x10000}\n{angle 0x0}\n{skew 0x0}\n{tile 0 0 0}}\n}\n\n";
}

TEST(Walk, ChapterMasterPagePageAndTextFrameWithItsStory) {
    DocumentBuilder doc = documentWithPage();
    int story = doc.textStory(TextSpec{}.frameList("t1").nextChunk().text("Hello"));
    doc.mainRecord(textFrame(standardBox().story(story)).named("t1"));
    BuiltDocument built = doc.build();
    auto result = convert(doc);
    ASSERT_EQ(result.failure, "");
    std::uint32_t chapter = body(built, "ch"), frame = body(built, "t1");
    EXPECT_EQ(walkText(result.ddl),
              "\nCHAP_" + hex(chapter) +
                  "={chapter {papersize \"A4\" 1 {w 580000} {h 780000}{sideways 0}}\n"
                  "{omitheader 0} {omitfooter 0}\n{chapternumber 1}\n{pagenumberformat 2}\n{startonleft 1}\n}\n\n"
                  "\nPAGE_" + hex(chapter + 1) + "={masterpage {colourvalue COL_02 0x10000 0}}\n\n"
                  "\nPAGE_" + hex(body(built, "p1")) + "={page}\n\n" +
                  textFrameText(frame) +
                  "STORY_" + hex(frame) + "={story\n{adduserstyle STYLE_100}\n\"Hello\"\n{endoftext}\n}\n\n");
    EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
}

TEST(Walk, MissingMasterPageIsFatal) {
    DocumentBuilder doc;
    doc.masterRecord(standardPage("m1"));
    doc.mainRecord(chapter(1, 1, 0));
    doc.mainRecord(standardPage("p1"));
    EXPECT_EQ(convert(doc).failure, "Failed to find master page.");
}

// Master pages are told apart by the master-object copies on the pages that
// follow them: each page's copy refers to its master page's frame.
struct MasterCase {
    const char *name;
    std::int32_t secondTop;
    std::uint32_t chapterFlags;
    std::vector<const char *> expectedMasters;  // master frame label each page's copy refers to
    bool secondWritten;
};

TEST(Walk, MasterPagesAlternateFromTheChaptersSide) {
    const MasterCase cases[] = {
        {"different tops: only the first", kPageTop - 1, 0, {"mf1", "mf1", "mf1"}, false},
        {"side by side: alternate", kPageTop, 0, {"mf1", "mf2", "mf1"}, true},
        {"start on right: second first", kPageTop, 1u << 17, {"mf2", "mf1", "mf2"}, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        DocumentBuilder doc;
        doc.masterRecord(standardPage("m1"));
        FrameSpec masterFrame = standardBox();
        masterFrame.masterIndex = 3;
        doc.masterRecord(textFrame(masterFrame).named("mf1"));
        doc.masterRecord(page(0, 0, kPageRight, c.secondTop, kBorder).named("m2"));
        doc.masterRecord(textFrame(masterFrame).named("mf2"));
        doc.mainRecord(chapter(1, 0, c.chapterFlags).named("ch"));
        for (int p = 0; p < 3; ++p) {
            doc.mainRecord(standardPage(("p" + std::to_string(p)).c_str()));
            FrameSpec copy = standardBox().flag(8);
            copy.masterIndex = 3;
            doc.mainRecord(textFrame(copy).named("c" + std::to_string(p)));
        }
        BuiltDocument built = doc.build();
        auto result = convert(doc);
        ASSERT_EQ(result.failure, "");
        std::uint32_t chapter = body(built, "ch");
        EXPECT_EQ(result.ddl.find("PAGE_" + hex(chapter + 2) + "=") != std::string::npos, c.secondWritten);
        EXPECT_NE(result.ddl.find(c.chapterFlags ? "{startonleft 0}" : "{startonleft 1}"), std::string::npos);
        for (int p = 0; p < 3; ++p) {
            std::uint32_t copyNumber = body(built, "c" + std::to_string(p));
            EXPECT_EQ(objectText(result.ddl, "TEXT_" + hex(copyNumber)),
                      "TEXT_" + hex(copyNumber) + "={textframe\n{master TEXT_" +
                          hex(body(built, c.expectedMasters[static_cast<std::size_t>(p)])) + "}{local 0}\n}\n\n");
        }
        EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
    }
}

TEST(Walk, ChapterNumberingAttributes) {
    struct Case { std::uint32_t flags; const char *expected; };
    const Case cases[] = {
        {0, "{chapternumber 1}\n{pagenumberformat 2}\n{startonleft 1}\n}\n\n"},
        {1u << 16 | 5, "{chapternumber 1}\n{pagenumberformat 2}\n{startonleft 1}\n{pagestartnumber 5}\n}\n\n"},
        {5, "{chapternumber 1}\n{pagenumberformat 2}\n{startonleft 1}\n}\n\n"},
        {1u << 17 | 1u << 16 | 12, "{chapternumber 1}\n{pagenumberformat 2}\n{startonleft 0}\n{pagestartnumber 12}\n}\n\n"},
    };
    for (const auto &c : cases) {
        DocumentBuilder doc = documentWithChapter(c.flags);
        auto result = convert(doc);
        ASSERT_EQ(result.failure, "");
        std::string chapterText = objectText(result.ddl, "CHAP_" + hex(body(doc.build(), "ch")));
        EXPECT_EQ(chapterText.substr(chapterText.find("{chapternumber")), c.expected) << c.flags;
    }
}

TEST(Walk, StackingGapEndsThePage) {
    DocumentBuilder doc = documentWithPage();
    doc.mainRecord(textFrame(standardBox().stacking(3)).named("s3"));
    doc.mainRecord(textFrame(standardBox().stacking(1)).named("s1"));
    doc.mainRecord(textFrame(standardBox().stacking(0)).named("s0"));
    BuiltDocument built = doc.build();
    auto result = convert(doc);
    ASSERT_EQ(result.failure, "");
    std::string walk = walkText(result.ddl);
    std::size_t pageAt = walk.find("\nPAGE_" + hex(body(built, "p1")));
    EXPECT_EQ(walk.substr(pageAt), "\nPAGE_" + hex(body(built, "p1")) + "={page}\n\n" + textFrameText(body(built, "s0")) +
                                       textFrameText(body(built, "s1")));
}

TEST(Walk, BorderSideMasks) {
    struct Case { std::uint32_t border, colour; const char *expected; };
    const Case cases[] = {
        {0xffffffffu, 0xffffffffu, ""},
        {0xff00ffffu, 0xffffffffu,
         "{frameborder \"1_Plain\" {border 1 0x2 {colourvalue COL_01 0x10000 0} {w 0}}{shadow 0 0x3 "
         "{colourvalue COL_01 0x10000 0} {w 5669}}}\n"},
        {0xffffff00u, 0xffffffffu,
         "{frameborder \"1_Plain\" {border 1 0x1 {colourvalue COL_01 0x10000 0} {w 0}}{shadow 0 0x3 "
         "{colourvalue COL_01 0x10000 0} {w 5669}}}\n"},
        {0xffff00ffu, 0xffffffffu,
         "{frameborder \"1_Plain\" {border 1 0x8 {colourvalue COL_01 0x10000 0} {w 0}}{shadow 0 0x3 "
         "{colourvalue COL_01 0x10000 0} {w 5669}}}\n"},
        {0x00ffffffu, 0xffffffffu,
         "{frameborder \"1_Plain\" {border 1 0x4 {colourvalue COL_01 0x10000 0} {w 0}}{shadow 0 0x3 "
         "{colourvalue COL_01 0x10000 0} {w 5669}}}\n"},
        {0x01020304u, rgbWord(255, 0, 0),
         "{frameborder \"1_Plain\" {border 1 0xf {colourvalue COL_21 0x10000 0} {w 0}}{shadow 0 0x3 "
         "{colourvalue COL_01 0x10000 0} {w 5669}}}\n"},
    };
    for (const auto &c : cases) {
        FrameSpec frame = standardBox();
        frame.border = c.border;
        frame.borderColour = c.colour;
        DocumentBuilder doc = pageWithFrame(textFrame(frame).named("f"));
        auto result = convert(doc);
        ASSERT_EQ(result.failure, "");
        std::uint32_t number = body(doc.build(), "f");
        std::string text = textFrameText(number);
        text.insert(text.find("{inset"), c.expected);
        EXPECT_EQ(objectText(result.ddl, "TEXT_" + hex(number)), text) << std::hex << c.border;
        EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
    }
}

TEST(Walk, BorderWidthComesFromTheSettingsFile) {
    FrameSpec frame = standardBox();
    frame.border = 0;
    DocumentBuilder doc = pageWithFrame(textFrame(frame));
    TempDir dir;
    write_text(dir.file("folioload.txt"), "width:850");
    auto result = convertPath(dir, doc.writeSingleFile(dir.file("Doc")));
    ASSERT_EQ(result.failure, "");
    EXPECT_NE(result.ddl.find("{border 1 0xf {colourvalue COL_01 0x10000 0} {w 850}}"), std::string::npos);
}

TEST(Walk, InsetsAndOutlineMargins) {
    struct Case {
        std::int32_t insetX, insetY;
        std::int32_t outline[4];
        const char *inset, *textflow, *after;
    };
    const Case cases[] = {
        {0, 0, {0, 0, 0, 0}, "{inset 0}\n", "{textflow 3 0 0}\n", ""},
        {1000, 2000, {0, 0, 0, 0}, "{inset 1000}\n", "{textflow 3 0 0}\n",
         "{icurve {box {x 101000}\n{y 102000}\n{w 198000}\n{h 296000}\n}}\n"},
        {-500, -500, {0, 0, 0, 0}, "{inset 0}\n", "{textflow 3 0 0}\n",
         "{icurve {box {x 99500}\n{y 99500}\n{w 201000}\n{h 301000}\n}}\n"},
        {0, 0, {105000, 385000, 315000, 695000}, "{inset 0}\n", "{textflow 3 0 5000}\n", ""},
        {0, 0, {105000, 380000, 315000, 695000}, "{inset 0}\n", "{textflow 3 0 5000}\n",
         "{ocurve {box {x 95000}\n{y 95000}\n{w 210000}\n{h 315000}\n}}\n"},
        {0, 0, {115000, 385000, 305000, 695000}, "{inset 0}\n", "{textflow 3 0 0}\n",
         "{ocurve {box {x 105000}\n{y 95000}\n{w 190000}\n{h 310000}\n}}\n"},
    };
    for (const auto &c : cases) {
        FrameSpec frame = standardBox();
        frame.insetX = c.insetX;
        frame.insetY = c.insetY;
        for (int i = 0; i < 4; ++i) frame.outline[i] = c.outline[i];
        DocumentBuilder doc = pageWithFrame(textFrame(frame).named("f"));
        auto result = convert(doc);
        ASSERT_EQ(result.failure, "");
        std::uint32_t number = body(doc.build(), "f");
        std::string text = textFrameText(number);
        text.replace(text.find("{inset 0}\n{textflow 3 0 0}\n"), 27, std::string(c.inset) + c.textflow);
        text.insert(text.find("{angle"), c.after);
        EXPECT_EQ(objectText(result.ddl, "TEXT_" + hex(number)), text) << c.insetX << " " << c.outline[0];
    }
}

TEST(Walk, FillColourAndLockAndTextFlow) {
    FrameSpec frame = standardBox().filled(rgbWord(0, 0, 255)).flag(9).flag(1);
    frame.word72 = 1u << 13;
    DocumentBuilder doc = pageWithFrame(textFrame(frame).named("f"));
    auto result = convert(doc);
    ASSERT_EQ(result.failure, "");
    std::uint32_t number = body(doc.build(), "f");
    std::string text = textFrameText(number);
    text.replace(text.find("{lock 0}"), 8, "{lock 1}");
    text.replace(text.find("COL_03 0x10000 0"), 16, "COL_21 0x10000 1");
    text.replace(text.find("{textflow 3 0 0}"), 16, "{textflow 3 1 0}");
    EXPECT_EQ(objectText(result.ddl, "TEXT_" + hex(number)), text);
    EXPECT_NE(result.ddl.find("COL_21={colour \"RGB0000FF\" {rgb 0x0 0x0 0x10000}{overprintlimit 0xe666}}\n"),
              std::string::npos);
}

TEST(Walk, MasterFramesAreNumberedPerChapter) {
    DocumentBuilder doc;
    doc.masterRecord(standardPage("m1"));
    FrameSpec masterFrame = standardBox();
    masterFrame.masterIndex = 1;
    doc.masterRecord(textFrame(masterFrame).named("mf"));
    for (int c = 0; c < 2; ++c) {
        doc.mainRecord(chapter(static_cast<std::uint32_t>(c + 1), 0, 0).named("ch" + std::to_string(c)));
        doc.mainRecord(standardPage(("p" + std::to_string(c)).c_str()));
        FrameSpec copy = standardBox().flag(8);
        copy.masterIndex = 1;
        doc.mainRecord(textFrame(copy).named("c" + std::to_string(c)));
    }
    BuiltDocument built = doc.build();
    std::uint32_t length = static_cast<std::uint32_t>(built.image.size());
    auto result = convert(doc);
    ASSERT_EQ(result.failure, "");
    std::uint32_t master = body(built, "mf");
    for (std::uint32_t c = 0; c < 2; ++c) {
        std::uint32_t chapterNumber = body(built, "ch" + std::to_string(c)) + c * length;
        EXPECT_NE(result.ddl.find("\nCHAP_" + hex(chapterNumber) + "={chapter"), std::string::npos);
        EXPECT_NE(result.ddl.find("{chapternumber " + std::to_string(c + 1) + "}"), std::string::npos);
        EXPECT_EQ(objectText(result.ddl, "TEXT_" + hex(master + c * length)), textFrameText(master + c * length));
        std::uint32_t copy = body(built, "c" + std::to_string(c));
        EXPECT_EQ(objectText(result.ddl, "TEXT_" + hex(copy)),
                  "TEXT_" + hex(copy) + "={textframe\n{master TEXT_" + hex(master + c * length) + "}{local 0}\n}\n\n");
    }
    EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
}

TEST(Walk, MasterObjectSearchThatFindsNothingIsFatal) {
    struct Case { const char *name; bool followingPage; };
    for (const Case &c : {Case{"end of list", false}, Case{"next master page", true}}) {
        DocumentBuilder doc;
        doc.masterRecord(standardPage("m1"));
        if (c.followingPage) doc.masterRecord(page(0, 0, kPageRight, kPageTop - 5, kBorder));
        doc.mainRecord(chapter(1, 0, 0));
        doc.mainRecord(standardPage("p1"));
        FrameSpec copy = standardBox().flag(8);
        copy.masterIndex = 7;
        doc.mainRecord(textFrame(copy));
        EXPECT_EQ(convert(doc).failure, "Index not found") << c.name;
    }
}

TEST(Walk, GuidesWriteFourLines) {
    DocumentBuilder doc;
    doc.masterRecord(standardPage("m1"));
    FrameSpec masterGuides = FrameSpec{}.box(20000, 30000, 580000, 770000);
    masterGuides.masterIndex = 2;
    doc.masterRecord(guides(masterGuides).named("mg"));
    doc.mainRecord(chapter(1, 0, 0));
    doc.mainRecord(standardPage("p1"));
    doc.mainRecord(guides(FrameSpec{}.box(20000, 30000, 580000, 770000).flag(9)).named("g"));
    FrameSpec copy = FrameSpec{}.stacking(1).flag(8);
    copy.masterIndex = 2;
    doc.mainRecord(guides(copy).named("gc"));
    BuiltDocument built = doc.build();
    auto result = convert(doc);
    ASSERT_EQ(result.failure, "");
    std::uint32_t g = body(built, "g"), gc = body(built, "gc"), mg = body(built, "mg");
    std::string walk = walkText(result.ddl);
    std::string expected = "GLINE_" + hex(g) + "={pageguideline{lock 1} {spread 0}\n{x 10000}}\n\n" + "GLINE_" +
                           hex(g + 1) + "={pageguideline{lock 1} {spread 0}\n{x 570000}}\n\n" + "GLINE_" + hex(g + 2) +
                           "={pageguideline{lock 1} {spread 0}\n{y 760000}}\n\n" + "GLINE_" + hex(g + 3) +
                           "={pageguideline{lock 1} {spread 0}\n{y 20000}}\n\n";
    for (std::uint32_t j = 0; j < 4; ++j)
        expected += "GLINE_" + hex(gc + j) + "={pageguideline\n{master GLINE_" + hex(mg + j) + "}{local 0}\n}\n\n";
    EXPECT_EQ(walk.substr(walk.find("GLINE_" + hex(g) + "=")), expected);
    EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
}

TEST(Walk, GroupIsWrittenAfterItsLastMember) {
    DocumentBuilder doc = documentWithPage();
    doc.pictureStory(Bytes{1, 2, 3}, 0xaff);
    FrameSpec member = standardBox().flag(21);
    member.word72 = 5;
    doc.mainRecord(textFrame(FrameSpec(member).stacking(2)).named("a"));
    doc.mainRecord(group(4u << 24, 0, 0, 5).named("grp"));
    doc.mainRecord(pictureFrame(FrameSpec(member).stacking(0).story(0)).named("b"));
    doc.mainRecord(textFrame(standardBox().stacking(1)).named("plain"));
    // A member whose key has no group record on the page writes no group.
    FrameSpec lone = standardBox().flag(21).stacking(3);
    lone.word72 = 9;
    doc.mainRecord(textFrame(lone).named("lone"));
    BuiltDocument built = doc.build();
    auto result = convert(doc);
    ASSERT_EQ(result.failure, "");
    std::string walk = walkText(result.ddl);
    std::string groupText = "\nGROUP_" + hex(body(built, "grp")) + "={group TEXT_" + hex(body(built, "a")) + " PICT_" +
                            hex(body(built, "b")) + "}\n\n";
    std::size_t groupAt = walk.find(groupText);
    ASSERT_NE(groupAt, std::string::npos) << walk;
    EXPECT_EQ(walk.find("\nGROUP_"), groupAt);
    EXPECT_LT(walk.find("TEXT_" + hex(body(built, "a")) + "={textframe"), groupAt);
    EXPECT_LT(groupAt, walk.find("TEXT_" + hex(body(built, "lone")) + "={textframe"));
    EXPECT_EQ(walk.find("\nGROUP_", groupAt + 1), std::string::npos);
    EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
}

TEST(Walk, UnknownRecordTypesAndOverrunningRecordsAreFatal) {
    {
        DocumentBuilder doc = documentWithChapter();
        doc.mainRecord(record(9, Bytes(16, 0)));
        EXPECT_EQ(convert(doc).failure, "Unknown frame type");
    }
    {
        DocumentBuilder doc = documentWithPage();
        BuiltDocument built = doc.build();
        // The main contents end in the middle of the page record.
        doc.header(360, built.labels.at("p1") + 12);
        EXPECT_EQ(convert(doc).failure, "frame pointer passed contents limit");
    }
}

TEST(Walk, RecordsTooShortForTheirFieldsAreDamage) {
    DocumentBuilder doc = documentWithChapter();
    doc.mainRecord(record(1, Bytes(20, 0)).named("short"));
    std::uint32_t offset = doc.build().labels.at("short");
    EXPECT_EQ(convert(doc).failure,
              "Document is damaged: the record at 0x" + hex(offset) + " is too short for its fields");
}

// A story's text finds the frames it embeds by their inline frame id alone,
// whatever their flags hold, and writes them before its own frame; a frame
// whose id no story embeds stands on its page. A separate copy of the story
// writes its embedded frames again under its copy number.
TEST(Walk, EmbeddedFramesAreFoundByTheirInlineId) {
    struct Case {
        const char *name;
        bool flag13;       // on both frames that carry an inline id
        bool embedsBoth;   // the story embeds ids 7 and 8, else only 7
        bool separateCopy; // a further frame shows the story as a copy of its own
    };
    const Case cases[] = {
        {"flag 13 clear", false, true, false},
        {"flag 13 set", true, true, false},
        {"id 8 embedded by no story", false, false, false},
        {"separate copy", false, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DocumentBuilder doc = documentWithPage();
        int picture = doc.pictureStory(Bytes{0, 0, 0}, 0xaff);
        TextSpec text = TextSpec{}.frameList("t").nextChunk().text("see").embeddedFrame(7).text("and");
        if (c.embedsBoth) text.embeddedFrame(8);
        int story = doc.textStory(text);
        doc.mainRecord(textFrame(standardBox().story(story)).named("t"));
        FrameSpec inPicture = standardBox().story(picture).stacking(1), inText = standardBox().stacking(2);
        inPicture.inlineId = 7;
        inText.inlineId = 8;
        if (c.flag13) inPicture.flag(13), inText.flag(13);
        doc.mainRecord(pictureFrame(inPicture).named("pe"));
        doc.mainRecord(textFrame(inText).named("te"));
        if (c.separateCopy) doc.mainRecord(textFrame(standardBox().story(story).flag(22).stacking(3)).named("cp"));
        BuiltDocument built = doc.build();
        auto result = convert(doc);
        ASSERT_EQ(result.failure, "");

        std::string t = hex(body(built, "t")), pe = hex(body(built, "pe"));
        std::uint32_t te = body(built, "te");
        auto storyText = [&](const std::string &name, const std::string &copy) {
            return name + "={story\n{adduserstyle STYLE_100}\n\"see\"\n{embed PICT_" + copy + pe + "}\n\"and\"\n" +
                   (c.embedsBoth ? "{embed TEXT_" + copy + hex(te) + "}\n" : "") + "{endoftext}\n}\n\n";
        };
        std::string expected = pictFrameText("PICT_" + pe) + "PICTURE_" + pe + "={picture\n{data \"Draw\"\n3\n\"####\"\n}\n}\n";
        if (c.embedsBoth) expected += textFrameText(te);
        expected += textFrameText(body(built, "t")) + storyText("STORY_" + t, "");
        if (!c.embedsBoth) expected += textFrameText(te);
        if (c.separateCopy)
            expected += pictFrameText("PICT_1_" + pe) + "PICTURE_1_" + pe + "=PICTURE_" + pe + "\n" + "TEXT_1_" +
                        textFrameText(te).substr(5) + textFrameText(body(built, "cp")) +
                        storyText("STORY_1_" + hex(body(built, "cp")), "1_");
        std::string walk = walkText(result.ddl);
        EXPECT_EQ(walk.substr(walk.find("={page}\n\n") + 9), expected);
        EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
    }
}

// Draw path elements: move and draw carry a point, a curve three.
Bytes outlinePath(std::vector<std::uint32_t> words) {
    Bytes bytes;
    putU32(bytes, 0x10 << 8 | 7);  // some other sub-record first
    putU32(bytes, 0);
    putU32(bytes, 0);
    putU32(bytes, 0);
    putU32(bytes, static_cast<std::uint32_t>(4 + 4 * words.size()) << 8 | 1);
    for (std::uint32_t w : words) putU32(bytes, w);
    return bytes;
}

TEST(Walk, PictureFrameWithOutlinePathSkipsCurvesWhole) {
    DocumentBuilder doc = documentWithPage();
    int picture = doc.pictureStory(Bytes{'D', 'r', 'a', 'w'}, 0xaff);
    FrameSpec frame = standardBox().story(picture);
    frame.insetX = 100;
    frame.insetY = 200;
    frame.outline[0] = 100000;
    frame.outline[1] = 390000;
    frame.outline[2] = 310000;
    frame.outline[3] = 690000;
    // Move, a curve whose coordinates include the words 2 and 8, draw, close, end.
    frame.subRecords = outlinePath({2, 1000, 2000, 6, 2, 8, 5, 0, 8, 8, 8, static_cast<std::uint32_t>(-3000), 4000, 5, 0});
    doc.mainRecord(pictureFrame(frame).named("pf"));
    auto result = convert(doc);
    ASSERT_EQ(result.failure, "");
    std::uint32_t number = body(doc.build(), "pf");
    EXPECT_EQ(objectText(result.ddl, "PICT_" + hex(number)),
              "PICT_" + hex(number) +
                  "={pictframe{lock 0} {spread 0}\n{fillcolour COL_03 0x10000 0}\n{radius 0}\n{inset 100}\n"
                  "{textflow 3 0 0}\n{fcurve {path \n{move 201000 248000}\n{draw 197000 246000}\n{close}\n{end}\n}}\n"
                  "{icurve {box {x 100100}\n{y 100200}\n{w 199800}\n{h 299600}\n}}\n{angle 0x0}\n{skew 0x0}\n"
                  "{picturedata\n{lockmode 0}\n{aspectlock 1}\n{autoscale 0}\n{hide 0}\n{bottomleft 1}\n{x 0}\n{y 0}\n"
                  "{scale 0x10000}\n{aspect 0x10000}\n{angle 0x0}\n{skew 0x0}\n{tile 0 0 0}}\n}\n\n");
    EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
}

} // namespace
