// Styles: pass 1 finds every "define" group, pass 2 names the styles and
// writes their objects, pass 3 switches them. An effect-ruler style has no
// object: switching it replays its definition's commands in place.
#include "markload/markload.h"
#include "folio/fatal_error.h"

#include <algorithm>
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
        m.styles[index].foldedName = lowerCase(name);
    } catch (const std::bad_alloc &) {
        ddl::fatalError("Not enough memory for Styles");
    }
    m.styles[index].named = true;

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

// Replays recorded: a few per style and switch, each of bounded size, and a
// bound on all of them together.
constexpr std::size_t kRecordsPerSwitch = 4;
constexpr std::size_t kMaxRecordBytes = 16 * 1024;
constexpr std::size_t kMaxRecordedBytes = 1 << 20;

TextState textState(const Markload &m) {
    return {m.commandsOff, m.leftMargin, m.bold, m.italic, m.savedFont, m.scope};
}

// The same state as far as a replay can tell: the margin to the bit.
bool sameStart(const TextState &a, const TextState &b) {
    return a.commandsOff == b.commandsOff && std::memcmp(&a.leftMargin, &b.leftMargin, sizeof a.leftMargin) == 0 &&
           a.bold == b.bold && a.italic == b.italic && a.savedFont == b.savedFont;
}

// A recorded replay of the style from the state that holds now, written
// again and charged its whole cost; false when there is none, or when the
// budget would not cover it (the walk then stops where it runs out).
bool replayRecorded(Markload &m, StyleEntry &style, bool off) {
    const TextState now = textState(m);
    for (const ReplayRecord &record : style.records) {
        if (record.off != off || !sameStart(record.before, now)) continue;
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
    return false;
}

void keepRecord(Markload &m, StyleEntry &style, ReplayRecord record) {
    const std::size_t size = record.output.size();
    if (size > kMaxRecordBytes) return;
    if (style.records.size() < kRecordsPerSwitch * 2) {
        if (m.recordedBytes + size > kMaxRecordedBytes) return;
        m.recordedBytes += size;
        style.records.push_back(std::move(record));
        return;
    }
    ReplayRecord &replaced = style.records[style.nextRecord];
    if (m.recordedBytes - replaced.output.size() + size > kMaxRecordedBytes) return;
    m.recordedBytes = m.recordedBytes - replaced.output.size() + size;
    replaced = std::move(record);
    style.nextRecord = (style.nextRecord + 1) % style.records.size();
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
    if (record && replayRecorded(m, style, off)) return;
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
        keepRecord(m, m.styles[index], std::move(recorded));
    }
    m.recording = false;
}

} // namespace

void scanGroupPass1(Markload &m) {
    while (!atEnd(m) && !cursorOn(m, '}')) {
        readToken(m, Reader::word);
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
        readToken(m, Reader::word);
        bool off = false;
        if (isOnOff(m, off)) m.commandsOff = off;
        if (m.commandsOff) return;
        if (m.token() == "define") defineStyle(m);
        else skipArgument(m);
    }
}

bool switchStyle(Markload &m, std::string_view word) {
    std::string name;
    if (!m.quoted && (word == "style" || word == "ruler")) {
        readArgumentWord(m);
        name = m.token();
    } else {
        name = word;
    }
    if (name.size() > kMaxStyleName) name.resize(kMaxStyleName);

    const std::string wanted = lowerCase(name);
    std::size_t found = m.styles.size();
    for (std::size_t index = 0; index < m.styles.size(); ++index) {
        if (m.styles[index].named && m.styles[index].foldedName == wanted) {
            found = index;
            break;
        }
    }

    readArgumentWord(m);
    const bool settingOff = m.token() == "off";
    const bool settingOn = m.token() == "on";
    if (found < m.styles.size() && m.styles[found].effectRuler) {
        replayEffectRuler(m, found, settingOff);
        return true;
    }
    if (!settingOn && !settingOff) return false;
    emit(m, settingOn ? std::string_view("{adduserstyle {stylename ") : std::string_view("{remuserstyle {stylename "));
    emitString(m, found == 0 && !m.styles.empty() ? std::string_view("BodyText") : std::string_view(name));
    emit(m, "}}");
    return true;
}

} // namespace markload
