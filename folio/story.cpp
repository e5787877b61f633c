#include "folio/story.h"

#include "folio/document.h"
#include "ddl/fatal_error.h"
#include "folio/paths.h"
#include "platform/win32.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace folio {
namespace {

// Picture story files, in the order they are looked for.
constexpr std::array<const char *, 15> kPictureExtensions = {
    "aff", "drw", "spr", "ff9", "c85", "jpg", "jpeg", "d94", "bcf", "d91", "b98", "c37", "b84", "b7d", "b83"};

// Chunk walks read ahead this much at a time.
constexpr std::uint64_t kReadAhead = 64 * 1024;

[[noreturn]] void storyDamaged(std::int32_t index) {
    ddl::fatalErrorFormat("Document is damaged: story %d lies beyond the end of the file", static_cast<int>(index));
}

bool seekTo(void *file, std::uint64_t position) {
    LONG high = static_cast<LONG>(position >> 32);
    DWORD low = SetFilePointer(file, static_cast<LONG>(position & 0xffffffffu), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS);
}

std::uint64_t fileSize(void *file) {
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return 0;
    return static_cast<std::uint64_t>(high) << 32 | low;
}

// The directory number of the chapter folder that holds story `index`: count
// the chapter markers before it; one marker means the master chapter (-1
// here), n+1 markers chapter record n of the main contents.
std::int64_t storyChapterFolder(std::int32_t index) {
    int markers = 0;
    for (std::int32_t i = 0; i < index; ++i)
        if (storyDirectoryEntry(i).kind == kStoryChapterMarker) ++markers;
    int chapter = markers - 1;
    if (chapter == 0) return -1;
    int wanted = chapter < 1 ? 1 : chapter;
    int seen = 0;
    std::uint32_t end = headerWord(kHeaderMainContentsEnd);
    for (std::uint32_t at = headerWord(kHeaderMainContentsStart); at < end;) {
        Record record = readRecord(at);
        if (record.endsList()) break;
        if (record.type == kRecordChapter && ++seen == wanted) return imageU32(record.body() + 4, "chapter record");
        at = record.next();
    }
    return 0;
}

std::string folderPath(std::int64_t folder) {
    std::string path = gRun.path.substr(0, gRun.documentPathEnd);
    if (folder < 0) return path + "\\MasterChap";
    return path + "\\Chapter" + std::to_string(folder);
}

void openPictureStory(StoryStream &story, std::int32_t index, const StoryDirectoryEntry &entry) {
    std::string folder = folderPath(storyChapterFolder(index));
    std::string path;
    for (const char *extension : kPictureExtensions) {
        path = folder + "\\Story" + std::to_string(entry.fileNumber) + "." + extension;
        requirePathFits(path, "Story");
        path = existingSpelling(path);
        if (fileExists(path)) break;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) ddl::fatalError("Can't open picture story.");
    story.file = file;
    story.ownsFile = true;
    story.position = 0;
    story.end = fileSize(file);
}

void openTextStory(StoryStream &story, std::int32_t index, const StoryDirectoryEntry &entry) {
    std::string path = folderPath(storyChapterFolder(index)) + "\\Text.d88";
    requirePathFits(path, "Story");
    path = existingSpelling(path);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) ddl::fatalError("Can't open Text story.");
    story.file = file;
    story.ownsFile = true;
    std::uint64_t size = fileSize(file);
    // Chunks of 8-byte headers (length including the header, story file number)
    // until the story's own; each step moves on by at least a header.
    std::uint64_t position = 0;
    for (;;) {
        std::uint8_t header[8];
        DWORD got = 0;
        if (!seekTo(file, position) || !ReadFile(file, header, 8, &got, nullptr) || got != 8) {
            closeStory(story);
            ddl::fatalError("Can't text chunk header");
        }
        std::uint32_t length = 0, number = 0;
        readU32(ByteSpan(header, 8), 0, length);
        readU32(ByteSpan(header, 8), 4, number);
        if (number == entry.fileNumber) break;
        if (length < 8) {
            closeStory(story);
            ddl::fatalErrorFormat("Document is damaged: text chunk at 0x%llx of Text.d88 is shorter than its header",
                                  static_cast<unsigned long long>(position));
        }
        position += length;
        if (position > size) {
            closeStory(story);
            ddl::fatalError("Can't seek to text chunk header");
        }
    }
    story.position = position + 8;
    std::uint32_t length = storyLength(index);
    if (length > size - story.position) {
        closeStory(story);
        storyDamaged(index);
    }
    story.end = story.position + length;
}

} // namespace

std::uint32_t storyCount() {
    std::uint32_t directory = headerWord(kHeaderStoryDirectory);
    std::uint32_t offsets = headerWord(kHeaderStoryOffsets);
    return offsets > directory ? (offsets - directory) / kStoryEntryLength : 0;
}

StoryDirectoryEntry storyDirectoryEntry(std::int32_t index) {
    if (index < 0 || static_cast<std::uint32_t>(index) >= storyCount())
        ddl::fatalErrorFormat("Document is damaged: story %d is not in the story directory", static_cast<int>(index));
    std::uint64_t at = headerWord(kHeaderStoryDirectory) + static_cast<std::uint64_t>(index) * kStoryEntryLength;
    requireInImage(at, kStoryEntryLength, "story directory");
    StoryDirectoryEntry entry;
    entry.kind = imageU8(at, "story directory");
    entry.fileNumber = imageU32(at + 4, "story directory");
    entry.fileTypeWord = imageU32(at + 32, "story directory");
    return entry;
}

std::uint32_t storyLength(std::int32_t index) {
    std::uint64_t at = headerWord(kHeaderStoryOffsets) + 4ull * static_cast<std::uint32_t>(index);
    std::uint32_t start = imageU32(at, "story offset table");
    std::uint32_t next = imageU32(at + 4, "story offset table");
    if (next < start) storyDamaged(index);
    return next - start;
}

std::uint32_t openStory(StoryStream &story, std::int32_t index, StoryDirectoryEntry *entryOut) {
    StoryDirectoryEntry entry = storyDirectoryEntry(index);
    if (entryOut != nullptr) *entryOut = entry;
    story = StoryStream{};
    story.index = index;
    if (!gRun.directoryForm) {
        if (entry.kind != kStoryPicture && entry.kind != kStoryText)
            ddl::fatalError("Attempting to open unknown story type.");
        std::uint32_t start = imageU32(headerWord(kHeaderStoryOffsets) + 4ull * static_cast<std::uint32_t>(index),
                                       "story offset table");
        std::uint32_t length = storyLength(index);
        if (start > gRun.inputSize || length > gRun.inputSize - start) storyDamaged(index);
        story.file = gRun.input;
        story.position = start;
        story.end = static_cast<std::uint64_t>(start) + length;
        return length;
    }
    if (entry.kind == kStoryPicture) {
        openPictureStory(story, index, entry);
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(story.end, 0xffffffffu));
    }
    if (entry.kind == kStoryText) {
        openTextStory(story, index, entry);
        return static_cast<std::uint32_t>(story.end - story.position);
    }
    ddl::fatalError("Attempting to open unknown story type.");
}

void closeStory(StoryStream &story) {
    if (story.ownsFile && story.file != nullptr) CloseHandle(story.file);
    story.file = nullptr;
    story.ownsFile = false;
}

void readStory(StoryStream &story, void *buffer, std::uint32_t count) {
    if (count == 0) return;
    DWORD got = 0;
    if (count > storyRemaining(story) || !seekTo(story.file, story.position) ||
        !ReadFile(story.file, buffer, count, &got, nullptr) || got != count)
        ddl::fatalErrorFormat("Document is damaged: story %d ends early", static_cast<int>(story.index));
    story.position += count;
}

std::vector<std::uint8_t> readStoryBytes(StoryStream &story, std::uint32_t count) {
    if (count > storyRemaining(story))
        ddl::fatalErrorFormat("Document is damaged: story %d ends early", static_cast<int>(story.index));
    std::vector<std::uint8_t> bytes(count);
    readStory(story, bytes.data(), count);
    return bytes;
}

void skipStory(StoryStream &story, std::uint64_t count) {
    story.position += std::min(count, storyRemaining(story));
}

std::uint64_t openStoryChunks(StoryChunks &chunks, std::int32_t index) {
    chunks.remaining = openStory(chunks.stream, index);
    chunks.at = chunks.end = 0;
    return chunks.remaining;
}

bool nextStoryChunk(StoryChunks &chunks, ChunkHeader &chunk, ByteSpan &payload) {
    std::uint64_t left = chunks.remaining + (chunks.end - chunks.at);
    if (left < kChunkHeaderLength) return false;
    // Make the header at hand, then the whole chunk; the buffer only grows.
    auto need = [&](std::uint64_t count) {
        std::size_t have = chunks.end - chunks.at;
        if (have >= count) return;
        std::copy(chunks.buffer.begin() + static_cast<std::ptrdiff_t>(chunks.at),
                  chunks.buffer.begin() + static_cast<std::ptrdiff_t>(chunks.end), chunks.buffer.begin());
        chunks.at = 0;
        chunks.end = have;
        // At most a chunk (24-bit length) or the read-ahead, so it fits any size_t.
        std::size_t read = static_cast<std::size_t>(
            std::min<std::uint64_t>(chunks.remaining, std::max<std::uint64_t>(count - have, kReadAhead)));
        if (chunks.buffer.size() < have + read) chunks.buffer.resize(have + read);
        readStory(chunks.stream, chunks.buffer.data() + have, static_cast<std::uint32_t>(read));
        chunks.end += read;
        chunks.remaining -= read;
    };
    need(kChunkHeaderLength);
    // Byte 4: the type in its low 3 bits; bytes 5-7: the length.
    std::uint32_t word = wordOrZero(ByteSpan(chunks.buffer.data() + chunks.at, kChunkHeaderLength), 4);
    chunk.type = static_cast<std::uint8_t>(word & 7);
    chunk.length = word >> 8;
    // A damaged length ends the story rather than reading past it.
    if (chunk.length < kChunkHeaderLength || chunk.length > left) return false;
    need(chunk.length);
    payload = ByteSpan(chunks.buffer.data() + chunks.at + kChunkHeaderLength, chunk.payloadLength());
    chunks.at += chunk.length;
    return true;
}

namespace {

// Past a word list starting at `at`: up to and including a zero word, or the payload end.
std::uint32_t wordListEnd(ByteSpan payload, std::uint64_t at) {
    while (fitsIn(payload, at, 4)) {
        std::uint32_t word = wordOrZero(payload, at);
        at += 4;
        if (word == 0) return static_cast<std::uint32_t>(at);
    }
    return static_cast<std::uint32_t>(payload.size());
}

} // namespace

std::uint32_t controlCodeEnd(ByteSpan payload, std::uint32_t at) {
    std::uint64_t end = payload.size();
    std::uint64_t args = alignedAfter(at);
    std::uint64_t next = at + 1ull;
    switch (at < payload.size() ? payload[at] : 0) {
    case 1: case 2: case 18: case 22: case 23: case 24: case 26: next = wordListEnd(payload, args); break;
    case 7: case 8: next = wordListEnd(payload, args + 4); break;
    case 11: next = args + 4; break;
    case 19: {
        std::uint32_t length = 0;
        next = readU32(payload, args, length) ? args + length : end;
        break;
    }
    case 21: next = args + 8; break;
    case 29: next = args + 16; break;
    default: break;
    }
    next = std::min(next, end);
    return static_cast<std::uint32_t>(std::max<std::uint64_t>(next, at + 1ull));
}

namespace {

constexpr std::uint64_t kEachByte = 0x0101010101010101u;

// True when some byte of `word` is below `limit` (at most 128).
constexpr bool anyByteBelow(std::uint64_t word, std::uint64_t limit) {
    return ((word - limit * kEachByte) & ~word & 0x80 * kEachByte) != 0;
}

// The first byte of [at, end) that is a control code, or with `escapedToo`
// also a double quote or a backslash; `end` when there is none. Text is mostly
// characters, so eight bytes are tested at once until a word holds one.
std::uint32_t firstSpecialByte(ByteSpan payload, std::uint32_t at, std::uint32_t end, bool escapedToo) {
    if (at >= end) return at;
    for (; end - at >= 8; at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, payload.data() + at, 8);
        if (anyByteBelow(word, 32)) break;
        if (escapedToo && (anyByteBelow(word ^ '"' * kEachByte, 1) || anyByteBelow(word ^ '\\' * kEachByte, 1))) break;
    }
    for (; at < end; ++at) {
        std::uint8_t byte = payload[at];
        if (byte < 32 || (escapedToo && (byte == '"' || byte == '\\'))) break;
    }
    return at;
}

} // namespace

std::uint32_t nextControlCode(ByteSpan payload, std::uint32_t at) {
    return firstSpecialByte(payload, at, static_cast<std::uint32_t>(payload.size()), false);
}

std::uint32_t plainTextEnd(ByteSpan payload, std::uint32_t at, std::uint32_t end) {
    return firstSpecialByte(payload, at, end, true);
}

std::vector<std::uint8_t> styleChangeSlots(ByteSpan payload, std::uint32_t at) {
    std::vector<std::uint8_t> slots;
    for (std::uint64_t p = alignedAfter(at) + 4ull; fitsIn(payload, p, 4); p += 4) {
        std::uint32_t word = wordOrZero(payload, p);
        if (word == 0) break;
        slots.push_back(static_cast<std::uint8_t>(word & 0xff));
    }
    return slots;
}

} // namespace folio
