#include "folio/styles.h"

#include "folio/colours.h"
#include "folio/document.h"
#include "folio/story_references.h"

#include <array>
#include <vector>

namespace folio {

std::int32_t gMergeCounter = 1;

namespace {

constexpr std::uint32_t kStyleNameOffset = 24;
constexpr std::uint32_t kStyleNameField = 32;
constexpr std::uint32_t kValueAreaOffset = 56;
constexpr std::uint32_t kFontNameField = 40;
constexpr std::uint32_t kBaseStyleByteSlots = 0xffffffffu;
constexpr std::uint32_t kStyleByteSlots = 0x0fffffffu; // bits 28-31 have a byte in the base style only

// Mask A bits.
enum : int {
    kUnderline = 8, kScript = 9, kStrikeout = 10, kAlign = 11, kHyphenation = 14, kTabDecimal = 16,
    kUnderlineColour = 20, kBackgroundEnable = 23, kBaselineLock = 24, kItalic = 26, kBold = 27,
    kBackgroundSuppress = 28,
};
// Mask B bits.
enum : int {
    kLeftIndent = 0, kRightIndent = 1, kFirstIndent = 2, kLeading = 5, kSpaceAfter = 6, kSpaceBefore = 7,
    kTextSize = 13, kScale = 14, kTabLeader = 17, kFontName = 21, kTrack = 22, kForeground = 24, kBackground = 25,
};

bool has(std::uint32_t mask, int bit) { return (mask >> bit & 1u) != 0; }

// Where each present value of one style record lies in the image.
struct StyleLayout {
    std::uint32_t maskA = 0, maskB = 0, tabMask = 0; // as present (all set for the base style)
    std::uint32_t realMaskA = 0;
    std::uint32_t keyWord = 0;
    std::string name;
    std::array<std::uint64_t, 32> byteAt{}, wordAt{}, tabAt{};
    std::uint64_t fontAt = 0, foregroundAt = 0, backgroundAt = 0, underlineColourAt = 0;
};

std::uint32_t styleTable() { return headerWord(kHeaderStyleTable); }

std::uint32_t styleTableWord(int slot) {
    return imageU32(styleTable() + 4ull * static_cast<std::uint32_t>(slot), "style table");
}

StyleLayout layoutStyle(int slot) {
    std::uint64_t record = styleTable() + static_cast<std::uint64_t>(styleTableWord(slot));
    requireInImage(record, kValueAreaOffset, "style record");
    StyleLayout layout;
    bool base = slot == 0;
    layout.realMaskA = imageU32(record, "style record");
    layout.maskA = base ? 0xffffffffu : layout.realMaskA;
    layout.maskB = base ? 0xffffffffu : imageU32(record + 4, "style record");
    layout.tabMask = base ? 0xffffffffu : imageU32(record + 8, "style record");
    layout.keyWord = imageU32(record + 20, "style record");
    layout.name = imageText(record + kStyleNameOffset, kStyleNameField, "style record");

    std::uint64_t at = record + kValueAreaOffset;
    std::uint32_t byteSlots = layout.maskA & (base ? kBaseStyleByteSlots : kStyleByteSlots);
    for (int bit = 0; bit < 32; ++bit)
        if (has(byteSlots, bit)) layout.byteAt[static_cast<std::size_t>(bit)] = at++;
    at = (at + 3) & ~std::uint64_t{3};
    for (int bit = 0; bit < 32; ++bit)
        if (has(layout.maskB, bit)) layout.wordAt[static_cast<std::size_t>(bit)] = (at += 4) - 4;
    for (int bit = 0; bit < 32; ++bit)
        if (has(layout.tabMask, bit)) layout.tabAt[static_cast<std::size_t>(bit)] = (at += 4) - 4;
    if (has(layout.maskB, kFontName)) layout.fontAt = (at += kFontNameField) - kFontNameField;
    if (has(layout.maskB, kForeground)) layout.foregroundAt = (at += 4) - 4;
    if (has(layout.maskB, kBackground)) layout.backgroundAt = (at += 4) - 4;
    if (has(layout.realMaskA, kUnderlineColour)) layout.underlineColourAt = at;
    return layout;
}

std::uint32_t byteValue(const StyleLayout &s, int bit) {
    return imageU8(s.byteAt[static_cast<std::size_t>(bit)], "style record");
}

std::uint32_t wordValue(const StyleLayout &s, int bit) {
    return imageU32(s.wordAt[static_cast<std::size_t>(bit)], "style record");
}

std::int32_t signedWord(const StyleLayout &s, int bit) { return static_cast<std::int32_t>(wordValue(s, bit)); }

// Colour word 0 stands in for a missing underline colour.
std::uint32_t underlineColourWord(const StyleLayout &s) {
    return has(s.realMaskA, kUnderlineColour) ? imageU32(s.underlineColourAt, "style record") : 0;
}

// The style check: drops styles that no text story uses.
void dropUnusedStyles(const StoryReferences &references) {
    for (int slot = 1; slot < kStyleSlots; ++slot) {
        if (references.usedStyleSlots[static_cast<std::size_t>(slot)] || styleTableWord(slot) == 0) continue;
        for (std::uint32_t b = 0; b < 4; ++b) gRun.image[styleTable() + 4u * static_cast<std::uint32_t>(slot) + b] = 0;
    }
}

void registerStyleColours() {
    for (int slot = 0; slot < kStyleSlots; ++slot) {
        if (styleTableWord(slot) == 0) continue;
        StyleLayout s = layoutStyle(slot);
        if (has(s.maskB, kForeground)) colourFromWord(imageU32(s.foregroundAt, "style record"));
        if (has(s.maskB, kBackground)) colourFromWord(imageU32(s.backgroundAt, "style record"));
        // Underline and strike-out write a colour even without an underline
        // colour word; that colour must be defined with the others.
        if (has(s.realMaskA, kUnderlineColour) || has(s.maskA, kUnderline) || has(s.maskA, kStrikeout))
            colourFromWord(underlineColourWord(s));
    }
}

const char *const kBaseStyleDefaults =
    "{reverse 0}\n"
    "{verticalrule {leftrule 0 0} {rightrule 0 0} {thickness 0} {colourvalue COL_01 0x10000 0}}\n"
    "{horizontalrule {aboverule 0 0} {belowrule 0 0} {thickness 0} {colourvalue COL_01 0x10000 0}}\n"
    "{case 0}\n"
    "{drop 0 3}\n"
    "{bullet 0 {bulletbefore \"\"} {bulletafter \"\"} {bulletstyle \"\"} {bullettab 1} {bulletstart 1}{bulletformat 0}}\n"
    "{autokern 0}\n"
    "{wordwrap 1}\n"
    "{level 0}\n"
    "{smallcaps 0}\n"
    "{language 0}\n"
    "{angle 0x0}\n"
    "{skew 0x0}\n"
    "{justification 0 {justminletter 0x0} {justmaxletter 0x4000} {justminword 0xc000} {justmaxword 0x14000} "
    "{justflushzone 0} {justsinglewords 0}}\n";

std::string styleText(int slot) {
    using ddl::formatText;
    StyleLayout s = layoutStyle(slot);
    bool base = slot == 0;
    std::string text = formatText("STYLE_%02x={style \"%s\"\n", static_cast<unsigned>(kFirstStyleNumber + slot),
                                  base ? "BodyText" : ddl::quoteString(s.name).c_str());
    text += formatText("{keypress \"%s\"}\n", ddl::quoteString(keyName(s.keyWord & 0x1ffu)).c_str());
    if (has(s.maskA, kScript)) {
        switch (byteValue(s, kScript)) {
        case 0: text += "{sub 0}{super 0}\n"; break;
        case 1: text += "{sub 1}{super 0}\n"; break;
        case 2: text += "{sub 0}{super 1}\n"; break;
        default: break;
        }
    }
    if (has(s.maskA, kAlign)) text += formatText("{align %u}\n", byteValue(s, kAlign));
    if (has(s.maskA, kHyphenation))
        text += formatText("{hyphenation %u {hpminsize 5} {hpminbefore 2} {hpminafter 2} {hpmaxconsecutive 3} "
                           "{hpzone 0} {hpbreakpara 0} {hpbreakcaps 0}}\n",
                           byteValue(s, kHyphenation));
    if (has(s.maskA, kBaselineLock)) text += formatText("{baselinelock %u}\n", byteValue(s, kBaselineLock));
    std::uint32_t leftIndent = 0;
    if (has(s.maskB, kLeftIndent)) {
        leftIndent = wordValue(s, kLeftIndent);
        text += formatText("{leftindent 1 %d}\n", static_cast<int>(leftIndent));
    }
    if (has(s.maskB, kRightIndent)) {
        std::int32_t right = signedWord(s, kRightIndent);
        if (right > 0) text += formatText("{rightindent 2 %d}\n", static_cast<int>(right));
        else text += formatText("{rightindent 0 %d}\n", static_cast<int>(0u - static_cast<std::uint32_t>(right)));
    }
    if (has(s.maskB, kFirstIndent))
        text += formatText("{firstindent %d}\n", static_cast<int>(wordValue(s, kFirstIndent) - leftIndent));
    if (has(s.maskB, kLeading)) {
        std::uint32_t leading = wordValue(s, kLeading);
        if (has(leading, 31)) text += formatText("{leading 2 0x%x}\n", (leading & 0xffffffu) - 0x10000u);
        else text += formatText("{leading 1 %d}\n", static_cast<int>(leading & 0xffffffu));
    }
    if (has(s.maskB, kSpaceAfter)) text += formatText("{spaceafter %d}\n", static_cast<int>(signedWord(s, kSpaceAfter)));
    if (has(s.maskB, kSpaceBefore))
        text += formatText("{spacebefore %d}\n", static_cast<int>(wordValue(s, kSpaceBefore) & 0xffffffu));
    if (has(s.maskB, kTextSize))
        text += formatText("{textsize %d}\n",
                           static_cast<int>(static_cast<std::int64_t>(signedWord(s, kTextSize)) * 1000 / 16));
    if (has(s.maskB, kScale)) text += formatText("{scale 0x%x}\n", wordValue(s, kScale));
    if (has(s.maskB, kTrack)) {
        text += formatText("{track %d}\n", static_cast<int>(signedWord(s, kTrack)));
        text += "{baseshift 0}\n";
    }
    if (s.tabMask != 0) {
        std::string leader;
        if (has(s.maskB, kTabLeader)) {
            std::uint32_t word = wordValue(s, kTabLeader);
            for (int i = 0; i < 4 && (word >> (8 * i) & 0xffu) != 0; ++i)
                leader += static_cast<char>(word >> (8 * i) & 0xffu);
        }
        text += "{tabruler {tableader \"" + ddl::quoteString(leader) + "\"}\n";
        if (has(s.maskA, kTabDecimal)) {
            char decimal = static_cast<char>(byteValue(s, kTabDecimal));
            text += "{tabdec \"" + ddl::quoteString(std::string(1, decimal)) + "\"}\n";
        }
        for (int bit = 0; bit < 32; ++bit) {
            if (!has(s.tabMask, bit)) continue;
            std::uint32_t tab = imageU32(s.tabAt[static_cast<std::size_t>(bit)], "style record");
            static const char *const kTabKinds[] = {"lefttab", "centretab", "righttab", "decimaltab"};
            std::uint32_t type = tab & 0xffu;
            text += formatText("{%s %d}\n", type < 4 ? kTabKinds[type] : "ruleposn", static_cast<int>(tab >> 8));
        }
        text += "}\n";
    }
    if (has(s.maskB, kFontName)) {
        std::string font;
        for (std::uint8_t c : imageBytes(s.fontAt, kFontNameField, "style record")) {
            if (c < 32) break;
            font += static_cast<char>(c);
        }
        text += "{fontstyle \"" + font + "\"}\n";
    }
    if (has(s.maskA, kBold)) text += formatText("{bold  %u}\n", byteValue(s, kBold));
    if (has(s.maskA, kItalic)) text += formatText("{italic %u}\n", byteValue(s, kItalic));
    text += has(s.keyWord, 29) ? "{scope 1}\n" : "{scope 0}\n";
    if (has(s.maskB, kForeground))
        text += "{foreground " + colourValueText(imageU32(s.foregroundAt, "style record"), 0, false) + "}";
    if (has(s.maskB, kBackground) && has(s.maskA, kBackgroundEnable) && !has(s.maskA, kBackgroundSuppress))
        text += "{background " + colourValueText(imageU32(s.backgroundAt, "style record"), 0, false) + "}";
    std::uint32_t underlineColour = underlineColourWord(s);
    if (has(s.maskA, kUnderline))
        text += formatText("{underline %u {type 1} {thickness 1310} {colourvalue %s} {wordunderline 0} "
                           "{doubleunderline 0}}\n",
                           byteValue(s, kUnderline), colourValueText(underlineColour, 0, false).c_str());
    if (has(s.maskA, kStrikeout))
        text += formatText("{strikeout %u {type 1} {thickness 1310} {colourvalue %s}}\n", byteValue(s, kStrikeout),
                           colourValueText(underlineColour, 0, false).c_str());
    if (base) text += kBaseStyleDefaults;
    text += "}\n";
    return text;
}

} // namespace

void prepareStyles(const StoryReferences &references) {
    gMergeCounter = 1;
    requireInImage(styleTable(), 4ull * kStyleSlots, "style table");
    if (!gRun.noStyleCheck) dropUnusedStyles(references);
    registerStyleColours();
}

void writeStyles(ddl::DdlOutput &out) {
    for (int slot = 0; slot < kStyleSlots; ++slot)
        if (styleExists(slot)) ddl::writeText(out, styleText(slot));
}

bool styleExists(int slot) { return slot >= 0 && slot < kStyleSlots && styleTableWord(slot) != 0; }

} // namespace folio
