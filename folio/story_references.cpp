#include "folio/story_references.h"

#include "folio/story.h"

#include <algorithm>

namespace folio {
namespace {

void readTextChunk(ByteSpan text, StoryReferences &references) {
    for (std::uint32_t at = nextControlCode(text, kTextStart); at < text.size();
         at = nextControlCode(text, controlCodeEnd(text, at))) {
        if (text[at] == kCodeStyleChange || text[at] == kCodeStyleChangeToo) {
            for (std::uint8_t slot : styleChangeSlots(text, at)) references.usedStyleSlots[slot] = true;
        } else if (text[at] == kCodeObject) {
            std::uint32_t record = alignedAfter(at);
            if (wordOrZero(text, record + kObjectKind) == kObjectFrame)
                references.embeddedFrameIds.push_back(wordOrZero(text, record + kObjectFrameId));
        }
    }
}

} // namespace

StoryReferences readStoryReferences() {
    StoryReferences references;
    std::uint32_t count = storyCount();
    for (std::uint32_t i = 0; i < count; ++i) {
        std::int32_t index = static_cast<std::int32_t>(i);
        if (storyDirectoryEntry(index).kind != kStoryText) continue;
        StoryChunks chunks;
        openStoryChunks(chunks, index);
        ChunkHeader chunk;
        ByteSpan payload;
        while (nextStoryChunk(chunks, chunk, payload))
            if (chunk.type == kChunkText) readTextChunk(payload, references);
        closeStory(chunks.stream);
    }
    std::vector<std::uint32_t> &ids = references.embeddedFrameIds;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return references;
}

} // namespace folio
