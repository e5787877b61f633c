// Stand-in for the DDL helpers that Folioload and Markload share, until they
// are merged in: the fatal-error path and string quoting.
#pragma once

#include <string>
#include <string_view>

struct FatalError {
    std::string text;
};

[[noreturn]] inline void fatalError(std::string_view text) { throw FatalError{std::string(text)}; }

inline std::string quoteString(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size());
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted;
}
