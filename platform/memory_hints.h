// Hints to the system about large memory blocks. Freshly allocated bitmaps of
// many megabytes otherwise cost one page fault per 4 KiB on first touch.
#pragma once

#include <cstddef>

namespace platform {

// Asks for large pages behind a block the caller is about to fill; no effect
// where the system has no such hint.
void advise_large_block(void *start, std::size_t size);

} // namespace platform
