// The story writer: one text story as a DDL "story" object, its text as
// quoted runs and its control codes as attributes.
#pragma once

#include "folio/ddl_output.h"
#include "folio/story.h"
#include "folio/walk.h"

#include <cstdint>
#include <vector>

namespace folio {

// Writes the story of text frame `frame` (its story index is 0 or more),
// named after the frame.
void writeStory(ddl::DdlOutput &out, const FrameRef &frame, int kind);

// Reads a story's chunks through a buffer, so that a story of many small
// chunks costs a few large reads rather than two per chunk.
struct StoryChunks {
    StoryStream stream;
    std::uint64_t remaining = 0;      // story bytes not yet taken from the buffer or the file
    std::vector<std::uint8_t> buffer; // bytes read ahead, from `at` to `end`
    std::size_t at = 0, end = 0;
};

// Opens story `index` for a chunk walk and gives its length.
std::uint64_t openStoryChunks(StoryChunks &chunks, std::int32_t index);

// The next chunk and its payload (valid until the next call). False at the end
// of the story: fewer than 8 bytes left, a chunk length of 0, or a chunk that
// is shorter than its header or longer than what remains.
bool nextStoryChunk(StoryChunks &chunks, ChunkHeader &chunk, ByteSpan &payload);

} // namespace folio
