// The document's text styles: numbering, the style check, colour
// registration, the style objects, and the key names of their shortcuts.
#pragma once

#include "ddl/ddl_output.h"
#include "folio/story_references.h"

#include <cstdint>
#include <string>

namespace folio {

inline constexpr int kStyleSlots = 255;
inline constexpr int kFirstStyleNumber = 256; // slot n is STYLE_(100 + n) in hex

// Numbers the styles, runs the style check unless "-nostylecheck" was given
// (it clears the table words of the styles that no story uses), starts the
// merge counter at 1, and registers every colour a style refers to.
void prepareStyles(const StoryReferences &references);

// Writes the style objects of all non-empty slots in slot order.
void writeStyles(ddl::DdlOutput &out);

// True when slot `slot` holds a style that is written.
bool styleExists(int slot);

// The key name of a 9-bit RISC OS key code; empty for 0 or an unknown code.
std::string keyName(std::uint32_t keyCode);

// The merge counter: number of the next merge object (1 at the start).
extern std::int32_t gMergeCounter;

} // namespace folio
