// Builds DDF inputs for the Markload tests: text, command groups, colour
// definition groups and style definitions, with CR LF line ends by default.
#pragma once

#include "markload/markload.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace testing_support {

struct DdfBuilder {
    std::string text;

    DdfBuilder &plain(std::string_view t) {
        text += t;
        return *this;
    }
    DdfBuilder &group(std::string_view commands) {
        text += '{';
        text += commands;
        text += '}';
        return *this;
    }
    DdfBuilder &line() { return plain("\r\n"); }
    // "{define colours", one definition per line, "}" on a line of its own.
    DdfBuilder &colours(std::initializer_list<std::string_view> lines) {
        text += "{define colours\r\n";
        for (auto l : lines) {
            text += l;
            text += "\r\n";
        }
        text += '}';
        return *this;
    }
    DdfBuilder &style(std::string_view name, std::string_view commands = {}) {
        text += "{define style ";
        text += name;
        if (!commands.empty()) {
            text += "; ";
            text += commands;
        }
        text += '}';
        return *this;
    }
    std::string build() const { return text; }
};

struct Converted {
    std::string output;
    std::string failure;  // empty on success
};

// The whole conversion in memory, as the program runs it on a file.
Converted convert(const std::string &ddf);

// The output of a file without colours and styles: the story alone.
inline std::string story(std::string_view body) {
    return "STORY_1={story" + std::string(body) + "{endoftext}\r\n}\r\n";
}

} // namespace testing_support
