// The three passes over the input and the text runs of the story.
#include "markload/markload.h"

#include <algorithm>
#include <array>
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
        const std::size_t quietEnd = m.commandsOff ? kNotQuiet : quietGroupEnd(m);
        if (quietEnd != kNotQuiet) m.cursor = quietEnd;
        else scanGroup(m);
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
constexpr std::uint8_t kRunEnd = 1;
constexpr std::uint8_t kEscaped = 2;
constexpr std::array<std::uint8_t, 256> kTextClasses = [] {
    std::array<std::uint8_t, 256> classes{};
    classes['\t'] = classes['\n'] = classes['\r'] = classes['{'] = kRunEnd;
    classes['\\'] = classes['"'] = kEscaped;
    return classes;
}();

std::size_t firstStop(Lanes lanes) {
    return firstLane((lanes == '\t') | (lanes == '\n') | (lanes == '\r') | (lanes == '{') | (lanes == '\\') |
                     (lanes == '"'));
}

// The opening of a run's string, its closing quote, its characters and one
// block stored whole past the last of them.
constexpr std::size_t kRunRoom = 3 + 1 + kMaxRunCharacters + kLaneCount;

// Up to 254 characters of DDL string (escapes included) between quotes; a TAB
// or line end becomes its attribute, a '{' is left for the pass. Plain bytes
// are copied a block at a time: each block is stored whole and the output
// moves on by its plain part only.
void writeTextRun(Markload &m) {
    const std::size_t size = m.input.size();
    const std::uint8_t *in = m.input.data();
    std::size_t at = m.cursor;
    std::size_t room = kMaxRunCharacters;
    char *const start = m.out.room(kRunRoom);
    char *out = start;
    *out++ = '\r', *out++ = '\n', *out++ = '"';
    while (room > 0 && at < size) {
        std::size_t plain = 0;
        if (size - at >= kLaneCount) {
            const Lanes lanes = loadLanes(in + at);
            storeLanes(out, lanes);
            plain = std::min(firstStop(lanes), room);
        } else {
            while (plain < room && at + plain < size && kTextClasses[in[at + plain]] == 0) {
                out[plain] = static_cast<char>(in[at + plain]);
                ++plain;
            }
        }
        at += plain, out += plain, room -= plain;
        if (plain == kLaneCount) continue;
        if (room < 2 || at == size || kTextClasses[in[at]] != kEscaped) break;
        *out++ = '\\';
        *out++ = static_cast<char>(in[at++]);
        room -= 2;
    }
    if (out - start > 3) {
        *out++ = '"';
        m.out.size += static_cast<std::size_t>(out - start);
    }
    m.cursor = at;
    if (at < size) {
        const std::uint8_t stop = in[at];
        if (stop == '\t') {
            m.out.append("{tab}");
            ++m.cursor;
        } else if (stop == '\n' || stop == '\r') {
            m.out.append("{newpara}");
            ++m.cursor;
        }
    }
    emit(m, {});
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
