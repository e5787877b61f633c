// The DDF scanner: one cursor over the input image, tokens read with a
// delimiter set and a case rule. Every step is bounded by the end of the
// input and every token by its 255-character buffer.
#include "markload/markload.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace markload {
namespace {

// One table entry per byte: bit r (for Reader r) when the byte ends a token
// of that reader, kBlank for the blanks between tokens. Line ends end words
// and list items as spaces do: a command word at the end of a line ("{define
// colours" before the colour lines) stands alone.
constexpr std::uint8_t kBlank = 1u << 4;
constexpr std::uint8_t kArgumentEnd = 1u << 5;  // where skipArgument stops

constexpr std::uint8_t readerBit(Reader reader) { return static_cast<std::uint8_t>(1u << static_cast<int>(reader)); }

constexpr std::array<std::uint8_t, 256> kCharacterClasses = [] {
    std::array<std::uint8_t, 256> classes{};
    const auto mark = [&classes](std::string_view characters, std::uint8_t bits) {
        for (char c : characters) classes[static_cast<std::uint8_t>(c)] |= bits;
    };
    mark(" \r\n", kBlank);
    mark(" ;}\r\n", readerBit(Reader::word));
    mark(";},", readerBit(Reader::value));
    mark(" ;},\r\n", readerBit(Reader::listItem));
    mark("\n", readerBit(Reader::line));
    mark(";}", kArgumentEnd);
    return classes;
}();

constexpr std::array<char, 256> kFolded = [] {
    std::array<char, 256> folded{};
    for (int c = 0; c < 256; ++c) folded[c] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
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

} // namespace

void readToken(Markload &m, Reader reader) {
    const std::size_t size = m.input.size();
    std::size_t at = m.cursor < size ? m.cursor + 1 : size;
    while (at < size && isBlank(m.input[at])) ++at;

    std::size_t length = 0;
    if (at < size && m.input[at] == '"') {
        ++at;
        while (at < size && m.input[at] != '"') {
            if (length < kMaxToken) m.tokenBuffer[length++] = static_cast<char>(m.input[at]);
            ++at;
        }
        if (at < size) ++at;
        m.quoted = true;
    } else {
        const std::uint8_t ends = readerBit(reader);
        const std::size_t stop = std::min(size, at + kMaxToken);
        const std::uint8_t *in = m.input.data();
        char *token = m.tokenBuffer.data();
        if (reader == Reader::line) {
            while (at < stop && (kCharacterClasses[in[at]] & ends) == 0) token[length++] = static_cast<char>(in[at++]);
        } else {
            while (at < stop && (kCharacterClasses[in[at]] & ends) == 0) token[length++] = foldCase(in[at++]);
        }
        m.quoted = false;
    }
    m.tokenBuffer[length] = '\0';
    m.tokenLength = length;

    // Blanks after the token: land on a delimiter that follows them, or just
    // before the next token so that its read starts there.
    if (at < size && isBlank(m.input[at])) {
        std::size_t next = at;
        while (next < size && isBlank(m.input[next])) ++next;
        at = next < size && isDelimiter(reader, m.input[next]) ? next : next - 1;
    }
    m.cursor = at;
    settleSeparator(m);
}

bool hasArgument(const Markload &m) { return !cursorOn(m, '}'); }

void readArgumentWord(Markload &m) {
    if (hasArgument(m) && !atEnd(m)) {
        readToken(m, Reader::word);
    } else {
        m.tokenLength = 0;
        m.tokenBuffer[0] = '\0';
        m.quoted = false;
    }
}

void skipArgument(Markload &m) {
    const std::size_t size = m.input.size();
    const std::uint8_t *in = m.input.data();
    std::size_t at = m.cursor;
    while (at < size && (kCharacterClasses[in[at]] & kArgumentEnd) == 0) ++at;
    m.cursor = at;
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
    std::size_t p = at;
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t' || text[p] == '\r' || text[p] == '\n')) ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
    const std::size_t start = p;
    std::size_t digits = 0;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9') ++p, ++digits;
    if (p < text.size() && text[p] == '.') {
        ++p;
        while (p < text.size() && text[p] >= '0' && text[p] <= '9') ++p, ++digits;
    }
    if (digits == 0) return 0;
    bool negativeExponent = false;
    if (p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
        std::size_t e = p + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) negativeExponent = text[e++] == '-';
        if (e < text.size() && text[e] >= '0' && text[e] <= '9') {
            while (e < text.size() && text[e] >= '0' && text[e] <= '9') ++e;
            p = e;
        } else {
            negativeExponent = false;
        }
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

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char &c : lower) c = foldCase(static_cast<std::uint8_t>(c));
    return lower;
}

} // namespace markload
