// The story writer: one text story as a DDL "story" object, its text as
// quoted runs and its control codes as attributes.
#pragma once

#include "ddl/ddl_output.h"
#include "folio/document.h"

#include <cstdint>

namespace folio {

// Writes the story of text frame `frame` (its story index is 0 or more),
// named after the frame.
void writeStory(ddl::DdlOutput &out, const FrameRef &frame, PageKind kind);

} // namespace folio
