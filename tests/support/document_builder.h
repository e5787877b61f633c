// Composes Impression documents for tests, in both forms, from a short
// description, so that each test states only what it is about.
//
//     DocumentBuilder doc;
//     doc.colour(processCmyk("Ink", 0, 0, 0, 255));
//     doc.style(1, StyleSpec{"Heading"}.word(kStyleWordTextSize, 200));
//     int story = doc.textStory(TextSpec{}.styleChange({1}).text("Hello").paragraph());
//     doc.masterRecord(page(0, 0, 595000, 842000, 0));
//     doc.mainRecord(chapter(1, 0, 0));
//     doc.mainRecord(page(0, 0, 595000, 842000, 0));
//     doc.mainRecord(textFrame(FrameSpec{}.box(10000, 10000, 200000, 300000).story(story)));
//     doc.writeSingleFile(dir.file("Doc"));          // or doc.writeDirectory(dir.file("Doc"))
//
// Layout of the built image: the 380-byte header, the colour table, the style
// table (255 words) with its records, the number table, the story directory,
// the story offset table, the master contents, the main contents (each list
// closed by a record of length 0). The document length is the image size. In
// the single-file form the stories follow the image in the file; in the
// directory form the image is "!DocData.d87" and the stories are files of
// "MasterChap" and "Chapter<n>".
//
// Records may carry a label; a frame-list chunk names its frame by label and
// the builder puts in the frame's offset once the layout is known (from its
// contents start; in the directory form, frames of ordinary pages count from
// their chapter record, as the converter reads them).
#pragma once

#include "tests/support/files.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// --- colour words (as frames and styles give them) -------------------------
std::uint32_t rgbWord(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
// yellow keeps its top 6 bits (the low 2 bits of the byte hold the model)
std::uint32_t cmykWord(std::uint8_t cyan, std::uint8_t magenta, std::uint8_t yellow, std::uint8_t key);
std::uint32_t hsvWord(std::uint32_t hue, std::uint8_t saturation, std::uint8_t value);
std::uint32_t documentColourWord(std::uint32_t recordIndex);

// --- colour table records (48 bytes each) ----------------------------------
struct ColourRecord {
    std::string name;            // empty: the record is skipped
    std::uint32_t flags = 0;     // bits 0-1 kind (0 spot, 1 process, 2 tint), bit 7 overprint
    std::uint8_t data[4] = {0, 0, 0, 0};
};
ColourRecord spotRgb(std::string name, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
ColourRecord processRgb(std::string name, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
ColourRecord processCmyk(std::string name, std::uint8_t cyan, std::uint8_t magenta, std::uint8_t yellow,
                         std::uint8_t key);
ColourRecord processHsv(std::string name, std::uint32_t hue, std::uint8_t saturation, std::uint8_t value);
ColourRecord tint(std::string name, std::uint32_t baseIndex, std::uint8_t amount);
ColourRecord overprint(ColourRecord record);

// --- styles -----------------------------------------------------------------
// Byte attributes (mask A bits) and word attributes (mask B bits) by meaning.
enum StyleByte : int {
    kStyleByteUnderline = 8, kStyleByteScript = 9, kStyleByteStrikeout = 10, kStyleByteAlign = 11,
    kStyleByteHyphenation = 14, kStyleByteTabDecimal = 16, kStyleByteUnderlineColour = 20,
    kStyleByteBackgroundEnable = 23, kStyleByteBaselineLock = 24, kStyleByteItalic = 26, kStyleByteBold = 27,
    kStyleByteBackgroundSuppress = 28,
};
enum StyleWord : int {
    kStyleWordLeftIndent = 0, kStyleWordRightIndent = 1, kStyleWordFirstIndent = 2, kStyleWordLeading = 5,
    kStyleWordSpaceAfter = 6, kStyleWordSpaceBefore = 7, kStyleWordTextSize = 13, kStyleWordScale = 14,
    kStyleWordTabLeader = 17, kStyleWordFont = 21, kStyleWordTrack = 22, kStyleWordForeground = 24,
    kStyleWordBackground = 25,
};

// One style record: masks, key word, name, and the values of the present
// attributes; the value area is laid out from them at build time (for the
// base style, slot 0, as if every bit were set: absent values are 0).
struct StyleSpec {
    std::string name;
    std::uint32_t maskA = 0, maskB = 0, tabMask = 0;
    std::uint32_t keyWord = 0;
    std::map<int, std::uint8_t> bytes;       // mask A bit -> value
    std::map<int, std::uint32_t> words;      // mask B bit -> value
    std::map<int, std::uint32_t> tabs;       // tab bit -> tab word
    std::string font;                        // 40-byte field (mask B bit 21)
    std::uint32_t foreground = 0, background = 0, underlineColour = 0;
    std::optional<std::vector<std::uint8_t>> rawValueArea; // replaces the laid-out area

    StyleSpec() = default;
    explicit StyleSpec(std::string styleName) : name(std::move(styleName)) {}
    StyleSpec &byte(int bit, std::uint8_t value);       // sets the mask A bit too
    StyleSpec &flag(int bit);                           // mask A bit without meaning a value
    StyleSpec &word(int bit, std::uint32_t value);      // sets the mask B bit too
    StyleSpec &tab(int bit, std::uint8_t type, std::uint32_t position);
    StyleSpec &fontName(std::string fontName);          // mask B bit 21
    StyleSpec &foregroundColour(std::uint32_t word);    // mask B bit 24
    StyleSpec &backgroundColour(std::uint32_t word);    // mask B bit 25
    StyleSpec &underlineColourWord(std::uint32_t word); // mask A bit 20
    StyleSpec &key(std::uint32_t keyCode, bool scope = false);
};

// --- stories ------------------------------------------------------------------
struct Chunk {
    std::uint8_t type = 5;
    std::vector<std::uint8_t> payload;
    std::string frameLabel; // type 2: the payload's first word becomes this frame's offset
};

// The text of a text story, as chunks. Text and codes go into the current
// text chunk; `nextChunk` starts another.
struct TextSpec {
    std::vector<Chunk> chunks;

    TextSpec &text(std::string_view characters);
    TextSpec &code(std::uint8_t controlCode);                             // a code without arguments
    TextSpec &codeWithWords(std::uint8_t controlCode, std::vector<std::uint32_t> words); // words at the aligned position
    TextSpec &styleChange(std::vector<std::uint32_t> slots);              // code 8, one ignored word, list, zero word
    TextSpec &paragraph();                                                // code 13
    TextSpec &pageBreak();                                                // code 14
    TextSpec &tab();                                                      // code 18 with an empty word list
    TextSpec &field(std::uint8_t kind, std::uint32_t identifier);         // code 11
    TextSpec &embeddedFrame(std::uint32_t inlineFrameId);                 // code 19 kind 1
    TextSpec &mergeField(std::string_view text);                          // code 19 kind 2
    TextSpec &nextChunk();
    TextSpec &frameList(std::string frameLabel);                          // a type-2 chunk
    TextSpec &chunk(std::uint8_t type, std::vector<std::uint8_t> payload); // any chunk as given

    std::vector<std::uint8_t> &current();
};

struct StorySpec {
    std::uint8_t kind = 2;            // 1 picture, 2 text, 3 chapter marker
    std::uint32_t fileNumber = 0;     // 0: the builder numbers it
    std::uint32_t fileTypeWord = 0;
    std::vector<std::uint8_t> data;   // the story's bytes (text stories: from `text`)
    std::string extension = "aff";    // picture stories in the directory form
};

// --- contents records ----------------------------------------------------------
struct RecordSpec {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> body;
    std::string label;
    std::optional<std::uint32_t> length; // overrides the record length (damage tests)
    RecordSpec &named(std::string recordLabel);
    RecordSpec &setWord(std::uint32_t bodyOffset, std::uint32_t value);
};

struct FrameSpec {
    std::int32_t left = 0, bottom = 0, right = 0, top = 0;
    std::uint32_t flags = 0;
    std::int32_t storyIndex = -1;
    std::int32_t outline[4] = {0, 0, 0, 0}; // left, bottom, right, top; equal to the box when all 0
    std::uint32_t masterIndex = 0;
    std::uint32_t fillColour = 0;
    std::int32_t insetX = 0, insetY = 0;
    std::uint32_t border = 0xffffffffu;
    std::uint32_t borderColour = 0xffffffffu;
    std::uint32_t inlineId = 0;
    std::uint32_t word72 = 0;
    std::int32_t placement[5] = {0x10000, 0x10000, 0, 0, 0}; // x scale, y scale, x offset, y offset, angle
    std::vector<std::uint8_t> subRecords;  // from body offset 160 (picture frames)

    FrameSpec &box(std::int32_t l, std::int32_t b, std::int32_t r, std::int32_t t);
    FrameSpec &story(std::int32_t index);
    FrameSpec &filled(std::uint32_t colourWord);
    FrameSpec &stacking(std::uint32_t index);
    FrameSpec &flag(std::uint32_t bit);
    FrameSpec &inText(std::uint32_t inlineFrameId); // embedded in a story's text: the id and flag bit 13
};

RecordSpec page(std::int32_t left, std::int32_t bottom, std::int32_t right, std::int32_t top, std::int32_t border);
RecordSpec chapter(std::uint32_t directoryNumber, std::uint32_t masterPage, std::uint32_t flags);
RecordSpec textFrame(const FrameSpec &frame);
RecordSpec pictureFrame(const FrameSpec &frame);
RecordSpec linkedTextFrame(const FrameSpec &frame);
RecordSpec guides(const FrameSpec &frame);
RecordSpec group(std::uint32_t flags, std::uint32_t masterIndex, std::uint32_t inlineId, std::uint32_t groupKey);
RecordSpec record(std::uint8_t type, std::vector<std::uint8_t> body);

// --- the document -------------------------------------------------------------
struct BuiltDocument {
    Bytes image;                          // the main data ("!DocData.d87")
    Bytes singleFile;                     // image followed by the stories
    std::map<std::string, Bytes> files;   // directory form: relative path -> bytes
    std::map<std::string, std::uint32_t> labels; // record label -> record offset in the image
};

struct DocumentBuilder {
    std::int32_t formatVersion = 28;
    std::vector<ColourRecord> colours;
    std::map<int, StyleSpec> styles;       // slot -> style
    std::vector<StorySpec> stories;
    std::vector<RecordSpec> masterContents, mainContents;
    std::vector<std::array<std::uint32_t, 3>> numberEntries;
    std::map<std::uint32_t, std::uint32_t> headerOverrides; // header offset -> word, applied last
    std::map<std::uint32_t, std::uint32_t> imagePatches;    // image offset -> word, applied last
    std::map<int, std::vector<Chunk>> textChunks;           // story index -> chunks of a text story

    // A builder starts with the base style "Normal" in slot 0 and no other.
    DocumentBuilder();

    DocumentBuilder &version(std::int32_t v);
    DocumentBuilder &colour(ColourRecord record);
    DocumentBuilder &style(int slot, StyleSpec described);
    DocumentBuilder &noStyle(int slot);
    int textStory(const TextSpec &text, std::uint32_t fileNumber = 0);
    int pictureStory(Bytes data, std::uint32_t fileTypeWord, std::string extension = "aff",
                     std::uint32_t fileNumber = 0);
    int chapterMarker();
    int story(StorySpec described);
    DocumentBuilder &masterRecord(RecordSpec described);
    DocumentBuilder &mainRecord(RecordSpec described);
    DocumentBuilder &numberEntry(std::uint32_t word0, std::uint32_t word1, std::uint32_t storyIndex);
    DocumentBuilder &header(std::uint32_t offset, std::uint32_t word);
    DocumentBuilder &patch(std::uint32_t imageOffset, std::uint32_t word);

    BuiltDocument build() const;

    // Writes the single document file; returns its path.
    std::string writeSingleFile(const std::string &path) const;
    // Writes the document directory; `suffix` ',' spells file types as RISC OS
    // copies do ("!DocData,d87"), '.' as the converter names them.
    std::string writeDirectory(const std::string &path, char suffix = '.') const;
};

// Little-endian appenders, for tests that compose raw bytes.
void putU32(Bytes &bytes, std::uint32_t value);
void putU32At(Bytes &bytes, std::size_t at, std::uint32_t value);

} // namespace testing_support
