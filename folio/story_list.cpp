// The story list. A story's own frame list comes from its frame-list chunks;
// the frames of linked-frame chains are gathered apart from it, so that a
// story shown in both kinds of frame neither mixes the two kinds of key nor
// loses its text.
#include "folio/story_list.h"

#include "folio/document.h"
#include "ddl/fatal_error.h"
#include "folio/story.h"
#include "folio/story_writer.h"
#include "folio/styles.h"

#include <algorithm>
#include <map>

namespace folio {
namespace {

using ddl::DdlOutput;

std::map<std::int32_t, StoryListEntry> gStories;
// Linked-frame chains by story: frame body offsets from the image start, ascending.
std::map<std::int32_t, std::vector<std::uint32_t>> gLinkedChains;
// Stories whose scan is under way, innermost last: an embedded frame that leads
// back into one of them would scan without end.
std::vector<std::int32_t> gScanning;

// Embedded frames nest at most this deep (each level holds a chunk in memory).
constexpr std::size_t kMaxScanDepth = 64;


std::uint32_t contentsStart(PageKind kind) {
    return headerWord(kind == PageKind::ordinary ? kHeaderMainContentsStart : kHeaderMasterContentsStart);
}

void writeMergeObject(DdlOutput &out, StoryListEntry &entry, ByteSpan payload, std::uint32_t textAt,
                      std::uint32_t recordEnd) {
    std::string text;
    for (std::uint32_t at = textAt; at < recordEnd && at < payload.size() && payload[at] != 0; ++at)
        text += static_cast<char>(payload[at]);
    std::int32_t number = gMergeCounter;
    ddl::writeFormat(out, "MERGE_%d={merge %d \"%d\" \"{macv=impulse(\\\"%s\\\")}\"}\n", number, number, number,
                     ddl::quoteString(text).c_str());
    if (entry.firstMerge == 0) entry.firstMerge = number;
    gMergeCounter = number + 1;
}

void scanText(DdlOutput &out, std::int32_t story, ByteSpan payload, PageKind kind) {
    for (std::uint32_t at = nextControlCode(payload, kTextStart); at < payload.size();
         at = nextControlCode(payload, controlCodeEnd(payload, at))) {
        if (payload[at] != kCodeObject) continue;
        std::uint32_t record = alignedAfter(at);
        std::uint32_t length = wordOrZero(payload, record + kObjectLength);
        std::uint32_t kind19 = wordOrZero(payload, record + kObjectKind);
        std::uint64_t recordEnd = std::uint64_t{record} + length;
        if (recordEnd > payload.size()) recordEnd = payload.size();
        // The entry is looked up anew: writing an embedded frame adds entries.
        if (kind19 == kObjectFrame) {
            std::int32_t copy = gStories[story].copy;
            writeEmbeddedFrame(out, copy, wordOrZero(payload, record + kObjectFrameId), kind);
        } else if (kind19 == kObjectMerge) {
            writeMergeObject(out, gStories[story], payload, record + kObjectMergeText,
                             static_cast<std::uint32_t>(recordEnd));
        }
    }
}

void scanChunks(DdlOutput &out, std::int32_t story, PageKind kind) {
    StoryChunks chunks;
    openStoryChunks(chunks, story);
    ChunkHeader chunk;
    ByteSpan payload;
    while (nextStoryChunk(chunks, chunk, payload)) {
        if (chunk.type == kChunkFrameList) {
            StoryListEntry &entry = gStories[story];
            std::uint32_t offset = 0;
            if (entry.copy != 0 || !readU32(payload, 0, offset)) continue;
            if (gRun.directoryForm && kind == PageKind::ordinary)
                offset += gRun.currentChapter - headerWord(kHeaderMainContentsStart);
            entry.frames.push_back(StoryFrame{offset + kRecordHeaderLength, false});
        } else if (chunk.type == kChunkText) {
            scanText(out, story, payload, kind);
        }
    }
    closeStory(chunks.stream);
}

} // namespace

void resetStoryList() {
    gStories.clear();
    gLinkedChains.clear();
    gScanning.clear();
}

const StoryListEntry *storyEntry(std::int32_t story) {
    auto found = gStories.find(story);
    return found == gStories.end() ? nullptr : &found->second;
}

void scanStory(DdlOutput &out, const FrameRef &frame, PageKind kind) {
    std::int32_t story = frameInt(frame, kFrameStoryIndex);
    auto found = gStories.find(story);
    if (found != gStories.end()) {
        if (kind != PageKind::ordinary || !(frameWord(frame, kFrameFlags) & kFlagSeparateCopy)) return;
        ++found->second.copy;
    } else {
        gStories[story].story = story;
    }
    if (std::find(gScanning.begin(), gScanning.end(), story) != gScanning.end())
        ddl::fatalErrorFormat("Document is damaged: a frame embedded in story %d leads back into it", story);
    if (gScanning.size() >= kMaxScanDepth)
        ddl::fatalErrorFormat("Document is damaged: frames embedded in story %d nest too deeply", story);
    gScanning.push_back(story);
    scanChunks(out, story, kind);
    gScanning.pop_back();
}

void writeStoryAndChain(DdlOutput &out, const FrameRef &frame, PageKind kind) {
    std::int32_t story = frameInt(frame, kFrameStoryIndex);
    if (story < 0) return;
    if (frameWord(frame, kFrameFlags) & kFlagSeparateCopy) {
        writeStory(out, frame, kind);
        return;
    }
    auto found = gStories.find(story);
    if (found == gStories.end()) ddl::fatalError("Missing story header");
    // Entries are never dropped while a story is written, so the reference holds.
    StoryListEntry &entry = found->second;
    std::uint32_t start = contentsStart(kind);
    std::uint32_t key = frame.body - start;
    auto listed =
        std::find_if(entry.frames.begin(), entry.frames.end(), [key](const StoryFrame &f) { return f.key == key; });
    // A frame shown twice counts once: the story and its chain are written once.
    if (listed == entry.frames.end() || listed->seen) return;
    listed->seen = true;
    bool isFirst = listed == entry.frames.begin();
    ++entry.framesSeen;
    if (isFirst) writeStory(out, frame, kind);
    if (static_cast<std::size_t>(entry.framesSeen) == entry.frames.size() && entry.frames.size() > 1) {
        ddl::writeFormat(out, "CHAIN_%x={textchain\n", objectNumber(frame.body, kind));
        for (const StoryFrame &member : entry.frames)
            ddl::writeFormat(out, " TEXT_%x ", objectNumber(start + member.key, kind));
        ddl::writeText(out, "}\n\n");
    }
}

void registerLinkedFrame(const FrameRef &frame, PageKind kind) {
    std::int32_t story = frameInt(frame, kFrameStoryIndex);
    if (story < 0 && kind == PageKind::ordinary) return;
    if (frameWord(frame, kFrameFlags) & kFlagSeparateCopy) return;
    std::vector<std::uint32_t> &chain = gLinkedChains[story];
    chain.insert(std::upper_bound(chain.begin(), chain.end(), frame.body), frame.body);
}

void writeLinkedChains(DdlOutput &out, Numbering numbering) {
    for (const auto &[story, chain] : gLinkedChains) {
        if (chain.size() < 2) continue;
        ddl::writeFormat(out, "CHAIN_%x={textchain\n", objectNumber(chain.back(), numbering));
        for (std::uint32_t body : chain) ddl::writeFormat(out, " TEXT_%x ", objectNumber(body, numbering));
        ddl::writeText(out, "}\n\n");
    }
    resetStoryList();
}

} // namespace folio
