// Story access in both document forms: the story directory, picture story
// files found by extension, Text.d88 chunk files, and the chunk walk.
#include "tests/support/folio_harness.h"

#include "folio/document.h"
#include "folio/story.h"

namespace {

using namespace testing_support;

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

class Stories : public testing::Test {
protected:
    TempDir dir;
    void TearDown() override { folio::resetConversion(); }

    // Loads `doc` in the given form; false with the message when loading stops.
    std::string open(const DocumentBuilder &doc, Form form) { return openIn(dir, doc, form); }
    std::string openIn(const TempDir &where, const DocumentBuilder &doc, Form form) {
        std::string path = writeDocument(where, doc, form);
        try {
            folio::openDocument(path.c_str());
        } catch (const ddl::FatalError &failure) {
            return failure.what();
        }
        return "";
    }

    // The whole data of story `index`, or the fatal message.
    std::string storyData(int index) {
        try {
            folio::StoryStream story;
            std::uint32_t length = folio::openStory(story, index);
            Bytes data = folio::readStoryBytes(story, length);
            folio::closeStory(story);
            return std::string(data.begin(), data.end());
        } catch (const ddl::FatalError &failure) {
            return std::string("failure: ") + failure.what();
        }
    }
};

TEST_F(Stories, PictureStoriesInBothForms) {
    for (Form form : {Form::singleFile, Form::directory, Form::commaDirectory}) {
        DocumentBuilder doc = quietDocument();
        doc.chapterMarker();
        int master = doc.pictureStory(bytesOf("master picture"), 0xaff, "drw");
        doc.chapterMarker();
        int first = doc.pictureStory(bytesOf("chapter picture"), 0xaff, "c85");
        int jpeg = doc.pictureStory(bytesOf("jpeg data"), 0xc85, "jpeg", 40);
        doc.mainRecord(chapter(3, 0, 0));
        TempDir fresh;
        ASSERT_EQ(openIn(fresh, doc, form), "");
        EXPECT_EQ(storyData(master), "master picture") << static_cast<int>(form);
        EXPECT_EQ(storyData(first), "chapter picture") << static_cast<int>(form);
        EXPECT_EQ(storyData(jpeg), "jpeg data") << static_cast<int>(form);
        folio::StoryDirectoryEntry entry;
        folio::StoryStream stream;
        folio::openStory(stream, jpeg, &entry);
        folio::closeStory(stream);
        EXPECT_EQ(entry.kind, folio::kStoryPicture);
        EXPECT_EQ(entry.fileNumber, 40u);
        EXPECT_EQ(entry.fileTypeWord, 0xc85u);
    }
}

TEST_F(Stories, DirectoryFormPaths) {
    DocumentBuilder doc = quietDocument();
    int beforeMarkers = doc.pictureStory(bytesOf("first chapter record"), 0xaff);
    doc.chapterMarker();
    doc.chapterMarker();
    doc.chapterMarker();
    int second = doc.pictureStory(bytesOf("second chapter"), 0xaff);
    doc.mainRecord(chapter(5, 0, 0));
    doc.mainRecord(chapter(9, 0, 0));
    ASSERT_EQ(open(doc, Form::directory), "");
    EXPECT_TRUE(std::filesystem::exists(dir.file("Doc/Chapter5/Story1.aff")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("Doc/Chapter9/Story5.aff")));
    EXPECT_EQ(storyData(beforeMarkers), "first chapter record");
    EXPECT_EQ(storyData(second), "second chapter");
}

TEST_F(Stories, MissingPictureAndTextFiles) {
    DocumentBuilder doc = quietDocument();
    doc.chapterMarker();
    int picture = doc.pictureStory(bytesOf("p"), 0xaff);
    int text = doc.textStory(TextSpec{}.text("t"));
    int marker = doc.chapterMarker();
    ASSERT_EQ(open(doc, Form::directory), "");
    ASSERT_TRUE(std::filesystem::remove(dir.file("Doc/MasterChap/Story2.aff")));
    EXPECT_EQ(storyData(picture), "failure: Can't open picture story.");
    ASSERT_TRUE(std::filesystem::remove(dir.file("Doc/MasterChap/Text.d88")));
    EXPECT_EQ(storyData(text), "failure: Can't open Text story.");
    EXPECT_EQ(storyData(marker), "failure: Attempting to open unknown story type.");
    EXPECT_EQ(storyData(99), "failure: Document is damaged: story 99 is not in the story directory");
}

TEST_F(Stories, TextStoriesFromTheirChunkInTextD88) {
    DocumentBuilder doc = quietDocument();
    doc.chapterMarker();
    doc.chapterMarker();
    int one = doc.textStory(TextSpec{}.text("one"));
    int two = doc.textStory(TextSpec{}.text("second story"));
    doc.mainRecord(chapter(1, 0, 0));
    ASSERT_EQ(open(doc, Form::directory), "");
    BuiltDocument built = doc.build();
    std::string expectedTwo(built.singleFile.end() - 36, built.singleFile.end());
    EXPECT_EQ(storyData(two), expectedTwo);
    EXPECT_EQ(storyData(one).substr(24), "one");

    // A Text.d88 without the story's chunk, and one whose chunk is shorter than its header.
    Bytes text = read_file(dir.file("Doc/Chapter1/Text.d88"));
    Bytes firstOnly(text.begin(), text.begin() + 8 + 27);
    write_file(dir.file("Doc/Chapter1/Text.d88"), firstOnly);
    EXPECT_EQ(storyData(two), "failure: Can't text chunk header");
    Bytes looping = text;
    putU32At(looping, 0, 0);
    write_file(dir.file("Doc/Chapter1/Text.d88"), looping);
    EXPECT_EQ(storyData(two),
              "failure: Document is damaged: text chunk at 0x0 of Text.d88 is shorter than its header");
    Bytes farJump = text;
    putU32At(farJump, 0, 0x7fffffff);
    write_file(dir.file("Doc/Chapter1/Text.d88"), farJump);
    EXPECT_EQ(storyData(two), "failure: Can't seek to text chunk header");
}

TEST_F(Stories, ChunkWalkAndControlCodes) {
    DocumentBuilder doc = quietDocument();
    int story = doc.textStory(TextSpec{}.text("ab").styleChange({3, 0x105}).nextChunk().text("c").chunk(6, Bytes(3, 9)));
    ASSERT_EQ(open(doc, Form::singleFile), "");
    folio::StoryChunks reader;
    folio::openStoryChunks(reader, story);
    folio::ChunkHeader chunk;
    ByteSpan text;
    std::vector<std::pair<int, std::uint32_t>> chunks;
    std::vector<std::vector<std::uint8_t>> slots;
    while (folio::nextStoryChunk(reader, chunk, text)) {
        chunks.emplace_back(chunk.type, chunk.length);
        EXPECT_EQ(text.size(), chunk.payloadLength());
        if (chunk.type != folio::kChunkText) continue;
        for (std::uint32_t at = folio::kTextStart; at < text.size(); at = folio::controlCodeEnd(text, at))
            if (text[at] == 8) slots.push_back(folio::styleChangeSlots(text, at));
    }
    folio::closeStory(reader.stream);
    // "ab", code 8 at 18, words from 20: ignored, 3, 0x105, 0.
    EXPECT_EQ(chunks, (std::vector<std::pair<int, std::uint32_t>>{{5, 8 + 36}, {5, 8 + 17}, {6, 8 + 3}}));
    EXPECT_EQ(slots, (std::vector<std::vector<std::uint8_t>>{{3, 5}}));
}

TEST(ControlCodes, ArgumentsAreSkippedWithoutLeavingThePayload) {
    struct Case {
        std::vector<std::uint8_t> payload;
        std::uint32_t at;
        std::uint32_t end;
    };
    auto withWords = [](std::uint8_t code, std::vector<std::uint32_t> words) {
        Bytes bytes{code, 0, 0, 0};
        for (auto w : words) putU32(bytes, w);
        return bytes;
    };
    const Case cases[] = {
        {{'a', 'b'}, 0, 1},
        {withWords(1, {5, 6, 0, 7}), 0, 16},        // a word list up to its zero word
        {withWords(18, {5, 6}), 0, 12},             // or the payload end
        {withWords(8, {0, 9, 0, 1}), 0, 16},        // one word, then the list
        {withWords(11, {0x104, 1}), 0, 8},
        {withWords(21, {1, 2, 3}), 0, 12},
        {withWords(29, {1, 2, 3, 4, 5}), 0, 20},
        {withWords(29, {1}), 0, 8},                 // cut at the payload end
        {withWords(19, {12, 1, 0, 7}), 0, 16},      // object: its own length
        {withWords(19, {0}), 0, 4},                 // a zero length still moves on
        {withWords(19, {0xfffffff0}), 0, 8},        // a huge length stops at the end
        {{19}, 0, 1},
        {{13, 14, 5}, 1, 2},
    };
    for (const Case &c : cases)
        EXPECT_EQ(folio::controlCodeEnd(ByteSpan(c.payload.data(), c.payload.size()), c.at), c.end)
            << int(c.payload[c.at]) << " in " << c.payload.size();
}

// Characters are passed over eight bytes at a time: a stop in any word, at any
// place in it, bytes of 128 and above, and the bounds.
TEST(ControlCodes, CharactersAreSteppedOverToTheNextStop) {
    struct Case {
        std::string text;
        std::uint32_t at, end;
        std::uint32_t control, plain; // nextControlCode(at), plainTextEnd(at, end)
    };
    const Case cases[] = {
        {"abcdefghijklmnopqrst", 0, 20, 20, 20},
        {"abcdefghij\x1fklmnopqrs", 0, 20, 10, 10},
        {"         \x1f", 0, 10, 9, 9},
        {"\xff\x80 !~abcdefgh\x7f\xe0\xa0xyz", 0, 19, 19, 19},
        {"abc\"defghijklmnop\r", 0, 18, 17, 3},
        {"abcdefghijklmn\\opq\r", 2, 19, 18, 14},
        {"abcdefghijklmnopq\"", 0, 12, 18, 12},
        {std::string(1, '\0') + "a", 0, 2, 0, 0},
        {"ab", 16, 2, 16, 16},
    };
    for (const Case &c : cases) {
        ByteSpan text(reinterpret_cast<const std::uint8_t *>(c.text.data()), c.text.size());
        EXPECT_EQ(folio::nextControlCode(text, c.at), c.control) << c.text;
        EXPECT_EQ(folio::plainTextEnd(text, c.at, c.end), c.plain) << c.text;
    }
}

} // namespace
