// DDL reader. Failure policy: nothing is rejected. A string or group that the
// input ends inside is kept as far as it goes and reported ("line 7: STORY_1
// is not closed"); a closing brace with no group open, text that is not an
// object definition and groups nested beyond kMaxDepth are reported and
// passed over. At most kMaxProblems problems are kept, then one line counts
// the rest. Every step consumes at least one character, so the reader ends.
#include "tools/ddl_reader.h"

#include <charconv>
#include <cstdint>
#include <string>

namespace ddl {
namespace {

struct Cursor {
    std::string_view text;
    std::size_t at = 0;
    std::size_t line = 1;
    std::size_t dropped = 0;
    File *file = nullptr;

    bool atEnd() const { return at >= text.size(); }
    char peek() const { return at < text.size() ? text[at] : '\0'; }
    void step() {
        if (at < text.size() && text[at] == '\n') ++line;
        ++at;
    }
    void problem(std::size_t where, const std::string &what) {
        if (file->problems.size() < kMaxProblems)
            file->problems.push_back("line " + std::to_string(where) + ": " + what);
        else
            ++dropped;
    }
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool endsWord(char c) { return isSpace(c) || c == '{' || c == '}' || c == '"' || c == '='; }

void skipSpace(Cursor &c) {
    while (!c.atEnd() && isSpace(c.peek())) c.step();
}

std::string readWord(Cursor &c) {
    std::size_t start = c.at;
    while (!c.atEnd() && !endsWord(c.peek())) c.step();
    return std::string(c.text.substr(start, c.at - start));
}

// On the opening quote. A backslash takes the next character as it stands.
Node readString(Cursor &c) {
    Node node{NodeKind::string, {}, {}, c.line};
    c.step();
    while (!c.atEnd() && c.peek() != '"') {
        if (c.peek() == '\\' && c.at + 1 < c.text.size()) c.step();
        node.text.push_back(c.peek());
        c.step();
    }
    if (c.atEnd())
        c.problem(node.line, "a string is not closed");
    else
        c.step();
    return node;
}

// Values up to the closing brace of the enclosing group (consumed). Returns
// false when the input ended first.
bool readItems(Cursor &c, std::vector<Node> &items, int depth);

// On the opening brace.
Node readGroup(Cursor &c, int depth) {
    Node node{NodeKind::group, {}, {}, c.line};
    c.step();
    skipSpace(c);
    if (!c.atEnd() && !endsWord(c.peek())) node.text = readWord(c);
    if (depth >= kMaxDepth) {
        c.problem(node.line, "groups nested too deeply");
        int open = 1; // pass over the rest without building nodes
        while (!c.atEnd() && open > 0) {
            if (c.peek() == '"') {
                readString(c);
                continue;
            }
            if (c.peek() == '{') ++open;
            if (c.peek() == '}') --open;
            c.step();
        }
        return node;
    }
    readItems(c, node.items, depth + 1);
    return node;
}

bool readItems(Cursor &c, std::vector<Node> &items, int depth) {
    for (;;) {
        skipSpace(c);
        if (c.atEnd()) return false;
        char next = c.peek();
        if (next == '}') {
            c.step();
            return true;
        }
        if (next == '{')
            items.push_back(readGroup(c, depth));
        else if (next == '"')
            items.push_back(readString(c));
        else if (next == '=') {
            items.push_back(Node{NodeKind::word, "=", {}, c.line});
            c.step();
        } else
            items.push_back(Node{NodeKind::word, readWord(c), {}, c.line});
    }
}

void skipLine(Cursor &c) {
    while (!c.atEnd() && c.peek() != '\n') c.step();
}

void readObject(Cursor &c, File &file, std::string name, std::size_t line) {
    Object object;
    object.name = std::move(name);
    object.line = line;
    c.step(); // '='
    skipSpace(c);
    if (c.peek() == '{') {
        c.step();
        skipSpace(c);
        object.type = readWord(c);
        if (object.type.empty()) object.type = "?";
        if (!readItems(c, object.items, 1)) c.problem(line, object.name + " is not closed (unbalanced braces)");
    } else {
        object.alias = readWord(c);
        if (object.alias.empty()) {
            c.problem(line, object.name + " has no definition");
            skipLine(c);
            return;
        }
    }
    file.objects.push_back(std::move(object));
}

} // namespace

File readDdl(std::string_view text) {
    File file;
    Cursor c{text, 0, 1, 0, &file};
    while (true) {
        skipSpace(c);
        if (c.atEnd()) break;
        std::size_t line = c.line;
        if (c.text.substr(c.at, 2) == "//") {
            skipLine(c);
            continue;
        }
        if (c.peek() == '}') {
            c.problem(line, "a closing brace with no object open");
            c.step();
            continue;
        }
        std::string name = readWord(c);
        skipSpace(c);
        if (!name.empty() && c.peek() == '=') {
            readObject(c, file, std::move(name), line);
            continue;
        }
        c.problem(line, "text outside any object: \"" + (name.empty() ? std::string(1, c.peek()) : name.substr(0, 40)) + "\"");
        if (c.peek() == '{') { // an unnamed group: read it whole to stay in step
            Node skipped = readGroup(c, 1);
            (void)skipped;
        } else if (name.empty())
            c.step();
    }
    if (c.dropped > 0) file.problems.push_back("and " + std::to_string(c.dropped) + " more problems");
    return file;
}

const Node *findGroup(const std::vector<Node> &items, std::string_view keyword) {
    for (const Node &node : items)
        if (node.kind == NodeKind::group && node.text == keyword) return &node;
    return nullptr;
}

std::string_view textAt(const Node &group, std::size_t index) {
    if (index >= group.items.size() || group.items[index].kind == NodeKind::group) return {};
    return group.items[index].text;
}

long long numberAt(const Node &group, std::size_t index, long long fallback) {
    std::string_view text = textAt(group, index);
    if (text.empty()) return fallback;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint32_t value = 0;
        auto [end, error] = std::from_chars(text.data() + 2, text.data() + text.size(), value, 16);
        if (error != std::errc{} || end != text.data() + text.size()) return fallback;
        return static_cast<std::int32_t>(value);
    }
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return fallback;
    return value;
}

} // namespace ddl
