#include "tests/support/document_builder.h"

#include <filesystem>
#include <stdexcept>

namespace testing_support {
namespace {

constexpr std::uint32_t kHeaderLength = 380;
constexpr std::uint32_t kStyleSlots = 255;
constexpr std::uint32_t kFrameBodyLength = 160;

void putU8(Bytes &bytes, std::uint8_t value) { bytes.push_back(value); }

void putZeros(Bytes &bytes, std::size_t count) { bytes.insert(bytes.end(), count, 0); }

void padTo4(Bytes &bytes) {
    while (bytes.size() % 4 != 0) bytes.push_back(0);
}

void putText(Bytes &bytes, std::string_view text, std::size_t field) {
    for (std::size_t i = 0; i < field; ++i) bytes.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
}

// Lays out the value area of a style record.
Bytes valueArea(const StyleSpec &described, bool base) {
    if (described.rawValueArea) return *described.rawValueArea;
    Bytes area;
    std::uint32_t maskA = base ? 0xffffffffu : described.maskA & 0x0fffffffu;
    std::uint32_t maskB = base ? 0xffffffffu : described.maskB;
    std::uint32_t tabMask = base ? 0xffffffffu : described.tabMask;
    for (int bit = 0; bit < 32; ++bit) {
        if ((maskA >> bit & 1) == 0) continue;
        auto found = described.bytes.find(bit);
        putU8(area, found != described.bytes.end() ? found->second : 0);
    }
    padTo4(area);
    for (int bit = 0; bit < 32; ++bit) {
        if ((maskB >> bit & 1) == 0) continue;
        auto found = described.words.find(bit);
        putU32(area, found != described.words.end() ? found->second : 0);
    }
    for (int bit = 0; bit < 32; ++bit) {
        if ((tabMask >> bit & 1) == 0) continue;
        auto found = described.tabs.find(bit);
        putU32(area, found != described.tabs.end() ? found->second : 0);
    }
    if (maskB >> 21 & 1) putText(area, described.font, 40);
    if (maskB >> 24 & 1) putU32(area, described.foreground);
    if (maskB >> 25 & 1) putU32(area, described.background);
    if (described.maskA >> 20 & 1) putU32(area, described.underlineColour);
    return area;
}

Bytes styleRecord(const StyleSpec &described, bool base) {
    Bytes record;
    putU32(record, described.maskA);
    putU32(record, described.maskB);
    putU32(record, described.tabMask);
    putZeros(record, 8);
    putU32(record, described.keyWord);
    putText(record, described.name, 32);
    Bytes area = valueArea(described, base);
    record.insert(record.end(), area.begin(), area.end());
    padTo4(record);
    return record;
}

Bytes chunkBytes(const Chunk &chunk) {
    Bytes bytes;
    std::uint32_t length = static_cast<std::uint32_t>(chunk.payload.size()) + 8;
    putU32(bytes, 0);
    putU8(bytes, chunk.type);
    putU8(bytes, static_cast<std::uint8_t>(length));
    putU8(bytes, static_cast<std::uint8_t>(length >> 8));
    putU8(bytes, static_cast<std::uint8_t>(length >> 16));
    bytes.insert(bytes.end(), chunk.payload.begin(), chunk.payload.end());
    return bytes;
}

Bytes recordBytes(const RecordSpec &described) {
    Bytes bytes;
    std::uint32_t length = described.length.value_or(static_cast<std::uint32_t>(described.body.size()) + 8);
    putU8(bytes, described.type);
    putZeros(bytes, 4);
    putU8(bytes, static_cast<std::uint8_t>(length));
    putU8(bytes, static_cast<std::uint8_t>(length >> 8));
    putU8(bytes, 0);
    bytes.insert(bytes.end(), described.body.begin(), described.body.end());
    return bytes;
}

Bytes frameBody(const FrameSpec &f) {
    Bytes body(kFrameBodyLength, 0);
    putU32At(body, 4, static_cast<std::uint32_t>(f.left));
    putU32At(body, 8, static_cast<std::uint32_t>(f.bottom));
    putU32At(body, 12, static_cast<std::uint32_t>(f.right));
    putU32At(body, 16, static_cast<std::uint32_t>(f.top));
    putU32At(body, 20, f.flags);
    putU32At(body, 24, static_cast<std::uint32_t>(f.storyIndex));
    bool noOutline = f.outline[0] == 0 && f.outline[1] == 0 && f.outline[2] == 0 && f.outline[3] == 0;
    const std::int32_t outline[4] = {noOutline ? f.left : f.outline[0], noOutline ? f.bottom : f.outline[1],
                                     noOutline ? f.right : f.outline[2], noOutline ? f.top : f.outline[3]};
    for (int i = 0; i < 4; ++i) putU32At(body, 28 + 4 * static_cast<std::size_t>(i), static_cast<std::uint32_t>(outline[i]));
    putU32At(body, 44, f.masterIndex << 8);
    putU32At(body, 48, f.fillColour);
    putU32At(body, 52, static_cast<std::uint32_t>(f.insetX));
    putU32At(body, 56, static_cast<std::uint32_t>(f.insetY));
    putU32At(body, 60, f.border);
    putU32At(body, 64, f.borderColour);
    putU32At(body, 68, f.inlineId);
    putU32At(body, 72, f.word72);
    for (int i = 0; i < 5; ++i) putU32At(body, 104 + 4 * static_cast<std::size_t>(i), static_cast<std::uint32_t>(f.placement[i]));
    body.insert(body.end(), f.subRecords.begin(), f.subRecords.end());
    return body;
}

} // namespace

void putU32(Bytes &bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putU32At(Bytes &bytes, std::size_t at, std::uint32_t value) {
    if (bytes.size() < at + 4) bytes.resize(at + 4, 0);
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// --- colours ---------------------------------------------------------------------

std::uint32_t rgbWord(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<std::uint32_t>(red) << 8 | static_cast<std::uint32_t>(green) << 16 |
           static_cast<std::uint32_t>(blue) << 24;
}

std::uint32_t cmykWord(std::uint8_t cyan, std::uint8_t magenta, std::uint8_t yellow, std::uint8_t key) {
    return (static_cast<std::uint32_t>(yellow) & 0xfcu) | 1u | static_cast<std::uint32_t>(cyan) << 8 |
           static_cast<std::uint32_t>(magenta) << 16 | static_cast<std::uint32_t>(key) << 24;
}

std::uint32_t hsvWord(std::uint32_t hue, std::uint8_t saturation, std::uint8_t value) {
    return 2u | static_cast<std::uint32_t>(value) << 4 | static_cast<std::uint32_t>(saturation) << 12 |
           (hue & 0xfffu) << 20;
}

std::uint32_t documentColourWord(std::uint32_t recordIndex) { return 3u | (recordIndex & 0x3fffu) << 2; }

ColourRecord processRgb(std::string name, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return ColourRecord{std::move(name), 1, {0, red, green, blue}};
}

ColourRecord spotRgb(std::string name, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return ColourRecord{std::move(name), 0, {0, red, green, blue}};
}

ColourRecord processCmyk(std::string name, std::uint8_t cyan, std::uint8_t magenta, std::uint8_t yellow,
                         std::uint8_t key) {
    return ColourRecord{std::move(name), 1,
                        {static_cast<std::uint8_t>((yellow & 0xfc) | 1), cyan, magenta, key}};
}

ColourRecord processHsv(std::string name, std::uint32_t hue, std::uint8_t saturation, std::uint8_t value) {
    return ColourRecord{std::move(name),
                        1,
                        {static_cast<std::uint8_t>((value & 15) << 4 | 2), saturation,
                         static_cast<std::uint8_t>((hue & 15) << 4 | value >> 4),
                         static_cast<std::uint8_t>(hue >> 4)}};
}

ColourRecord tint(std::string name, std::uint32_t baseIndex, std::uint8_t amount) {
    return ColourRecord{std::move(name),
                        2,
                        {static_cast<std::uint8_t>((baseIndex & 63) << 2),
                         static_cast<std::uint8_t>(baseIndex >> 6 & 63), 0, amount}};
}

ColourRecord overprint(ColourRecord record) {
    record.flags |= 0x80;
    return record;
}

// --- styles -------------------------------------------------------------------------

StyleSpec &StyleSpec::byte(int bit, std::uint8_t value) {
    maskA |= 1u << bit;
    bytes[bit] = value;
    return *this;
}

StyleSpec &StyleSpec::flag(int bit) {
    maskA |= 1u << bit;
    return *this;
}

StyleSpec &StyleSpec::word(int bit, std::uint32_t value) {
    maskB |= 1u << bit;
    words[bit] = value;
    return *this;
}

StyleSpec &StyleSpec::tab(int bit, std::uint8_t type, std::uint32_t position) {
    tabMask |= 1u << bit;
    tabs[bit] = position << 8 | type;
    return *this;
}

StyleSpec &StyleSpec::fontName(std::string name_) {
    maskB |= 1u << 21;
    font = std::move(name_);
    return *this;
}

StyleSpec &StyleSpec::foregroundColour(std::uint32_t colourWord) {
    maskB |= 1u << 24;
    foreground = colourWord;
    return *this;
}

StyleSpec &StyleSpec::backgroundColour(std::uint32_t colourWord) {
    maskB |= 1u << 25;
    background = colourWord;
    return *this;
}

StyleSpec &StyleSpec::underlineColourWord(std::uint32_t colourWord) {
    maskA |= 1u << 20;
    underlineColour = colourWord;
    return *this;
}

StyleSpec &StyleSpec::key(std::uint32_t keyCode, bool scope) {
    keyWord = (keyCode & 0x1ffu) | (scope ? 1u << 29 : 0u);
    return *this;
}

// --- text -------------------------------------------------------------------------------

std::vector<std::uint8_t> &TextSpec::current() {
    if (chunks.empty() || chunks.back().type != 5) chunks.push_back(Chunk{5, Bytes(16, 0), {}});
    return chunks.back().payload;
}

TextSpec &TextSpec::text(std::string_view characters) {
    auto &payload = current();
    payload.insert(payload.end(), characters.begin(), characters.end());
    return *this;
}

TextSpec &TextSpec::code(std::uint8_t controlCode) {
    current().push_back(controlCode);
    return *this;
}

TextSpec &TextSpec::codeWithWords(std::uint8_t controlCode, std::vector<std::uint32_t> words) {
    auto &payload = current();
    payload.push_back(controlCode);
    padTo4(payload);
    for (std::uint32_t w : words) putU32(payload, w);
    return *this;
}

TextSpec &TextSpec::styleChange(std::vector<std::uint32_t> slots) {
    std::vector<std::uint32_t> words{0};
    words.insert(words.end(), slots.begin(), slots.end());
    words.push_back(0);
    return codeWithWords(8, words);
}

TextSpec &TextSpec::paragraph() { return code(13); }
TextSpec &TextSpec::pageBreak() { return code(14); }
TextSpec &TextSpec::tab() { return codeWithWords(18, {0}); }
TextSpec &TextSpec::field(std::uint8_t kind, std::uint32_t identifier) {
    return codeWithWords(11, {identifier << 8 | kind});
}

TextSpec &TextSpec::embeddedFrame(std::uint32_t inlineFrameId) {
    return codeWithWords(19, {16, 1, 0, inlineFrameId});
}

TextSpec &TextSpec::mergeField(std::string_view fieldText) {
    Bytes textBytes(fieldText.begin(), fieldText.end());
    textBytes.push_back(0);
    padTo4(textBytes);
    std::vector<std::uint32_t> words{static_cast<std::uint32_t>(16 + textBytes.size()), 2, 0, 0};
    codeWithWords(19, words);
    auto &payload = current();
    payload.insert(payload.end(), textBytes.begin(), textBytes.end());
    return *this;
}

TextSpec &TextSpec::nextChunk() {
    chunks.push_back(Chunk{5, Bytes(16, 0), {}});
    return *this;
}

TextSpec &TextSpec::frameList(std::string frameLabel) {
    chunks.push_back(Chunk{2, Bytes(4, 0), std::move(frameLabel)});
    return *this;
}

TextSpec &TextSpec::chunk(std::uint8_t type, std::vector<std::uint8_t> payload) {
    chunks.push_back(Chunk{type, std::move(payload), {}});
    return *this;
}

// --- records -------------------------------------------------------------------------------

RecordSpec &RecordSpec::named(std::string recordLabel) {
    label = std::move(recordLabel);
    return *this;
}

RecordSpec &RecordSpec::setWord(std::uint32_t bodyOffset, std::uint32_t value) {
    putU32At(body, bodyOffset, value);
    return *this;
}

FrameSpec &FrameSpec::box(std::int32_t l, std::int32_t b, std::int32_t r, std::int32_t t) {
    left = l, bottom = b, right = r, top = t;
    return *this;
}

FrameSpec &FrameSpec::story(std::int32_t index) {
    storyIndex = index;
    return *this;
}

FrameSpec &FrameSpec::filled(std::uint32_t colourWord) {
    flags |= 1u << 2;
    fillColour = colourWord;
    return *this;
}

FrameSpec &FrameSpec::stacking(std::uint32_t index) {
    flags = (flags & 0x00ffffffu) | index << 24;
    return *this;
}

FrameSpec &FrameSpec::flag(std::uint32_t bit) {
    flags |= 1u << bit;
    return *this;
}

FrameSpec &FrameSpec::inText(std::uint32_t inlineFrameId) {
    inlineId = inlineFrameId;
    return flag(13);
}

RecordSpec page(std::int32_t left, std::int32_t bottom, std::int32_t right, std::int32_t top, std::int32_t border) {
    RecordSpec described{1, Bytes(32, 0), {}, {}};
    described.setWord(4, static_cast<std::uint32_t>(left)).setWord(8, static_cast<std::uint32_t>(bottom));
    described.setWord(12, static_cast<std::uint32_t>(right)).setWord(16, static_cast<std::uint32_t>(top));
    return described.setWord(28, static_cast<std::uint32_t>(border));
}

RecordSpec chapter(std::uint32_t directoryNumber, std::uint32_t masterPage, std::uint32_t flags) {
    RecordSpec described{7, Bytes(16, 0), {}, {}};
    return described.setWord(4, directoryNumber).setWord(8, masterPage).setWord(12, flags);
}

RecordSpec textFrame(const FrameSpec &frame) { return RecordSpec{2, frameBody(frame), {}, {}}; }
RecordSpec pictureFrame(const FrameSpec &frame) { return RecordSpec{3, frameBody(frame), {}, {}}; }
RecordSpec linkedTextFrame(const FrameSpec &frame) { return RecordSpec{4, frameBody(frame), {}, {}}; }

RecordSpec guides(const FrameSpec &frame) {
    Bytes body = frameBody(frame);
    body.resize(76);
    return RecordSpec{10, body, {}, {}};
}

RecordSpec group(std::uint32_t flags, std::uint32_t masterIndex, std::uint32_t inlineId, std::uint32_t groupKey) {
    RecordSpec described{11, Bytes(76, 0), {}, {}};
    return described.setWord(20, flags).setWord(44, masterIndex << 8).setWord(68, inlineId).setWord(72, groupKey);
}

RecordSpec record(std::uint8_t type, std::vector<std::uint8_t> body) { return RecordSpec{type, std::move(body), {}, {}}; }

// --- the document ----------------------------------------------------------------------------

DocumentBuilder::DocumentBuilder() { styles[0] = StyleSpec{"Normal"}; }

DocumentBuilder &DocumentBuilder::version(std::int32_t v) {
    formatVersion = v;
    return *this;
}

DocumentBuilder &DocumentBuilder::colour(ColourRecord record_) {
    colours.push_back(std::move(record_));
    return *this;
}

DocumentBuilder &DocumentBuilder::style(int slot, StyleSpec described) {
    styles[slot] = std::move(described);
    return *this;
}

DocumentBuilder &DocumentBuilder::noStyle(int slot) {
    styles.erase(slot);
    return *this;
}

int DocumentBuilder::story(StorySpec described) {
    if (described.fileNumber == 0 && described.kind != 3) described.fileNumber = static_cast<std::uint32_t>(stories.size()) + 1;
    stories.push_back(std::move(described));
    return static_cast<int>(stories.size()) - 1;
}

int DocumentBuilder::textStory(const TextSpec &text, std::uint32_t fileNumber) {
    StorySpec described;
    described.kind = 2;
    described.fileNumber = fileNumber;
    int index = story(described);
    textChunks[index] = text.chunks;
    return index;
}

int DocumentBuilder::pictureStory(Bytes data, std::uint32_t fileTypeWord, std::string extension,
                                  std::uint32_t fileNumber) {
    StorySpec described;
    described.kind = 1;
    described.fileNumber = fileNumber;
    described.fileTypeWord = fileTypeWord;
    described.data = std::move(data);
    described.extension = std::move(extension);
    return story(std::move(described));
}

int DocumentBuilder::chapterMarker() {
    StorySpec described;
    described.kind = 3;
    return story(described);
}

DocumentBuilder &DocumentBuilder::masterRecord(RecordSpec described) {
    masterContents.push_back(std::move(described));
    return *this;
}

DocumentBuilder &DocumentBuilder::mainRecord(RecordSpec described) {
    mainContents.push_back(std::move(described));
    return *this;
}

DocumentBuilder &DocumentBuilder::numberEntry(std::uint32_t word0, std::uint32_t word1, std::uint32_t storyIndex) {
    numberEntries.push_back({word0, word1, storyIndex});
    return *this;
}

DocumentBuilder &DocumentBuilder::header(std::uint32_t offset, std::uint32_t word) {
    headerOverrides[offset] = word;
    return *this;
}

DocumentBuilder &DocumentBuilder::patch(std::uint32_t imageOffset, std::uint32_t word) {
    imagePatches[imageOffset] = word;
    return *this;
}

BuiltDocument DocumentBuilder::build() const {
    BuiltDocument built;
    Bytes &image = built.image;
    image.assign(kHeaderLength, 0);
    putU32At(image, 4, 0x12345678u);
    putU32At(image, 8, static_cast<std::uint32_t>(formatVersion));

    putU32At(image, 276, static_cast<std::uint32_t>(image.size()));
    for (const ColourRecord &c : colours) {
        putU32(image, 0);
        putU32(image, c.flags);
        for (std::uint8_t b : c.data) putU8(image, b);
        putText(image, c.name, 36);
    }
    putU32At(image, 288, static_cast<std::uint32_t>(image.size()));

    std::uint32_t styleTable = static_cast<std::uint32_t>(image.size());
    putU32At(image, 292, styleTable);
    putZeros(image, kStyleSlots * 4);
    for (const auto &[slot, described] : styles) {
        putU32At(image, styleTable + 4 * static_cast<std::uint32_t>(slot),
                 static_cast<std::uint32_t>(image.size()) - styleTable);
        Bytes bytes = styleRecord(described, slot == 0);
        image.insert(image.end(), bytes.begin(), bytes.end());
    }

    putU32At(image, 308, static_cast<std::uint32_t>(image.size()));
    for (const auto &entry : numberEntries)
        for (std::uint32_t w : entry) putU32(image, w);
    putU32At(image, 312, static_cast<std::uint32_t>(image.size()));

    std::uint32_t directory = static_cast<std::uint32_t>(image.size());
    putU32At(image, 328, directory);
    for (const StorySpec &s : stories) {
        Bytes entry(56, 0);
        entry[0] = s.kind;
        putU32At(entry, 4, s.fileNumber);
        putU32At(entry, 32, s.fileTypeWord);
        image.insert(image.end(), entry.begin(), entry.end());
    }
    std::uint32_t offsetTable = static_cast<std::uint32_t>(image.size());
    putU32At(image, 336, offsetTable);
    putZeros(image, 4 * (stories.size() + 1));

    auto layContents = [&](const std::vector<RecordSpec> &records, std::uint32_t startField, std::uint32_t endField) {
        std::uint32_t start = static_cast<std::uint32_t>(image.size());
        putU32At(image, startField, start);
        for (const RecordSpec &r : records) {
            if (!r.label.empty()) built.labels[r.label] = static_cast<std::uint32_t>(image.size());
            Bytes bytes = recordBytes(r);
            image.insert(image.end(), bytes.begin(), bytes.end());
        }
        putZeros(image, 8); // the record of length 0 that ends the list
        putU32At(image, endField, static_cast<std::uint32_t>(image.size()));
        return start;
    };
    std::uint32_t masterStart = layContents(masterContents, 344, 352);
    std::uint32_t mainStart = layContents(mainContents, 356, 360);
    putU32At(image, 364, static_cast<std::uint32_t>(image.size()));

    // Story data, now that frame offsets are known. The directory form counts
    // the frames of ordinary pages from their chapter record instead.
    std::uint32_t chapterOffset = mainStart;
    std::map<std::string, std::uint32_t> chapterOfLabel;
    for (std::uint32_t at = mainStart; const RecordSpec &r : mainContents) {
        if (r.type == 7) chapterOffset = at;
        if (!r.label.empty()) chapterOfLabel[r.label] = chapterOffset;
        at += static_cast<std::uint32_t>(recordBytes(r).size());
    }
    std::vector<Bytes> data(stories.size()), directoryData(stories.size());
    for (std::size_t i = 0; i < stories.size(); ++i) {
        auto chunks = textChunks.find(static_cast<int>(i));
        if (chunks == textChunks.end()) {
            data[i] = directoryData[i] = stories[i].data;
            continue;
        }
        for (Chunk c : chunks->second) {
            Chunk directoryChunk = c;
            if (!c.frameLabel.empty()) {
                auto found = built.labels.find(c.frameLabel);
                if (found == built.labels.end()) throw std::logic_error("no record labelled " + c.frameLabel);
                bool master = false;
                for (const RecordSpec &r : masterContents) master = master || r.label == c.frameLabel;
                putU32At(c.payload, 0, found->second - (master ? masterStart : mainStart));
                directoryChunk.payload = c.payload;
                if (!master) putU32At(directoryChunk.payload, 0, found->second - chapterOfLabel[c.frameLabel]);
            }
            Bytes bytes = chunkBytes(c);
            data[i].insert(data[i].end(), bytes.begin(), bytes.end());
            bytes = chunkBytes(directoryChunk);
            directoryData[i].insert(directoryData[i].end(), bytes.begin(), bytes.end());
        }
    }
    std::uint32_t position = static_cast<std::uint32_t>(image.size());
    for (std::size_t i = 0; i <= stories.size(); ++i) {
        putU32At(image, offsetTable + 4 * i, position);
        if (i < stories.size()) position += static_cast<std::uint32_t>(data[i].size());
    }

    for (const auto &[offset, word] : headerOverrides) putU32At(image, offset, word);
    for (const auto &[offset, word] : imagePatches) putU32At(image, offset, word);

    built.singleFile = image;
    for (const Bytes &d : data) built.singleFile.insert(built.singleFile.end(), d.begin(), d.end());

    // Directory form: which chapter folder holds each story.
    std::vector<std::uint32_t> chapterNumbers;
    for (const RecordSpec &r : mainContents)
        if (r.type == 7 && r.body.size() >= 8)
            chapterNumbers.push_back(r.body[4] | r.body[5] << 8 | r.body[6] << 16 | static_cast<std::uint32_t>(r.body[7]) << 24);
    built.files["!DocData.d87"] = image;
    int markers = 0;
    for (std::size_t i = 0; i < stories.size(); ++i) {
        const StorySpec &s = stories[i];
        if (s.kind == 3) {
            ++markers;
            continue;
        }
        int chapterIndex = markers - 1;
        std::string folder;
        if (chapterIndex == 0) {
            folder = "MasterChap";
        } else {
            std::size_t n = chapterIndex < 1 ? 1 : static_cast<std::size_t>(chapterIndex);
            folder = "Chapter" + std::to_string(n <= chapterNumbers.size() ? chapterNumbers[n - 1] : 0);
        }
        if (s.kind == 1) {
            built.files[folder + "/Story" + std::to_string(s.fileNumber) + "." + s.extension] = directoryData[i];
        } else if (s.kind == 2) {
            Bytes &text = built.files[folder + "/Text.d88"];
            putU32(text, static_cast<std::uint32_t>(directoryData[i].size()) + 8);
            putU32(text, s.fileNumber);
            text.insert(text.end(), directoryData[i].begin(), directoryData[i].end());
        }
    }
    return built;
}

std::string DocumentBuilder::writeSingleFile(const std::string &path) const {
    write_file(path, build().singleFile);
    return path;
}

std::string DocumentBuilder::writeDirectory(const std::string &path, char suffix) const {
    BuiltDocument built = build();
    std::filesystem::create_directories(path);
    for (const auto &[relative, bytes] : built.files) {
        std::string name = relative;
        auto dot = name.rfind('.');
        if (suffix != '.' && dot != std::string::npos) name[dot] = suffix;
        std::filesystem::path full = std::filesystem::path(path) / name;
        std::filesystem::create_directories(full.parent_path());
        write_file(full.string(), bytes);
    }
    return path;
}

} // namespace testing_support
