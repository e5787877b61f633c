#include "tests/support/ddl_checker.h"

#include <cctype>
#include <set>

namespace testing_support {
namespace {

bool is_name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Object names are an upper-case prefix, an underscore and a number
// ("COL_01", "TEXT_1f4", "PICT_1_1f4", "MERGE_3").
bool is_object_name(std::string_view word) {
    std::size_t underscore = word.find('_');
    if (underscore == 0 || underscore == std::string_view::npos || underscore + 1 == word.size()) return false;
    for (std::size_t i = 0; i < underscore; ++i)
        if (!std::isupper(static_cast<unsigned char>(word[i]))) return false;
    for (std::size_t i = underscore + 1; i < word.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(word[i])) && word[i] != '_') return false;
    return true;
}

struct Reference {
    std::string name;
    std::size_t line;
};

} // namespace

std::vector<std::string> check_ddl(std::string_view text) {
    std::vector<std::string> problems;
    std::set<std::string> defined;
    std::vector<Reference> references;
    std::size_t line = 1;
    int depth = 0;
    bool at_line_start = true;
    // The word just opened at brace depth 1 by "NAME={", so that the type
    // group of a merge definition is not taken for a merge reference.
    bool after_definition = false;
    std::size_t i = 0;
    auto problem = [&](const std::string &what) { problems.push_back("line " + std::to_string(line) + ": " + what); };

    while (i < text.size()) {
        char c = text[i];
        if (at_line_start && depth == 0 && text.substr(i, 2) == "//") {
            while (i < text.size() && text[i] != '\n') ++i;
            continue;
        }
        at_line_start = false;
        if (c == '\n') {
            ++line;
            at_line_start = true;
            ++i;
        } else if (c == '"') {
            ++i;
            bool closed = false;
            while (i < text.size() && text[i] != '\n') {
                if (text[i] == '\\') {
                    if (i + 1 >= text.size() || (text[i + 1] != '"' && text[i + 1] != '\\')) {
                        problem("string holds a backslash that escapes neither a quote nor a backslash");
                        ++i;
                        continue;
                    }
                    i += 2;
                    continue;
                }
                if (text[i] == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                ++i;
            }
            if (!closed) problem("string not closed on its line");
        } else if (c == '{') {
            ++depth;
            ++i;
            std::size_t start = i;
            while (i < text.size() && is_name_char(text[i])) ++i;
            std::string keyword(text.substr(start, i - start));
            if (keyword == "merge" && !(after_definition && depth == 1)) {
                while (i < text.size() && text[i] == ' ') ++i;
                std::size_t number = i;
                while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
                if (number == i)
                    problem("merge reference without a number");
                else
                    references.push_back({"MERGE_" + std::string(text.substr(number, i - number)), line});
            }
            after_definition = false;
        } else if (c == '}') {
            if (depth == 0)
                problem("closing brace without an opening one");
            else
                --depth;
            ++i;
        } else if (is_name_char(c)) {
            std::size_t start = i;
            while (i < text.size() && is_name_char(text[i])) ++i;
            std::string word(text.substr(start, i - start));
            if (depth == 0) {
                if (i >= text.size() || text[i] != '=') {
                    problem("text outside any object: " + word);
                    continue;
                }
                if (!is_object_name(word) && word != "DOC") problem("definition of a badly formed name: " + word);
                if (!defined.insert(word).second) problem("object defined twice: " + word);
                ++i;
                if (i < text.size() && text[i] == '{') {
                    after_definition = true;
                } else {
                    std::size_t alias = i;
                    while (i < text.size() && is_name_char(text[i])) ++i;
                    std::string target(text.substr(alias, i - alias));
                    if (!is_object_name(target))
                        problem("definition of " + word + " is neither an object nor an alias");
                    else
                        references.push_back({target, line});
                }
            } else if (is_object_name(word)) {
                references.push_back({word, line});
            }
        } else {
            ++i;
        }
    }
    if (depth != 0) problem("braces do not balance: " + std::to_string(depth) + " left open");
    for (const auto &reference : references)
        if (!defined.count(reference.name))
            problems.push_back("line " + std::to_string(reference.line) + ": " + reference.name +
                               " is referred to but not defined");
    return problems;
}

} // namespace testing_support
