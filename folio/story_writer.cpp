// The story writer. Text goes out in runs of at most 80 characters; every
// control code that writes something first ends the run, so text and
// attributes stay in reading order. Paragraph ends are counted and written
// just before whatever follows them, each one as its own break: a run of empty
// paragraphs keeps its length. The paragraph end directly before a page break
// or at the very end of the story closes the paragraph there and writes no
// break of its own.
#include "folio/story_writer.h"

#include "folio/document.h"
#include "folio/story.h"
#include "folio/story_list.h"
#include "folio/styles.h"
#include "folio/walk.h"

#include <algorithm>
#include <vector>

namespace folio {
namespace {

using ddl::DdlOutput;

constexpr std::size_t kRunLimit = 80;       // characters of a run, its opening quote included
constexpr std::size_t kMaxAppliedStyles = 256;
constexpr std::uint32_t kNumberEntryLength = 12;

enum FieldKind : std::uint32_t { kFieldPageNumber = 1, kFieldChapterNumber = 2, kFieldNumberedItem = 4 };

struct StoryWriter {
    DdlOutput &out;
    std::int32_t story;
    PageKind kind;
    std::int32_t copy;
    std::int32_t mergeCounter;
    std::string run = "\"";
    std::uint64_t paragraphsPending = 0; // paragraph ends not yet written
    std::vector<std::uint8_t> appliedStyles;
};

void flushRun(StoryWriter &writer) {
    if (writer.run.size() <= 1) return;
    writer.run += "\"\n";
    ddl::writeText(writer.out, writer.run);
    writer.run.assign(1, '"');
}

// Ends the run and writes the held paragraph breaks: the start of anything
// that follows a paragraph end.
void beginOutput(StoryWriter &writer) {
    flushRun(writer);
    for (; writer.paragraphsPending > 0; --writer.paragraphsPending) ddl::writeText(writer.out, "{newpara}\n");
}

// A page break or the end of the story: the last held paragraph end is the
// one that closes the paragraph there, and the others are empty paragraphs.
void closeParagraph(StoryWriter &writer) {
    if (writer.paragraphsPending > 0) --writer.paragraphsPending;
    beginOutput(writer);
}

void changeStyles(StoryWriter &writer, ByteSpan payload, std::uint32_t at) {
    beginOutput(writer);
    for (std::uint8_t slot : writer.appliedStyles)
        if (slot != 0 && styleExists(slot)) ddl::writeFormat(writer.out, "{remuserstyle STYLE_%02x}\n", slot + 256u);
    writer.appliedStyles = styleChangeSlots(payload, at);
    if (writer.appliedStyles.size() > kMaxAppliedStyles) writer.appliedStyles.resize(kMaxAppliedStyles);
    for (std::uint8_t slot : writer.appliedStyles)
        if (styleExists(slot)) ddl::writeFormat(writer.out, "{adduserstyle STYLE_%02x}\n", slot + 256u);
}

// The number a numbered item shows: items of the story counted up to it from
// the nearest restart at or before it.
void writeItemNumber(StoryWriter &writer, std::uint32_t identifier) {
    std::uint32_t start = headerWord(kHeaderNumberTableStart), end = headerWord(kHeaderNumberTableEnd);
    if (end <= start) return;
    std::uint32_t count = (end - start) / kNumberEntryLength;
    requireInImage(start, std::uint64_t{count} * kNumberEntryLength, "number table");
    auto word = [start](std::uint32_t entry, std::uint32_t w) {
        return imageU32(std::uint64_t{start} + std::uint64_t{entry} * kNumberEntryLength + 4 * w, "number table");
    };
    auto inStory = [&](std::uint32_t entry) { return static_cast<std::int32_t>(word(entry, 2)) == writer.story; };
    std::uint32_t found = 0;
    while (found < count && !(inStory(found) && (word(found, 1) >> 8) == identifier)) ++found;
    if (found == count || (word(found, 1) & 0xff) != 0) return;
    std::int64_t number = -1;
    for (std::uint32_t entry = found + 1; entry-- > 0;) {
        if (!inStory(entry)) continue;
        ++number;
        std::uint32_t first = word(entry, 0);
        if (first & 1) {
            number += first >> 1;
            break;
        }
    }
    ddl::writeFormat(writer.out, "\"%d\"\n", static_cast<std::int32_t>(static_cast<std::uint32_t>(number)));
}

void writeField(StoryWriter &writer, std::uint32_t field) {
    switch (field & 0xff) {
    case kFieldPageNumber:
        beginOutput(writer);
        ddl::writeText(writer.out, "{pageno}\n");
        break;
    case kFieldChapterNumber:
        beginOutput(writer);
        ddl::writeText(writer.out, "{chapterno}\n");
        break;
    case kFieldNumberedItem:
        beginOutput(writer);
        writeItemNumber(writer, field >> 8);
        break;
    default:
        break;
    }
}

void writeObject(StoryWriter &writer, ByteSpan payload, std::uint32_t at) {
    std::uint32_t record = alignedAfter(at);
    std::uint32_t object = wordOrZero(payload, record + kObjectKind);
    if (object == kObjectFrame) {
        beginOutput(writer);
        writeEmbedReference(writer.out, writer.copy, wordOrZero(payload, record + kObjectFrameId), writer.kind);
    } else if (object == kObjectMerge) {
        beginOutput(writer);
        ddl::writeFormat(writer.out, "{merge %d}\n", writer.mergeCounter);
        writer.mergeCounter = static_cast<std::int32_t>(static_cast<std::uint32_t>(writer.mergeCounter) + 1u);
    }
}

void writeTextChunk(StoryWriter &writer, ByteSpan payload) {
    for (std::uint32_t at = kTextStart; at < payload.size();) {
        std::uint8_t byte = payload[at];
        if (byte >= 32) {
            if (writer.paragraphsPending > 0) beginOutput(writer);
            if (byte == '"' || byte == '\\') {
                writer.run += '\\';
                writer.run += static_cast<char>(byte);
                ++at;
            } else {
                // Plain characters go in together, up to the end of the run.
                std::size_t end = at + std::min<std::size_t>(payload.size() - at, kRunLimit + 1 - writer.run.size());
                std::uint32_t plain = plainTextEnd(payload, at, static_cast<std::uint32_t>(end));
                writer.run.append(reinterpret_cast<const char *>(payload.data()) + at, plain - at);
                at = plain;
            }
        } else {
            switch (byte) {
            case kCodeStyleChange:
            case kCodeStyleChangeToo:
                changeStyles(writer, payload, at);
                break;
            case kCodeField:
                writeField(writer, wordOrZero(payload, alignedAfter(at)));
                break;
            case kCodeParagraphEnd:
                flushRun(writer);
                ++writer.paragraphsPending;
                break;
            case kCodePageBreak:
                closeParagraph(writer);
                ddl::writeText(writer.out, "{newpage}\n");
                break;
            case kCodeTab:
                beginOutput(writer);
                ddl::writeText(writer.out, "{tab}\n");
                break;
            case kCodeObject:
                writeObject(writer, payload, at);
                break;
            default:
                break;
            }
            at = controlCodeEnd(payload, at);
        }
        if (writer.run.size() > kRunLimit) flushRun(writer);
    }
}

} // namespace

void writeStory(DdlOutput &out, const FrameRef &frame, PageKind kind) {
    std::int32_t story = frameInt(frame, kFrameStoryIndex);
    StoryChunks chunks;
    if (openStoryChunks(chunks, story) < kChunkHeaderLength) {
        closeStory(chunks.stream);
        return;
    }
    const StoryListEntry *entry = storyEntry(story);
    StoryWriter writer{out, story, kind, entry ? entry->copy : 0, entry ? entry->firstMerge : 0, "\"", 0, {}};
    std::uint32_t number = objectNumber(frame.body, kind);
    if (writer.copy != 0)
        ddl::writeFormat(out, "STORY_%x_%x={story\n", static_cast<unsigned>(writer.copy), number);
    else
        ddl::writeFormat(out, "STORY_%x={story\n", number);
    ddl::writeText(out, "{adduserstyle STYLE_100}\n");

    ChunkHeader chunk;
    ByteSpan payload;
    while (nextStoryChunk(chunks, chunk, payload))
        if (chunk.type == kChunkText) writeTextChunk(writer, payload);
    closeParagraph(writer);
    ddl::writeText(out, "{endoftext}\n}\n\n");
    closeStory(chunks.stream);
}

} // namespace folio
