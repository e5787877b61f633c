// DDL text out: the value forms of the DDL conventions, each clamped to what
// a 32-bit reader of the file can hold.
#include "markload/markload.h"
#include "ddl/ddl_output.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace markload {
int clampToInt(long long value) {
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<int>(value);
}

int clampToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<int>(value);
}

void emitChar(Markload &m, char c) {
    m.out.push(c);
    drainIfFull(m);
}

// Numbers are written straight into the output, which has room for any.
constexpr std::size_t kNumberRoom = 16;

void emitInt(Markload &m, long long value) {
    char *const at = m.out.room(kNumberRoom);
    const auto result = std::to_chars(at, at + kNumberRoom, clampToInt(value));
    m.out.size += static_cast<std::size_t>(result.ptr - at);
    drainIfFull(m);
}

// "0x%x" of the 32-bit two's-complement value, after truncation toward zero.
void emitFixed(Markload &m, double value) {
    char *const at = m.out.room(kNumberRoom);
    at[0] = '0', at[1] = 'x';
    const auto bits = static_cast<std::uint32_t>(clampToInt(std::trunc(value)));
    const auto result = std::to_chars(at + 2, at + kNumberRoom, bits, 16);
    m.out.size += static_cast<std::size_t>(result.ptr - at);
    drainIfFull(m);
}

// "%.0f": to the nearest integer, halves to even as the C library rounds them.
void emitRounded(Markload &m, double value) { emitInt(m, clampToInt(std::nearbyint(value))); }

// The DDL quoting, written straight into the output.
void emitString(Markload &m, std::string_view text) {
    text = text.substr(0, text.find('\0'));
    char *const start = m.out.room(text.size() * 2 + 2);
    char *at = start;
    *at++ = '"';
    for (char c : text) {
        if (c == '"' || c == '\\') *at++ = '\\';
        *at++ = c;
    }
    *at++ = '"';
    m.out.size += static_cast<std::size_t>(at - start);
    drainIfFull(m);
}

void flushOutput(Markload &m) {
    if (m.drain != nullptr && m.out.size != 0) {
        m.drain(m.drainContext, m.out.view());
        m.out.clear();
        ++m.drains;
    }
}

} // namespace markload
