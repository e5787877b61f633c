// Text chains, linked-frame chains and frames embedded in stories.
#include "tests/support/folio_harness.h"
#include "tests/support/ddl_checker.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

std::size_t at(const std::string &ddl, const std::string &text) {
    std::size_t found = ddl.find(text);
    EXPECT_NE(found, std::string::npos) << text;
    return found;
}

TEST(Chains, StoryThroughThreeFramesInAnyPageOrder) {
    struct Case { const char *name; std::vector<std::string> pageOrder; };
    const Case cases[] = {
        {"in order", {"a", "b", "c"}},
        {"last first", {"c", "a", "b"}},
        {"reversed", {"c", "b", "a"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        DocumentBuilder doc;
        int story = doc.textStory(TextSpec{}.frameList("a").nextChunk().text("one").frameList("b").frameList("c"));
        doc.masterRecord(page(0, 0, 600000, 800000, 10000));
        doc.mainRecord(chapter(1, 0, 0));
        for (const std::string &label : c.pageOrder) {
            doc.mainRecord(page(0, 0, 600000, 800000, 10000));
            doc.mainRecord(textFrame(standardBox().story(story)).named(label));
        }
        BuiltDocument built = doc.build();
        auto result = convert(doc);
        ASSERT_EQ(result.failure, "");
        std::string a = hex(body(built, "a")), b = hex(body(built, "b")), last = hex(body(built, c.pageOrder[2]));
        std::string chain = "CHAIN_" + last + "={textchain\n TEXT_" + a + "  TEXT_" + b + "  TEXT_" +
                            hex(body(built, "c")) + " }\n\n";
        EXPECT_EQ(objectText(result.ddl, "CHAIN_" + last), chain);
        // The story follows its first frame; the chain follows the frame that completes the set.
        EXPECT_LT(at(result.ddl, "TEXT_" + a + "={"), at(result.ddl, "STORY_" + a + "={story\n"));
        EXPECT_LT(at(result.ddl, "TEXT_" + last + "={"), at(result.ddl, chain));
        EXPECT_EQ(result.ddl.find("STORY_", result.ddl.find("STORY_" + a) + 1), std::string::npos);
        EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
    }
}

TEST(Chains, SingleFrameWritesNoChain) {
    DocumentBuilder doc = documentWithPage();
    int story = doc.textStory(TextSpec{}.frameList("a").nextChunk().text("one"));
    doc.mainRecord(textFrame(standardBox().story(story)).named("a"));
    auto result = convert(doc);
    ASSERT_EQ(result.failure, "");
    EXPECT_EQ(result.ddl.find("CHAIN_"), std::string::npos);
    EXPECT_NE(result.ddl.find("STORY_" + hex(body(doc.build(), "a")) + "={story"), std::string::npos);
}

TEST(Chains, LinkedFramesAcrossPagesChainAtTheNextChapterOrTheEnd) {
    for (bool secondChapter : {true, false}) {
        SCOPED_TRACE(secondChapter ? "next chapter" : "end of document");
        DocumentBuilder doc = documentWithPage();
        doc.mainRecord(linkedTextFrame(standardBox().story(4)).named("x"));
        doc.mainRecord(page(0, 0, 600000, 800000, 10000));
        doc.mainRecord(linkedTextFrame(standardBox().story(4)).named("y"));
        if (secondChapter) doc.mainRecord(chapter(2, 0, 0).named("ch2"));
        BuiltDocument built = doc.build();
        auto result = convert(doc);
        ASSERT_EQ(result.failure, "");
        std::string x = hex(body(built, "x")), y = hex(body(built, "y"));
        std::string chain = "CHAIN_" + y + "={textchain\n TEXT_" + x + "  TEXT_" + y + " }\n\n";
        if (secondChapter)
            EXPECT_NE(result.ddl.find(chain + "\nCHAP_"), std::string::npos);
        else
            EXPECT_EQ(result.ddl.substr(result.ddl.size() - chain.size()), chain);
        EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
    }
}

TEST(Chains, LinkedFramesOnMasterPagesChainUnderTheChaptersNumbers) {
    DocumentBuilder doc;
    doc.masterRecord(page(0, 0, 600000, 800000, 10000));
    doc.masterRecord(linkedTextFrame(standardBox()).named("m1"));
    doc.masterRecord(linkedTextFrame(standardBox().stacking(1)).named("m2"));
    doc.mainRecord(chapter(1, 0, 0));
    doc.mainRecord(chapter(2, 0, 0));
    BuiltDocument built = doc.build();
    std::uint32_t length = static_cast<std::uint32_t>(built.image.size());
    auto result = convert(doc);
    ASSERT_EQ(result.failure, "");
    for (std::uint32_t c = 0; c < 2; ++c) {
        std::string m1 = hex(body(built, "m1") + c * length), m2 = hex(body(built, "m2") + c * length);
        EXPECT_EQ(objectText(result.ddl, "CHAIN_" + m2), "CHAIN_" + m2 + "={textchain\n TEXT_" + m1 + "  TEXT_" + m2 + " }\n\n");
        EXPECT_NE(objectText(result.ddl, "TEXT_" + m1).find("{autolink 1}\n"), std::string::npos);
    }
    EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
}

TEST(Embedded, FrameThatLeadsBackIntoItsStoryIsFatal) {
    DocumentBuilder doc = documentWithPage();
    int story = doc.textStory(TextSpec{}.frameList("t").nextChunk().embeddedFrame(5));
    doc.mainRecord(textFrame(standardBox().story(story)).named("t"));
    FrameSpec loop = standardBox().story(story).flag(22).stacking(1);
    loop.inText(5);
    doc.mainRecord(textFrame(loop));
    EXPECT_EQ(convert(doc).failure, "Document is damaged: a frame embedded in story 0 leads back into it");
}

TEST(Embedded, FrameMissingBeforeTheEndOfTheContentsIsFatal) {
    DocumentBuilder doc = documentWithPage();
    int story = doc.textStory(TextSpec{}.frameList("t").nextChunk().embeddedFrame(42));
    doc.mainRecord(textFrame(standardBox().story(story)).named("t"));
    BuiltDocument built = doc.build();
    // Without the record of length 0 the search runs into the contents limit.
    doc.header(360, built.labels.at("t") + static_cast<std::uint32_t>(8 + 160));
    EXPECT_EQ(convert(doc).failure, "Embeded frame not found");
}

} // namespace
