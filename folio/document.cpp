#include "folio/document.h"

#include "ddl/fatal_error.h"
#include "platform/win32.h"

namespace folio {

RunState gRun;

void resetRun() {
    if (gRun.input != nullptr) CloseHandle(gRun.input);
    gRun = RunState{};
}

ByteSpan imageSpan() { return ByteSpan(gRun.image.data(), gRun.image.size()); }

std::uint32_t imageSize() { return static_cast<std::uint32_t>(gRun.image.size()); }

void documentDamaged(const char *what, std::uint64_t at) {
    ddl::fatalErrorFormat("Document is damaged: %s at 0x%llx lies outside the document", what,
                          static_cast<unsigned long long>(at));
}

void requireInImage(std::uint64_t at, std::uint64_t length, const char *what) {
    if (!fitsIn(imageSpan(), at, length)) documentDamaged(what, at);
}

std::uint8_t imageU8(std::uint64_t at, const char *what) {
    std::uint8_t value = 0;
    if (!readU8(imageSpan(), at, value)) documentDamaged(what, at);
    return value;
}

std::uint16_t imageU16(std::uint64_t at, const char *what) {
    std::uint16_t value = 0;
    if (!readU16(imageSpan(), at, value)) documentDamaged(what, at);
    return value;
}

std::uint32_t imageU32(std::uint64_t at, const char *what) {
    std::uint32_t value = 0;
    if (!readU32(imageSpan(), at, value)) documentDamaged(what, at);
    return value;
}

std::int32_t imageS32(std::uint64_t at, const char *what) { return static_cast<std::int32_t>(imageU32(at, what)); }

ByteSpan imageBytes(std::uint64_t at, std::uint64_t length, const char *what) {
    requireInImage(at, length, what);
    return imageSpan().subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(length));
}

std::string imageText(std::uint64_t at, std::uint32_t capacity, const char *what) {
    ByteSpan field = imageBytes(at, capacity, what);
    std::string text;
    for (std::uint8_t c : field) {
        if (c == 0) break;
        text += static_cast<char>(c);
    }
    return text;
}

std::uint32_t headerWord(HeaderField field) { return imageU32(field, "document header"); }

Record readRecord(std::uint32_t offset) {
    requireInImage(offset, kRecordHeaderLength, "contents record");
    Record record;
    record.offset = offset;
    record.type = gRun.image[offset];
    record.length = imageU16(offset + 5u, "contents record");
    if (record.length == 0) return record;
    if (record.length < kRecordHeaderLength) documentDamaged("contents record", offset);
    requireInImage(offset, record.length, "contents record");
    return record;
}

bool isKnownRecordType(std::uint8_t type) {
    switch (type) {
    case kRecordPage:
    case kRecordTextFrame:
    case kRecordPictureFrame:
    case kRecordLinkedTextFrame:
    case kRecordNotConverted6:
    case kRecordChapter:
    case kRecordGuides:
    case kRecordGroup:
    case kRecordNotConverted16: return true;
    default: return false;
    }
}

std::uint32_t frameWord(const FrameRef &frame, std::uint32_t offset) {
    if (offset > frame.length || frame.length - offset < 4)
        ddl::fatalErrorFormat("Document is damaged: the record at 0x%x is too short for its fields",
                              frame.body - kRecordHeaderLength);
    return imageU32(std::uint64_t{frame.body} + offset, "record field");
}

std::uint32_t objectNumber(std::uint32_t bodyOffset, Numbering numbering) {
    if (numbering == Numbering::plain) return bodyOffset;
    return bodyOffset + static_cast<std::uint32_t>(gRun.chapterOrdinal) * imageSize();
}

} // namespace folio
