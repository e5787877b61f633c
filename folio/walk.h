// The document walk: chapters with their master pages, pages, and the text
// frames, picture frames, guides and groups on them in stacking order. Stories,
// pictures and text chains are written on the way, at the frame that first
// needs them (story_list.h, pictures.h, story_writer.h).
#pragma once

#include "ddl/ddl_output.h"
#include "folio/document.h"

#include <cstdint>

namespace folio {

// Writes the whole document walk to `out`. Called once per run, after the
// header, the colour section and the styles.
void writeDocumentWalk(ddl::DdlOutput &out);

void writeTextFrame(ddl::DdlOutput &out, const FrameRef &frame, PageKind kind, std::int32_t copy);
void writeLinkedTextFrame(ddl::DdlOutput &out, const FrameRef &frame, PageKind kind, std::int32_t copy);
void writePictureFrame(ddl::DdlOutput &out, const FrameRef &frame, PageKind kind, std::int32_t copy);

// The in-text reference of the frame embedded with inline frame id `inlineId`
// ("{embed TEXT_%x}" and its kin); nothing when no frame matches.
void writeEmbedReference(ddl::DdlOutput &out, std::int32_t copy, std::uint32_t inlineId, PageKind kind);

// Finds the frame embedded with `inlineId` as writeEmbedReference does, and
// writes the frame itself. "Embeded frame not found" when the search passes
// the end of its contents.
void writeEmbeddedFrame(ddl::DdlOutput &out, std::int32_t copy, std::uint32_t inlineId, PageKind kind);

} // namespace folio
