// DDL text out: the value forms of the DDL conventions, each clamped to what
// a 32-bit reader of the file can hold.
#include "markload/markload.h"
#include "folio/ddl_output.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace markload {
namespace {

constexpr std::size_t kDrainAt = 1 << 16;

void drainIfFull(Markload &m) {
    if (m.drain != nullptr && m.out.size() >= kDrainAt) flushOutput(m);
}

} // namespace

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

void emit(Markload &m, std::string_view text) {
    m.out.append(text);
    drainIfFull(m);
}

void emitChar(Markload &m, char c) {
    m.out.push_back(c);
    drainIfFull(m);
}

void emitInt(Markload &m, long long value) {
    char text[16];
    auto result = std::to_chars(text, text + sizeof text, clampToInt(value));
    emit(m, std::string_view(text, static_cast<std::size_t>(result.ptr - text)));
}

// "0x%x" of the 32-bit two's-complement value, after truncation toward zero.
void emitFixed(Markload &m, double value) {
    emit(m, ddl::fixedText(clampToInt(std::trunc(value))));
}

// "%.0f": to the nearest integer, halves to even as the C library rounds them.
void emitRounded(Markload &m, double value) { emitInt(m, clampToInt(std::nearbyint(value))); }

void emitString(Markload &m, std::string_view text) {
    emitChar(m, '"');
    emit(m, ddl::quoteString(text));
    emitChar(m, '"');
}

void flushOutput(Markload &m) {
    if (m.drain != nullptr && !m.out.empty()) {
        m.drain(m.drainContext, m.out);
        m.out.clear();
    }
}

} // namespace markload
