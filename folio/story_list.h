// Stories and text chains: the story scan before a text frame is written (the
// frames a story flows through, and the frames and merge fields embedded in its
// text), the story and its chain after the frame, and the chains of linked
// text frames written at chapter boundaries.
#pragma once

#include "ddl/ddl_output.h"
#include "folio/walk.h"

#include <cstdint>
#include <vector>

namespace folio {

struct StoryFrame {
    std::uint32_t key = 0;  // body offset from the start of the frame's contents
    bool seen = false;
};

struct StoryListEntry {
    std::int32_t story = -1;
    std::vector<StoryFrame> frames;  // in story order: the story's first frame first
    std::int32_t framesSeen = 0;
    std::int32_t firstMerge = 0;     // number of the story's first merge object, 0 for none
    std::int32_t copy = 0;           // raised each time a separate-copy frame shows the story again
};

// Drops every entry and every pending linked-frame chain.
void resetStoryList();

// The entry of story `story`, or null.
const StoryListEntry *storyEntry(std::int32_t story);

void scanStory(ddl::DdlOutput &out, const FrameRef &frame, PageKind kind);
void writeStoryAndChain(ddl::DdlOutput &out, const FrameRef &frame, PageKind kind);
void registerLinkedFrame(const FrameRef &frame, PageKind kind);

// Writes the pending linked-frame chains, named by `numbering`, then empties
// the story list.
void writeLinkedChains(ddl::DdlOutput &out, Numbering numbering);

} // namespace folio
