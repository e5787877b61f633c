// The message table and the expansion of "{KEY}" tokens.
#include "framework/messages.h"
#include "framework/memory.h"
#include "framework/win32_calls.h"

#include <cstring>
#include <string>

namespace {

char *table = nullptr;        // key, NUL, text, NUL, ... ended by an empty key
std::size_t table_length = 0; // bytes in use

constexpr std::size_t kMaxKeyLength = 30;
// A text that contains its own token (directly or through others) would grow
// without end; no honest message needs more expansions than this.
constexpr int kMaxExpansions = 64;

} // namespace

void message_table_reset() {
    block_free(&table);
    table_length = 0;
}

ErrorRecord *message_table_append(const char *bytes, std::size_t size) {
    if (ErrorRecord *e = block_resize(&table, table_length + size + 2)) return e;
    // Copy, dropping each control character that follows another, so CR LF becomes CR.
    char *start = table + table_length;
    std::size_t out = 0;
    bool previous_control = false; // as if a space preceded the text
    for (std::size_t i = 0; i < size; ++i) {
        auto c = static_cast<unsigned char>(bytes[i]);
        bool control = c < 32;
        if (control && previous_control) continue;
        start[out++] = static_cast<char>(c);
        previous_control = control;
    }
    start[out] = '\0';
    start[out + 1] = '\0';

    // Split into entries: key up to ':', value up to the first byte below 31.
    char *p = start;
    char *last_key = start;
    std::size_t kept = out;
    for (;;) {
        last_key = p;
        char *colon = p;
        while (*colon != '\0' && *colon != ':') ++colon;
        if (*colon == '\0') {
            kept = static_cast<std::size_t>(last_key - start); // no colon: not an entry
            break;
        }
        *colon = '\0';
        char *value = colon + 1;
        if (*value == '\0') {
            kept = static_cast<std::size_t>(last_key - start); // key without text
            break;
        }
        char *end = value;
        while (static_cast<unsigned char>(*end) >= 31) ++end;
        bool at_end = *end == '\0';
        *end = '\0';
        if (last_key == colon) { // empty key ends the table here
            kept = static_cast<std::size_t>(last_key - start);
            break;
        }
        if (at_end || end[1] == '\0') {
            // The last entry is kept only with both a key and a text.
            kept = static_cast<std::size_t>(end == value ? last_key - start : end + 1 - start);
            break;
        }
        p = end + 1;
    }
    start[kept] = '\0';
    table_length += kept;
    return nullptr;
}

ErrorRecord *message_table_load(const char *name) {
    HRSRC resource = FindResourceA(nullptr, name, "MESSAGES");
    if (resource == nullptr) return nullptr; // no resource: the table stays as it is
    HGLOBAL data = nullptr;
    if (ErrorRecord *e = call_load_resource(nullptr, resource, &data)) return e;
    void *bytes = nullptr;
    call_lock_resource(data, &bytes);
    DWORD size = 0;
    if (ErrorRecord *e = call_sizeof_resource(nullptr, resource, &size)) return e;
    return message_table_append(static_cast<const char *>(bytes), size);
}

std::string_view message_lookup(std::string_view key) {
    if (table == nullptr) return key;
    const char *p = table;
    const char *end = table + table_length;
    while (p < end && *p != '\0') {
        std::string_view entry_key(p);
        const char *value = p + entry_key.size() + 1;
        if (value >= end) break;
        std::string_view entry_value(value);
        if (entry_key == key) return entry_value;
        if (entry_value.empty()) break;
        p = value + entry_value.size() + 1;
    }
    return key;
}

void expand_tokens(char *text, int capacity) {
    std::size_t length = std::strlen(text);
    std::size_t i = 0;
    int expansions = 0;
    while (i < length) {
        if (text[i] != '{') {
            ++i;
            continue;
        }
        if (i + 1 >= length) break;
        if (text[i + 1] == '{') { // "{{" is a literal brace
            std::memmove(text + i, text + i + 1, length - i);
            --length;
            i += 2;
            continue;
        }
        const char *close = static_cast<const char *>(std::memchr(text + i + 1, '}', length - i - 1));
        std::size_t key_length = close == nullptr ? 0 : static_cast<std::size_t>(close - (text + i + 1));
        if (close == nullptr || key_length > kMaxKeyLength) {
            ++i;
            continue;
        }
        std::string key(text + i + 1, key_length);
        std::string replacement(message_lookup(key));
        std::size_t token_length = key_length + 2;
        std::size_t new_length = length - token_length + replacement.size();
        if (new_length >= static_cast<std::size_t>(capacity) || expansions >= kMaxExpansions) {
            i += token_length;
            continue;
        }
        std::memmove(text + i + replacement.size(), text + i + token_length, length - i - token_length + 1);
        std::memcpy(text + i, replacement.data(), replacement.size());
        length = new_length;
        ++expansions;
        // Continue at the inserted text so tokens inside messages expand in turn.
    }
}
