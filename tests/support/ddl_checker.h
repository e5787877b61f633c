// A checker for the DDL text the converters write: braces balance, strings
// are well formed (closed on their line, only the quote and backslash escapes),
// and every object that the text refers to is defined somewhere in it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// The problems found, one line each; empty when the text passes.
std::vector<std::string> check_ddl(std::string_view text);

} // namespace testing_support
