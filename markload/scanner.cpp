// The DDF scanner: one cursor over the input image, tokens read with a
// delimiter set and a case rule. Every step is bounded by the end of the
// input and every token by its 255-character buffer.
#include "markload/markload.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <cmath>
#include <limits>
#include <utility>

namespace markload {
namespace {

// The characters that end a token of each reader, by Reader. Line ends end
// words and list items as spaces do: a command word at the end of a line
// ("{define colours" before the colour lines) stands alone. Both the byte
// table and the block compares below are made from these strings.
constexpr std::string_view kDelimiters[] = {" ;}\r\n", ";},", " ;},\r\n", "\n"};
static_assert(std::size(kDelimiters) == static_cast<std::size_t>(Reader::line) + 1);

// One table entry per byte: bit r (for Reader r) when the byte ends a token
// of that reader, kBlank for the blanks between tokens.
constexpr std::uint8_t kBlank = 1u << 4;
constexpr std::uint8_t kArgumentEnd = 1u << 5;  // where skipArgument stops

constexpr std::uint8_t readerBit(Reader reader) { return static_cast<std::uint8_t>(1u << static_cast<int>(reader)); }

constexpr std::array<std::uint8_t, 256> kCharacterClasses = [] {
    std::array<std::uint8_t, 256> classes{};
    const auto mark = [&classes](std::string_view characters, std::uint8_t bits) {
        for (char c : characters) classes[static_cast<std::uint8_t>(c)] |= bits;
    };
    mark(" \r\n", kBlank);
    for (int reader = 0; reader < static_cast<int>(std::size(kDelimiters)); ++reader)
        mark(kDelimiters[reader], readerBit(static_cast<Reader>(reader)));
    mark(";}", kArgumentEnd);
    return classes;
}();

constexpr std::array<char, 256> kFolded = [] {
    std::array<char, 256> folded{};
    for (int c = 0; c < 256; ++c) folded[c] = foldedChar(static_cast<char>(c));
    return folded;
}();

bool isBlank(std::uint8_t c) { return (kCharacterClasses[c] & kBlank) != 0; }

bool isDelimiter(Reader reader, std::uint8_t c) { return (kCharacterClasses[c] & readerBit(reader)) != 0; }

char foldCase(std::uint8_t c) { return kFolded[c]; }

// Past a run of ';' and blanks when it closes the group, so that the caller
// sees the '}'; otherwise the cursor stays on the first ';' as the separator.
void settleSeparator(Markload &m) {
    const std::size_t size = m.input.size();
    if (m.cursor >= size || m.input[m.cursor] != ';') return;
    std::size_t at = m.cursor;
    while (at < size && (m.input[at] == ';' || isBlank(m.input[at]))) ++at;
    if (at < size && m.input[at] == '}') m.cursor = at;
}

// The first ';' or '}' from `at`, or the end of the input: where an
// argument ends.
std::size_t argumentEnd(const Markload &m, std::size_t at) {
    const std::size_t size = m.input.size();
    const std::uint8_t *in = m.input.data();
    while (at < size && size - at >= kLaneCount) {
        const Lanes lanes = loadLanes(in + at);
        const std::size_t plain = firstLane((lanes == ';') | (lanes == '}'));
        at += plain;
        if (plain < kLaneCount) return at;
    }
    while (at < size && (kCharacterClasses[in[at]] & kArgumentEnd) == 0) ++at;
    return at;
}

// Where a token of `reader` ends in a block: one compare per delimiter.
template <Reader reader>
LaneMask delimiterLanes(Lanes lanes) {
    constexpr int which = static_cast<int>(reader);
    return [lanes]<std::size_t... at>(std::index_sequence<at...>) {
        return ((lanes == static_cast<std::uint8_t>(kDelimiters[which][at])) | ...);
    }(std::make_index_sequence<kDelimiters[which].size()>{});
}

// The bytes of an unquoted token from `at`, up to its delimiter or the
// 255th character: copied a block at a time into the token buffer, which has
// room for a whole block past its end. Lines keep their case.
template <Reader reader>
std::size_t copyToken(Markload &m, std::size_t at, std::size_t &length) {
    const std::size_t size = m.input.size();
    const std::uint8_t *in = m.input.data();
    char *token = m.tokenBuffer.data();
    const std::size_t stop = std::min(size, at + kMaxToken);
    while (at < stop) {
        if (size - at < kLaneCount) {
            while (at < stop && !isDelimiter(reader, in[at]))
                token[length++] = reader == Reader::line ? static_cast<char>(in[at++]) : foldCase(in[at++]);
            break;
        }
        const Lanes lanes = loadLanes(in + at);
        storeLanes(token + length, reader == Reader::line ? lanes : foldLanes(lanes));
        const std::size_t plain = std::min(firstLane(delimiterLanes<reader>(lanes)), stop - at);
        at += plain, length += plain;
        if (plain < kLaneCount) break;
    }
    return at;
}

// A token after blanks, a quoted one, or one near the end of the input.
template <Reader reader>
void readSlowToken(Markload &m, std::size_t &at, std::size_t &length) {
    const std::size_t size = m.input.size();
    const std::uint8_t *in = m.input.data();
    while (at < size && isBlank(in[at])) ++at;
    if (at < size && in[at] == '"') {
        ++at;
        const void *close = std::memchr(in + at, '"', size - at);
        const std::size_t end = close != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t *>(close) - in)
                                                 : size;
        length = std::min(end - at, kMaxToken);
        std::memcpy(m.tokenBuffer.data(), in + at, length);
        at = close != nullptr ? end + 1 : size;
        m.quoted = true;
    } else {
        at = copyToken<reader>(m, at, length);
        m.quoted = false;
    }
}

template <Reader reader>
void finishToken(Markload &m, std::size_t at, std::size_t length) {
    const std::size_t size = m.input.size();
    const std::uint8_t *in = m.input.data();
    m.tokenBuffer[length] = '\0';
    m.tokenLength = length;

    // Blanks after the token: land on a delimiter that follows them, or just
    // before the next token so that its read starts there.
    if (at < size && isBlank(in[at])) {
        std::size_t next = at;
        while (next < size && isBlank(in[next])) ++next;
        at = next < size && isDelimiter(reader, in[next]) ? next : next - 1;
    }
    m.cursor = at;
    settleSeparator(m);
}

template <Reader reader>
void readTokenOf(Markload &m) {
    const std::size_t size = m.input.size();
    const std::uint8_t *in = m.input.data();
    std::size_t at = m.cursor < size ? m.cursor + 1 : size;
    std::size_t length = 0;
    if (size - at > kLaneCount && !isBlank(in[at]) && in[at] != '"') {
        // Most tokens start at once and end within one block.
        const Lanes lanes = loadLanes(in + at);
        length = firstLane(delimiterLanes<reader>(lanes));
        if (length < kLaneCount) {
            storeLanes(m.tokenBuffer.data(), reader == Reader::line ? lanes : foldLanes(lanes));
            at += length;
        } else {
            length = 0;
            at = copyToken<reader>(m, at, length);
        }
        m.quoted = false;
    } else {
        readSlowToken<reader>(m, at, length);
    }
    finishToken<reader>(m, at, length);
}

} // namespace

void readWord(Markload &m) { readTokenOf<Reader::word>(m); }

void readToken(Markload &m, Reader reader) {
    switch (reader) {
    case Reader::word: return readTokenOf<Reader::word>(m);
    case Reader::value: return readTokenOf<Reader::value>(m);
    case Reader::listItem: return readTokenOf<Reader::listItem>(m);
    case Reader::line: return readTokenOf<Reader::line>(m);
    }
}

// The pass words as blocks, and their lengths as a mask for a quick no.
constexpr auto kPassBlockWords = [] {
    std::array<BlockWord, std::size(kPassWords)> words{};
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = blockWord(kPassWords[i].word);
    return words;
}();

constexpr std::uint32_t kPassWordLengths = [] {
    std::uint32_t lengths = 0;
    for (const BlockWord &word : kPassBlockWords) lengths |= 1u << word.length;
    return lengths;
}();
static_assert(kLaneCount < 32);

PassWord passWord(const Markload &m) {
    const std::size_t length = m.tokenLength;
    if (length >= 32 || ((kPassWordLengths >> length) & 1u) == 0) return PassWord::other;
    const Lanes token = loadLanes(reinterpret_cast<const std::uint8_t *>(m.tokenBuffer.data()));
    for (std::size_t i = 0; i < std::size(kPassWords); ++i) {
        if (!blockMatches(token, length, kPassBlockWords[i])) continue;
        const PassWord kind = kPassWords[i].kind;
        return m.quoted && (kind == PassWord::on || kind == PassWord::off) ? PassWord::other : kind;
    }
    return PassWord::other;
}

std::size_t quietGroupEnd(const Markload &m) {
    const std::size_t size = m.input.size();
    const std::uint8_t *in = m.input.data();
    std::size_t at = m.cursor + 1;
    while (at < size && isBlank(in[at])) ++at;
    if (at < size && in[at] == '"') return kNotQuiet;

    // The first word, where a whole block of it can be read; a word near the
    // end of the input takes the walk.
    if (size - at < kLaneCount) return kNotQuiet;
    const Lanes raw = loadLanes(in + at);
    const Lanes first = foldLanes(raw);
    const std::size_t length = firstLane(delimiterLanes<Reader::word>(first));
    if (((kPassWordLengths >> length) & 1u) != 0) {
        for (const BlockWord &word : kPassBlockWords)
            if (blockMatches(first, length, word)) return kNotQuiet;
    }

    // The first ';' or '}' after it, which the same block often holds: the
    // word holds neither.
    const unsigned ends = laneBits((raw == ';') | (raw == '}'));
    at = ends != 0 ? at + static_cast<std::size_t>(std::countr_zero(ends)) : argumentEnd(m, at + kLaneCount);
    return at < size && in[at] == ';' ? kNotQuiet : at;
}

bool hasArgument(const Markload &m) { return !cursorOn(m, '}'); }

void readArgumentWord(Markload &m) {
    if (hasArgument(m) && !atEnd(m)) {
        readWord(m);
    } else {
        m.tokenLength = 0;
        m.tokenBuffer[0] = '\0';
        m.quoted = false;
    }
}

void skipArgument(Markload &m) {
    m.cursor = argumentEnd(m, m.cursor);
    settleSeparator(m);
}

void moveToGroupEnd(Markload &m) {
    const std::size_t size = m.input.size();
    while (m.cursor < size && m.input[m.cursor] != '}') ++m.cursor;
}

// A decimal floating-point number at `at` (leading blanks allowed, as the C
// library reads it); 0 with `at` unchanged when there is none. Magnitudes are
// capped so that no later product overflows to infinity.
double readDecimal(std::string_view text, std::size_t &at) {
    constexpr double kLargest = 1e300;
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::size_t p = at;
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t' || text[p] == '\r' || text[p] == '\n')) ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
    const std::size_t start = p;
    std::size_t digits = 0, fraction = 0;
    std::uint64_t mantissa = 0;  // exact while there are at most 19 digits
    while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(text[p++] - '0');
        ++digits;
    }
    if (p < text.size() && text[p] == '.') {
        ++p;
        while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(text[p++] - '0');
            ++digits, ++fraction;
        }
    }
    if (digits == 0) return 0;
    bool exponent = false, negativeExponent = false;
    if (p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
        std::size_t e = p + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) negativeExponent = text[e++] == '-';
        if (e < text.size() && text[e] >= '0' && text[e] <= '9') {
            while (e < text.size() && text[e] >= '0' && text[e] <= '9') ++e;
            p = e;
            exponent = true;
        } else {
            negativeExponent = false;
        }
    }
    // Up to 15 digits and no exponent: the digits as an integer over a power
    // of ten are both exact doubles, so their quotient is the correctly
    // rounded value, as the library would read it.
    if (digits <= 15 && !exponent) {
        const double value = static_cast<double>(mantissa) / kPowersOfTen[fraction];
        at = p;
        return negative ? -value : value;
    }
    double value = 0;
    auto [end, error] = std::from_chars(text.data() + start, text.data() + p, value);
    (void)end;
    if (error == std::errc::result_out_of_range) value = negativeExponent ? 0 : kLargest;
    else if (error != std::errc{}) value = 0;
    if (!std::isfinite(value) || value > kLargest) value = kLargest;
    at = p;
    return negative ? -value : value;
}

// A decimal integer as the C library's atoi reads it, clamped to 32 bits.
long long readInteger(std::string_view text) {
    std::size_t p = 0;
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t' || text[p] == '\r' || text[p] == '\n')) ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
    long long value = 0;
    constexpr long long kLimit = 1LL << 32;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
        value = value * 10 + (text[p++] - '0');
        if (value > kLimit) value = kLimit;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return value;
}

} // namespace markload
