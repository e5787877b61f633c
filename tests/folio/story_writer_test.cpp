// The story writer against exact story objects.
#include "tests/support/folio_harness.h"
#include "tests/support/ddl_checker.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

struct Built {
    DocumentBuilder doc;
    std::vector<std::string> frames;  // labels of the frames, one per story
};

// One page; each text becomes a story shown in a frame of its own.
Built storiesOnAPage(const std::vector<TextSpec> &texts) {
    Built built;
    DocumentBuilder &doc = built.doc;
    doc.style(1, StyleSpec{"One"});
    doc.style(2, StyleSpec{"Two"});
    doc.masterRecord(page(0, 0, 600000, 800000, 10000));
    doc.mainRecord(chapter(1, 0, 0));
    doc.mainRecord(page(0, 0, 600000, 800000, 10000));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string label = "f" + std::to_string(i);
        TextSpec text = TextSpec{}.frameList(label);
        text.chunks.insert(text.chunks.end(), texts[i].chunks.begin(), texts[i].chunks.end());
        int story = doc.textStory(text);
        doc.mainRecord(textFrame(standardBox().story(story).stacking(static_cast<std::uint32_t>(i))).named(label));
        built.frames.push_back(label);
    }
    return built;
}

std::string storyObject(const Built &built, const std::string &ddl, std::size_t index = 0) {
    return objectText(ddl, "STORY_" + hex(built.doc.build().labels.at(built.frames[index]) + 8));
}

std::string story(const Built &built, const std::string &body, std::size_t index = 0) {
    return "STORY_" + hex(built.doc.build().labels.at(built.frames[index]) + 8) +
           "={story\n{adduserstyle STYLE_100}\n" + body + "{endoftext}\n}\n\n";
}

struct StoryCase {
    const char *name;
    TextSpec text;
    std::string expected; // the story's body between its base style and {endoftext}
};

// Each text as the one story of a page, against its exact story object.
void expectStories(const std::vector<StoryCase> &cases) {
    for (const auto &c : cases) {
        Built built = storiesOnAPage({c.text});
        auto result = convert(built.doc, {"-nostylecheck"});
        ASSERT_EQ(result.failure, "") << c.name;
        EXPECT_EQ(storyObject(built, result.ddl), story(built, c.expected)) << c.name;
        EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{}) << c.name;
    }
}

TEST(StoryWriter, TextRunsAndControlCodes) {
    std::string hundred(100, 'a');
    const std::vector<StoryCase> cases = {
        {"escapes", TextSpec{}.nextChunk().text("say \"hi\" \\ ok"), "\"say \\\"hi\\\" \\\\ ok\"\n"},
        {"200 characters in runs of 80", TextSpec{}.nextChunk().text(hundred + std::string(100, 'b')),
         "\"" + std::string(80, 'a') + "\"\n\"" + std::string(20, 'a') + std::string(60, 'b') + "\"\n\"" +
             std::string(40, 'b') + "\"\n"},
        {"tabs and fields", TextSpec{}.nextChunk().text("p").tab().field(1, 0).field(2, 0).field(3, 0).text("q"),
         "\"p\"\n{tab}\n{pageno}\n{chapterno}\n\"q\"\n"},
        {"dropped bytes and codes without output",
         TextSpec{}.nextChunk().text("a").code(0).code(30).code(31).code(5).codeWithWords(21, {7, 7}).text("b"),
         "\"ab\"\n"},
        {"characters 128 to 255", TextSpec{}.nextChunk().text("\x80\xa9\xff"), "\"\x80\xa9\xff\"\n"},
        {"styles that do not exist are not written",
         TextSpec{}.nextChunk().styleChange({9}).text("a").styleChange({1}).text("b").styleChange({0x100}),
         "\"a\"\n{adduserstyle STYLE_101}\n\"b\"\n{remuserstyle STYLE_101}\n{adduserstyle STYLE_100}\n"},
    };
    expectStories(cases);
}

// Real documents keep about a paragraph per chunk, and an empty paragraph is a
// chunk holding only a paragraph end: every one of them must give its break.
TEST(StoryWriter, EveryParagraphEndGivesItsBreak) {
    auto emptyParagraphs = [](TextSpec text, int count) {
        for (int i = 0; i < count; ++i) text.nextChunk().paragraph();
        return text;
    };
    auto breaks = [](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += "{newpara}\n";
        return text;
    };
    const TextSpec a = TextSpec{}.nextChunk().text("a").paragraph();
    const std::vector<StoryCase> cases = {
        {"paragraph end before more text", TextSpec{}.nextChunk().text("one").paragraph().text("two"),
         "\"one\"\n{newpara}\n\"two\"\n"},
        {"paragraph end across chunks", TextSpec{}.nextChunk().text("a").paragraph().nextChunk().text("b"),
         "\"a\"\n{newpara}\n\"b\"\n"},
        {"a chunk holding only a paragraph end", TextSpec{}.nextChunk().paragraph().nextChunk().text("b"),
         "{newpara}\n\"b\"\n"},
        {"one empty paragraph", emptyParagraphs(a, 1).nextChunk().text("b"), "\"a\"\n" + breaks(2) + "\"b\"\n"},
        {"two empty paragraphs", emptyParagraphs(a, 2).nextChunk().text("b"), "\"a\"\n" + breaks(3) + "\"b\"\n"},
        {"45 empty paragraphs", emptyParagraphs(a, 45).nextChunk().text("b"), "\"a\"\n" + breaks(46) + "\"b\"\n"},
        {"empty paragraphs in one chunk", TextSpec{}.nextChunk().text("a").paragraph().paragraph().paragraph().text("b"),
         "\"a\"\n" + breaks(3) + "\"b\"\n"},
        {"paragraph end before a style change",
         TextSpec{}.nextChunk().styleChange({1}).text("x").paragraph().styleChange({2, 1}).text("y"),
         "{adduserstyle STYLE_101}\n\"x\"\n{newpara}\n{remuserstyle STYLE_101}\n{adduserstyle STYLE_102}\n"
         "{adduserstyle STYLE_101}\n\"y\"\n"},
        {"empty paragraphs before a style change", emptyParagraphs(a, 2).nextChunk().styleChange({1}).text("b"),
         "\"a\"\n" + breaks(3) + "{adduserstyle STYLE_101}\n\"b\"\n"},
        {"paragraph end before a page break", TextSpec{}.nextChunk().text("a").paragraph().pageBreak().text("b"),
         "\"a\"\n{newpage}\n\"b\"\n"},
        {"paragraph end, then a chunk starting with a page break",
         TextSpec{}.nextChunk().text("a").paragraph().nextChunk().pageBreak().text("b"),
         "\"a\"\n{newpage}\n\"b\"\n"},
        {"empty paragraphs before a page break", emptyParagraphs(a, 2).nextChunk().pageBreak().text("b"),
         "\"a\"\n" + breaks(2) + "{newpage}\n\"b\"\n"},
        {"paragraph end at the end of the story", TextSpec{}.nextChunk().text("end").paragraph(), "\"end\"\n"},
        {"empty paragraphs at the end of the story", emptyParagraphs(a, 2), "\"a\"\n" + breaks(2)},
        {"a story of one empty paragraph", TextSpec{}.nextChunk().paragraph(), ""},
    };
    expectStories(cases);
}

TEST(StoryWriter, MergeFieldsAreNumberedFromTheStorysFirstMergeObject) {
    Built built = storiesOnAPage({TextSpec{}.nextChunk().mergeField("na\"me").mergeField("b"),
                                  TextSpec{}.nextChunk().text("x").mergeField("c").text("y").mergeField("d")});
    auto result = convert(built.doc);
    ASSERT_EQ(result.failure, "");
    EXPECT_EQ(storyObject(built, result.ddl, 0), story(built, "{merge 1}\n{merge 2}\n", 0));
    EXPECT_EQ(storyObject(built, result.ddl, 1), story(built, "\"x\"\n{merge 3}\n\"y\"\n{merge 4}\n", 1));
    EXPECT_NE(result.ddl.find("MERGE_1={merge 1 \"1\" \"{macv=impulse(\\\"na\\\"me\\\")}\"}\n"
                              "MERGE_2={merge 2 \"2\" \"{macv=impulse(\\\"b\\\")}\"}\n"),
              std::string::npos);
    EXPECT_NE(result.ddl.find("MERGE_4={merge 4 \"4\" \"{macv=impulse(\\\"d\\\")}\"}\n"), std::string::npos);
    EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
}

TEST(StoryWriter, NumberedItemsCountFromTheirRestart) {
    Built built = storiesOnAPage({TextSpec{}.nextChunk().field(4, 11).field(4, 12).field(4, 13).field(4, 14).field(4, 99),
                                  TextSpec{}.nextChunk().field(4, 21).field(4, 22)});
    DocumentBuilder &doc = built.doc;
    doc.numberEntry(5u << 1 | 1, 11u << 8, 0);  // restart at 5
    doc.numberEntry(0, 21u << 8, 1);            // the other story's items do not count here
    doc.numberEntry(0, 12u << 8, 0);
    doc.numberEntry(0, 13u << 8, 0);
    doc.numberEntry(0, 14u << 8 | 1, 0);        // kind 1 is not written
    doc.numberEntry(0, 22u << 8, 1);
    auto result = convert(doc);
    ASSERT_EQ(result.failure, "");
    EXPECT_EQ(storyObject(built, result.ddl, 0), story(built, "\"5\"\n\"6\"\n\"7\"\n", 0));
    EXPECT_EQ(storyObject(built, result.ddl, 1), story(built, "\"0\"\n\"1\"\n", 1));
}

TEST(StoryWriter, ShortStoriesWriteNothingAndDamagedChunksEndTheStory) {
    DocumentBuilder doc = documentWithPage();
    int empty = doc.story(StorySpec{2, 0, 0, Bytes{1, 2, 3, 4, 5, 6, 7}, "aff"});
    Bytes damaged;
    // A text chunk holding "ok", then a chunk that claims more than is left.
    Bytes payload(16, 0);
    payload.push_back('o');
    payload.push_back('k');
    putU32(damaged, 0);
    putU32(damaged, 5u | static_cast<std::uint32_t>(payload.size() + 8) << 8);
    damaged.insert(damaged.end(), payload.begin(), payload.end());
    putU32(damaged, 0);
    putU32(damaged, 5u | 1000u << 8);
    putU32(damaged, 0);
    int cut = doc.story(StorySpec{2, 0, 0, damaged, "aff"});
    // Frames that carry their own copy of a story write it without a frame list.
    doc.mainRecord(textFrame(standardBox().story(empty).flag(22)).named("e"));
    doc.mainRecord(textFrame(standardBox().story(cut).flag(22).stacking(1)).named("c"));
    auto result = convert(doc, {"-nostylecheck"});
    ASSERT_EQ(result.failure, "");
    BuiltDocument built = doc.build();
    EXPECT_EQ(result.ddl.find("STORY_" + hex(built.labels.at("e") + 8)), std::string::npos);
    std::string cutNumber = hex(built.labels.at("c") + 8);
    EXPECT_EQ(objectText(result.ddl, "STORY_" + cutNumber),
              "STORY_" + cutNumber + "={story\n{adduserstyle STYLE_100}\n\"ok\"\n{endoftext}\n}\n\n");
}

TEST(StoryWriter, AppliedStyleListsAreBounded) {
    std::vector<std::uint32_t> many(300, 1);
    Built built = storiesOnAPage({TextSpec{}.nextChunk().styleChange(many).text("a").styleChange({2})});
    auto result = convert(built.doc);
    ASSERT_EQ(result.failure, "");
    std::string added, removed;
    for (int i = 0; i < 256; ++i) {
        added += "{adduserstyle STYLE_101}\n";
        removed += "{remuserstyle STYLE_101}\n";
    }
    EXPECT_EQ(storyObject(built, result.ddl), story(built, added + "\"a\"\n" + removed + "{adduserstyle STYLE_102}\n"));
}

TEST(StoryWriter, ChunksLargerThanEightKilobytesAreWrittenWhole) {
    std::string text(9000, 'z');
    Built built = storiesOnAPage({TextSpec{}.nextChunk().text(text)});
    auto result = convert(built.doc);
    ASSERT_EQ(result.failure, "");
    std::string expected;
    for (std::size_t at = 0; at < text.size(); at += 80) expected += "\"" + text.substr(at, 80) + "\"\n";
    EXPECT_EQ(storyObject(built, result.ddl), story(built, expected));
}

} // namespace
