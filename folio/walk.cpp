// The document walk. Source coordinates are millipoints on the spread with y
// upward; the host wants them from the page's top-left corner inside its
// border, y downward, so every position goes through the current page origin.
// Sums are taken in 64 bits and written as the 32-bit values the host expects.
#include "folio/walk.h"

#include "folio/colours.h"
#include "folio/document.h"
#include "ddl/fatal_error.h"
#include "folio/pictures.h"
#include "folio/story_list.h"

#include <algorithm>
#include <vector>

namespace folio {
namespace {

using ddl::DdlOutput;
using ddl::writeFormat;
using ddl::writeText;

// Page record body.
constexpr std::uint32_t kPageLeft = 4, kPageBottom = 8, kPageRight = 12, kPageTop = 16, kPageBorder = 28;
// Chapter record body.
constexpr std::uint32_t kChapterMasterPage = 8, kChapterFlags = 12;
constexpr std::uint32_t kChapterRestartsNumbering = 1u << 16;
constexpr std::uint32_t kChapterStartsRight = 1u << 17;
// Frame box.
constexpr std::uint32_t kBoxLeft = 4, kBoxBottom = 8, kBoxRight = 12, kBoxTop = 16;
// Picture frame sub-records and the outline path among them.
constexpr std::uint32_t kPictureSubRecords = 160;
constexpr std::uint32_t kOutlinePathType = 1;

std::int32_t wrap(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

std::uint32_t stackingIndex(std::uint32_t flags) { return flags >> 24; }

bool isFrame(std::uint8_t type) {
    return type == kRecordTextFrame || type == kRecordPictureFrame || type == kRecordLinkedTextFrame;
}

// A frame embedded in a story's text is written by that story, and only such
// a frame is found by the story's reference. A frame may carry an inline frame
// id that no story embeds (Draw figures placed on a page of a real document
// do): its page writes it.
bool isInText(const FrameRef &frame) {
    std::uint32_t id = frameWord(frame, kFrameInlineId);
    return id != 0 && std::binary_search(gRun.embeddedFrameIds.begin(), gRun.embeddedFrameIds.end(), id);
}

std::uint32_t contentsEnd(PageKind kind) {
    return headerWord(kind == PageKind::ordinary ? kHeaderMainContentsEnd : kHeaderMasterContentsEnd);
}

// The record at `at` of a list that ends at `limit`; false at the end of the
// list (a record length of 0) or at the limit.
bool recordAt(std::uint32_t at, std::uint32_t limit, Record &record) {
    if (at >= limit) return false;
    record = readRecord(at);
    return !record.endsList();
}

std::int32_t pageWord(const Record &page, std::uint32_t offset) {
    return frameInt(frameOf(page), offset);
}

// The records of the page that starts after `page`: frames, guides, groups and
// type-16 records; any other record ends the page.
std::vector<Record> pageRecords(const Record &page, std::uint32_t limit) {
    std::vector<Record> records;
    Record record;
    for (std::uint32_t at = page.next(); recordAt(at, limit, record); at = record.next()) {
        std::uint8_t type = record.type;
        if (!isFrame(type) && type != kRecordGuides && type != kRecordGroup && type != kRecordNotConverted16) break;
        records.push_back(record);
    }
    return records;
}

struct MasterObject {
    std::uint32_t body = 0;
    std::uint8_t type = 0;
};

// The object of the current master page whose master object index is `index`.
MasterObject findMasterObject(std::uint32_t index) {
    std::uint32_t limit = headerWord(kHeaderMasterContentsEnd);
    if (gRun.currentMasterPage == 0) ddl::fatalError("Index not found");
    Record record = readRecord(gRun.currentMasterPage);
    for (std::uint32_t at = record.next();; at = record.next()) {
        if (!recordAt(at, limit, record)) ddl::fatalError("Index not found");
        switch (record.type) {
        case kRecordTextFrame:
        case kRecordPictureFrame:
        case kRecordLinkedTextFrame:
        case kRecordGuides:
        case kRecordGroup:
            if (((frameWord(frameOf(record), kFrameMasterIndex) >> 8) & 0xff) == index)
                return MasterObject{record.body(), record.type};
            break;
        case kRecordNotConverted16:
            break;
        case kRecordPage:
        case kRecordNotConverted6:
        case kRecordChapter:
            ddl::fatalError("Index not found");
        default:
            ddl::fatalError("Unknown frame type when finding index");
        }
    }
}

MasterObject masterObjectOf(const FrameRef &frame) {
    return findMasterObject((frameWord(frame, kFrameMasterIndex) >> 8) & 0xff);
}

// Writes "PREFIX_%x={type" or "PREFIX_%x_%x={type" for a copy.
void writeFrameName(DdlOutput &out, const char *prefix, const char *type, std::int32_t copy, std::uint32_t number) {
    if (copy != 0)
        writeFormat(out, "%s_%x_%x={%s", prefix, static_cast<unsigned>(copy), number, type);
    else
        writeFormat(out, "%s_%x={%s", prefix, number, type);
}

void writeBox(DdlOutput &out, const char *curve, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
    writeFormat(out, "{%s {box {x %d}\n{y %d}\n{w %d}\n{h %d}\n}}\n", curve, wrap(x), wrap(y), wrap(w), wrap(h));
}

// Tags of the elements of a Draw path.
enum DrawPathTag : std::uint32_t { kPathEnd = 0, kPathMove = 2, kPathClose = 5, kPathBezier = 6, kPathGap = 7, kPathDraw = 8 };

// Words of a Draw path element with this tag, the tag word included.
std::uint32_t drawElementWords(std::uint32_t tag) {
    switch (tag) {
    case kPathMove: case kPathGap: case kPathDraw: return 3; // one point
    case kPathBezier: return 7;                              // three points
    default: return 1; // end, close; unknown words pass on their own
    }
}

void writeOutlinePath(DdlOutput &out, const FrameRef &frame, std::uint32_t start, std::uint32_t end) {
    std::int64_t left = frameInt(frame, kBoxLeft), right = frameInt(frame, kBoxRight);
    std::int64_t bottom = frameInt(frame, kBoxBottom), top = frameInt(frame, kBoxTop);
    std::int64_t centreX = (left + right - 2 * std::int64_t{gRun.pageOriginX}) / 2;
    std::int64_t centreY = (2 * std::int64_t{gRun.pageOriginY} - top - bottom) / 2;
    writeText(out, "{fcurve {path \n");
    for (std::uint32_t at = start; end - at >= 4;) {
        std::uint32_t tag = frameWord(frame, at);
        std::uint32_t words = drawElementWords(tag);
        if (tag == kPathMove || tag == kPathDraw) {
            if (end - at < 12) break;
            std::int64_t dx = frameInt(frame, at + 4), dy = frameInt(frame, at + 8);
            writeFormat(out, tag == kPathMove ? "{move %d %d}\n" : "{draw %d %d}\n", wrap(centreX + dx), wrap(centreY - dy));
        } else if (tag == kPathEnd) {
            writeText(out, "{end}\n");
        } else if (tag == kPathClose) {
            writeText(out, "{close}\n");
        }
        if ((end - at) / 4 < words) break;
        at += words * 4;
    }
    writeText(out, "}}\n");
}

// The outline path sub-record of a picture frame: its first word's offset
// and its end, or false when the frame has none.
bool findOutlinePath(const FrameRef &frame, std::uint32_t &start, std::uint32_t &end) {
    if (frame.length <= kPictureSubRecords) return false;
    for (std::uint32_t at = kPictureSubRecords; frame.length - at >= 4;) {
        std::uint32_t word = frameWord(frame, at);
        std::uint32_t size = word >> 8;
        // A sub-record shorter than its own word would never move on.
        if (size < 4 || size > frame.length - at) return false;
        if ((word & 0xff) == kOutlinePathType) {
            start = at + 4;
            end = at + size;
            return true;
        }
        at += size;
    }
    return false;
}

enum class FrameKind { text, linked, picture };

// The attributes every own frame writes, in their order.
void writeCommonAttributes(DdlOutput &out, const FrameRef &frame, FrameKind frameKind, PageKind kind, bool hasPath,
                           std::uint32_t pathStart, std::uint32_t pathEnd) {
    std::uint32_t flags = frameWord(frame, kFrameFlags);
    bool textual = frameKind != FrameKind::picture;
    writeFormat(out, "{lock %d} {spread 0}\n", (flags & kFlagLocked) ? 1 : 0);
    writeFormat(out, "{fillcolour %s}\n",
                colourValueText(frameWord(frame, kFrameFillColour), (frameWord(frame, kFrameGroupWord) >> 13) & 1,
                                (flags & kFlagFilled) == 0)
                    .c_str());
    writeText(out, "{radius 0}\n");
    if (textual) {
        writeText(out, "{columns 1}{gutterwidth 14173}{columnguides 0 {thickness 2834} "
                       "{colourvalue COL_01 0x10000 0}}\n{vertalign 0}\n{firstline 1}\n");
        if (frameKind == FrameKind::linked && kind != PageKind::ordinary) writeText(out, "{autolink 1}\n");
    }
    std::uint32_t border = frameWord(frame, kFrameBorderWord);
    if (border != 0xffffffffu) {
        auto sideOn = [border](int byte) { return ((border >> (8 * byte)) & 0xff) != 0xff ? 1u : 0u; };
        std::uint32_t mask = sideOn(0) | sideOn(2) << 1 | sideOn(3) << 2 | sideOn(1) << 3;
        std::uint32_t colourWord = frameWord(frame, kFrameBorderColour);
        std::string colour = colourWord == 0xffffffffu ? std::string("COL_01 0x10000 0")
                                                       : colourValueText(colourWord, 0, false);
        writeFormat(out,
                    "{frameborder \"1_Plain\" {border 1 0x%x {colourvalue %s} {w %d}}{shadow 0 0x3 "
                    "{colourvalue COL_01 0x10000 0} {w 5669}}}\n",
                    mask, colour.c_str(), gRun.borderWidth);
    }
    std::int32_t hInset = frameInt(frame, kFrameInset), vInset = frameInt(frame, kFrameInset + 4);
    std::int32_t inset = std::min(hInset, vInset);
    if (textual && inset < 0) inset = 0;
    writeFormat(out, "{inset %d}\n", inset);

    std::int64_t left = frameInt(frame, kBoxLeft), bottom = frameInt(frame, kBoxBottom);
    std::int64_t right = frameInt(frame, kBoxRight), top = frameInt(frame, kBoxTop);
    std::int64_t outlineLeft = frameInt(frame, kFrameOutline), outlineBottom = frameInt(frame, kFrameOutline + 4);
    std::int64_t outlineRight = frameInt(frame, kFrameOutline + 8), outlineTop = frameInt(frame, kFrameOutline + 12);
    std::int32_t leftMargin = wrap(left - outlineLeft), rightMargin = wrap(outlineRight - right);
    std::int32_t topMargin = wrap(outlineTop - top), bottomMargin = wrap(bottom - outlineBottom);
    std::int32_t margin = std::min({leftMargin, rightMargin, topMargin, bottomMargin});
    writeFormat(out, "{textflow 3 %d %d}\n", (flags & kFlagTextFlow) ? 1 : 0, margin < 0 ? 0 : margin);

    std::int64_t originX = gRun.pageOriginX, originY = gRun.pageOriginY;
    if (hasPath)
        writeOutlinePath(out, frame, pathStart, pathEnd);
    else
        writeBox(out, "fcurve", left - originX, originY - top, right - left, top - bottom);
    if (hInset != vInset || (textual && hInset < 0))
        writeBox(out, "icurve", left + hInset - originX, originY - top + vInset, right - left - 2 * std::int64_t{hInset},
                 top - bottom - 2 * std::int64_t{vInset});
    bool marginsDiffer = leftMargin != rightMargin || leftMargin != topMargin || leftMargin != bottomMargin ||
                         leftMargin < 0;
    if (marginsDiffer && !hasPath)
        writeBox(out, "ocurve", outlineLeft - originX, originY - outlineTop, outlineRight - outlineLeft,
                 outlineTop - outlineBottom);
}

void writeGuides(DdlOutput &out, const FrameRef &guides, PageKind kind) {
    std::uint32_t number = objectNumber(guides.body, kind);
    std::uint32_t flags = frameWord(guides, kFrameFlags);
    if (kind == PageKind::ordinary && (flags & kFlagMasterCopy)) {
        std::uint32_t master = objectNumber(masterObjectOf(guides).body, Numbering::chapterCopy);
        for (std::uint32_t j = 0; j < 4; ++j)
            writeFormat(out, "GLINE_%x={pageguideline\n{master GLINE_%x}{local 0}\n}\n\n", number + j, master + j);
        return;
    }
    int lock = (flags & kFlagLocked) ? 1 : 0;
    std::int64_t originX = gRun.pageOriginX, originY = gRun.pageOriginY;
    const struct {
        const char *axis;
        std::int64_t position;
    } lines[4] = {
        {"x", frameInt(guides, kBoxLeft) - originX},
        {"x", frameInt(guides, kBoxRight) - originX},
        {"y", originY - frameInt(guides, kBoxBottom)},
        {"y", originY - frameInt(guides, kBoxTop)},
    };
    for (std::uint32_t j = 0; j < 4; ++j)
        writeFormat(out, "GLINE_%x={pageguideline{lock %d} {spread 0}\n{%s %d}}\n\n", number + j, lock,
                    lines[j].axis, wrap(lines[j].position));
}

std::uint32_t groupKey(const FrameRef &frame) { return frameWord(frame, kFrameGroupWord) & 0xff; }

bool isGroupMember(const Record &record, std::uint32_t key) {
    if (!isFrame(record.type)) return false;
    FrameRef frame = frameOf(record);
    return (frameWord(frame, kFrameFlags) & kFlagGroupMember) && groupKey(frame) == key;
}

// Writes the group with key `key` once its member with the highest stacking
// index, `written`, is on the page.
void writeGroup(DdlOutput &out, const std::vector<Record> &records, std::uint32_t written, std::uint32_t key,
                PageKind kind) {
    const Record *group = nullptr;
    for (const Record &record : records) {
        if (isGroupMember(record, key) && stackingIndex(frameWord(frameOf(record), kFrameFlags)) > written) return;
        if (record.type == kRecordGroup && group == nullptr && groupKey(frameOf(record)) == key) group = &record;
    }
    // Members whose page holds no group record of their key stay ungrouped.
    if (group == nullptr) return;
    FrameRef groupFrame = frameOf(*group);
    writeFormat(out, "\nGROUP_%x={group", objectNumber(groupFrame.body, kind));
    if (kind == PageKind::ordinary && (frameWord(groupFrame, kFrameFlags) & kFlagMasterCopy))
        writeFormat(out, "{master GROUP_%x}{local 0}\n",
                    objectNumber(masterObjectOf(groupFrame).body, Numbering::chapterCopy));
    for (const Record &record : records) {
        if (!isGroupMember(record, key)) continue;
        writeFormat(out, record.type == kRecordPictureFrame ? " PICT_%x" : " TEXT_%x",
                    objectNumber(record.body(), kind));
    }
    writeText(out, "}\n\n");
}

void writePage(DdlOutput &out, const Record &page, PageKind kind) {
    if (kind == PageKind::ordinary) writeFormat(out, "\nPAGE_%x={page}\n\n", page.body());
    std::int64_t border = pageWord(page, kPageBorder);
    gRun.pageOriginX = wrap(pageWord(page, kPageLeft) + border);
    gRun.pageOriginY = wrap(pageWord(page, kPageTop) - border);

    std::vector<Record> records = pageRecords(page, contentsEnd(kind));
    // Objects are written in stacking order; a gap in the indices ends the page.
    for (std::uint32_t index = 0; index < 256; ++index) {
        const Record *found = nullptr;
        for (const Record &record : records) {
            if (record.type == kRecordNotConverted16) continue;
            if (stackingIndex(frameWord(frameOf(record), kFrameFlags)) == index) {
                found = &record;
                break;
            }
        }
        if (found == nullptr) return;
        FrameRef frame = frameOf(*found);
        switch (found->type) {
        case kRecordTextFrame:
        case kRecordPictureFrame:
        case kRecordLinkedTextFrame: {
            if (isInText(frame)) break;
            if (found->type == kRecordTextFrame)
                writeTextFrame(out, frame, kind, 0);
            else if (found->type == kRecordPictureFrame)
                writePictureFrame(out, frame, kind, 0);
            else
                writeLinkedTextFrame(out, frame, kind, 0);
            std::uint32_t flags = frameWord(frame, kFrameFlags);
            if (flags & kFlagGroupMember) writeGroup(out, records, index, groupKey(frame), kind);
            break;
        }
        case kRecordGuides:
            writeGuides(out, frame, kind);
            break;
        default:
            break;
        }
    }
}

// Finds the chapter's master pages: the page record counted `number` in the
// master contents, and the page after it when the two stand side by side.
void findMasterPages(std::uint32_t number) {
    gRun.firstMasterPage = gRun.secondMasterPage = 0;
    std::uint32_t limit = headerWord(kHeaderMasterContentsEnd);
    std::uint32_t count = 0;
    Record record;
    for (std::uint32_t at = headerWord(kHeaderMasterContentsStart); recordAt(at, limit, record); at = record.next()) {
        if (!isKnownRecordType(record.type)) ddl::fatalError("Unknown frame type");
        if (record.type != kRecordPage) continue;
        if (gRun.firstMasterPage != 0) {
            Record first = readRecord(gRun.firstMasterPage);
            if (pageWord(record, kPageTop) == pageWord(first, kPageTop)) gRun.secondMasterPage = record.offset;
            return;
        }
        if (count++ == number) gRun.firstMasterPage = record.offset;
    }
    if (gRun.firstMasterPage == 0) ddl::fatalError("Failed to find master page.");
}

void writeChapter(DdlOutput &out, const Record &chapter) {
    writeLinkedChains(out, Numbering::plain);
    ++gRun.chapterOrdinal;
    std::uint32_t number = objectNumber(chapter.body(), Numbering::chapterCopy);
    FrameRef body = frameOf(chapter);
    std::uint32_t flags = frameWord(body, kChapterFlags);
    findMasterPages(frameWord(body, kChapterMasterPage));

    Record first = readRecord(gRun.firstMasterPage);
    std::int64_t border = pageWord(first, kPageBorder);
    std::int64_t width = std::int64_t{pageWord(first, kPageRight)} - pageWord(first, kPageLeft) - 2 * border;
    std::int64_t height = std::int64_t{pageWord(first, kPageTop)} - pageWord(first, kPageBottom) - 2 * border;
    writeFormat(out, "\nCHAP_%x={chapter {papersize \"A4\" 1 {w %d} {h %d}{sideways 0}}\n", number, wrap(width),
                wrap(height));
    writeText(out, "{omitheader 0} {omitfooter 0}\n");
    writeFormat(out, "{chapternumber %d}\n", gRun.chapterNumber);
    gRun.chapterNumber = wrap(std::int64_t{gRun.chapterNumber} + 1);
    writeText(out, "{pagenumberformat 2}\n");
    writeFormat(out, "{startonleft %d}\n", (flags & kChapterStartsRight) ? 0 : 1);
    if (flags & kChapterRestartsNumbering) writeFormat(out, "{pagestartnumber %d}\n", flags & 0xffff);
    writeText(out, "}\n\n");

    writeFormat(out, "\nPAGE_%x={masterpage {colourvalue COL_02 0x10000 0}}\n\n", number + 1);
    writePage(out, first, PageKind::firstMaster);
    if (gRun.secondMasterPage != 0) {
        writeFormat(out, "\nPAGE_%x={masterpage {colourvalue COL_02 0x10000 0}}\n\n", number + 2);
        writePage(out, readRecord(gRun.secondMasterPage), PageKind::secondMaster);
    }
    writeLinkedChains(out, Numbering::chapterCopy);
    gRun.currentMasterPage =
        (flags & kChapterStartsRight) && gRun.secondMasterPage != 0 ? gRun.secondMasterPage : gRun.firstMasterPage;
}

// Walks the records from where the frame embedded with `inlineId` may stand:
// the current chapter's contents on ordinary pages, the chapter's first master
// page otherwise. `passedLimit` tells a search that ran off its contents from
// one that stopped by the rules.
bool findEmbeddedFrame(std::uint32_t inlineId, PageKind kind, Record &found, bool &passedLimit) {
    std::uint32_t at, limit = contentsEnd(kind);
    if (kind == PageKind::ordinary)
        at = gRun.chapterContentsStart != 0 ? gRun.chapterContentsStart : headerWord(kHeaderMainContentsStart);
    else
        at = gRun.firstMasterPage;
    passedLimit = false;
    for (;;) {
        if (at >= limit || at == 0) {
            passedLimit = true;
            return false;
        }
        Record record = readRecord(at);
        if (record.endsList()) return false;
        std::uint8_t type = record.type;
        if (isFrame(type)) {
            FrameRef frame = frameOf(record);
            if (frameWord(frame, kFrameInlineId) == inlineId && isInText(frame)) {
                found = record;
                return true;
            }
        } else if (type == kRecordGuides) {
            if (frameWord(frameOf(record), kFrameInlineId) == inlineId) return false;
        } else if (type == kRecordGroup) {
            if (frameWord(frameOf(record), kFrameInlineId) != inlineId) return false;
        } else if (type != kRecordPage && type != kRecordNotConverted16) {
            return false;
        }
        at = record.next();
    }
}

} // namespace

void writeTextFrame(DdlOutput &out, const FrameRef &frame, PageKind kind, std::int32_t copy) {
    bool hasStory = frameInt(frame, kFrameStoryIndex) >= 0;
    if (kind == PageKind::ordinary && (frameWord(frame, kFrameFlags) & kFlagMasterCopy)) {
        MasterObject master = masterObjectOf(frame);
        if (master.type != kRecordTextFrame && hasStory) scanStory(out, frame, kind);
        writeFormat(out, "TEXT_%x={textframe\n{master TEXT_%x}{local 0}\n}\n\n", objectNumber(frame.body, Numbering::plain),
                    objectNumber(master.body, Numbering::chapterCopy));
        if (master.type == kRecordTextFrame) return;
    } else {
        if (hasStory) scanStory(out, frame, kind);
        writeFrameName(out, "TEXT", "textframe", copy, objectNumber(frame.body, kind));
        writeCommonAttributes(out, frame, FrameKind::text, kind, false, 0, 0);
        writeText(out, "{angle 0x0}\n{skew 0x0}\n}\n\n");
    }
    writeStoryAndChain(out, frame, kind);
}

void writeLinkedTextFrame(DdlOutput &out, const FrameRef &frame, PageKind kind, std::int32_t copy) {
    if (kind == PageKind::ordinary && (frameWord(frame, kFrameFlags) & kFlagMasterCopy)) {
        MasterObject master = masterObjectOf(frame);
        writeFormat(out, "TEXT_%x={textframe\n{master TEXT_%x}{local 0}\n}\n\n", objectNumber(frame.body, Numbering::plain),
                    objectNumber(master.body, Numbering::chapterCopy));
    } else {
        writeFrameName(out, "TEXT", "textframe", copy, objectNumber(frame.body, kind));
        writeCommonAttributes(out, frame, FrameKind::linked, kind, false, 0, 0);
        writeText(out, "{angle 0x0}\n{skew 0x0}\n}\n\n");
    }
    registerLinkedFrame(frame, kind);
}

void writePictureFrame(DdlOutput &out, const FrameRef &frame, PageKind kind, std::int32_t copy) {
    std::uint32_t pathStart = 0, pathEnd = 0;
    bool hasPath = findOutlinePath(frame, pathStart, pathEnd);
    if (kind == PageKind::ordinary && (frameWord(frame, kFrameFlags) & kFlagMasterCopy)) {
        MasterObject master = masterObjectOf(frame);
        std::uint32_t number = objectNumber(frame.body, Numbering::plain);
        writeFormat(out, "PICT_%x={pictframe\n", number);
        if (master.type == kRecordPictureFrame) {
            writeFormat(out, "{master PICT_%x}{local 0}\n}\n\n", objectNumber(master.body, Numbering::chapterCopy));
            writeFormat(out, "PICTURE_%x=PICTURE_%x\n\n", number, objectNumber(master.body, Numbering::chapterCopy));
            return;
        }
        writeFormat(out, "{master TEXT_%x}{local 0}\n", objectNumber(master.body, Numbering::chapterCopy));
        copy = 0;
    } else {
        writeFrameName(out, "PICT", "pictframe", copy, objectNumber(frame.body, kind));
        writeCommonAttributes(out, frame, FrameKind::picture, kind, hasPath, pathStart, pathEnd);
        writeText(out, "{angle 0x0}\n{skew 0x0}\n");
    }
    writePicturePlacement(out, frame);
    writeText(out, "}\n\n");
    writePicture(out, frame, kind, copy);
}

void writeEmbedReference(DdlOutput &out, std::int32_t copy, std::uint32_t inlineId, PageKind kind) {
    Record record;
    bool passedLimit = false;
    if (!findEmbeddedFrame(inlineId, kind, record, passedLimit)) return;
    const char *prefix = record.type == kRecordPictureFrame ? "PICT" : "TEXT";
    std::uint32_t number = objectNumber(record.body(), kind);
    if (copy != 0)
        writeFormat(out, "{embed %s_%x_%x}\n", prefix, static_cast<unsigned>(copy), number);
    else
        writeFormat(out, "{embed %s_%x}\n", prefix, number);
}

void writeEmbeddedFrame(DdlOutput &out, std::int32_t copy, std::uint32_t inlineId, PageKind kind) {
    Record record;
    bool passedLimit = false;
    if (!findEmbeddedFrame(inlineId, kind, record, passedLimit)) {
        if (passedLimit) ddl::fatalError("Embeded frame not found");
        return;
    }
    FrameRef frame = frameOf(record);
    if (record.type == kRecordTextFrame)
        writeTextFrame(out, frame, kind, copy);
    else if (record.type == kRecordPictureFrame)
        writePictureFrame(out, frame, kind, copy);
    else
        writeLinkedTextFrame(out, frame, kind, copy);
}

void writeDocumentWalk(DdlOutput &out) {
    resetStoryList();
    resetPictureList();
    std::uint32_t end = headerWord(kHeaderMainContentsEnd);
    Record record;
    for (std::uint32_t at = headerWord(kHeaderMainContentsStart); recordAt(at, end, record); at = record.next()) {
        switch (record.type) {
        case kRecordPage:
            writePage(out, record, PageKind::ordinary);
            // Left and right master pages alternate page by page.
            gRun.currentMasterPage = gRun.secondMasterPage != 0 && gRun.currentMasterPage == gRun.firstMasterPage
                                         ? gRun.secondMasterPage
                                         : gRun.firstMasterPage;
            break;
        case kRecordChapter:
            gRun.chapterContentsStart = record.next();
            gRun.currentChapter = record.offset;
            writeChapter(out, record);
            break;
        default:
            if (!isKnownRecordType(record.type)) ddl::fatalError("Unknown frame type");
            break;
        }
        if (record.next() > end) ddl::fatalError("frame pointer passed contents limit");
    }
    writeLinkedChains(out, Numbering::plain);
}

} // namespace folio
