// Reads DDL text, as the document converters write it, into a tree of
// objects and attribute groups. Damaged input never stops the reader: it keeps
// what it could read and names each problem with its line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ddl {

enum class NodeKind { group, word, string };

// An attribute group "{keyword value...}", a bare word (a number or an object
// name) or a quoted string (unescaped).
struct Node {
    NodeKind kind = NodeKind::word;
    std::string text; // the group's keyword, the word, or the string
    std::vector<Node> items; // a group's values
    std::size_t line = 0;
};

// "NAME={type items...}" or the alias "NAME=OTHER".
struct Object {
    std::string name;
    std::string type; // empty for an alias
    std::string alias;
    std::vector<Node> items;
    std::size_t line = 0;
};

struct File {
    std::vector<Object> objects;
    std::vector<std::string> problems;
};

// Groups nest deeper than this only in damaged files.
constexpr int kMaxDepth = 32;
constexpr std::size_t kMaxProblems = 40;

File readDdl(std::string_view text);

// The first group with this keyword among `items`, or null.
const Node *findGroup(const std::vector<Node> &items, std::string_view keyword);
// The i-th value of a group as an integer: decimal, or "0x" hexadecimal read
// as a 32-bit two's-complement word; `fallback` when absent or not a number.
long long numberAt(const Node &group, std::size_t index, long long fallback = 0);
// The i-th value's text (word or string), or empty.
std::string_view textAt(const Node &group, std::size_t index);

} // namespace ddl
