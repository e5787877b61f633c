#include "folio/colours.h"

#include "folio/document.h"

#include <unordered_map>
#include <vector>

namespace folio {
namespace {

constexpr std::uint32_t kColourRecordLength = 48;
constexpr std::uint32_t kColourNameOffset = 12;
constexpr std::uint32_t kColourNameField = 36;
// Tints of tints listed before their bases need one pass per level; a real
// document needs two or three. A deeper chain is left unresolved rather than
// costing a pass over the whole table per level.
constexpr std::uint32_t kMaxTintPasses = 64;

struct ColourList {
    std::vector<ColourEntry> entries;                 // standard colours, then created ones
    std::unordered_map<std::string, std::size_t> byName; // upper-cased name -> first entry
    std::int32_t created = 0;
};

ColourList gColours;

std::string upperCase(std::string_view name) {
    std::string upper(name);
    for (char &c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

void index(std::size_t position) { gColours.byName.emplace(upperCase(gColours.entries[position].name), position); }

ColourEntry standard(const char *name, std::int32_t number, std::uint32_t flags, std::int32_t model, std::int32_t c0,
                     std::int32_t c1, std::int32_t c2, std::int32_t c3) {
    ColourEntry entry;
    entry.name = name;
    entry.number = number;
    entry.flags = flags;
    entry.model = model;
    entry.components[0] = c0;
    entry.components[1] = c1;
    entry.components[2] = c2;
    entry.components[3] = c3;
    return entry;
}

constexpr std::int32_t kOne = 0x10000;

std::int32_t fromByte(std::uint32_t byte) { return static_cast<std::int32_t>(byte * 0x10000u / 255u); }

// A tint of amount t (128 = the base colour itself), with 64-bit intermediates.
void applyTint(ColourEntry &entry, std::int64_t t) {
    auto mixWithWhite = [t](std::int32_t c) {
        return static_cast<std::int32_t>(((128 - t) * kOne + t * c) / 128);
    };
    auto scale = [t](std::int32_t c) { return static_cast<std::int32_t>(t * c / 128); };
    switch (entry.model) {
    case kModelRgb:
        for (int i = 0; i < 3; ++i) entry.components[i] = mixWithWhite(entry.components[i]);
        break;
    case kModelHsv:
        entry.components[0] = scale(entry.components[0]);
        entry.components[1] = scale(entry.components[1]);
        entry.components[2] = mixWithWhite(entry.components[2]);
        break;
    default:
        for (int i = 0; i < 4; ++i) entry.components[i] = scale(entry.components[i]);
        break;
    }
}

// Model and components from the colour data of a non-tint colour record.
void setFromRecordData(ColourEntry &entry, const std::uint8_t data[4]) {
    switch (data[0] & 3) {
    case 1:
        entry.model = kModelCmyk;
        entry.components[0] = fromByte(data[1]);
        entry.components[1] = fromByte(data[2]);
        entry.components[2] = fromByte(data[0] & 0xfcu);
        entry.components[3] = fromByte(data[3]);
        break;
    case 2:
        entry.model = kModelHsv;
        entry.components[0] = static_cast<std::int32_t>((data[3] * 16u + (data[2] >> 4)) * 0x10000u);
        entry.components[1] = fromByte(data[1]);
        entry.components[2] = fromByte((data[2] & 0x0fu) * 16u + (data[0] >> 4));
        entry.components[3] = 0;
        break;
    default:
        entry.model = kModelRgb;
        entry.components[0] = fromByte(data[1]);
        entry.components[1] = fromByte(data[2]);
        entry.components[2] = fromByte(data[3]);
        entry.components[3] = 0;
        break;
    }
}

struct ColourRecordView {
    std::uint32_t flags;
    std::uint8_t data[4];
    std::string name;
};

ColourRecordView colourRecord(std::uint32_t start, std::uint32_t i) {
    std::uint64_t at = start + static_cast<std::uint64_t>(i) * kColourRecordLength;
    ColourRecordView record;
    record.flags = imageU32(at + 4, "colour table");
    for (std::uint32_t b = 0; b < 4; ++b) record.data[b] = imageU8(at + 8 + b, "colour table");
    record.name = imageText(at + kColourNameOffset, kColourNameField, "colour table");
    if (record.name.size() > kColourNameCapacity - 1) record.name.resize(kColourNameCapacity - 1);
    return record;
}

ColourEntry *findOrAdd(const std::string &name) {
    ColourEntry *entry = findColour(name);
    return entry != nullptr ? entry : addColour(name);
}

} // namespace

void resetColours() {
    gColours = ColourList{};
    gColours.entries = {
        standard("Black", 1, kColourLock, kModelCmyk, 0, 0, 0, kOne),
        standard("White", 2, kColourLock, kModelRgb, kOne, kOne, kOne, 0),
        standard("Transparent", 3, kColourTransparent | kColourLock, kModelRgb, kOne, kOne, kOne, 0),
        standard("Red", 4, 0, kModelRgb, kOne, 0, 0, 0),
        standard("Green", 5, 0, kModelRgb, 0, kOne, 0, 0),
        standard("Blue", 6, 0, kModelRgb, 0, 0, kOne, 0),
        standard("Cyan", 7, kColourLock, kModelCmyk, kOne, 0, 0, 0),
        standard("Magenta", 8, kColourLock, kModelCmyk, 0, kOne, 0, 0),
        standard("Yellow", 9, kColourLock, kModelCmyk, 0, 0, kOne, 0),
        standard("Registration", 10, kColourLock, kModelCmyk, kOne, kOne, kOne, kOne),
    };
    for (std::size_t i = 0; i < gColours.entries.size(); ++i) index(i);
}

ColourEntry *findColour(std::string_view name) {
    auto found = gColours.byName.find(upperCase(name));
    return found == gColours.byName.end() ? nullptr : &gColours.entries[found->second];
}

ColourEntry *addColour(std::string_view name) {
    ColourEntry entry;
    entry.name = std::string(name.substr(0, kColourNameCapacity - 1));
    entry.number = kFirstCreatedColour + gColours.created++;
    gColours.entries.push_back(entry);
    index(gColours.entries.size() - 1);
    return &gColours.entries.back();
}

void buildColourList() {
    std::uint32_t start = headerWord(kHeaderColourTableStart);
    std::uint32_t end = headerWord(kHeaderColourTableEnd);
    std::uint32_t count = end > start ? (end - start) / kColourRecordLength : 0;
    requireInImage(start, static_cast<std::uint64_t>(count) * kColourRecordLength, "colour table");

    std::vector<ColourRecordView> records;
    records.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) records.push_back(colourRecord(start, i));

    std::uint32_t previouslyUnresolved = 0xffffffffu;
    for (std::uint32_t pass = 0; pass < count && pass < kMaxTintPasses; ++pass) {
        std::uint32_t unresolved = 0;
        for (const ColourRecordView &record : records) {
            if (record.name.empty()) continue;
            if ((record.flags & 3) >= 2) {
                std::uint32_t baseIndex = (record.data[1] & 0x3fu) * 64u + (record.data[0] >> 2);
                ColourEntry *base = baseIndex < count && !records[baseIndex].name.empty()
                                        ? findColour(records[baseIndex].name)
                                        : nullptr;
                if (base == nullptr) {
                    ++unresolved;
                    continue;
                }
                ColourEntry copy = *base;
                ColourEntry *entry = findOrAdd(record.name);
                copy.number = entry->number;
                copy.name = record.name;
                applyTint(copy, record.data[3]);
                *entry = copy;
            } else if (pass == 0) {
                ColourEntry *entry = findOrAdd(record.name);
                if ((record.flags & 0x80u) != 0) entry->flags |= kColourOverprint;
                else entry->flags &= ~kColourOverprint;
                if ((record.flags & 3) == 1) entry->flags &= ~kColourSpot;
                else entry->flags |= kColourSpot;
                setFromRecordData(*entry, record.data);
            }
        }
        // No tint left, or none resolved since the last pass: more passes change nothing.
        if (unresolved == 0 || unresolved == previouslyUnresolved) break;
        previouslyUnresolved = unresolved;
    }
}

ColourEntry *colourFromWord(std::uint32_t word) {
    unsigned b0 = word & 0xff, b1 = word >> 8 & 0xff, b2 = word >> 16 & 0xff, b3 = word >> 24 & 0xff;
    switch (word & 3) {
    case 0: {
        std::string name = ddl::formatText("RGB%02X%02X%02X", b1, b2, b3);
        if (ColourEntry *entry = findColour(name)) return entry;
        ColourEntry *entry = addColour(name);
        entry->model = kModelRgb;
        entry->components[0] = fromByte(b1);
        entry->components[1] = fromByte(b2);
        entry->components[2] = fromByte(b3);
        return entry;
    }
    case 1: {
        unsigned yellow = b0 & 0xfcu;
        std::string name = ddl::formatText("CMYK%02X%02X%02X%02X", b1, b2, b3, yellow * 255u / 252u);
        if (ColourEntry *entry = findColour(name)) return entry;
        ColourEntry *entry = addColour(name);
        entry->model = kModelCmyk;
        entry->components[0] = fromByte(b1);
        entry->components[1] = fromByte(b2);
        entry->components[2] = static_cast<std::int32_t>(yellow * 0x10000u / 252u);
        entry->components[3] = fromByte(b3);
        return entry;
    }
    case 2: {
        std::string name = ddl::formatText("HSV%02X%02X%02X", b1, b2, b3);
        if (ColourEntry *entry = findColour(name)) return entry;
        ColourEntry *entry = addColour(name);
        entry->model = kModelHsv;
        entry->components[0] = static_cast<std::int32_t>((word >> 20) * 0x10000u);
        entry->components[1] = fromByte(word >> 12 & 0xff);
        entry->components[2] = fromByte(word >> 4 & 0xff);
        return entry;
    }
    default: {
        // A document colour: the entry named by its record. A record outside
        // the table, or one whose colour has no entry, gives the standard Black.
        std::uint32_t recordIndex = word >> 2 & 0x3fffu;
        std::uint32_t start = headerWord(kHeaderColourTableStart);
        std::uint32_t end = headerWord(kHeaderColourTableEnd);
        std::uint32_t count = end > start ? (end - start) / kColourRecordLength : 0;
        ColourEntry *entry = nullptr;
        if (recordIndex < count) {
            std::string name = colourRecord(start, recordIndex).name;
            if (!name.empty()) entry = findColour(name);
        }
        return entry != nullptr ? entry : &gColours.entries[0];
    }
    }
}

std::string colourValueText(std::uint32_t word, int flag, bool transparent) {
    std::int32_t number = transparent ? kColourTransparentNumber : colourFromWord(word)->number;
    return ddl::formatText("COL_%02x 0x10000 %d", static_cast<unsigned>(number), flag);
}

void writeColours(ddl::DdlOutput &out) {
    ddl::writeText(out, "// Colours\n\n");
    for (const ColourEntry &entry : gColours.entries) {
        std::string line = ddl::formatText("COL_%02x={colour \"%s\" ", static_cast<unsigned>(entry.number),
                                           ddl::quoteString(entry.name).c_str());
        const std::int32_t *c = entry.components;
        auto fixed = [](std::int32_t v) { return ddl::fixedText(v); };
        if (entry.model == kModelHsv)
            line += "{hsv " + fixed(c[0]) + " " + fixed(c[1]) + " " + fixed(c[2]) + "}";
        else if (entry.model == kModelCmyk)
            line += "{cmyk " + fixed(c[0]) + " " + fixed(c[1]) + " " + fixed(c[2]) + " " + fixed(c[3]) + "}";
        else
            line += "{rgb " + fixed(c[0]) + " " + fixed(c[1]) + " " + fixed(c[2]) + "}";
        if (entry.flags & kColourTransparent) line += "{transparent 1}";
        if (entry.flags & kColourLock) line += "{lock 1}";
        if (entry.flags & kColourSpot) line += "{spot 1}";
        if (entry.flags & kColourOverprint) line += "{overprint 1}";
        line += "{overprintlimit " + fixed(static_cast<std::int32_t>(entry.overprintLimit & 0x1ffffu)) + "}}\n";
        ddl::writeText(out, line);
    }
    ddl::writeText(out, "\n\n");
}

std::size_t colourCount() { return gColours.entries.size(); }

const ColourEntry &colourAt(std::size_t i) { return gColours.entries[i]; }

} // namespace folio
