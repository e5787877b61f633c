// The loaded document image and the run state of a Folioload run.
//
// The document's main data (the single document file, or "!DocData.d87" of a
// document directory) is read into one block, `gRun.image`; everything else
// reaches the document through byte offsets into it. The document is
// untrusted: every read goes through the bounded helpers below, which stop the
// run with "Document is damaged: <what> at 0x<offset> lies outside the
// document" instead of reading out of bounds.
#pragma once

#include "framework/bytes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace folio {

// Document header: 380 bytes of little-endian words at these offsets.
inline constexpr std::uint32_t kHeaderLength = 380;
inline constexpr std::int32_t kOldestVersion = 28;
enum HeaderField : std::uint32_t {
    kHeaderVersion = 8,
    kHeaderColourTableStart = 276,
    kHeaderColourTableEnd = 288,
    kHeaderStyleTable = 292,
    kHeaderNumberTableStart = 308,
    kHeaderNumberTableEnd = 312,
    kHeaderStoryDirectory = 328,
    kHeaderStoryOffsets = 336,
    kHeaderMasterContentsStart = 344,
    kHeaderMasterContentsEnd = 352,
    kHeaderMainContentsStart = 356,
    kHeaderMainContentsEnd = 360,
    kHeaderDocumentLength = 364,
};

// Paths are built in a buffer of this size (the Windows path limit).
inline constexpr std::size_t kPathBufferSize = 260;

// The state of the one run. Reset at the start of every run (the fuzzer runs
// many in one process).
struct RunState {
    // Input: the document path, and where the document directory path ends in
    // it (directory form), the form, and the open input (single-file form).
    std::string path;
    std::size_t documentPathEnd = 0;
    bool directoryForm = false;
    void *input = nullptr;          // Win32 HANDLE of the single document file
    std::uint64_t inputSize = 0;    // its size in bytes

    std::vector<std::uint8_t> image; // the document's main data

    // Options.
    std::int32_t borderWidth = 0;   // "width:%d" of folioload.txt
    bool noStyleCheck = false;      // "-nostylecheck" given

    // Walk state of the document walk.
    std::int32_t chapterOrdinal = -1;
    std::int32_t chapterNumber = 1;
    std::int32_t pageOriginX = 0;
    std::int32_t pageOriginY = 0;
    std::uint32_t firstMasterPage = 0;   // record offsets, 0 for none
    std::uint32_t secondMasterPage = 0;
    std::uint32_t currentMasterPage = 0;
    std::uint32_t chapterContentsStart = 0;
    std::uint32_t currentChapter = 0;
    // The inline frame ids that the stories' text embeds, ascending: a frame
    // with one of them is written by its story, not by its page.
    std::vector<std::uint32_t> embeddedFrameIds;
};

extern RunState gRun;

// Closes what the previous run left open and starts from a clean state.
void resetRun();

// --- bounded access to the image -------------------------------------------

ByteSpan imageSpan();
std::uint32_t imageSize();

// Stops the run: the document points outside itself.
[[noreturn]] void documentDamaged(const char *what, std::uint64_t at);

// Checks that `length` bytes at `at` lie inside the image, else documentDamaged.
void requireInImage(std::uint64_t at, std::uint64_t length, const char *what);

std::uint8_t imageU8(std::uint64_t at, const char *what);
std::uint16_t imageU16(std::uint64_t at, const char *what);
std::uint32_t imageU32(std::uint64_t at, const char *what);
std::int32_t imageS32(std::uint64_t at, const char *what);
ByteSpan imageBytes(std::uint64_t at, std::uint64_t length, const char *what);

// The NUL-terminated text at `at`, at most `capacity` bytes long (the field's
// size); the text ends at the first NUL or at the end of the field.
std::string imageText(std::uint64_t at, std::uint32_t capacity, const char *what);

// A header word.
std::uint32_t headerWord(HeaderField field);

// --- contents records -------------------------------------------------------

enum RecordType : std::uint8_t {
    kRecordPage = 1,
    kRecordTextFrame = 2,
    kRecordPictureFrame = 3,
    kRecordLinkedTextFrame = 4,
    kRecordNotConverted6 = 6,
    kRecordChapter = 7,
    kRecordGuides = 10,
    kRecordGroup = 11,
    kRecordNotConverted16 = 16,
};

inline constexpr std::uint32_t kRecordHeaderLength = 8;

struct Record {
    std::uint32_t offset = 0; // of the record header in the image
    std::uint8_t type = 0;
    std::uint32_t length = 0; // including the header; 0 ends the list
    std::uint32_t body() const { return offset + kRecordHeaderLength; }
    std::uint32_t next() const { return offset + length; }
    std::uint32_t bodyLength() const { return length - kRecordHeaderLength; }
    bool endsList() const { return length == 0; }
};

// The record at `offset`. Its header must lie inside the image, and a record
// that does not end the list must be at least a header long and lie wholly
// inside the image; otherwise the document is damaged.
Record readRecord(std::uint32_t offset);

// True for the record types that a walk over a whole contents list knows.
bool isKnownRecordType(std::uint8_t type);

// Frame body fields (text, picture and linked text frames; guides and groups
// share the flags, the master object index and the inline frame id).
inline constexpr std::uint32_t kFrameFlags = 20;
inline constexpr std::uint32_t kFrameStoryIndex = 24;
inline constexpr std::uint32_t kFrameOutline = 28;
inline constexpr std::uint32_t kFrameMasterIndex = 44;
inline constexpr std::uint32_t kFrameFillColour = 48;
inline constexpr std::uint32_t kFrameInset = 52;
inline constexpr std::uint32_t kFrameBorderWord = 60;
inline constexpr std::uint32_t kFrameBorderColour = 64;
inline constexpr std::uint32_t kFrameInlineId = 68;
inline constexpr std::uint32_t kFrameGroupWord = 72;

// Frame flags (body offset 20).
inline constexpr std::uint32_t kFlagTextFlow = 1u << 1;
inline constexpr std::uint32_t kFlagFilled = 1u << 2;
inline constexpr std::uint32_t kFlagMasterCopy = 1u << 8;
inline constexpr std::uint32_t kFlagLocked = 1u << 9;
inline constexpr std::uint32_t kFlagGroupMember = 1u << 21;
inline constexpr std::uint32_t kFlagSeparateCopy = 1u << 22;

// A frame record's body and its length, as the frame writers take them.
struct FrameRef {
    std::uint32_t body = 0;
    std::uint32_t length = 0;
};

inline FrameRef frameOf(const Record &record) { return FrameRef{record.body(), record.bodyLength()}; }

// The little-endian word at `offset` of a frame's body; a body too short for
// it is damage.
std::uint32_t frameWord(const FrameRef &frame, std::uint32_t offset);
inline std::int32_t frameInt(const FrameRef &frame, std::uint32_t offset) {
    return static_cast<std::int32_t>(frameWord(frame, offset));
}

// --- object numbers ----------------------------------------------------------

// Where the walk is writing: an ordinary page, or the current chapter's first
// or second master page.
enum class PageKind { ordinary, firstMaster, secondMaster };

// How an object is named: by its record body offset as it stands (objects of
// ordinary pages), or as the current chapter's copy (chapters and the objects
// of master pages; each chapter writes its own copy of its master pages).
enum class Numbering { plain, chapterCopy };

// The number of the object made from the record body at `bodyOffset`: the
// offset itself, or for a chapter copy the offset plus the chapter ordinal
// times the document length. 32-bit arithmetic, as the names are 32-bit hex.
std::uint32_t objectNumber(std::uint32_t bodyOffset, Numbering numbering);

inline Numbering numberingOf(PageKind kind) {
    return kind == PageKind::ordinary ? Numbering::plain : Numbering::chapterCopy;
}
inline std::uint32_t objectNumber(std::uint32_t bodyOffset, PageKind kind) {
    return objectNumber(bodyOffset, numberingOf(kind));
}

} // namespace folio
