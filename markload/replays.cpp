// Effect-ruler replays: switching such a style runs its definition's commands
// in place. Pass 3 records each top-level replay by the text state it starts
// from; switched again from the same state, the style writes the same bytes
// and leaves the same state, so the record is copied instead.
#include "markload/markload.h"
#include "ddl/fatal_error.h"

#include <cstring>

namespace markload {
namespace {

std::size_t recordSlot(const TextState &state, bool off) {
    const auto mix = [](std::uint64_t hash, std::uint64_t value) {
        hash = (hash ^ value) * 0x9E3779B97F4A7C15ull;
        return hash ^ (hash >> 29);
    };
    std::uint64_t margin = 0;
    std::memcpy(&margin, &state.leftMargin, sizeof margin);
    std::uint64_t hash = mix(margin, static_cast<std::uint64_t>((state.bold + 2) * 16 + (state.italic + 2) * 4) |
                                         (off ? 1u : 0u) | (state.commandsOff ? 2u : 0u));
    // The font by its length and its ends: starts that differ only inside a
    // long font name, or in a field the hash leaves out, share a slot, and
    // the compare on a hit tells them apart.
    const std::string &font = state.savedFont;
    hash = mix(hash, font.size());
    if (font.size() >= 8) {
        std::uint64_t head = 0, tail = 0;
        std::memcpy(&head, font.data(), 8);
        std::memcpy(&tail, font.data() + font.size() - 8, 8);
        hash = mix(mix(hash, head), tail);
    } else {
        for (char c : font) hash = mix(hash, static_cast<std::uint8_t>(c));
    }
    return static_cast<std::size_t>(hash % ReplayCache::kSlotsPerStyle);
}

// The record for this style, switch and state, or null.
const ReplayRecord *findRecord(const ReplayCache &cache, std::size_t style, bool off, const TextState &now,
                               std::size_t slot) {
    if (style >= cache.byStyle.size() || cache.byStyle[style].empty()) return nullptr;
    const ReplayRecord &record = cache.byStyle[style][slot];
    return record.used && record.off == off && record.before == now ? &record : nullptr;
}

void keepRecord(ReplayCache &cache, std::size_t style, std::size_t slot, ReplayRecord record) {
    const std::size_t size = record.output.size();
    if (size > ReplayCache::kMostRecordBytes) return;
    if (style >= cache.byStyle.size()) cache.byStyle.resize(style + 1);
    std::vector<ReplayRecord> &slots = cache.byStyle[style];
    if (slots.empty()) slots.resize(ReplayCache::kSlotsPerStyle);
    ReplayRecord &replaced = slots[slot];
    const std::size_t held = cache.heldBytes - replaced.output.size();
    if (held + size > ReplayCache::kMostBytes) return;
    cache.heldBytes = held + size;
    record.used = true;
    replaced = std::move(record);
}

// Runs the stored definition as if its commands stood here. The replay sees
// only its definition, up to the brace that pass 2 found, so that nothing in
// it (an open quote) reaches the text after it.
void walkDefinition(Markload &m, StyleEntry &style, bool off) {
    const std::span<const std::uint8_t> savedInput = m.input;
    const std::size_t savedCursor = m.cursor;
    const bool savedOffSetting = m.offSetting;
    m.input = m.document.first(style.definitionEnd);
    m.cursor = style.definePosition;
    readArgumentWord(m);
    readArgumentWord(m);
    m.offSetting = off;
    style.replaying = true;
    ++m.replayDepth;
    processCommandGroup(m);
    --m.replayDepth;
    style.replaying = false;
    m.input = savedInput;
    m.cursor = savedCursor;
    m.offSetting = savedOffSetting;
}

} // namespace

// Switched off, margins and tabs are written without values. What a replay
// may walk is charged to the run's budget before it starts, nested replays
// included; a recorded one is charged its whole cost again. A switch of a
// style whose replay is under way is passed over.
void replayEffectRuler(Markload &m, std::size_t index, bool off) {
    StyleEntry &style = m.styles[index];
    if (style.replaying) return;
    const bool record = m.recordReplays && m.replayDepth == 0;
    const std::size_t slot = record ? recordSlot(m.state, off) : 0;
    if (const ReplayRecord *recorded = record ? findRecord(m.replays, index, off, m.state, slot) : nullptr) {
        if (recorded->cost <= m.replayBudget) {
            m.replayBudget -= recorded->cost;
            emit(m, recorded->output);
            m.state = recorded->after;
            return;
        }
    }
    const std::uint64_t budgetBefore = m.replayBudget;
    const std::uint64_t cost = style.definitionEnd - style.definePosition + 1;
    if (cost > m.replayBudget) ddl::fatalError("Effect-ruler styles are switched too often to replay");
    m.replayBudget -= cost;

    ReplayRecord recorded;
    if (record) recorded.before = m.state;
    const std::size_t outputStart = m.out.size;
    const std::size_t drainsBefore = m.drains;
    walkDefinition(m, style, off);
    // A replay whose output went partly to the drain is not kept: its bytes
    // no longer lie together in `out`.
    if (record && m.drains == drainsBefore) {
        recorded.off = off;
        recorded.after = m.state;
        recorded.cost = budgetBefore - m.replayBudget;
        recorded.output.assign(m.out.from(outputStart));
        keepRecord(m.replays, index, slot, std::move(recorded));
    }
}

} // namespace markload
