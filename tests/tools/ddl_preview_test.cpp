// The DDL reader on hand-written fragments, and what the preview makes of a
// few of them: the tree read, the problems named, the HTML a story gives.
#include "tools/ddl_html.h"
#include "tools/ddl_reader.h"
#include "tools/ddl_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The tree as compact text: groups in braces, strings quoted, one object a line.
std::string show(const std::vector<ddl::Node> &items) {
    std::string out;
    for (const ddl::Node &node : items) {
        out += " ";
        if (node.kind == ddl::NodeKind::group)
            out += "{" + node.text + show(node.items) + "}";
        else if (node.kind == ddl::NodeKind::string)
            out += "\"" + node.text + "\"";
        else
            out += node.text;
    }
    return out;
}

std::string show(const ddl::File &file) {
    std::string out;
    for (const ddl::Object &object : file.objects)
        out += object.name + "=" + (object.alias.empty() ? "{" + object.type + show(object.items) + "}" : object.alias) + "\n";
    for (const std::string &problem : file.problems) out += "! " + problem + "\n";
    return out;
}

struct Case {
    const char *name;
    std::string ddl;
    std::string expected;
};

TEST(DdlReader, ReadsWhatTheConvertersWriteAndNamesDamage) {
    const std::vector<Case> cases = {
        {"header comments, attributes with and without blanks",
         "//->DDLFile\n// Produced by Folioload\n//\n\n\nDOC={document}\n\nTEXT_1f4={textframe{lock 0} {spread 0}\n{fcurve {box {x 5}\n{y -6}\n}}\n}\n",
         "DOC={document}\nTEXT_1f4={textframe {lock 0} {spread 0} {fcurve {box {x 5} {y -6}}}}\n"},
        {"an alias", "PICTURE_2=PICTURE_1\n", "PICTURE_2=PICTURE_1\n"},
        {"escaped quote and backslash", "STORY_1={story\n\"say \\\"hi\\\" C:\\\\x\"\n{endoftext}\n}\n",
         "STORY_1={story \"say \"hi\" C:\\x\" {endoftext}}\n"},
        {"markup output: CR LF, nested strings, bare characters",
         "STORY_1={story{newpara}\r\n\"a\"{merge \" Name\" \"{macv=impulse(\\\"Customer Name\\\")}\"}\r\n*{endoftext}\r\n}\r\n",
         "STORY_1={story {newpara} \"a\" {merge \" Name\" \"{macv=impulse(\"Customer Name\")}\"} * {endoftext}}\n"},
        {"truncated inside a group", "STORY_1={story \"abc\" {newpara",
         "STORY_1={story \"abc\" {newpara}}\n! line 1: STORY_1 is not closed (unbalanced braces)\n"},
        {"truncated inside a string", "COL_01={colour \"Bla",
         "COL_01={colour \"Bla\"}\n! line 1: a string is not closed\n! line 1: COL_01 is not closed (unbalanced braces)\n"},
        {"a stray brace and stray text", "}\nfoo\nCOL_1={colour \"x\"}\n",
         "COL_1={colour \"x\"}\n! line 1: a closing brace with no object open\n! line 2: text outside any object: \"foo\"\n"},
        {"a name with nothing after the sign", "A=\n", "! line 1: A has no definition\n"},
        {"groups nested beyond the limit", "X={t " + std::string(40, '{') + std::string(40, '}') + "}",
         "X={t" + [] {
             std::string inner; // kept to the limit, the deepest one empty
             for (int i = 0; i < ddl::kMaxDepth; ++i) inner += " {";
             return inner + std::string(ddl::kMaxDepth, '}');
         }() + "}\n! line 1: groups nested too deeply\n"},
    };
    for (const Case &c : cases) EXPECT_EQ(show(ddl::readDdl(c.ddl)), c.expected) << c.name;
}

TEST(DdlReader, NumbersAreDecimalOrFixedPointWords) {
    ddl::File file = ddl::readDdl("X={t {v 12 -3 0x0 0xffa60000 0x10000 word \"7\" 0xzz}}");
    const ddl::Node &v = file.objects.at(0).items.at(0);
    const std::vector<long long> expected = {12, -3, 0, -5898240, 65536, -1, 7, -1, -1};
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(ddl::numberAt(v, i, -1), expected[i]) << i;
}

TEST(DdlPreview, ShowsStoriesAndNamesWhatIsWrong) {
    const std::vector<Case> cases = {
        {"styled text, escaped", "STYLE_1={style \"Strong\" {bold 1}{textsize 12000}}\nSTORY_1={story{adduserstyle STYLE_1}\"a&b<\"{newpara}}",
         "<span class=\"t\" style=\"font-size:12.000pt;font-weight:bold;\">a&amp;b&lt;</span>"},
        {"a style named by a markup switch", "STYLE_0={style \"heading\" {italic 1}}\nSTORY_1={story{adduserstyle {stylename \"Heading\"}}\"h\"}",
         "<span class=\"t\" style=\"font-style:italic;\">h</span>"},
        {"merge fields and page numbers as placeholders",
         "MERGE_1={merge 1 \"1\" \"{macv=impulse(\\\"Name\\\")}\"}\nSTORY_1={story{merge 1}{pageno}}",
         "<span class=\"field\">\xc2\xabName\xc2\xbb</span><span class=\"field\">[page]</span>"},
        {"Latin-1 text becomes UTF-8", "STORY_1={story \"caf\xe9\"}", "<span class=\"t\">caf\xc3\xa9</span>"},
        {"an unknown object", "X_1={widget}", "X_1 is an unknown object &quot;widget&quot;"},
        {"a missing master frame", "PAGE_1={page}\nTEXT_2={textframe\n{master TEXT_9}{local 0}\n}",
         "TEXT_2 refers to TEXT_9, which is not in the file"},
        {"a missing style", "STORY_1={story{adduserstyle STYLE_7}\"x\"}", "STORY_1 refers to STYLE_7, which is not in the file"},
        {"a missing picture", "PAGE_1={page}\nPICT_5={pictframe {fcurve {box {x 0}{y 0}{w 1000}{h 1000}}}}",
         "PICT_5 refers to PICTURE_5, which is not in the file"},
        {"a page box of the chapter's paper", "CHAP_1={chapter {papersize \"A4\" 1 {w 100000} {h 200000}{sideways 0}}}\nPAGE_2={page}",
         "style=\"width:100.000pt;height:200.000pt;"},
        {"what is not rendered is counted", "STORY_1={story{hyphenation 1}\"a\"{hyphenation 0}}",
         "<span class=\"what\">{hyphenation} attribute</span> <span class=\"count\">2</span>"},
    };
    for (const Case &c : cases) {
        std::string html = ddl::previewHtml(ddl::readDdl(c.ddl), "t");
        EXPECT_NE(html.find(c.expected), std::string::npos) << c.name << "\n" << html;
    }
}

TEST(DdlPreview, FontNamesMapToGenericFamilies) {
    struct Font {
        const char *name;
        const char *family;
        bool bold, italic;
    };
    const Font fonts[] = {{"Trinity.Medium.Italic", "serif", false, true},
                          {"Homerton.Bold", "sans-serif", true, false},
                          {"Corpus.Medium", "monospace", false, false},
                          {"Unheard.Of", "serif", false, false}};
    for (const Font &f : fonts) {
        ddl::FontLook look = ddl::fontLook(f.name);
        EXPECT_EQ(look.family, f.family) << f.name;
        EXPECT_EQ(look.bold, f.bold) << f.name;
        EXPECT_EQ(look.italic, f.italic) << f.name;
    }
}

} // namespace

namespace {

TEST(DdlPreview, PictureDataDecodesItsPrintableEncoding) {
    struct Encoded {
        const char *text;
        std::vector<std::uint8_t> bytes;
    };
    const Encoded cases[] = {
        {"####", {0, 0, 0}},
        {"cccc", {0xE7, 0x9E, 0x79}}, // "c" stands for 57, where a backslash would be
        {"bS", {0xFF}},               // one byte in a short last group
        {"bbbbbS", {0xFF, 0xFF, 0xFF, 0xFF}},
        {"##\n\"##", {0, 0, 0}},    // line ends and quotes between lines are passed over
    };
    for (const Encoded &c : cases) EXPECT_EQ(ddl::decodePictureData(c.text), c.bytes) << c.text;
}

} // namespace
