// The DDL being written: one block that writers fill through a pointer once
// they have made room for what they may write, so that a text run or a
// command's attribute costs no check per byte.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace markload {

struct OutputBuffer {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::size_t capacity = 0;

    std::string_view view() const { return {bytes.get(), size}; }
    std::string_view from(std::size_t start) const { return view().substr(start); }
    void clear() { size = 0; }

    // Room for `extra` more bytes; the pointer to write them at.
    char *room(std::size_t extra) {
        if (capacity - size < extra) grow(extra);
        return bytes.get() + size;
    }
    void grow(std::size_t extra) {
        const std::size_t wanted = std::max({size + extra, capacity * 2, std::size_t{4096}});
        std::unique_ptr<char[]> larger(new char[wanted]);
        if (size != 0) std::memcpy(larger.get(), bytes.get(), size);
        bytes = std::move(larger);
        capacity = wanted;
    }
    void append(std::string_view text) {
        char *at = room(text.size());
        if (!text.empty()) std::memcpy(at, text.data(), text.size());
        size += text.size();
    }
    void push(char c) {
        *room(1) = c;
        ++size;
    }
};

} // namespace markload
