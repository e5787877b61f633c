// The three passes over the input and the text runs of the story.
#include "markload/markload.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace markload {
namespace {

// Replays may walk this many bytes, and so many times the input over: a
// document whose replays write less than 64 times its size passes.
constexpr std::uint64_t kReplayAllowance = 1ull << 20;
constexpr std::uint64_t kReplayTimesInput = 64;

// Passes 1 and 2 look only at command groups.
void walkGroups(Markload &m, void (*scanGroup)(Markload &)) {
    const std::size_t size = m.input.size();
    const std::uint8_t *base = m.input.data();
    while (m.cursor < size) {
        const void *brace = std::memchr(base + m.cursor, '{', size - m.cursor);
        if (brace == nullptr) break;
        m.cursor = static_cast<std::size_t>(static_cast<const std::uint8_t *>(brace) - base);
        scanGroup(m);
        stepOn(m);
    }
}

void walkText(Markload &m) {
    while (!atEnd(m)) {
        if (cursorOn(m, '{')) {
            processCommandGroup(m);
            stepOn(m);
        } else {
            writeTextRun(m);
        }
    }
}

} // namespace

// What ends a text run, and what is escaped in it.
constexpr std::array<std::uint8_t, 256> kTextClasses = [] {
    std::array<std::uint8_t, 256> classes{};
    classes['\t'] = classes['\n'] = classes['\r'] = classes['{'] = 1;
    classes['\\'] = classes['"'] = 2;
    return classes;
}();

// Sixteen bytes compared at once (one SSE2 compare each where the target has
// it), as a text run is mostly plain letters: the place of the first byte
// that stops or is escaped, or 16. A matching lane is all ones, so the
// lowest set bit of a little-endian half gives its byte.
using Lanes = std::uint8_t __attribute__((vector_size(16)));
static_assert(std::endian::native == std::endian::little);

std::size_t firstStop(const char *at) {
    Lanes v;
    std::memcpy(&v, at, sizeof v);
    const auto stops = (v == '\t') | (v == '\n') | (v == '\r') | (v == '{') | (v == '\\') | (v == '"');
    std::uint64_t halves[2];
    std::memcpy(halves, &stops, sizeof halves);
    if (halves[0] != 0) return static_cast<std::size_t>(std::countr_zero(halves[0]) / 8);
    if (halves[1] != 0) return 8 + static_cast<std::size_t>(std::countr_zero(halves[1]) / 8);
    return 16;
}

// Up to 254 characters of DDL string (escapes included) between quotes; a TAB
// or line end becomes its attribute, a '{' is left for the pass. Plain bytes
// go out in spans between the escaped ones.
void writeTextRun(Markload &m) {
    const std::size_t size = m.input.size();
    const char *in = reinterpret_cast<const char *>(m.input.data());
    std::size_t at = m.cursor;
    std::size_t room = kMaxRunCharacters;
    std::string &out = m.out;
    bool opened = false;
    while (at < size && room > 0) {
        const std::size_t spanStart = at;
        const std::size_t limit = std::min(size, at + room);
        while (limit - at >= 16) {
            const std::size_t plain = firstStop(in + at);
            at += plain;
            if (plain < 16) break;
        }
        while (at < limit && kTextClasses[static_cast<std::uint8_t>(in[at])] == 0) ++at;
        if (at > spanStart) {
            if (!opened) out.append("\r\n\"", 3), opened = true;
            out.append(in + spanStart, at - spanStart);
            room -= at - spanStart;
        }
        if (at == limit || kTextClasses[static_cast<std::uint8_t>(in[at])] == 1 || room < 2) break;
        if (!opened) out.append("\r\n\"", 3), opened = true;
        out.push_back('\\');
        out.push_back(in[at++]);
        room -= 2;
    }
    if (opened) {
        out.push_back('"');
        emit(m, {});
    }
    m.cursor = at;
    if (at < size) {
        const char stop = in[at];
        if (stop == '\t') {
            emit(m, "{tab}");
            ++m.cursor;
        } else if (stop == '\n' || stop == '\r') {
            emit(m, "{newpara}");
            ++m.cursor;
        }
    }
}

void convertDdf(Markload &m, std::span<const std::uint8_t> input) {
    m.document = input;
    m.input = input;
    m.replayBudget = kReplayAllowance + kReplayTimesInput * static_cast<std::uint64_t>(input.size());

    m.commandsOff = false;
    m.cursor = 0;
    walkGroups(m, scanGroupPass1);
    if (!m.colours.empty()) writeImplicitColours(m);

    m.commandsOff = false;
    m.cursor = 0;
    walkGroups(m, scanGroupPass2);
    emit(m, "STORY_1={story");

    m.commandsOff = false;
    m.cursor = 0;
    m.recordReplays = true;
    walkText(m);
    emit(m, "{endoftext}\r\n}\r\n");
    flushOutput(m);
}

} // namespace markload
