// What the text of the document's stories refers to, read once before
// anything is written: the style slots its style changes apply (the style
// check keeps only those styles) and the inline frame ids of the frames it
// embeds (the walk leaves those frames to their stories).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace folio {

struct StoryReferences {
    std::array<bool, 256> usedStyleSlots{};
    std::vector<std::uint32_t> embeddedFrameIds; // ascending, each once
};

// Reads the text of every text story of the story directory.
StoryReferences readStoryReferences();

} // namespace folio
