#include "platform/memory_hints.h"

#ifdef __linux__
#include <cstdint>
#include <sys/mman.h>
#endif

namespace platform {

void advise_large_block(void *start, std::size_t size) {
#ifdef __linux__
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    if (size < 2 * kLargePage) return;
    auto first = (reinterpret_cast<std::uintptr_t>(start) + kLargePage - 1) & ~(kLargePage - 1);
    auto last = (reinterpret_cast<std::uintptr_t>(start) + size) & ~(kLargePage - 1);
    if (last > first) madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#else
    (void)start;
    (void)size;
#endif
}

} // namespace platform
