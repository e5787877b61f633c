#include "platform/system_error_text.h"

#include <cstdio>

void system_error_text(char *text, std::size_t capacity, const char *call_name, DWORD code, const char *detail) {
    if (capacity == 0) return;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                  static_cast<DWORD>(capacity), nullptr);
    if (length >= capacity) length = 0;
    text[length] = '\0';
    const std::size_t room = capacity - length;
    if (detail != nullptr)
        std::snprintf(text + length, room, "(%s) (%d) (%s)", call_name, static_cast<int>(code), detail);
    else
        std::snprintf(text + length, room, "(%s) (%d)", call_name, static_cast<int>(code));
}
