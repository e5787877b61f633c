// The colour list of a run: the ten standard colours, the named colours of the
// document's colour table (tints resolved against their bases), and literal
// colours given as packed colour words, named on first use.
#pragma once

#include "ddl/ddl_output.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace folio {

enum ColourFlag : std::uint32_t {
    kColourLock = 1u << 0,
    kColourSpot = 1u << 1,
    kColourTransparent = 1u << 3,
    kColourOverprint = 1u << 4,
};
enum ColourModel : std::int32_t { kModelRgb = 0, kModelCmyk = 1, kModelHsv = 2 };

inline constexpr std::size_t kColourNameCapacity = 24; // 23 characters and NUL
inline constexpr std::int32_t kFirstCreatedColour = 0x20;
inline constexpr std::int32_t kColourTransparentNumber = 3;
inline constexpr std::int32_t kColourBlackNumber = 1;

struct ColourEntry {
    std::string name;           // at most 23 characters
    std::int32_t number = 0;    // the NN of "COL_NN"
    std::uint32_t flags = 0;
    std::int32_t model = kModelRgb;
    std::int32_t components[4] = {0, 0, 0, 0};
    std::uint32_t overprintLimit = 0xe666;
};

// Empties the list back to the ten standard colours.
void resetColours();

// The entry named `name` (ASCII letters compared without case), standard
// colours first, or null.
ColourEntry *findColour(std::string_view name);

// Appends a created entry named `name` (cut to 23 characters) and returns it.
ColourEntry *addColour(std::string_view name);

// Reads the document's colour table into the list.
void buildColourList();

// The entry for a packed colour word, created on first use for literal
// colours. A word naming a document colour that has no entry gives the
// standard Black.
ColourEntry *colourFromWord(std::uint32_t word);

// "COL_%02x 0x10000 %d": the standard Transparent when `transparent`, else the
// colour of `word`; `flag` is the last field.
std::string colourValueText(std::uint32_t word, int flag, bool transparent);

// Writes the colour section: "// Colours", the definitions, two line ends.
void writeColours(ddl::DdlOutput &out);

// Number of entries (standard and created), and entry `i` of them in order.
std::size_t colourCount();
const ColourEntry &colourAt(std::size_t i);

} // namespace folio
