// Heap blocks owned through one pointer variable, whose address the operations
// take, so that every allocation failure is an ErrorRecord and leaves the
// owner's pointer defined. Each block remembers its own size.
#pragma once

#include "framework/error.h"

#include <cstddef>

// Zero-filled block of `size` bytes (1 when 0); on failure the pointer is null.
ErrorRecord *block_alloc_raw(void **owner, std::size_t size);
// Keeps the contents; on failure the pointer keeps the old block.
ErrorRecord *block_resize_raw(void **owner, std::size_t size);
// Grows a block that would be full, shrinks one more than a step too large.
ErrorRecord *block_ensure_raw(void **owner, std::size_t needed, std::size_t step);
void block_free_raw(void **owner);
std::size_t block_size(const void *block);
// Lowers the largest block granted; larger requests fail as when memory runs
// out. The fuzzers use it so that a few header bytes cannot cost a gigabyte
// of zeros on every run.
void block_set_limit(std::size_t bytes);

template <class T> ErrorRecord *block_alloc(T **owner, std::size_t size) {
    return block_alloc_raw(reinterpret_cast<void **>(owner), size);
}
template <class T> ErrorRecord *block_resize(T **owner, std::size_t size) {
    return block_resize_raw(reinterpret_cast<void **>(owner), size);
}
template <class T> ErrorRecord *block_ensure(T **owner, std::size_t needed, std::size_t step) {
    return block_ensure_raw(reinterpret_cast<void **>(owner), needed, step);
}
template <class T> void block_free(T **owner) { block_free_raw(reinterpret_cast<void **>(owner)); }
