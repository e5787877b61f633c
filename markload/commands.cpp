// The command processor: one DDF command group in, DDL attributes out. It runs
// over the text's groups (pass 3), the bodies of style definitions (pass 2)
// and the replayed definitions of effect-ruler styles.
#include "markload/markload.h"
#include "ddl/ddl_output.h"
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

bool skip(Markload &m) {
    skipArgument(m);
    return true;
}

bool styleSwitch(Markload &m) { return switchStyle(m, m.token()); }

bool nextFrame(Markload &m) {
    emit(m, "{newpage}");
    return true;
}

bool code(Markload &m) {
    writeCode(m, m.token());
    return true;
}

bool tab(Markload &m) {
    emit(m, "{tab}");
    return true;
}

bool newParagraph(Markload &m) {
    emit(m, "{newpara}");
    return true;
}

bool star(Markload &m) {
    emit(m, "*");
    return true;
}

bool hash(Markload &m) {
    emit(m, "#");
    return true;
}

bool at(Markload &m) {
    emit(m, "@");
    return true;
}

bool softHyphen(Markload &m) {
    emit(m, "{softhyphen}");
    return true;
}

bool kern(Markload &m) {
    emit(m, "{track");
    if (hasArgument(m)) {
        readToken(m, Reader::listItem);
        emit(m, " ");
        emitFixed(m, static_cast<double>(readInteger(m.token()) * 65536 / 1000));
        emit(m, "}{track");
        readArgumentWord(m);
    }
    ending(m);
    return true;
}

bool define(Markload &m) {
    moveToGroupEnd(m);
    return true;
}

bool font(Markload &m) {
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
    return true;
}

// An attribute whose value is one measurement, written by `prefix` and "%.0f".
bool measured(Markload &m, std::string_view attribute, std::string_view prefix) {
    emit(m, attribute);
    if (hasArgument(m)) {
        emit(m, prefix);
        emitRounded(m, toMillipoints(m));
    }
    ending(m);
    return true;
}

bool fontSize(Markload &m) { return measured(m, "{textsize", " "); }
bool lineSpace(Markload &m) { return measured(m, "{leading", " 1 "); }

bool spaceAround(Markload &m, std::string_view attribute) {
    emit(m, attribute);
    if (hasArgument(m)) {
        emit(m, " ");
        emitRounded(m, toMillipoints(m));
        emit(m, "\r\n");
    }
    ending(m);
    return true;
}

bool spaceAbove(Markload &m) { return spaceAround(m, "{spacebefore"); }
bool spaceBelow(Markload &m) { return spaceAround(m, "{spaceafter"); }

bool leftMargin(Markload &m) {
    emit(m, "{leftindent");
    if (m.offSetting) {
        skipArgument(m);
    } else if (hasArgument(m)) {
        m.state.leftMargin = toMillipoints(m);
        emit(m, " 1 ");
        emitRounded(m, m.state.leftMargin);
    }
    ending(m);
    return true;
}

bool rightMargin(Markload &m) {
    emit(m, "{rightindent");
    if (m.offSetting) {
        skipArgument(m);
    } else if (hasArgument(m)) {
        const double margin = toMillipoints(m);
        emit(m, margin > 0 ? std::string_view(" 2 ") : std::string_view(" 0 "));
        emitRounded(m, std::fabs(margin));
    }
    ending(m);
    return true;
}

bool returnMargin(Markload &m) {
    emit(m, "{firstindent");
    if (m.offSetting) {
        skipArgument(m);
    } else if (hasArgument(m)) {
        emit(m, " ");
        emitRounded(m, toMillipoints(m) - m.state.leftMargin);
    }
    ending(m);
    return true;
}

// fontcolour and backcolour: the colour's number when one is named, else the
// attribute bare.
void colourAttribute(Markload &m, std::string_view attribute) {
    emit(m, attribute);
    if (hasArgument(m)) {
        const int number = colourNumber(m);
        emit(m, " COL_");
        emitInt(m, number);
        emit(m, " 0x10000");
    }
}

bool fontColour(Markload &m) {
    colourAttribute(m, "{foreground");
    ending(m);
    return true;
}

bool backColour(Markload &m) {
    colourAttribute(m, "{background");
    emit(m, "}\r\n");
    return true;
}

bool fontAspect(Markload &m) {
    emit(m, "{scale");
    if (hasArgument(m)) {
        emit(m, " ");
        emitFixed(m, toMillipoints(m));
    }
    ending(m);
    return true;
}

bool lineSpacePercent(Markload &m) {
    emit(m, "{leading");
    if (hasArgument(m)) {
        emit(m, " 2 ");
        emitFixed(m, toMillipoints(m) - 0x10000);
    }
    ending(m);
    return true;
}

bool tracking(Markload &m) {
    emit(m, "{track");
    if (hasArgument(m)) {
        readWord(m);
        emit(m, " ");
        emitFixed(m, static_cast<double>(readInteger(m.token())));
    }
    ending(m);
    return true;
}

bool justify(Markload &m) {
    emit(m, "{align");
    if (hasArgument(m)) {
        readWord(m);
        const std::string_view how = m.token();
        if (how == "left") emit(m, " 0");
        else if (how == "centre") emit(m, " 1");
        else if (how == "right") emit(m, " 2");
        else if (how == "full") emit(m, " 3");
    }
    ending(m);
    return true;
}

struct TabKind {
    std::string_view word;
    std::string_view attribute;
};

constexpr TabKind kTabKinds[] = {
    {"left", "{lefttab"}, {"right", "{righttab"}, {"centre", "{centretab"},
    {"decimal", "{decimaltab"}, {"vertrule", "{ruleposn"},
};

bool tabs(Markload &m) {
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
    return true;
}

bool strikeout(Markload &m) {
    readArgumentWord(m);
    emit(m, "{strikeout ");
    emit(m, m.token() == "off" ? std::string_view("0") : std::string_view("1"));
    emit(m, " {type 1} {thickness 0} {colourvalue {colourname \"Transparent\"} 0x10000}}\r\n");
    return true;
}

bool hyphenate(Markload &m) {
    readArgumentWord(m);
    emit(m, "{hyphenation ");
    emit(m, m.token() == "on" ? std::string_view("1") : std::string_view("0"));
    emit(m, " {hpminsize 5} {hpminbefore 2} {hpminafter 2} {hpmaxconsecutive 3} {hpzone 36000} {hpbreakpara 0} "
            "{hpbreakcaps 0}}\r\n");
    return true;
}

// bold and italic: a state for the next font command to repeat, or, without
// a value, the saved font again.
bool fontFlag(Markload &m, std::string_view attribute, int &state) {
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
    return true;
}

bool bold(Markload &m) { return fontFlag(m, "{bold", m.state.bold); }
bool italic(Markload &m) { return fontFlag(m, "{italic", m.state.italic); }

bool script(Markload &m) {
    if (!hasArgument(m)) {
        emit(m, "{sub");
        ending(m);
        return true;
    }
    readWord(m);
    const std::string_view how = m.token();
    // Any other word writes nothing at all: a lone ending would close the story.
    if (how == "off") emit(m, "{super 0}{sub 0");
    else if (how == "super") emit(m, "{super 1");
    else if (how == "sub") emit(m, "{sub 1");
    else return true;
    ending(m);
    return true;
}

bool underline(Markload &m) {
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
    return true;
}

bool pageNumber(Markload &m) {
    readArgumentWord(m);
    emit(m, "{pageno}");
    return true;
}

bool chapterNumber(Markload &m) {
    readArgumentWord(m);
    emit(m, "{chapterno}");
    return true;
}

bool autoParagraph(Markload &m) {
    m.state.scope = 1;
    return true;
}

// The field's short name is its last word with the space before it. The
// macro is a DDL string holding a quoted DDL string, so the field's quotes
// and backslashes are escaped twice.
bool merge(Markload &m) {
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
    return true;
}

using Handler = bool (*)(Markload &);

struct Command {
    std::string_view word;
    Handler handler;
};

// Searched in order; the first word that matches wins.
constexpr Command kCommands[] = {
    {"style", styleSwitch},      {"ruler", styleSwitch},        {"framethrow", skip},
    {"nextframe", nextFrame},    {"code", code},                {"tab", tab},
    {"CR", newParagraph},        {"star", star},                {"hash", hash},
    {"at", at},                  {"softhyphen", softHyphen},    {"kern", kern},
    {"define", define},          {"font", font},                {"fontsize", fontSize},
    {"linespace", lineSpace},    {"spaceabove", spaceAbove},    {"spacebelow", spaceBelow},
    {"condframethrow", skip},    {"leftmargin", leftMargin},    {"rightmargin", rightMargin},
    {"returnmargin", returnMargin}, {"ruleleftmargin", skip},   {"rulerightmargin", skip},
    {"rulewidth", skip},         {"vertrulewidth", skip},       {"ruleaboveoffset", skip},
    {"ruleoffset", skip},        {"fontcolour", fontColour},    {"backcolour", backColour},
    {"linecolour", skip},        {"rulecolour", skip},          {"fontaspect", fontAspect},
    {"linespacep", lineSpacePercent}, {"tracking", tracking},   {"justify", justify},
    {"tabs", tabs},              {"rulecontrol", skip},         {"strikeout", strikeout},
    {"hyphenate", hyphenate},    {"locktolinespace", skip},     {"bold", bold},
    {"italic", italic},          {"keepparagraph", skip},       {"keepnext", skip},
    {"keepregion", skip},        {"overprint", skip},           {"overprintb", skip},
    {"effectruler", skip},       {"script", script},            {"scriptsize", skip},
    {"scriptoffset", skip},      {"underline", underline},      {"linesize", skip},
    {"lineoffset", skip},        {"leader", skip},              {"dectabchar", skip},
    {"index", skip},             {"contents", skip},            {"shortcut", skip},
    {"pagenumber", pageNumber},  {"chapternumber", chapterNumber}, {"menuitem", skip},
    {"autoindent", skip},        {"autoparagraph", autoParagraph}, {"merge", merge},
};
static_assert(std::size(kCommands) == 66);

// The same table by word for the lookup, open addressed by a hash of the
// word's length and end characters. The tokens looked up are already folded,
// so the words are folded once here.
struct FoldedCommand {
    BlockWord word;
    Handler handler = nullptr;
};

constexpr std::size_t kCommandSlots = 256;
static_assert(kCommandSlots > 2 * std::size(kCommands));

template <typename Byte>
constexpr std::size_t commandHash(const Byte *word, std::size_t length) {
    const auto byte = [word](std::size_t at) { return static_cast<std::uint32_t>(static_cast<std::uint8_t>(word[at])); };
    const std::uint32_t key = ((byte(0) * 31 + byte(length > 1 ? 1 : 0)) * 31 + byte(length - 1)) * 31 +
                              static_cast<std::uint32_t>(length);
    return (key * 0x9E3779B1u) >> 24;
}

constexpr auto kCommandSlotTable = [] {
    std::array<FoldedCommand, kCommandSlots> slots{};
    for (const Command &command : kCommands) {
        const BlockWord word = blockWord(command.word);
        const auto *folded = word.bytes.data();
        std::size_t slot = commandHash(folded, word.length);
        while (slots[slot].handler != nullptr) slot = (slot + 1) % kCommandSlots;
        slots[slot] = {word, command.handler};
    }
    return slots;
}();

constexpr std::size_t kLongestCommand = [] {
    std::size_t longest = 0;
    for (const Command &command : kCommands) longest = std::max(longest, command.word.size());
    return longest;
}();
static_assert(kLongestCommand < kLaneCount);

Handler findCommand(const Markload &m) {
    const std::size_t length = m.tokenLength;
    if (length == 0 || length > kLongestCommand) return nullptr;
    const Lanes token = loadLanes(reinterpret_cast<const std::uint8_t *>(m.tokenBuffer.data()));
    for (std::size_t slot = commandHash(m.tokenBuffer.data(), length);; slot = (slot + 1) % kCommandSlots) {
        const FoldedCommand &command = kCommandSlotTable[slot];
        if (command.handler == nullptr) return nullptr;
        if (blockMatches(token, length, command.word)) return command.handler;
    }
}

} // namespace


void processCommandGroup(Markload &m) {
    while (!atEnd(m) && !cursorOn(m, '}')) {
        const std::size_t remembered = m.cursor;
        readWord(m);
        // The token stays put until a handler or the switch reads on.
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
                if (Handler handler = findCommand(m)) {
                    if (handler(m)) continue;
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
