// The document walk: chapters with their master pages, pages, and the text
// frames, picture frames, guides and groups on them in stacking order. Stories,
// pictures and text chains are written on the way, at the frame that first
// needs them (story_list.h, pictures.h, story_writer.h).
#pragma once

#include "folio/ddl_output.h"

#include <cstdint>

namespace folio {

// Page kinds: an ordinary page, or the chapter's first or second master page.
inline constexpr int kOrdinaryPage = 0;
inline constexpr int kFirstMasterPage = 1;
inline constexpr int kSecondMasterPage = 2;

// Frame flags (body offset 20).
inline constexpr std::uint32_t kFlagTextFlow = 1u << 1;
inline constexpr std::uint32_t kFlagFilled = 1u << 2;
inline constexpr std::uint32_t kFlagMasterCopy = 1u << 8;
inline constexpr std::uint32_t kFlagLocked = 1u << 9;
inline constexpr std::uint32_t kFlagInText = 1u << 13; // embedded in a story's text, which writes it
inline constexpr std::uint32_t kFlagGroupMember = 1u << 21;
inline constexpr std::uint32_t kFlagSeparateCopy = 1u << 22;

// Frame body fields beyond those every walk reads (document.h).
inline constexpr std::uint32_t kFrameOutline = 28;
inline constexpr std::uint32_t kFrameMasterIndex = 44;
inline constexpr std::uint32_t kFrameInset = 52;
inline constexpr std::uint32_t kFrameBorderWord = 60;
inline constexpr std::uint32_t kFrameInlineId = 68;
inline constexpr std::uint32_t kFrameGroupWord = 72;

// Writes the whole document walk to `out`. Called once per run, after the
// header, the colour section and the styles.
void writeDocumentWalk(ddl::DdlOutput &out);

// A frame record's body and its length, as the frame writers take them.
struct FrameRef {
    std::uint32_t body = 0;
    std::uint32_t length = 0;
};

// The little-endian word at `offset` of a frame's body; a body too short for
// it is damage.
std::uint32_t frameWord(const FrameRef &frame, std::uint32_t offset);
inline std::int32_t frameInt(const FrameRef &frame, std::uint32_t offset) {
    return static_cast<std::int32_t>(frameWord(frame, offset));
}

void writeTextFrame(ddl::DdlOutput &out, const FrameRef &frame, int kind, std::int32_t copy);
void writeLinkedTextFrame(ddl::DdlOutput &out, const FrameRef &frame, int kind, std::int32_t copy);
void writePictureFrame(ddl::DdlOutput &out, const FrameRef &frame, int kind, std::int32_t copy);

// The in-text reference of the frame embedded with inline frame id `inlineId`
// ("{embed TEXT_%x}" and its kin); nothing when no frame matches.
void writeEmbedReference(ddl::DdlOutput &out, std::int32_t copy, std::uint32_t inlineId, int kind);

// Finds the frame embedded with `inlineId` as writeEmbedReference does, and
// writes the frame itself. "Embeded frame not found" when the search passes
// the end of its contents.
void writeEmbeddedFrame(ddl::DdlOutput &out, std::int32_t copy, std::uint32_t inlineId, int kind);

} // namespace folio
