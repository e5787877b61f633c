// Access to the stories of the document: the story directory, the story
// offset table, and `openStory`/`closeStory`, which give a bounded stream over
// one story's data in either document form.
//
// A StoryStream keeps its own file position and seeks before every read, so
// several streams over the one shared input of a single-file document can be
// open at once (a story scan re-enters for the frames embedded in its text)
// without noting and restoring positions. Reads never go past the story's end.
#pragma once

#include "framework/bytes.h"

#include <cstdint>
#include <vector>

namespace folio {

// Story directory entry: 56 bytes.
inline constexpr std::uint32_t kStoryEntryLength = 56;
enum StoryKind : std::uint8_t { kStoryPicture = 1, kStoryText = 2, kStoryChapterMarker = 3 };

struct StoryDirectoryEntry {
    std::uint8_t kind = 0;
    std::uint32_t fileNumber = 0;   // names the story file / Text.d88 chunk
    std::uint32_t fileTypeWord = 0; // picture stories: bits 0-11 file type, 12-23 creator
};

// Number of entries in the story directory: it runs from its header offset
// up to the story offset table.
std::uint32_t storyCount();

// The directory entry of story `index` (0 <= index < storyCount(), else the
// document is damaged).
StoryDirectoryEntry storyDirectoryEntry(std::int32_t index);

// The story's data length from the offset table (entry index+1 minus entry index).
std::uint32_t storyLength(std::int32_t index);

struct StoryStream {
    void *file = nullptr;        // Win32 HANDLE
    bool ownsFile = false;       // directory form: closeStory closes it
    std::int32_t index = -1;
    std::uint64_t position = 0;  // file position of the next byte
    std::uint64_t end = 0;       // file position just past the story's data
};

// Opens story `index` and returns its length in bytes; `entry`, when given,
// receives the directory entry. Failures are fatal with the messages of the
// document form ("Can't open picture story.", "Can't open Text story.", ...).
std::uint32_t openStory(StoryStream &story, std::int32_t index, StoryDirectoryEntry *entry = nullptr);

// Closes the story's file in the directory form; nothing in the single-file form.
void closeStory(StoryStream &story);

inline std::uint64_t storyRemaining(const StoryStream &story) {
    return story.position < story.end ? story.end - story.position : 0;
}

// Reads exactly `count` bytes of the story; a story whose data ends early
// (or past the end of its file) is damaged.
void readStory(StoryStream &story, void *buffer, std::uint32_t count);
std::vector<std::uint8_t> readStoryBytes(StoryStream &story, std::uint32_t count);

// Moves on by `count` bytes, at most to the story's end.
void skipStory(StoryStream &story, std::uint64_t count);

// Story chunks: an 8-byte header whose byte 4 holds the type in its low 3 bits
// and bytes 5-7 the length (header included), then the payload.
inline constexpr std::uint32_t kChunkHeaderLength = 8;
enum ChunkType : std::uint8_t { kChunkFrameList = 2, kChunkText = 5 };

struct ChunkHeader {
    std::uint8_t type = 0;
    std::uint32_t length = 0; // including the header
    std::uint32_t payloadLength() const { return length - kChunkHeaderLength; }
};

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

// Text chunk payloads: 16 bytes not interpreted, then text with control codes.
inline constexpr std::uint32_t kTextStart = 16;

// Control codes that the converter carries over.
enum ControlCode : std::uint8_t {
    kCodeStyleChange = 7,
    kCodeStyleChangeToo = 8,
    kCodeField = 11,
    kCodeParagraphEnd = 13,
    kCodePageBreak = 14,
    kCodeTab = 18,
    kCodeObject = 19,
};

// The object record of code 19, from the aligned position: its length (from
// there), its kind, the inline frame id of an embedded frame, the text of a
// merge field.
inline constexpr std::uint32_t kObjectLength = 0, kObjectKind = 4, kObjectFrameId = 12, kObjectMergeText = 16;
inline constexpr std::uint32_t kObjectFrame = 1, kObjectMerge = 2;

// The payload offset just after the control code at `at` and its arguments,
// never past the payload end and always beyond `at`.
std::uint32_t controlCodeEnd(ByteSpan payload, std::uint32_t at);

// Where a control code's argument words start: the first multiple of 4 above it.
inline std::uint32_t alignedAfter(std::uint32_t at) { return (at | 3u) + 1u; }

// The payload offset of the first control code (a byte below 32) at or after
// `at`, or the payload size when the rest is characters.
std::uint32_t nextControlCode(ByteSpan payload, std::uint32_t at);

// The end of the characters from `at` that go into a text run as they stand:
// the first control code, double quote or backslash before `end`, else `end`.
std::uint32_t plainTextEnd(ByteSpan payload, std::uint32_t at, std::uint32_t end);

// The style slots listed by the style-change code (7 or 8) at `at`: one
// ignored word, then words up to a zero word or the payload end; the low byte
// of each is a slot.
std::vector<std::uint8_t> styleChangeSlots(ByteSpan payload, std::uint32_t at);

} // namespace folio
