#include "folio/pictures.h"

#include "folio/document.h"
#include "ddl/fatal_error.h"
#include "folio/picture_encoding.h"
#include "folio/story.h"
#include "folio/transform.h"

#include <algorithm>
#include <map>
#include <vector>

namespace folio {
namespace {

using ddl::DdlOutput;

// Picture placement fields of a picture frame body.
constexpr std::uint32_t kPlacementXScale = 104, kPlacementYScale = 108;
constexpr std::uint32_t kPlacementXOffset = 112, kPlacementYOffset = 116, kPlacementRotation = 120;

constexpr std::uint32_t kReadBlock = 4096;

// EPS picture stories: a 256-byte leader, then the PostScript.
constexpr std::uint32_t kEpsLeader = 256;
constexpr std::uint32_t kEpsLengthField = 12, kEpsHeaderFrom = 52, kEpsName = 68;

// Picture story index to the number of the picture object holding its data.
std::map<std::int32_t, std::uint32_t> gPictures;

struct CreatorType {
    std::uint32_t creator;
    std::string_view type;
};

// Draw files made by other applications keep the maker's data type.
constexpr CreatorType kDrawCreators[] = {
    {0x000, "Draw"},     {0xaff, "Draw"},      {0xb7d, "TabCalc"}, {0xb83, "GraphMate"},
    {0xb84, "DiagramIt"}, {0xb98, "Formulix"}, {0xbcf, "Tablemate"}, {0xc37, "Eureka"},
    {0xc85, "Draw"},     {0xd91, "Equasor"},   {0xff9, "Draw"},
};

void writeEncoded(DdlOutput &out, PictureEncoder &encoder, std::span<const std::uint8_t> bytes, std::string &text) {
    text.clear();
    encodePictureBytes(encoder, bytes, text);
    ddl::writeText(out, text);
}

// Streams `count` bytes of the story through the encoder in blocks.
void encodeFromStory(DdlOutput &out, PictureEncoder &encoder, StoryStream &stream, std::uint64_t count) {
    std::vector<std::uint8_t> block(kReadBlock);
    std::string text;
    while (count > 0) {
        std::uint32_t take = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, kReadBlock));
        readStory(stream, block.data(), take);
        writeEncoded(out, encoder, std::span<const std::uint8_t>(block.data(), take), text);
        count -= take;
    }
}

void finishEncoded(DdlOutput &out, PictureEncoder &encoder) {
    std::string text;
    finishPictureEncoding(encoder, text);
    ddl::writeText(out, text);
}

[[noreturn]] void epsDamaged(std::int32_t story) {
    ddl::fatalErrorFormat("Document is damaged: the EPS picture of story %d is cut short", story);
}

// The EPS data goes out behind a header rebuilt from the story's leader.
void writeEpsData(DdlOutput &out, StoryStream &stream, std::int32_t story, std::uint32_t length) {
    std::uint32_t leaderLength = std::min(length, kEpsLeader);
    std::vector<std::uint8_t> leader = readStoryBytes(stream, leaderLength);
    std::uint32_t epsLength = 0;
    if (!readU32(leader, kEpsLengthField, epsLength) || leaderLength <= kEpsName) epsDamaged(story);
    auto nameEnd = std::find(leader.begin() + kEpsName, leader.end(), std::uint8_t{0});
    if (nameEnd == leader.end()) epsDamaged(story);
    std::uint32_t nameLength = static_cast<std::uint32_t>(nameEnd - (leader.begin() + kEpsName));
    std::uint32_t epsStart = kEpsName + ((nameLength + 1 + 3) & ~3u);
    std::uint32_t headerLength = (nameLength + 24) & ~3u;
    if (headerLength > leaderLength - kEpsHeaderFrom || epsStart > length || epsLength > length - epsStart)
        epsDamaged(story);

    std::vector<std::uint8_t> header(leader.begin() + kEpsHeaderFrom, leader.begin() + kEpsHeaderFrom + headerLength);
    std::uint32_t total = static_cast<std::uint32_t>((std::uint64_t{headerLength} + epsLength + 3) & ~3ull);
    const std::uint32_t words[4] = {total, epsLength, 0, 0};
    for (int w = 0; w < 4; ++w)
        for (int b = 0; b < 4; ++b) header[static_cast<std::size_t>(w * 4 + b)] = static_cast<std::uint8_t>(words[w] >> (8 * b));

    ddl::writeFormat(out, "{data \"EPS\"\n%d\n", static_cast<std::int32_t>(epsLength));
    PictureEncoder encoder;
    std::string text;
    writeEncoded(out, encoder, header, text);
    // The PostScript starts inside the leader already read.
    std::uint32_t inLeader = std::min(epsLength, epsStart < leaderLength ? leaderLength - epsStart : 0u);
    writeEncoded(out, encoder, std::span<const std::uint8_t>(leader.data() + std::min(epsStart, leaderLength), inLeader),
                 text);
    if (epsStart > leaderLength) skipStory(stream, epsStart - leaderLength);
    encodeFromStory(out, encoder, stream, epsLength - inLeader);
    finishEncoded(out, encoder);
    ddl::writeText(out, "}\n}\n");
}

} // namespace

void resetPictureList() { gPictures.clear(); }

std::string_view pictureDataType(std::uint32_t fileTypeWord) {
    std::uint32_t fileType = fileTypeWord & 0xfff;
    std::uint32_t creator = (fileTypeWord >> 12) & 0xfff;
    if (fileType == 0xff5) return {};
    if (fileType == 0xd94) return "ArtWorks";
    if (fileType != 0xaff) return "Data";
    for (const CreatorType &entry : kDrawCreators)
        if (entry.creator == creator) return entry.type;
    return "Data";
}

void writePicturePlacement(DdlOutput &out, const FrameRef &frame) {
    PictureGeometry geometry = pictureGeometry(frameInt(frame, kPlacementRotation), frameInt(frame, kPlacementXScale),
                                               frameInt(frame, kPlacementYScale));
    std::int32_t x = static_cast<std::int32_t>(0u - frameWord(frame, kPlacementXOffset));
    ddl::writeFormat(out,
                     "{picturedata\n{lockmode 0}\n{aspectlock 1}\n{autoscale 0}\n{hide 0}\n{bottomleft 1}\n"
                     "{x %d}\n{y %d}\n{scale 0x%x}\n{aspect 0x%x}\n{angle 0x%x}\n{skew 0x%x}\n{tile 0 0 0}}\n",
                     x, frameInt(frame, kPlacementYOffset), static_cast<unsigned>(geometry.scale),
                     static_cast<unsigned>(geometry.aspect), static_cast<unsigned>(geometry.angle),
                     static_cast<unsigned>(geometry.skew));
}

void writePicture(DdlOutput &out, const FrameRef &frame, PageKind kind, std::int32_t copy) {
    std::int32_t story = frameInt(frame, kFrameStoryIndex);
    // A picture frame without a picture story has no data to carry.
    if (story < 0) return;
    std::uint32_t number = objectNumber(frame.body, kind);
    auto written = gPictures.find(story);
    if (written != gPictures.end()) {
        if (copy != 0)
            ddl::writeFormat(out, "PICTURE_%x_%x=PICTURE_%x\n", static_cast<unsigned>(copy), number, written->second);
        else
            ddl::writeFormat(out, "PICTURE_%x=PICTURE_%x\n", number, written->second);
        return;
    }
    ddl::writeFormat(out, "PICTURE_%x={picture\n", number);
    gPictures[story] = number;

    StoryStream stream;
    StoryDirectoryEntry entry;
    std::uint32_t length = openStory(stream, story, &entry);
    std::string_view type = pictureDataType(entry.fileTypeWord);
    if (type.empty()) {
        writeEpsData(out, stream, story, length);
    } else {
        ddl::writeFormat(out, "{data \"%.*s\"\n%d\n", static_cast<int>(type.size()), type.data(),
                         static_cast<std::int32_t>(length));
        PictureEncoder encoder;
        encodeFromStory(out, encoder, stream, length);
        finishEncoded(out, encoder);
        ddl::writeText(out, "}\n}\n");
    }
    closeStory(stream);
}

} // namespace folio
