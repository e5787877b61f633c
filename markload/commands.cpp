// The command processor: one DDF command group in, DDL attributes out. It runs
// over the text's groups (pass 3), the bodies of style definitions (pass 2)
// and the replayed definitions of effect-ruler styles.
#include "markload/markload.h"
#include "ddl/fatal_error.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace markload {
namespace {

// Inside a style definition every attribute stands on its own line.
void ending(Markload &m) { emit(m, m.inStyleDefinition ? std::string_view("}\r\n") : std::string_view("}")); }

// "\65" writes a quoted A: the decimal code after the first character.
void writeCode(Markload &m, std::string_view word) {
    const long long code = readInteger(word.substr(word.empty() ? 0 : 1));
    const char c = static_cast<char>(static_cast<unsigned char>(((code % 256) + 256) % 256));
    emitString(m, std::string_view(&c, 1));
}

// Value text without the blanks that end it before a brace or line end.
std::string_view trimmedValue(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

void kern(Markload &m) {
    emit(m, "{track");
    if (hasArgument(m)) {
        readToken(m, Reader::listItem);
        emit(m, " ");
        emitFixed(m, static_cast<double>(readInteger(m.token()) * 65536 / 1000));
        emit(m, "}{track");
        readArgumentWord(m);
    }
    ending(m);
}

void font(Markload &m) {
    emit(m, "{fontstyle");
    if (hasArgument(m)) {
        readWord(m);
        const std::string name(m.token());
        emit(m, " ");
        emitString(m, name);
        if (!m.inStyleDefinition) m.state.savedFont = name;
        if (m.state.bold != kUnset) {
            ending(m);
            emit(m, "{bold ");
            emitInt(m, m.state.bold);
        }
        if (m.state.italic != kUnset) {
            ending(m);
            emit(m, "{italic ");
            emitInt(m, m.state.italic);
        }
    } else if (!m.inStyleDefinition) {
        m.state.savedFont.clear();
    }
    ending(m);
}

// The margins and tabs of a replayed effect ruler switched off are written
// without their values.
void leftMargin(Markload &m) {
    emit(m, "{leftindent");
    if (m.offSetting) {
        skipArgument(m);
    } else if (hasArgument(m)) {
        m.state.leftMargin = toMillipoints(m);
        emit(m, " 1 ");
        emitRounded(m, m.state.leftMargin);
    }
    ending(m);
}

void rightMargin(Markload &m) {
    emit(m, "{rightindent");
    if (m.offSetting) {
        skipArgument(m);
    } else if (hasArgument(m)) {
        const double margin = toMillipoints(m);
        emit(m, margin > 0 ? std::string_view(" 2 ") : std::string_view(" 0 "));
        emitRounded(m, std::fabs(margin));
    }
    ending(m);
}

void returnMargin(Markload &m) {
    emit(m, "{firstindent");
    if (m.offSetting) {
        skipArgument(m);
    } else if (hasArgument(m)) {
        emit(m, " ");
        emitRounded(m, toMillipoints(m) - m.state.leftMargin);
    }
    ending(m);
}

struct TabKind {
    std::string_view word;
    std::string_view attribute;
};

constexpr TabKind kTabKinds[] = {
    {"left", "{lefttab"}, {"right", "{righttab"}, {"centre", "{centretab"},
    {"decimal", "{decimaltab"}, {"vertrule", "{ruleposn"},
};

void tabs(Markload &m) {
    emit(m, "{tabruler");
    if (m.offSetting) {
        skipArgument(m);
    } else {
        emit(m, " {tableader \"\"} ");
        while (!atEnd(m) && !cursorOn(m, '}') && !cursorOn(m, ';')) {
            const std::size_t before = m.cursor;
            readToken(m, Reader::listItem);
            const TabKind *kind = nullptr;
            for (const auto &k : kTabKinds)
                if (m.token() == k.word) kind = &k;
            if (kind != nullptr) {
                // A type without a position writes no tab: its value would
                // come from after the comma or the group's closing brace.
                if (atEnd(m) || cursorOn(m, '}') || cursorOn(m, ';') || cursorOn(m, ',')) continue;
                emit(m, kind->attribute);
            } else {
                // A bare position is a left tab; the item is its value.
                emit(m, "{lefttab");
                m.cursor = before;
            }
            emit(m, " ");
            emitRounded(m, toMillipoints(m));
            emit(m, "}");
        }
    }
    ending(m);
}

// bold and italic: a state for the next font command to repeat, or, without
// a value, the saved font again.
void fontFlag(Markload &m, std::string_view attribute, int &state) {
    state = kUnset;
    emit(m, attribute);
    if (hasArgument(m)) {
        readWord(m);
        state = m.token() == "on" ? 1 : 0;
        emit(m, " ");
        emitInt(m, state);
    } else if (!m.state.savedFont.empty()) {
        ending(m);
        emit(m, "{fontstyle ");
        emitString(m, m.state.savedFont);
    }
    ending(m);
}

void bold(Markload &m) { fontFlag(m, "{bold", m.state.bold); }
void italic(Markload &m) { fontFlag(m, "{italic", m.state.italic); }

void script(Markload &m) {
    if (!hasArgument(m)) {
        emit(m, "{sub");
        ending(m);
        return;
    }
    readWord(m);
    const std::string_view how = m.token();
    // Any other word writes nothing at all: a lone ending would close the story.
    if (how == "off") emit(m, "{super 0}{sub 0");
    else if (how == "super") emit(m, "{super 1");
    else if (how == "sub") emit(m, "{sub 1");
    else return;
    ending(m);
}

void underline(Markload &m) {
    emit(m, "{underline");
    if (hasArgument(m)) {
        readToken(m, Reader::value);
        const std::string_view how = trimmedValue(m.token());
        emit(m, how == "0" ? std::string_view(" 0") : std::string_view(" 1"));
        emit(m, " {type 1} {thickness 2620} {colourvalue {colourname \"Transparent\"} 0x10000} {wordunderline 0} "
                "{doubleunderline ");
        emit(m, how == "2" ? std::string_view("1}") : std::string_view("0}"));
    }
    ending(m);
}

// The field's short name is its last word with the space before it. The
// macro is a DDL string holding a quoted DDL string, so the field's quotes
// and backslashes are escaped twice.
void merge(Markload &m) {
    readArgumentWord(m);
    const std::string_view token = m.token();
    const std::size_t space = token.rfind(' ');
    emit(m, " {merge ");
    emitString(m, token.substr(space == std::string_view::npos ? 0 : space, kMaxMergeShortName));
    const std::string_view field = token.substr(0, token.find('\0'));
    constexpr std::string_view opening = " \"{macv=impulse(\\\"";
    constexpr std::string_view closing = "\\\")}\"}\r\n";
    char *const start = m.out.room(opening.size() + 4 * field.size() + closing.size());
    char *at = start;
    at = std::copy(opening.begin(), opening.end(), at);
    for (char c : field) {
        if (c == '"') at = std::copy_n("\\\\\\\"", 4, at);
        else if (c == '\\') at = std::copy_n("\\\\\\\\", 4, at);
        else *at++ = c;
    }
    at = std::copy(closing.begin(), closing.end(), at);
    m.out.size += static_cast<std::size_t>(at - start);
    drainIfFull(m);
}

void code(Markload &m) { writeCode(m, m.token()); }
void define(Markload &m) { moveToGroupEnd(m); }
void autoParagraph(Markload &m) { m.state.scope = 1; }

// What a command does. Most commands take one of a few shapes, written by
// runCommand from the row's texts; the rest have a handler of their own.
enum class Kind : std::uint8_t {
    skip,          // its argument is passed over
    text,          // writes `attribute`
    afterWord,     // drops one word, then writes `attribute`
    measure,       // `attribute`; given a value: `before`, the measurement as "%.0f", `after`; the ending
    fixedMeasure,  // the same with the measurement plus `offset` as 16.16 "0x%x"
    fixedInteger,  // `attribute`; given a value: `before` and the word read as an integer, as "0x%x"; the ending
    choice,        // `attribute`; given a value: " " and the place of the word among `choices`, if it is one; the ending
    flag,          // reads a word; `attribute`, `yes` when the word is `choices` else `no`, then `after`
    colour,        // `attribute`; given a colour: " COL_%d 0x10000"; then `after`, or the ending when it is empty
    styleSwitch,   // "style" and "ruler": a switch, which may turn out not to be one
    special,       // `handler`
};

struct Command {
    std::string_view word;
    Kind kind;
    std::string_view attribute = {};
    std::string_view before = {};
    std::string_view after = {};
    std::string_view choices = {};  // blank-separated words; for a flag, the word that writes `yes`
    double offset = 0;
    char yes = '1', no = '0';
    void (*handler)(Markload &) = nullptr;
};

constexpr std::string_view kStrikeoutTail = " {type 1} {thickness 0} {colourvalue {colourname \"Transparent\"} 0x10000}}\r\n";
constexpr std::string_view kHyphenationTail = " {hpminsize 5} {hpminbefore 2} {hpminafter 2} {hpmaxconsecutive 3} "
                                              "{hpzone 36000} {hpbreakpara 0} {hpbreakcaps 0}}\r\n";

// The row of each shape.
constexpr Command skip(std::string_view word) { return {word, Kind::skip}; }
constexpr Command text(std::string_view word, std::string_view attribute) { return {word, Kind::text, attribute}; }
constexpr Command afterWord(std::string_view word, std::string_view attribute) {
    return {word, Kind::afterWord, attribute};
}
constexpr Command measure(std::string_view word, std::string_view attribute, std::string_view before,
                          std::string_view after = {}) {
    return {word, Kind::measure, attribute, before, after};
}
constexpr Command fixedMeasure(std::string_view word, std::string_view attribute, std::string_view before,
                               double offset = 0) {
    return {word, Kind::fixedMeasure, attribute, before, {}, {}, offset};
}
constexpr Command fixedInteger(std::string_view word, std::string_view attribute, std::string_view before) {
    return {word, Kind::fixedInteger, attribute, before};
}
constexpr Command choice(std::string_view word, std::string_view attribute, std::string_view choices) {
    return {word, Kind::choice, attribute, {}, {}, choices};
}
constexpr Command flag(std::string_view word, std::string_view attribute, std::string_view when, char yes, char no,
                       std::string_view after) {
    return {word, Kind::flag, attribute, {}, after, when, 0, yes, no};
}
constexpr Command colour(std::string_view word, std::string_view attribute, std::string_view after = {}) {
    return {word, Kind::colour, attribute, {}, after};
}
constexpr Command styleSwitch(std::string_view word) { return {word, Kind::styleSwitch}; }
constexpr Command special(std::string_view word, void (*handler)(Markload &)) {
    return {word, Kind::special, {}, {}, {}, {}, 0, '1', '0', handler};
}

// Every command word, once each (checked below); a word is found through
// the hash table built from this one. A command that writes a fixed
// attribute is one text() row.
constexpr Command kCommands[] = {
    styleSwitch("style"), styleSwitch("ruler"), skip("framethrow"), text("nextframe", "{newpage}"),
    special("code", code), text("tab", "{tab}"), text("CR", "{newpara}"), text("star", "*"), text("hash", "#"),
    text("at", "@"), text("softhyphen", "{softhyphen}"), special("kern", kern), special("define", define),
    special("font", font), measure("fontsize", "{textsize", " "), measure("linespace", "{leading", " 1 "),
    measure("spaceabove", "{spacebefore", " ", "\r\n"), measure("spacebelow", "{spaceafter", " ", "\r\n"),
    skip("condframethrow"), special("leftmargin", leftMargin), special("rightmargin", rightMargin),
    special("returnmargin", returnMargin), skip("ruleleftmargin"), skip("rulerightmargin"), skip("rulewidth"),
    skip("vertrulewidth"), skip("ruleaboveoffset"), skip("ruleoffset"), colour("fontcolour", "{foreground"),
    colour("backcolour", "{background", "}\r\n"), skip("linecolour"), skip("rulecolour"),
    fixedMeasure("fontaspect", "{scale", " "), fixedMeasure("linespacep", "{leading", " 2 ", -0x10000),
    fixedInteger("tracking", "{track", " "), choice("justify", "{align", "left centre right full"),
    special("tabs", tabs), skip("rulecontrol"), flag("strikeout", "{strikeout ", "off", '0', '1', kStrikeoutTail),
    flag("hyphenate", "{hyphenation ", "on", '1', '0', kHyphenationTail), skip("locktolinespace"),
    special("bold", bold), special("italic", italic), skip("keepparagraph"), skip("keepnext"), skip("keepregion"),
    skip("overprint"), skip("overprintb"), skip("effectruler"), special("script", script), skip("scriptsize"),
    skip("scriptoffset"), special("underline", underline), skip("linesize"), skip("lineoffset"), skip("leader"),
    skip("dectabchar"), skip("index"), skip("contents"), skip("shortcut"), afterWord("pagenumber", "{pageno}"),
    afterWord("chapternumber", "{chapterno}"), skip("menuitem"), skip("autoindent"),
    special("autoparagraph", autoParagraph), special("merge", merge),
};

constexpr bool wordsAreUnique() {
    for (std::size_t a = 0; a < std::size(kCommands); ++a)
        for (std::size_t b = a + 1; b < std::size(kCommands); ++b)
            if (blockWord(kCommands[a].word).bytes == blockWord(kCommands[b].word).bytes) return false;
    return true;
}
static_assert(wordsAreUnique(), "a command word stands twice in kCommands");

constexpr bool rowsAreWhole() {
    for (const Command &command : kCommands)
        if ((command.kind == Kind::special) != (command.handler != nullptr)) return false;
    return true;
}
static_assert(rowsAreWhole(), "a special command needs a handler, and only a special one has one");

// The place of `word` among the blank-separated `choices`, or -1.
int choiceIndex(std::string_view choices, std::string_view word) {
    for (int index = 0; !choices.empty(); ++index) {
        const std::size_t blank = choices.find(' ');
        if (choices.substr(0, blank) == word) return index;
        choices = blank == std::string_view::npos ? std::string_view() : choices.substr(blank + 1);
    }
    return -1;
}

// Runs a command found in the table; false only for a style switch that was
// none.
bool runCommand(Markload &m, const Command &command) {
    switch (command.kind) {
    case Kind::skip: skipArgument(m); return true;
    case Kind::text: emit(m, command.attribute); return true;
    case Kind::afterWord:
        readArgumentWord(m);
        emit(m, command.attribute);
        return true;
    case Kind::flag:
        readArgumentWord(m);
        emit(m, command.attribute);
        emitChar(m, m.token() == command.choices ? command.yes : command.no);
        emit(m, command.after);
        return true;
    case Kind::styleSwitch: return switchStyle(m, m.token());
    case Kind::special: command.handler(m); return true;
    default: break;
    }
    // The attribute, a value when one is given, and the ending.
    emit(m, command.attribute);
    if (hasArgument(m)) {
        switch (command.kind) {
        case Kind::measure:
            emit(m, command.before);
            emitRounded(m, toMillipoints(m));
            emit(m, command.after);
            break;
        case Kind::fixedMeasure:
            emit(m, command.before);
            emitFixed(m, toMillipoints(m) + command.offset);
            break;
        case Kind::fixedInteger:
            readWord(m);
            emit(m, command.before);
            emitFixed(m, static_cast<double>(readInteger(m.token())));
            break;
        case Kind::choice: {
            readWord(m);
            const int index = choiceIndex(command.choices, m.token());
            if (index >= 0) {
                emitChar(m, ' ');
                emitInt(m, index);
            }
            break;
        }
        case Kind::colour: {
            const int number = colourNumber(m);
            emit(m, " COL_");
            emitInt(m, number);
            emit(m, " 0x10000");
            break;
        }
        default: break;
        }
    }
    if (command.kind == Kind::colour && !command.after.empty()) emit(m, command.after);
    else ending(m);
    return true;
}

// The table by word for the lookup, open addressed by a hash of the word's
// length and end characters. The tokens looked up are already folded, so the
// words are folded once here.
struct FoldedCommand {
    BlockWord word;
    std::uint8_t place = 0;  // 1 + the row in kCommands, 0 for a free slot
};

constexpr std::size_t kCommandSlots = 256;
static_assert(kCommandSlots > 2 * std::size(kCommands) && std::size(kCommands) < 255);

template <typename Byte>
constexpr std::size_t commandHash(const Byte *word, std::size_t length) {
    const auto byte = [word](std::size_t at) { return static_cast<std::uint32_t>(static_cast<std::uint8_t>(word[at])); };
    const std::uint32_t key = ((byte(0) * 31 + byte(length > 1 ? 1 : 0)) * 31 + byte(length - 1)) * 31 +
                              static_cast<std::uint32_t>(length);
    return (key * 0x9E3779B1u) >> 24;
}

constexpr auto kCommandSlotTable = [] {
    std::array<FoldedCommand, kCommandSlots> slots{};
    for (std::size_t row = 0; row < std::size(kCommands); ++row) {
        const BlockWord word = blockWord(kCommands[row].word);
        std::size_t slot = commandHash(word.bytes.data(), word.length);
        while (slots[slot].place != 0) slot = (slot + 1) % kCommandSlots;
        slots[slot] = {word, static_cast<std::uint8_t>(row + 1)};
    }
    return slots;
}();

constexpr std::size_t kLongestCommand = [] {
    std::size_t longest = 0;
    for (const Command &command : kCommands) longest = std::max(longest, command.word.size());
    return longest;
}();
static_assert(kLongestCommand < kLaneCount);

const Command *findCommand(const Markload &m) {
    const std::size_t length = m.tokenLength;
    if (length == 0 || length > kLongestCommand) return nullptr;
    const Lanes token = loadLanes(reinterpret_cast<const std::uint8_t *>(m.tokenBuffer.data()));
    for (std::size_t slot = commandHash(m.tokenBuffer.data(), length);; slot = (slot + 1) % kCommandSlots) {
        const FoldedCommand &command = kCommandSlotTable[slot];
        if (command.place == 0) return nullptr;
        if (blockMatches(token, length, command.word)) return &kCommands[command.place - 1];
    }
}

} // namespace


void processCommandGroup(Markload &m) {
    while (!atEnd(m) && !cursorOn(m, '}')) {
        const std::size_t remembered = m.cursor;
        readWord(m);
        // The token stays put until a command or the switch reads on.
        const std::string_view word = m.token();
        bool done = false;
        if (!m.quoted) {
            if (isWord(word, "on") || isWord(word, "off")) {
                m.state.commandsOff = isWord(word, "off");
                return;
            }
            if (!m.state.commandsOff && !word.empty() && word[0] == '\\') {
                writeCode(m, word);
                continue;
            }
            if (!m.state.commandsOff) {
                if (const Command *command = findCommand(m)) {
                    if (runCommand(m, *command)) continue;
                    done = true;  // a "style" or "ruler" switch that failed
                }
            }
        }
        if (!done && switchStyle(m, word)) continue;
        // Not a command: the brace becomes text and so does the rest.
        emitString(m, "{");
        m.cursor = remembered;
        return;
    }
}

double toMillipoints(Markload &m) {
    readToken(m, Reader::value);
    const std::string_view text = m.token();
    std::size_t at = 0;
    const double number = readDecimal(text, at);
    while (at < text.size() && (text[at] == ' ' || text[at] == '\n' || text[at] == '\r')) ++at;
    const std::string_view unit = trimmedValue(text.substr(at));

    if (unit.empty() || isWord(unit, "pt")) return number * 1000;
    if (isWord(unit, "mm")) return number * 72000 / 25.4;
    if (isWord(unit, "cm")) return number * 720000 / 25.4;
    if (isWord(unit, "m")) return number * 72000000 / 25.4;
    if (isWord(unit, "in") || unit.find('"') != std::string_view::npos) return number * 72000;
    if (isWord(unit, "yd")) return number * 36 * 72000;
    if (isWord(unit, "ft") || unit.find('\'') != std::string_view::npos) return number * 12 * 72000;
    if (isWord(unit, "pi")) return number * 12000;
    if (isWord(unit, "%")) return number * 65536 / 100;
    return number * 1000;
}

} // namespace markload
