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

// Reads the group's next word; false when commands are off after it.
bool readPassWord(Markload &m, PassWord &kind) {
    readWord(m);
    kind = passWord(m);
    if (kind == PassWord::on || kind == PassWord::off) m.state.commandsOff = kind == PassWord::off;
    return !m.state.commandsOff;
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
    m.state.scope = 0;
    m.state.bold = kUnset;
    m.state.italic = kUnset;
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
        emitInt(m, m.state.scope);
        emit(m, "}\r\n}\r\n\r\n");
    }
    ++m.styleIndex;
    m.inStyleDefinition = false;
    m.state.bold = kUnset;
    m.state.italic = kUnset;
}

} // namespace

void scanGroupPass1(Markload &m) {
    PassWord kind = PassWord::other;
    while (!atEnd(m) && !cursorOn(m, '}')) {
        if (!readPassWord(m, kind)) return;
        if (kind == PassWord::define) {
            const std::size_t position = m.cursor;
            readArgumentWord(m);
            if (m.token() == "colours") readColourDefinitions(m);
            else addStyle(m, position);
        } else if (kind == PassWord::effectRuler) {
            readArgumentWord(m);
            if (m.token() == "on" && !m.styles.empty()) m.styles.back().effectRuler = true;
        } else if (kind == PassWord::colourUse) {
            registerColourUse(m);
        } else {
            skipArgument(m);
        }
    }
}

void scanGroupPass2(Markload &m) {
    PassWord kind = PassWord::other;
    while (!atEnd(m) && !cursorOn(m, '}')) {
        if (!readPassWord(m, kind)) return;
        if (kind == PassWord::define) defineStyle(m);
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
