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

// Passes 1 and 2 look only at command groups. A quiet group (see
// quietGroupEnd) is passed over at once while commands are on; true when the
// group was walked word by word instead.
bool walkGroup(Markload &m, void (*scanGroup)(Markload &)) {
    const std::size_t quietEnd = m.state.commandsOff ? kNotQuiet : quietGroupEnd(m);
    if (quietEnd != kNotQuiet) {
        m.cursor = quietEnd;
        return false;
    }
    scanGroup(m);
    return true;
}

bool toNextGroup(Markload &m) {
    const std::size_t size = m.input.size();
    if (m.cursor >= size) return false;
    const void *brace = std::memchr(m.input.data() + m.cursor, '{', size - m.cursor);
    if (brace == nullptr) return false;
    m.cursor = static_cast<std::size_t>(static_cast<const std::uint8_t *>(brace) - m.input.data());
    return true;
}

// Pass 1 notes where each group it walked began and ended, up to a bound
// that keeps the notes well under the input's size.
void walkGroupsPass1(Markload &m) {
    const bool noting = m.input.size() <= UINT32_MAX;
    const std::size_t mostNotes = m.input.size() / 32 + 64;
    m.walkedGroups.clear();
    m.walkedGroupsComplete = noting;
    while (toNextGroup(m)) {
        const std::size_t start = m.cursor;
        if (walkGroup(m, scanGroupPass1)) {
            if (m.walkedGroupsComplete && m.walkedGroups.size() < mostNotes) {
                m.walkedGroups.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(m.cursor)});
            } else {
                m.walkedGroupsComplete = false;
            }
        }
        stepOn(m);
    }
}

// Pass 2 goes from one group that pass 1 walked to the next while both
// stand at the same place and commands are on: the groups between are quiet,
// and a quiet group changes nothing for either pass and ends at its brace.
// Where pass 2 ends a group elsewhere, or commands are off, it walks on
// group by group until it meets one that pass 1 noted.
void walkGroupsPass2(Markload &m) {
    const std::vector<WalkedGroup> &walked = m.walkedGroups;
    std::size_t next = 0;
    bool level = true;
    while (m.cursor < m.input.size()) {
        if (level && !m.state.commandsOff) {
            if (next == walked.size()) {
                if (m.walkedGroupsComplete) return;
                level = false;
                continue;
            }
            const WalkedGroup group = walked[next++];
            m.cursor = group.start;
            walkGroup(m, scanGroupPass2);
            level = m.cursor == group.end;
            stepOn(m);
            continue;
        }
        if (!toNextGroup(m)) return;
        while (next < walked.size() && walked[next].start < m.cursor) ++next;
        const bool noted = next < walked.size() && walked[next].start == m.cursor;
        if (noted && !m.state.commandsOff) {
            level = true;
            continue;
        }
        if (noted) ++next;
        walkGroup(m, scanGroupPass2);
        level = noted && m.cursor == walked[next - 1].end;
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

// What ends a text run, and what is escaped in it.
constexpr std::uint8_t kRunEnd = 1;
constexpr std::uint8_t kEscaped = 2;
constexpr std::array<std::uint8_t, 256> kTextClasses = [] {
    std::array<std::uint8_t, 256> classes{};
    classes['\t'] = classes['\n'] = classes['\r'] = classes['{'] = kRunEnd;
    classes['\\'] = classes['"'] = kEscaped;
    return classes;
}();

// The bytes of a block that end the run, and those that are escaped. One
// compare takes every control byte below CR as an end; the table sorts out
// the few that are plain.
struct BlockStops {
    unsigned ends;
    unsigned escapes;
};

BlockStops blockStops(Lanes lanes) {
    const Lanes control = lanes < static_cast<std::uint8_t>('\r' + 1);
    return {laneBits(std::bit_cast<LaneMask>(control) | (lanes == '{')), laneBits((lanes == '\\') | (lanes == '"'))};
}

// The room a run takes in the output: its opening CR LF and quote, its
// characters, its closing quote, and the farthest a block step stores past
// the characters it keeps (an escaped block stores a block from each of two
// escapes, each one place further on).
constexpr std::string_view kRunOpening = "\r\n\"";
constexpr std::size_t kBlockStoreReach = 2 * kLaneCount + 2;
constexpr std::size_t kRunRoom = kRunOpening.size() + kMaxRunCharacters + 1 + kBlockStoreReach;

// A block with no run end and at most two escaped bytes, written without a
// branch on where they stand: it is stored whole, then again from each
// escaped byte on, one place further behind its backslash. A missing escape
// stands at lane 16, past the block, so its stores land beyond what is kept.
// Needs two blocks of input and the block's output plus two blocks of room.
std::size_t writeEscapedBlock(char *out, const std::uint8_t *in, Lanes lanes, unsigned escapes) {
    constexpr unsigned kPastBlock = 1u << kLaneCount;
    const unsigned second = escapes & (escapes - 1);
    const auto first = static_cast<std::size_t>(std::countr_zero(escapes | kPastBlock));
    const auto next = static_cast<std::size_t>(std::countr_zero(second | kPastBlock));
    storeLanes(out, lanes);
    out[first] = '\\';
    storeLanes(out + first + 1, loadLanes(in + first));
    out[next + 1] = '\\';
    storeLanes(out + next + 2, loadLanes(in + next));
    return kLaneCount + (escapes != 0) + (second != 0);
}

bool atMostTwo(unsigned bits) {
    const unsigned second = bits & (bits - 1);
    return (second & (second - 1)) == 0;
}

} // namespace

// Up to 254 characters of DDL string (escapes included) between quotes; a TAB
// or line end becomes its attribute, a '{' is left for the pass. Plain bytes
// are copied a block at a time while a whole block fits, and so are blocks
// with one or two escapes: a branch per escape mispredicts in quoted text.
// Otherwise the block is stored whole and the output moves on by its plain
// part only.
void writeTextRun(Markload &m) {
    const std::size_t size = m.input.size();
    const std::uint8_t *in = m.input.data();
    std::size_t at = m.cursor;
    std::size_t room = kMaxRunCharacters;
    char *const start = m.out.room(kRunRoom);
    char *out = start;
    out = std::copy(kRunOpening.begin(), kRunOpening.end(), out);
    for (;;) {
        std::uint8_t stop = 0;
        if (room >= kLaneCount && size - at >= kLaneCount) {
            const Lanes lanes = loadLanes(in + at);
            const BlockStops stops = blockStops(lanes);
            if (stops.ends == 0 && atMostTwo(stops.escapes) && room >= kLaneCount + 2 &&
                size - at >= 2 * kLaneCount) {
                const std::size_t written = writeEscapedBlock(out, in + at, lanes, stops.escapes);
                at += kLaneCount, out += written, room -= written;
                continue;
            }
            storeLanes(out, lanes);
            const unsigned stopped = stops.ends | stops.escapes | (1u << kLaneCount);
            const auto plain = static_cast<std::size_t>(std::countr_zero(stopped));
            at += plain, out += plain, room -= plain;
            if (plain == kLaneCount) continue;
            stop = kTextClasses[in[at]];
            if (stop == 0) {  // a control byte that is plain text
                *out++ = static_cast<char>(in[at++]), --room;
                continue;
            }
        } else {
            // The last bytes of the run or of the input.
            while (room > 0 && at < size && kTextClasses[in[at]] == 0) *out++ = static_cast<char>(in[at++]), --room;
            if (room == 0 || at == size) break;
            stop = kTextClasses[in[at]];
        }
        if (stop != kEscaped || room < 2) break;
        *out++ = '\\';
        *out++ = static_cast<char>(in[at++]);
        room -= 2;
    }
    if (out - start > static_cast<std::ptrdiff_t>(kRunOpening.size())) {
        *out++ = '"';
        m.out.size += static_cast<std::size_t>(out - start);
    }
    m.cursor = at;
    if (at < size && (in[at] == '\t' || in[at] == '\n' || in[at] == '\r')) {
        m.out.append(in[at] == '\t' ? std::string_view("{tab}") : std::string_view("{newpara}"));
        ++m.cursor;
    }
    drainIfFull(m);
}

void convertDdf(Markload &m, std::span<const std::uint8_t> input) {
    m.document = input;
    m.input = input;
    m.replayBudget = kReplayAllowance + kReplayTimesInput * static_cast<std::uint64_t>(input.size());

    m.state.commandsOff = false;
    m.cursor = 0;
    walkGroupsPass1(m);
    if (!m.colours.empty()) writeImplicitColours(m);

    m.state.commandsOff = false;
    m.cursor = 0;
    walkGroupsPass2(m);
    emit(m, "STORY_1={story");

    m.state.commandsOff = false;
    m.cursor = 0;
    m.recordReplays = true;
    walkText(m);
    emit(m, "{endoftext}\r\n}\r\n");
    flushOutput(m);
}

} // namespace markload
