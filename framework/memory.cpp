// Heap blocks that remember their size in a small header before the bytes.
#include "framework/memory.h"
#include "platform/memory_hints.h"

#include <cstdlib>
#include <cstring>

namespace {

struct alignas(std::max_align_t) BlockHeader {
    std::size_t size;
};

// No block of the filters needs more; anything larger is treated as no memory
// rather than trusting the system to refuse it.
constexpr std::size_t kMaxBlockSize = (std::size_t{1} << 30) + (std::size_t{1} << 20);
std::size_t max_block_size = kMaxBlockSize;

BlockHeader *header_of(void *block) { return static_cast<BlockHeader *>(block) - 1; }

} // namespace

void block_set_limit(std::size_t bytes) { max_block_size = bytes < kMaxBlockSize ? bytes : kMaxBlockSize; }

std::size_t block_size(const void *block) {
    return block == nullptr ? 0 : (static_cast<const BlockHeader *>(block) - 1)->size;
}

ErrorRecord *block_alloc_raw(void **owner, std::size_t size) {
    if (size == 0) size = 1;
    void *raw = size > max_block_size ? nullptr : std::calloc(1, sizeof(BlockHeader) + size);
    if (raw == nullptr) {
        *owner = nullptr;
        return error_from_code(kErrorMemory);
    }
    auto *header = static_cast<BlockHeader *>(raw);
    header->size = size;
    *owner = header + 1;
    platform::advise_large_block(*owner, size);
    return nullptr;
}

ErrorRecord *block_resize_raw(void **owner, std::size_t size) {
    if (*owner == nullptr) return block_alloc_raw(owner, size);
    if (size == 0) size = 1;
    BlockHeader *old_header = header_of(*owner);
    std::size_t old_size = old_header->size;
    void *raw = size > max_block_size ? nullptr : std::realloc(old_header, sizeof(BlockHeader) + size);
    if (raw == nullptr) return error_from_code(kErrorMemory); // the owner keeps the old block
    auto *header = static_cast<BlockHeader *>(raw);
    header->size = size;
    if (size > old_size) std::memset(reinterpret_cast<char *>(header + 1) + old_size, 0, size - old_size);
    *owner = header + 1;
    return nullptr;
}

ErrorRecord *block_ensure_raw(void **owner, std::size_t needed, std::size_t step) {
    if (step == 0) step = 1;
    if (*owner == nullptr) return block_alloc_raw(owner, step);
    std::size_t size = block_size(*owner);
    // A block that would be exactly full grows; one more than a step too large shrinks.
    if (needed >= size || size > needed + step) return block_resize_raw(owner, step * (needed / step + 1));
    return nullptr;
}

void block_free_raw(void **owner) {
    if (*owner == nullptr) return;
    std::free(header_of(*owner));
    *owner = nullptr;
}
