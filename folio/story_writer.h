// The story writer: one text story as a DDL "story" object, its text as
// quoted runs and its control codes as attributes.
#pragma once

#include "folio/ddl_output.h"
#include "folio/story.h"
#include "folio/walk.h"

#include <cstdint>

namespace folio {

// Writes the story of text frame `frame` (its story index is 0 or more),
// named after the frame.
void writeStory(ddl::DdlOutput &out, const FrameRef &frame, int kind);

// Steps the chunk walk of a story: reads the next chunk header while at least
// 8 bytes remain and takes its length off `remaining`. False at the end of
// the story: fewer than 8 bytes left, a chunk length of 0, or a chunk that is
// shorter than its header or longer than what remains.
bool nextStoryChunk(StoryStream &story, std::uint64_t &remaining, ChunkHeader &chunk);

} // namespace folio
