// Markload: converts a DDF file (text with commands in braces) into DDL
// holding its colours, its styles and one story with all its text.
//
// The whole input is read three times: pass 1 writes the explicit colours and
// collects style names and implicitly used colours (written right after it),
// pass 2 writes the style objects, pass 3 writes STORY_1 with the text.
// Passes 1 and 2 pass over groups that cannot concern them at once, and pass
// 2 goes straight from one group that pass 1 had to walk to the next.
//
// Failure policy: every failure is fatal (fatalError); the output written so
// far stays. Unknown words and malformed groups are not errors: they become
// style switches or literal text. Every scan is bounded by the end of the
// input, tokens are cut to 255 characters, numbers that cannot be read count
// as 0 and values too large for the output are clamped.
#pragma once

#include "markload/output_buffer.h"
#include "markload/lanes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace markload {

constexpr std::size_t kMaxToken = 255;
constexpr std::size_t kMaxStyles = 512;
constexpr std::size_t kMaxStyleName = 18;
constexpr std::size_t kMaxColours = 256;
constexpr std::size_t kMaxColourName = 23;
constexpr std::size_t kMaxRunCharacters = 254;
constexpr std::size_t kMaxMergeShortName = 15;

// The token readers: which characters end a token and whether it is folded.
enum class Reader { word, value, listItem, line };

// Bold and italic remember "unset" besides 0 and 1.
constexpr int kUnset = -1;

// The state that commands of the text read and change besides the output,
// held once: an effect-ruler replay is recorded from one TextState and leaves
// another, so a field added here is recorded and restored with the rest.
struct TextState {
    bool commandsOff = false;
    double leftMargin = 0;  // never NaN; -0 and 0 write alike, so == tells starts apart
    int bold = kUnset;
    int italic = kUnset;
    std::string savedFont;
    int scope = 0;

    bool operator==(const TextState &) const = default;
};

// One replay of pass 3 as it ran: from which state, what it wrote, what it
// left and what it cost. Switched again from the same state, the style
// writes the same bytes, so they are copied instead of walked again.
struct ReplayRecord {
    bool used = false;
    bool off = false;
    TextState before;
    TextState after;
    std::uint64_t cost = 0;
    std::string output;
};

// The recorded replays: for each style a slot per hash of the state a replay
// starts from, each record and all of them together bounded in bytes.
struct ReplayCache {
    static constexpr std::size_t kSlotsPerStyle = 128;
    static constexpr std::size_t kMostRecordBytes = 16 * 1024;
    static constexpr std::size_t kMostBytes = 1 << 20;
    std::vector<std::vector<ReplayRecord>> byStyle;  // a style's slots once it has a record
    std::size_t heldBytes = 0;
};

struct StyleEntry {
    std::string name;             // cut to 18 characters, stored in pass 2
    std::string foldedName;       // the name in lower case, for switches
    bool named = false;           // pass 2 has reached its definition
    bool effectRuler = false;     // pass 1 met "effectruler on" in its definition
    bool replaying = false;       // its definition is being replayed now
    std::size_t definePosition = 0;  // input position just after its "define"
    std::size_t definitionEnd = 0;   // its closing brace, found by pass 2
};

// A group that pass 1 walked word by word: where it began and ended.
struct WalkedGroup {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
};

struct Colour {
    std::string name;
    bool implicit = false;  // registered by a fontcolour/backcolour argument
};

// Where the DDL text goes when the pending buffer fills: the program drains it
// to the output file; tests and the fuzzer keep everything in `out`.
using DrainFunction = void (*)(void *context, std::string_view text);

struct Markload {
    std::span<const std::uint8_t> document;  // the whole input image
    std::span<const std::uint8_t> input;     // what the scanner walks: the document, or a replayed definition
    std::size_t cursor = 0;

    // A token and its terminator, with room for a whole block written past it.
    std::array<char, kMaxToken + 1 + kLaneCount> tokenBuffer{};
    std::size_t tokenLength = 0;
    bool quoted = false;

    std::vector<StyleEntry> styles;
    // The named styles by lower-case name: index + 1 in the slot of the
    // name's hash or after it, 0 for a free slot. The first style of a name
    // holds it.
    std::vector<std::uint16_t> styleSlots;
    std::size_t styleIndex = 0;  // the next style definition of pass 2
    std::vector<Colour> colours;

    std::vector<WalkedGroup> walkedGroups;
    bool walkedGroupsComplete = false;  // every group pass 1 walked is noted

    bool inStyleDefinition = false;
    bool offSetting = false;  // replaying an effect-ruler style switched off
    TextState state;

    // Input bytes that effect-ruler replays may still walk: generous for any
    // repetition, but a replay that switches styles whose replays switch
    // styles would otherwise multiply the work without end.
    std::uint64_t replayBudget = 0;
    int replayDepth = 0;
    bool recordReplays = false;   // pass 3: top-level replays are recorded
    ReplayCache replays;

    OutputBuffer out;
    DrainFunction drain = nullptr;
    void *drainContext = nullptr;
    std::size_t drains = 0;  // how often `out` went to the drain

    std::string_view token() const { return {tokenBuffer.data(), tokenLength}; }
};

// A token against a word of the program's own: the length first, then the
// bytes of a length known here.
template <std::size_t size>
bool isWord(std::string_view token, const char (&word)[size]) {
    return token.size() == size - 1 && std::memcmp(token.data(), word, size - 1) == 0;
}

// Tokens and names are matched without regard to case: A-Z become a-z.
constexpr char foldedChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// A word of the program's own, folded and stored with zeros after it, so that
// a folded token (whose buffer always holds a block past its start) is
// compared with it in one block.
struct BlockWord {
    std::array<std::uint8_t, kLaneCount> bytes{};
    std::size_t length = 0;
};

constexpr BlockWord blockWord(std::string_view word) {
    BlockWord folded;
    for (std::size_t c = 0; c < word.size() && c < kLaneCount; ++c)
        folded.bytes[c] = static_cast<std::uint8_t>(foldedChar(word[c]));
    folded.length = word.size();
    return folded;
}

// The token's first `length` bytes, loaded as a block, are the word.
inline bool blockMatches(Lanes token, std::size_t length, const BlockWord &word) {
    return word.length == length && firstLane(token != loadLanes(word.bytes.data())) >= length;
}

// The words passes 1 and 2 act on in a group; every other word there only
// has its argument skipped, so a group that opens with none of them is
// passed over whole (quietGroupEnd).
enum class PassWord { other, on, off, define, effectRuler, colourUse };

struct PassWordEntry {
    std::string_view word;
    PassWord kind;
};

constexpr PassWordEntry kPassWords[] = {
    {"on", PassWord::on},       {"off", PassWord::off},       {"define", PassWord::define},
    {"effectruler", PassWord::effectRuler}, {"fontcolour", PassWord::colourUse}, {"backcolour", PassWord::colourUse},
};

// The pass word the last token is; "on" and "off" count only unquoted
// (scanner.cpp).
PassWord passWord(const Markload &m);

// Whole conversion of `input`; the DDL goes to m.out (and to m.drain when set).
void convertDdf(Markload &m, std::span<const std::uint8_t> input);

// Scanner (scanner.cpp; the cursor tests inline, as every scan makes them).
inline bool atEnd(const Markload &m) { return m.cursor >= m.input.size(); }
inline bool cursorOn(const Markload &m, char c) {
    return m.cursor < m.input.size() && m.input[m.cursor] == static_cast<std::uint8_t>(c);
}
inline void stepOn(Markload &m) {
    if (m.cursor < m.input.size()) ++m.cursor;
}
void readToken(Markload &m, Reader reader);
void readWord(Markload &m);  // readToken(m, Reader::word), the reader most groups use
// A word when the group has one left; an empty token at its closing brace, so
// that a command never takes its argument from the text after the group.
void readArgumentWord(Markload &m);
bool hasArgument(const Markload &m);
// Where a group ends that passes 1 and 2 walk to its closing brace without
// acting on anything (its first word is none of theirs and no ';' follows
// before the brace), while commands are on; kNotQuiet for any other group.
constexpr std::size_t kNotQuiet = SIZE_MAX;
std::size_t quietGroupEnd(const Markload &m);
void skipArgument(Markload &m);
void moveToGroupEnd(Markload &m);
double readDecimal(std::string_view text, std::size_t &at);
long long readInteger(std::string_view text);

// Output (output.cpp; emit inline, as every command makes it).
void flushOutput(Markload &m);
// The program's output goes to the file in pieces of about this size.
constexpr std::size_t kDrainAt = 1 << 20;
// Called by every writer once it has written: a writer that fills `out`
// through a pointer calls it itself.
inline void drainIfFull(Markload &m) {
    if (m.drain != nullptr && m.out.size >= kDrainAt) flushOutput(m);
}
inline void emit(Markload &m, std::string_view text) {
    m.out.append(text);
    drainIfFull(m);
}
void emitChar(Markload &m, char c);
void emitInt(Markload &m, long long value);
void emitFixed(Markload &m, double value);
void emitRounded(Markload &m, double value);
void emitString(Markload &m, std::string_view text);
int clampToInt(double value);
int clampToInt(long long value);

// Colours (colours.cpp).
void readColourDefinitions(Markload &m);
void registerColourUse(Markload &m);
void writeImplicitColours(Markload &m);
int colourNumber(Markload &m);

// Styles and passes (styles.cpp).
void scanGroupPass1(Markload &m);
void scanGroupPass2(Markload &m);
bool switchStyle(Markload &m, std::string_view word);

// Effect-ruler replays (replays.cpp).
void replayEffectRuler(Markload &m, std::size_t index, bool off);

// Commands (commands.cpp).
void processCommandGroup(Markload &m);
double toMillipoints(Markload &m);

// Text (convert.cpp).
void writeTextRun(Markload &m);

} // namespace markload
