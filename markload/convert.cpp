// The three passes over the input and the text runs of the story.
#include "markload/markload.h"

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

// Up to 254 characters of DDL string (escapes included) between quotes; a TAB
// or line end becomes its attribute, a '{' is left for the pass.
void writeTextRun(Markload &m) {
    const std::size_t size = m.input.size();
    const std::uint8_t *in = m.input.data();
    std::size_t at = m.cursor;
    std::size_t room = kMaxRunCharacters;
    std::size_t escapes = 0;
    while (at < size && room > 0) {
        const std::uint8_t c = in[at];
        if (c == '\t' || c == '\n' || c == '\r' || c == '{') break;
        if (c == '\\' || c == '"') {
            if (room < 2) break;
            room -= 2;
            ++escapes;
        } else {
            room -= 1;
        }
        ++at;
    }
    if (at > m.cursor) {
        std::string &out = m.out;
        const std::size_t start = out.size();
        out.resize(start + 3 + (at - m.cursor) + escapes + 1);
        char *put = out.data() + start;
        *put++ = '\r';
        *put++ = '\n';
        *put++ = '"';
        for (std::size_t p = m.cursor; p < at; ++p) {
            const char c = static_cast<char>(in[p]);
            if (c == '\\' || c == '"') *put++ = '\\';
            *put++ = c;
        }
        *put++ = '"';
        emit(m, {});
    }
    m.cursor = at;
    if (at < size) {
        const std::uint8_t stop = in[at];
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
    walkText(m);
    emit(m, "{endoftext}\r\n}\r\n");
    flushOutput(m);
}

} // namespace markload
