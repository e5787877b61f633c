// Styles: pass 1 finds every "define" group, pass 2 names the styles and
// writes their objects, pass 3 switches them. An effect-ruler style has no
// object: switching it replays its definition's commands in place.
#include "markload/markload.h"
#include "ddl/fatal_error.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace markload {
namespace {

bool isOnOff(const Markload &m, bool &off) {
    if (m.quoted) return false;
    if (m.token() == "on") {
        off = false;
        return true;
    }
    if (m.token() == "off") {
        off = true;
        return true;
    }
    return false;
}

// The style table: twice as many slots as styles can be, so that a probe
// always ends at a free one.
constexpr std::size_t kStyleSlots = 2 * kMaxStyles;
static_assert(kMaxStyles < 0xFFFF);

// A style name cut to 18 characters and folded, kept apart from the token
// that the next read replaces.
struct StyleName {
    std::array<char, kMaxStyleName> text{};
    std::size_t length = 0;
    std::string_view view() const { return {text.data(), length}; }
};

StyleName foldedStyleName(std::string_view name) {
    StyleName folded;
    folded.length = std::min(name.size(), kMaxStyleName);
    for (std::size_t c = 0; c < folded.length; ++c) folded.text[c] = foldedChar(name[c]);
    return folded;
}

std::size_t styleHash(std::string_view folded) {
    std::uint32_t hash = 2166136261u;
    for (char c : folded) hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
    return hash % kStyleSlots;
}

bool sameFoldedName(const Markload &m, std::size_t index, std::string_view folded) {
    const std::string &name = m.styles[index].foldedName;
    return name.size() == folded.size() && std::memcmp(name.data(), folded.data(), folded.size()) == 0;
}

// The first named style of this folded name, or the number of styles.
std::size_t findStyle(const Markload &m, std::string_view folded) {
    if (m.styleSlots.empty()) return m.styles.size();
    for (std::size_t slot = styleHash(folded);; slot = (slot + 1) % kStyleSlots) {
        const std::size_t entry = m.styleSlots[slot];
        if (entry == 0) return m.styles.size();
        if (sameFoldedName(m, entry - 1, folded)) return entry - 1;
    }
}

void nameStyle(Markload &m, std::size_t index, std::string_view name) {
    if (m.styleSlots.empty()) m.styleSlots.assign(kStyleSlots, 0);
    const StyleName folded = foldedStyleName(name);
    m.styles[index].foldedName = folded.view();
    if (findStyle(m, folded.view()) != m.styles.size()) return;
    std::size_t slot = styleHash(folded.view());
    while (m.styleSlots[slot] != 0) slot = (slot + 1) % kStyleSlots;
    m.styleSlots[slot] = static_cast<std::uint16_t>(index + 1);
}

void addStyle(Markload &m, std::size_t definePosition) {
    if (m.styles.size() >= kMaxStyles) ddl::fatalError("Too many styles");
    StyleEntry style;
    style.definePosition = definePosition;
    m.styles.push_back(style);
}

void defineStyle(Markload &m) {
    readArgumentWord(m);
    if (m.token() == "colours") {
        skipArgument(m);
        return;
    }
    m.inStyleDefinition = true;
    m.scope = 0;
    m.bold = kUnset;
    m.italic = kUnset;
    readArgumentWord(m);
    const std::string name(m.token().substr(0, kMaxStyleName));

    // Pass 1 counted the same groups, unless words that pass 2 hands to the
    // command processor hid a "define" from it; such a style is plain.
    const std::size_t index = m.styleIndex;
    if (index >= kMaxStyles) ddl::fatalError("Too many styles");
    try {
        if (index >= m.styles.size()) m.styles.resize(index + 1);
        m.styles[index].name = name;
    } catch (const std::bad_alloc &) {
        ddl::fatalError("Not enough memory for Styles");
    }
    m.styles[index].named = true;
    nameStyle(m, index, name);

    if (m.styles[index].effectRuler) {
        moveToGroupEnd(m);
        m.styles[index].definitionEnd = std::max(m.cursor, m.styles[index].definePosition);
    } else {
        emit(m, "STYLE_");
        emitInt(m, static_cast<long long>(index));
        emit(m, "={style ");
        emitString(m, index == 0 ? std::string_view("BodyText") : std::string_view(name));
        emit(m, "\r\n");
        processCommandGroup(m);
        emit(m, index == 0 ? std::string_view("{keypress \"C_F1\"}") : std::string_view("{keypress \"\"}"));
        emit(m, "{scope ");
        emitInt(m, m.scope);
        emit(m, "}\r\n}\r\n\r\n");
    }
    ++m.styleIndex;
    m.inStyleDefinition = false;
    m.bold = kUnset;
    m.italic = kUnset;
}

// Replays recorded: one slot per style for each hash of the state they
// start from, each of bounded size, and a bound on all of them together.
constexpr std::size_t kRecordSlots = 128;
constexpr std::size_t kMaxRecordBytes = 16 * 1024;
constexpr std::size_t kMaxRecordedBytes = 1 << 20;

TextState textState(const Markload &m) {
    return {m.commandsOff, m.leftMargin, m.bold, m.italic, m.savedFont, m.scope};
}

// The same state as far as a replay can tell: the margin to the bit.
bool startsHere(const TextState &state, const Markload &m) {
    return state.commandsOff == m.commandsOff && std::memcmp(&state.leftMargin, &m.leftMargin, sizeof m.leftMargin) == 0 &&
           state.bold == m.bold && state.italic == m.italic && state.savedFont == m.savedFont;
}

std::size_t recordSlot(const Markload &m, bool off) {
    const auto mix = [](std::uint64_t hash, std::uint64_t value) {
        hash = (hash ^ value) * 0x9E3779B97F4A7C15ull;
        return hash ^ (hash >> 29);
    };
    std::uint64_t margin = 0;
    std::memcpy(&margin, &m.leftMargin, sizeof margin);
    std::uint64_t hash = mix(margin, static_cast<std::uint64_t>((m.bold + 2) * 16 + (m.italic + 2) * 4) |
                                         (off ? 1u : 0u) | (m.commandsOff ? 2u : 0u));
    // The font by its length and its ends: starts that differ only inside
    // a long font name share a slot, and the compare on a hit tells them apart.
    const std::string &font = m.savedFont;
    hash = mix(hash, font.size());
    if (font.size() >= 8) {
        std::uint64_t head = 0, tail = 0;
        std::memcpy(&head, font.data(), 8);
        std::memcpy(&tail, font.data() + font.size() - 8, 8);
        hash = mix(mix(hash, head), tail);
    } else {
        for (char c : font) hash = mix(hash, static_cast<std::uint8_t>(c));
    }
    return static_cast<std::size_t>(hash % kRecordSlots);
}

// A recorded replay of the style from the state that holds now, written
// again and charged its whole cost; false when there is none, or when the
// budget would not cover it (the walk then stops where it runs out).
bool replayRecorded(Markload &m, StyleEntry &style, bool off, std::size_t slot) {
    if (style.records.empty()) return false;
    const ReplayRecord &record = style.records[slot];
    if (!record.used || record.off != off || !startsHere(record.before, m)) return false;
    if (record.cost > m.replayBudget) return false;
    m.replayBudget -= record.cost;
    emit(m, record.output);
    m.commandsOff = record.after.commandsOff;
    m.leftMargin = record.after.leftMargin;
    m.bold = record.after.bold;
    m.italic = record.after.italic;
    m.savedFont = record.after.savedFont;
    m.scope = record.after.scope;
    return true;
}

void keepRecord(Markload &m, StyleEntry &style, std::size_t slot, ReplayRecord record) {
    const std::size_t size = record.output.size();
    if (size > kMaxRecordBytes) return;
    if (style.records.empty()) style.records.resize(kRecordSlots);
    ReplayRecord &replaced = style.records[slot];
    const std::size_t held = m.recordedBytes - replaced.output.size();
    if (held + size > kMaxRecordedBytes) return;
    m.recordedBytes = held + size;
    record.used = true;
    replaced = std::move(record);
}

// Runs the stored definition of an effect-ruler style as if its commands
// stood here; switched off, margins and tabs are written without values. The
// replay sees only its definition, up to the brace that pass 2 found, so that
// nothing in it (an open quote) reaches the text after it; what it may walk
// is charged to the run's budget before it starts, nested replays included.
// A switch of a style whose replay is under way is passed over.
void replayEffectRuler(Markload &m, std::size_t index, bool off) {
    StyleEntry &style = m.styles[index];
    if (style.replaying) return;
    const bool record = m.recordReplays && m.replayDepth == 0;
    const std::size_t slot = record ? recordSlot(m, off) : 0;
    if (record && replayRecorded(m, style, off, slot)) return;
    const std::uint64_t budgetBefore = m.replayBudget;
    const std::uint64_t cost = style.definitionEnd - style.definePosition + 1;
    if (cost > m.replayBudget) ddl::fatalError("Effect-ruler styles are switched too often to replay");
    m.replayBudget -= cost;
    ReplayRecord recorded;
    if (record) {
        recorded.off = off;
        recorded.before = textState(m);
        m.recording = true;
        m.recordStart = m.out.size;
    }

    const std::span<const std::uint8_t> savedInput = m.input;
    const std::size_t savedCursor = m.cursor;
    const bool savedOffSetting = m.offSetting;
    m.input = m.document.first(style.definitionEnd);
    m.cursor = style.definePosition;
    readArgumentWord(m);
    readArgumentWord(m);
    m.offSetting = off;
    style.replaying = true;
    ++m.replayDepth;
    processCommandGroup(m);
    --m.replayDepth;
    m.styles[index].replaying = false;
    m.input = savedInput;
    m.cursor = savedCursor;
    m.offSetting = savedOffSetting;
    if (record && m.recording) {
        recorded.after = textState(m);
        recorded.cost = budgetBefore - m.replayBudget;
        recorded.output.assign(m.out.from(m.recordStart));
        keepRecord(m, m.styles[index], slot, std::move(recorded));
    }
    m.recording = false;
}

} // namespace

void scanGroupPass1(Markload &m) {
    while (!atEnd(m) && !cursorOn(m, '}')) {
        readWord(m);
        bool off = false;
        if (isOnOff(m, off)) m.commandsOff = off;
        if (m.commandsOff) return;
        const std::string_view word = m.token();
        if (word == "define") {
            const std::size_t position = m.cursor;
            readArgumentWord(m);
            if (m.token() == "colours") readColourDefinitions(m);
            else addStyle(m, position);
        } else if (word == "effectruler") {
            readArgumentWord(m);
            if (m.token() == "on" && !m.styles.empty()) m.styles.back().effectRuler = true;
        } else if (word == "fontcolour" || word == "backcolour") {
            registerColourUse(m);
        } else {
            skipArgument(m);
        }
    }
}

void scanGroupPass2(Markload &m) {
    while (!atEnd(m) && !cursorOn(m, '}')) {
        readWord(m);
        bool off = false;
        if (isOnOff(m, off)) m.commandsOff = off;
        if (m.commandsOff) return;
        if (m.token() == "define") defineStyle(m);
        else skipArgument(m);
    }
}

bool switchStyle(Markload &m, std::string_view word) {
    StyleName name;
    if (!m.quoted && (isWord(word, "style") || isWord(word, "ruler"))) {
        readArgumentWord(m);
        word = m.token();
    }
    name.length = std::min(word.size(), kMaxStyleName);
    std::memcpy(name.text.data(), word.data(), name.length);
    // The word reader has folded an unquoted name already.
    const std::size_t found = findStyle(m, m.quoted ? foldedStyleName(name.view()).view() : name.view());

    readArgumentWord(m);
    const bool settingOff = isWord(m.token(), "off");
    const bool settingOn = isWord(m.token(), "on");
    if (found < m.styles.size() && m.styles[found].effectRuler) {
        replayEffectRuler(m, found, settingOff);
        return true;
    }
    if (!settingOn && !settingOff) return false;
    emit(m, settingOn ? std::string_view("{adduserstyle {stylename ") : std::string_view("{remuserstyle {stylename "));
    emitString(m, found == 0 && !m.styles.empty() ? std::string_view("BodyText") : name.view());
    emit(m, "}}");
    return true;
}

} // namespace markload
