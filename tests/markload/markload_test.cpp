// Markload conversions in memory, each against the whole expected DDL text.
#include "tests/support/ddf_builder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

using testing_support::convert;
using testing_support::DdfBuilder;
using testing_support::story;

namespace {

struct Case {
    const char *name;
    std::string ddf;
    std::string expected;
};

void expectConversions(const std::vector<Case> &cases) {
    for (const auto &c : cases) {
        auto result = convert(c.ddf);
        EXPECT_EQ(result.failure, "") << c.name;
        EXPECT_EQ(result.output, c.expected) << c.name;
    }
}

// Style 0 with no attributes, as every file with one plain definition writes it.
const std::string kBodyText = "STYLE_0={style \"BodyText\"\r\n{keypress \"C_F1\"}{scope 0}\r\n}\r\n\r\n";

TEST(MarkloadText, LineEndsTabsAndRuns) {
    expectConversions({
        {"empty file", "", story("")},
        {"CR LF gives two paragraphs", "a\r\nb", story("\r\n\"a\"{newpara}{newpara}\r\n\"b\"")},
        {"LF gives one", "a\nb\n", story("\r\n\"a\"{newpara}\r\n\"b\"{newpara}")},
        {"tab", "a\tb", story("\r\n\"a\"{tab}\r\n\"b\"")},
        {"quotes and backslashes escaped", "say \"hi\" \\o/", story("\r\n\"say \\\"hi\\\" \\\\o/\"")},
        {"closing brace outside a group is text", "a}b", story("\r\n\"a}b\"")},
        {"600 characters in three runs", std::string(600, 'x'),
         story("\r\n\"" + std::string(254, 'x') + "\"\r\n\"" + std::string(254, 'x') + "\"\r\n\"" +
               std::string(92, 'x') + "\"")},
        {"an escape that does not fit starts the next run", std::string(253, 'x') + "\"y",
         story("\r\n\"" + std::string(253, 'x') + "\"\r\n\"\\\"y\"")},
    });
}

// The story read back: its strings unescaped, {tab} and {newpara} as the
// bytes they stand for. Every string holds at most 254 DDL characters, and one
// shorter than a full run ends only where the text stops.
std::string readStoryBack(std::string_view body) {
    std::string text;
    while (!body.empty()) {
        if (body.starts_with("{tab}")) {
            text += '\t', body.remove_prefix(5);
            continue;
        }
        if (body.starts_with("{newpara}")) {
            text += '\n', body.remove_prefix(9);
            continue;
        }
        if (!body.starts_with("\r\n\"")) return text + "<bad DDL>";
        std::size_t end = 3, characters = 0;
        while (end < body.size() && body[end] != '"') {
            if (body[end] == '\\') ++end, ++characters;
            if (end < body.size()) text += body[end++], ++characters;
        }
        if (end == body.size() || characters > 254) return text + "<bad run>";
        body.remove_prefix(end + 1);
        const bool textGoesOn = !body.empty() && body.starts_with("\r\n");
        if (characters < 253 && textGoesOn) return text + "<short run>";
    }
    return text;
}

// Text thick with quotes, backslashes, tabs and line ends, at every offset
// against the 16-byte blocks and the 254-character runs.
TEST(MarkloadText, RunsReadBackAsTheirText) {
    constexpr std::string_view kEnds = "\t\n\x01", kEscaped = "\"\\", kPlain = "abcdefgh  \x7f\xe9";
    unsigned seed = 16;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xffff; };
    for (int i = 0; i < 1500; ++i) {
        std::string text(next() % 1200, ' ');
        const unsigned escapedShare = next() % 40;  // percent; ends are 2 percent
        for (char &c : text) {
            const unsigned roll = next() % 100;
            const std::string_view from = roll < 2 ? kEnds : roll < 2 + escapedShare ? kEscaped : kPlain;
            c = from[next() % from.size()];
        }
        const auto result = convert(text);
        ASSERT_EQ(result.failure, "");
        constexpr std::string_view kOpening = "STORY_1={story", kEnd = "{endoftext}\r\n}\r\n";
        std::string_view body = result.output;
        ASSERT_TRUE(body.starts_with(kOpening) && body.ends_with(kEnd));
        body = body.substr(kOpening.size(), body.size() - kOpening.size() - kEnd.size());
        EXPECT_EQ(readStoryBack(body), text) << "text " << i;
    }
}

TEST(MarkloadStyles, DefinitionsAndSwitches) {
    expectConversions({
        {"no defines: switches write the name as given",
         DdfBuilder{}.group("bold on").plain("Hi").group("Heading on").group("heading off").build(),
         story("{bold 1}\r\n\"Hi\"{adduserstyle {stylename \"heading\"}}{remuserstyle {stylename \"heading\"}}")},
        {"style 0 is BodyText, found by its own name",
         DdfBuilder{}.style("Main", "bold on").style("Second", "italic off").group("main on").plain("x")
             .group("Second off").build(),
         "STYLE_0={style \"BodyText\"\r\n{bold 1}\r\n{keypress \"C_F1\"}{scope 0}\r\n}\r\n\r\n"
         "STYLE_1={style \"second\"\r\n{italic 0}\r\n{keypress \"\"}{scope 0}\r\n}\r\n\r\n" +
             story("{adduserstyle {stylename \"BodyText\"}}\r\n\"x\"{remuserstyle {stylename \"second\"}}")},
        {"quoted names keep their case; autoparagraph sets the scope",
         DdfBuilder{}.style("First").style("\"Fancy Name\"", "autoparagraph").group("style \"Fancy Name\" on").build(),
         kBodyText + "STYLE_1={style \"Fancy Name\"\r\n{keypress \"\"}{scope 1}\r\n}\r\n\r\n" +
             story("{adduserstyle {stylename \"Fancy Name\"}}")},
        {"names agree in their first 18 characters, case ignored",
         DdfBuilder{}.style("First").style("AVeryLongStyleNameIndeed").group("AVeryLongStyleNameOther on")
             .group("\"AVERYLONGSTYLENAMEzzz\" off").build(),
         kBodyText + "STYLE_1={style \"averylongstylename\"\r\n{keypress \"\"}{scope 0}\r\n}\r\n\r\n" +
             story("{adduserstyle {stylename \"averylongstylename\"}}"
                   "{remuserstyle {stylename \"AVERYLONGSTYLENAME\"}}")},
        {"an effect-ruler style has an index but no object",
         DdfBuilder{}.style("First").style("Margins", "effectruler on; leftmargin 10mm; tabs 1in").style("Third", "italic on")
             .group("margins on").plain("a").group("style margins off").group("third on").build(),
         kBodyText + "STYLE_2={style \"third\"\r\n{italic 1}\r\n{keypress \"\"}{scope 0}\r\n}\r\n\r\n" +
             story("{leftindent 1 28346}{tabruler {tableader \"\"} {lefttab 72000}}\r\n\"a\"{leftindent}{tabruler}"
                   "{adduserstyle {stylename \"third\"}}")},
        {"attributes with their own line end get a second one in a definition",
         DdfBuilder{}.style("S", "spaceabove 6pt; spacebelow 1pt; fontsize 12").build(),
         "STYLE_0={style \"BodyText\"\r\n{spacebefore 6000\r\n}\r\n{spaceafter 1000\r\n}\r\n{textsize 12000}\r\n"
         "{keypress \"C_F1\"}{scope 0}\r\n}\r\n\r\n" + story("")},
        {"font repeats the bold and italic states; bold alone repeats the saved font",
         DdfBuilder{}.group("font Trinity").group("bold").group("italic on; font Homerton").group("font").group("bold")
             .build(),
         story("{fontstyle \"trinity\"}{bold}{fontstyle \"trinity\"}{italic 1}{fontstyle \"homerton\"}{italic 1}"
               "{fontstyle}{bold}")},
        {"a word that is not a command and no switch is text, its brace quoted",
         DdfBuilder{}.group("bold on; hello there").plain("x").build(),
         story("{bold 1}\"{\"\r\n\" hello there}x\"")},
    });
}

TEST(MarkloadStyles, OffAndOnGroupsInEveryPass) {
    std::string ddf = DdfBuilder{}.group("off").style("Hidden").group("fontcolour rgb=(1,0,0)").group("bold on")
                          .group("on").style("Shown").group("fontsize 12").build();
    auto result = convert(ddf);
    EXPECT_EQ(result.failure, "");
    EXPECT_EQ(result.output, kBodyText + story("\"{\"\r\n\"define style Hidden}\"\"{\"\r\n\"fontcolour rgb=(1,0,0)}\""
                                               "{adduserstyle {stylename \"bold\"}}{textsize 12000}"));
}

// Passes 1 and 2 read some groups differently, so one may have commands off
// where the other has them on, and then ends a group somewhere else: each
// pass must still meet the definitions that its own walk reaches.
TEST(MarkloadStyles, PassesDisagreeingAboutCommandsOff) {
    expectConversions({
        {"pass 2 reads an off that pass 1 takes as an argument, and the on inside a group",
         "{effectruler;off}{bold {on}{define style Hidden; fontsize 9}}{define style Shown; italic on}text{Hidden on}",
         "STYLE_0={style \"BodyText\"\r\n{textsize 9000}\r\n{keypress \"C_F1\"}{scope 0}\r\n}\r\n\r\n"
         "STYLE_1={style \"shown\"\r\n{italic 1}\r\n{keypress \"\"}{scope 0}\r\n}\r\n\r\n" +
             story("\"{\"\r\n\"bold \"\r\n\"}\"\r\n\"text\"{adduserstyle {stylename \"BodyText\"}}")},
        {"pass 1 reads an off that pass 2 skips, and a definition that pass 2 passes over",
         "{fontcolour rgb=(1,0,0) off}{bold {define style Y; bold on}}{on}{define style Z; fontsize 8}a{z on}{y on}",
         "COL_0={colour \"rgb100/0/0\" {rgb 0x10000 0x0 0x0}}\r\n\r\n"
         "STYLE_0={style \"BodyText\"\r\n{textsize 8000}\r\n{keypress \"C_F1\"}{scope 0}\r\n}\r\n\r\n" +
             story("{foreground COL_0 0x10000}\"{\"\r\n\"bold \"\"{\"\r\n\"define style Y; bold on}}\"\r\n\"a\""
                   "{adduserstyle {stylename \"BodyText\"}}{adduserstyle {stylename \"y\"}}")},
    });
}

// A 7-tab ruler with margins, switched on and off around every row of a
// table: plain repetition that must convert however long the table is.
TEST(MarkloadStyles, EffectRulerTableOfEightThousandRows) {
    const std::string ruler =
        "effectruler on; leftmargin 12.5mm; rightmargin 12.5mm; returnmargin 12.5mm; spaceabove 1pt; "
        "spacebelow 1pt; tabs left 15mm, left 30mm, decimal 52.5mm, right 75mm, centre 97.5mm, decimal 120mm, "
        "right 142.5mm; fontsize 9pt; linespace 11pt; justify left";
    const std::string on =
        "{leftindent 1 35433}{rightindent 2 35433}{firstindent 0}{spacebefore 1000\r\n}{spaceafter 1000\r\n}"
        "{tabruler {tableader \"\"} {lefttab 42520}{lefttab 85039}{decimaltab 148819}{righttab 212598}"
        "{centretab 276378}{decimaltab 340157}{righttab 403937}}{textsize 9000}{leading 1 11000}{align 0}";
    const std::string off = "{leftindent}{rightindent}{firstindent}{spacebefore 1000\r\n}{spaceafter 1000\r\n}"
                            "{tabruler}{textsize 9000}{leading 1 11000}{align 0}";
    DdfBuilder ddf;
    ddf.style("Row", ruler);
    std::string body;
    for (int row = 0; row < 8000; ++row) {
        const std::string n = std::to_string(row);
        ddf.group("row on").plain(n + "\t1\t2\t3\t4\t5\t6\t7").group("row off").line();
        body += on + "\r\n\"" + n + "\"";
        for (int cell = 1; cell <= 7; ++cell) body += "{tab}\r\n\"" + std::to_string(cell) + "\"";
        body += off + "{newpara}{newpara}";
    }
    auto result = convert(ddf.build());
    EXPECT_EQ(result.failure, "");
    EXPECT_TRUE(result.output == story(body)) << "output of " << result.output.size() << " bytes differs";
}

// A replay repeated from the same state is the same; one from another state
// follows that state: the left margin, bold and italic, the saved font, and
// commands switched off.
TEST(MarkloadStyles, EffectRulerReplaysFollowTheState) {
    expectConversions({
        {"one definition switched from changing states",
         "{define style Row; effectruler on; returnmargin 10mm; font Sans; bold}{row on}a{leftmargin 5mm}{row on}b"
         "{bold on}{row on}c{italic on}{font Serif}{row on}d{row on}e{off}{row on}f{on}{row on}g",
         story("{firstindent 28346}{fontstyle \"sans\"}{bold 0}\r\n"
               "\"a\"{leftindent 1 14173}{firstindent 14173}{fontstyle \"sans\"}{bold 0}{bold 0}\r\n"
               "\"b\"{bold 1}{firstindent 14173}{fontstyle \"sans\"}{bold 1}{bold 0}\r\n"
               "\"c\"{italic 1}{fontstyle \"serif\"}{bold 0}{italic 1}"
               "{firstindent 14173}{fontstyle \"sans\"}{bold 0}{italic 1}{bold 0}\r\n"
               "\"d\"{firstindent 14173}{fontstyle \"sans\"}{bold 0}{italic 1}{bold 0}\r\n"
               "\"e\"{adduserstyle {stylename \"effectruler\"}}\"{\"\r\n"
               "\"f\"{firstindent 14173}{fontstyle \"sans\"}{bold 0}{italic 1}{bold 0}\r\n"
               "\"g\"")},
    });
}

// Replays that feed on themselves still stop, early and with little output.
TEST(MarkloadStyles, EffectRulerFloodStops) {
    // Each style switches the next twice: 2^40 replays unless bounded.
    DdfBuilder flood;
    for (int i = 0; i < 40; ++i)
        flood.style("s" + std::to_string(i), "effectruler on; s" + std::to_string(i + 1) + " on; s" +
                                                 std::to_string(i + 1) + " on");
    flood.style("s40", "effectruler on; fontsize 1").group("s0 on");
    auto result = convert(flood.build());
    EXPECT_EQ(result.failure, "Effect-ruler styles are switched too often to replay");
    EXPECT_LT(result.output.size(), 2u << 20);
}

// Mended faults: no command reads past its group's closing brace, a style
// switched again inside its own replay is skipped, backcolour like fontcolour.
TEST(MarkloadStyles, GroupsEndAtTheirBrace) {
    auto field = [](const std::string &name) {
        return " {merge \"" + name + "\" \"{macv=impulse(\\\"" + name + "\\\")}\"}\r\n";
    };
    expectConversions({
        {"tab list ending in a type: no tab, nothing after the group lost",
         "{tabs left}Hello, world. More text{bold on}after",
         story("{tabruler {tableader \"\"} }\r\n\"Hello, world. More text\"{bold 1}\r\n\"after\"")},
        {"a type without a position inside the list",
         "{tabs 10mm, right}{tabs left, right 100mm;bold on}x",
         story("{tabruler {tableader \"\"} {lefttab 28346}}{tabruler {tableader \"\"} {righttab 283465}}{bold 1}"
               "\r\n\"x\"")},
        {"tab list ending in a type in a style definition",
         "{define style A;fontsize 10pt;tabs 20mm, right}{define style B;bold on}{a on}x{b on}",
         "STYLE_0={style \"BodyText\"\r\n{textsize 10000}\r\n{tabruler {tableader \"\"} {lefttab 56693}}\r\n"
         "{keypress \"C_F1\"}{scope 0}\r\n}\r\n\r\n"
         "STYLE_1={style \"b\"\r\n{bold 1}\r\n{keypress \"\"}{scope 0}\r\n}\r\n\r\n" +
             story("{adduserstyle {stylename \"BodyText\"}}\r\n\"x\"{adduserstyle {stylename \"b\"}}")},
        {"tab list ending in a type in an effect-ruler definition",
         "{define style R; effectruler on; tabs left 1in, centre}{r on}one{r off}two",
         story("{tabruler {tableader \"\"} {lefttab 72000}}\r\n\"one\"{tabruler}\r\n\"two\"")},
        {"an unterminated quote in an effect-ruler definition ends with it",
         "{define style Q; effectruler on; merge \"open}{q on}a{q on}\"b\"",
         story(field("open") + "\r\n\"a\"" + field("open") + "\r\n\"\\\"b\\\"\"")},
        {"a define group without words", "{define}Hello{x on}",
         kBodyText + story("\r\n\"Hello\"{adduserstyle {stylename \"x\"}}")},
        {"a style that switches itself",
         "{define style Loop; effectruler on; fontsize 9pt; loop on; fontsize 10pt}{loop on}",
         story("{textsize 9000}{textsize 10000}")},
        {"two styles that switch each other off",
         "{define style Indent; effectruler on; leftmargin 10mm; outdent off}"
         "{define style Outdent; effectruler on; leftmargin 5mm; indent off}{indent on}a word and more{outdent on}b",
         story("{leftindent 1 28346}{leftindent}\r\n\"a word and more\"{leftindent 1 14173}{leftindent}\r\n\"b\"")},
        {"backcolour without a colour", "{backcolour}x{define style S; backcolour}",
         "STYLE_0={style \"BodyText\"\r\n{background}\r\n{keypress \"C_F1\"}{scope 0}\r\n}\r\n\r\n" +
             story("{background}\r\n\r\n\"x\"")},
    });
}

TEST(MarkloadStyles, TooManyStyles) {
    DdfBuilder ddf;
    for (int i = 0; i <= 512; ++i) ddf.style("s" + std::to_string(i));
    auto result = convert(ddf.build());
    EXPECT_EQ(result.failure, "Too many styles");
    EXPECT_EQ(result.output, "");
}

TEST(MarkloadCommands, Measurements) {
    const struct {
        const char *value;
        const char *expected;
    } units[] = {
        {"12pt", "12000"},     {"12", "12000"},        {"10mm", "28346"},   {"12 mm", "34016"},
        {"12 mms", "12000"},   {"1cm", "28346"},       {"0.01m", "28346"},  {"2in", "144000"},
        {"2\"", "144000"},     {"1yd", "2592000"},     {"1ft", "864000"},   {"1'", "864000"},
        {"2pi", "24000"},      {"50%", "32768"},       {"1.5pt", "1500"},   {"-3mm", "-8504"},
        {"10mm ", "28346"},    {"big", "0"},           {"1e30", "2147483647"}, {"-1e400", "-2147483648"},
        {"0.0004", "0"},
    };
    for (const auto &u : units) {
        auto result = convert(std::string("{fontsize ") + u.value + "}");
        EXPECT_EQ(result.output, story(std::string("{textsize ") + u.expected + "}")) << u.value;
    }
}

TEST(MarkloadCommands, Attributes) {
    expectConversions({
        {"fontaspect and linespacep percentages", "{fontaspect 120%}{linespacep 120%}{linespacep 50%}{fontaspect 1e30%}",
         story("{scale 0x13333}{leading 2 0x3333}{leading 2 0xffff8000}{scale 0x7fffffff}")},
        {"linespace", "{linespace 14pt}", story("{leading 1 14000}")},
        {"margins", "{leftmargin 20mm}{returnmargin 30mm}{rightmargin 0}{rightmargin 10mm}{rightmargin -10mm}{returnmargin 5mm}",
         story("{leftindent 1 56693}{firstindent 28346}{rightindent 0 0}{rightindent 2 28346}{rightindent 0 28346}"
               "{firstindent -42520}")},
        {"kern", "{kern 100 0}{kern 100,0}{kern -100 0}{kern}",
         story("{track 0x1999}{track}{track 0x1999}{track}{track 0xffffe667}{track}{track}")},
        {"tracking", "{tracking 12}{tracking x}{tracking 99999999999}",
         story("{track 0xc}{track 0x0}{track 0x7fffffff}")},
        {"tabs", "{tabs left 20mm, right 100mm}{tabs 10mm, centre 1in, decimal 2in, vertrule 3in}",
         story("{tabruler {tableader \"\"} {lefttab 56693}{righttab 283465}}"
               "{tabruler {tableader \"\"} {lefttab 28346}{centretab 72000}{decimaltab 144000}{ruleposn 216000}}")},
        {"underline", "{underline 2}{underline 0}{underline}",
         story("{underline 1 {type 1} {thickness 2620} {colourvalue {colourname \"Transparent\"} 0x10000} "
               "{wordunderline 0} {doubleunderline 1}}"
               "{underline 0 {type 1} {thickness 2620} {colourvalue {colourname \"Transparent\"} 0x10000} "
               "{wordunderline 0} {doubleunderline 0}}{underline}")},
        {"justify", "{justify left}{justify centre}{justify right}{justify full}{justify odd}",
         story("{align 0}{align 1}{align 2}{align 3}{align}")},
        {"script", "{script super}{script sub}{script off}{script}{script wide}",
         story("{super 1}{sub 1}{super 0}{sub 0}{sub}")},
        {"strikeout and hyphenate", "{strikeout off}{hyphenate on}",
         story("{strikeout 0 {type 1} {thickness 0} {colourvalue {colourname \"Transparent\"} 0x10000}}\r\n"
               "{hyphenation 1 {hpminsize 5} {hpminbefore 2} {hpminafter 2} {hpmaxconsecutive 3} {hpzone 36000} "
               "{hpbreakpara 0} {hpbreakcaps 0}}\r\n")},
        {"single characters and breaks", "{tab;CR;cr;star;hash;at;softhyphen;nextframe}",
         story("{tab}{newpara}{newpara}*#@{softhyphen}{newpage}")},
        {"backslash codes", "{\\65}{\\321;\\34;\\92}{\\-1}",
         story("\"A\"\"A\"\"\\\"\"\"\\\\\"\"\xff\"")},
        {"numbers: no word is taken from the text after the group", "{pagenumber}one{chapternumber arabic}",
         story("{pageno}\r\n\"one\"{chapterno}")},
        {"skipped commands", "{ruleoffset 3mm;leader dots;bold on}", story("{bold 1}")},
        {"every command that writes nothing",
         "{framethrow 1; condframethrow 1; ruleleftmargin 1; rulerightmargin 1; rulewidth 1; vertrulewidth 1; "
         "ruleaboveoffset 1; ruleoffset 1; linecolour red; rulecolour red; rulecontrol 1; locktolinespace on; "
         "keepparagraph on; keepnext on; keepregion on; overprint on; overprintb on; effectruler on; scriptsize 1; "
         "scriptoffset 1; linesize 1; lineoffset 1; leader dots; dectabchar .; index x; contents x; shortcut x; "
         "menuitem x; autoindent on; autoparagraph}",
         story("")},
        {"a line end ends a word", "{bold\r\non}{italic\non}", story("{bold 1}{italic 1}")},
        {"definitions are silent in the text", "{define style x; bold on}a", "STYLE_0={style \"BodyText\"\r\n{bold 1}\r\n{keypress \"C_F1\"}{scope 0}\r\n}\r\n\r\n" + story("\r\n\"a\"")},
    });
}

TEST(MarkloadCommands, MergeFields) {
    auto field = [](const std::string &shortName, const std::string &name) {
        return " {merge \"" + shortName + "\" \"{macv=impulse(\\\"" + name + "\\\")}\"}\r\n";
    };
    expectConversions({
        {"one word", "{merge Customer}", story(field("customer", "customer"))},
        {"last word with its space", "{merge \"First Name\"}", story(field(" Name", "First Name"))},
        {"cut to 15", "{merge \"AVeryLongMergeFieldName\"}", story(field("AVeryLongMergeF", "AVeryLongMergeFieldName"))},
        {"backslash doubled in each string", "{merge a\\b}", story(field("a\\\\b", "a\\\\\\\\b"))},
        {"quote escaped in each string", "{merge a\"b}", story(field("a\\\"b", "a\\\\\\\"b"))},
        {"quoted field over 255 characters is cut", "{merge \"" + std::string(300, 'q') + "\"}",
         story(field(std::string(15, 'q'), std::string(255, 'q')))},
        {"unterminated quote ends with the input", "{merge \"abc", story(field("abc", "abc"))},
    });
}

TEST(MarkloadColours, ExplicitAndImplicit) {
    expectConversions({
        {"explicit rgb, hsv and cmyk",
         DdfBuilder{}.colours({"%%+r 0 (Red) 1,0,0", "%%+h 0 (Half) 50,50,100", "%%+c 0 (Grey) 0,0,0,0.5"}).build(),
         "COL_0={colour \"Red\" {rgb 0x10000 0x0 0x0}}\r\nCOL_1={colour \"Half\" {hsv 0x8000 0x8000 0x10000}}\r\n"
         "COL_2={colour \"Grey\" {cmyk 0x0 0x0 0x0 0x8000}}\r\n\r\n" + story("")},
        {"a %%+t name has a number but no object; quoted names keep their case",
         DdfBuilder{}.colours({"%%+r 0 (Red) 1,0,0", "%%+t (Paper)", "%%+r 0 (Blue) 0,0,1", "% comment"})
             .group("fontcolour \"Paper\"").group("backcolour \"Blue\"").build(),
         "COL_0={colour \"Red\" {rgb 0x10000 0x0 0x0}}\r\nCOL_2={colour \"Blue\" {rgb 0x0 0x0 0x10000}}\r\n\r\n" +
             story("{foreground COL_1 0x10000}{background COL_2 0x10000}\r\n")},
        {"one implicit colour used twice",
         DdfBuilder{}.group("fontcolour rgb=(1,0,0)").plain("a").group("fontcolour rgb=(1,0,0)").build(),
         "COL_0={colour \"rgb100/0/0\" {rgb 0x10000 0x0 0x0}}\r\n\r\n" +
             story("{foreground COL_0 0x10000}\r\n\"a\"{foreground COL_0 0x10000}")},
        {"implicit hsv, cmyk and rgb24",
         DdfBuilder{}.group("fontcolour hsv=(0.5,1,0.25)").group("backcolour cmyk=(0,0,0,1)")
             .group("fontcolour rgb24=(255,128,0)").build(),
         "COL_0={colour \"hsv50/100/25\" {hsv 0x8000 0x10000 0x4000}}\r\n"
         "COL_1={colour \"cmyk0/0/0/100\" {cmyk 0x0 0x0 0x0 0x10000}}\r\n"
         "COL_2={colour \"rgb2499/50/0\" {rgb 0xfd70 0x8000 0x0}}\r\n\r\n" +
             story("{foreground COL_0 0x10000}{background COL_1 0x10000}\r\n{foreground COL_2 0x10000}")},
        {"an implicit colour used before the definitions is still written",
         DdfBuilder{}.group("fontcolour rgb=(0,1,0)").colours({"%%+r 0 (Red) 1,0,0"}).build(),
         "COL_1={colour \"Red\" {rgb 0x10000 0x0 0x0}}\r\n\r\nCOL_0={colour \"rgb0/100/0\" {rgb 0x0 0x10000 0x0}}\r\n\r\n" +
             story("{foreground COL_0 0x10000}")},
        {"an empty colour group leaves the text after it alone",
         DdfBuilder{}.plain("{define colours}\n%%+r 0 (Red) 1,0,0\n").style("S").build(),
         "\r\n" + kBodyText + story("{newpara}\r\n\"%%+r 0 (Red) 1,0,0\"{newpara}")},
        {"a colour in a style definition",
         DdfBuilder{}.colours({"%%+r 0 (Red) 1,0,0"}).style("S", "fontcolour \"Red\"").build(),
         "COL_0={colour \"Red\" {rgb 0x10000 0x0 0x0}}\r\n\r\n"
         "STYLE_0={style \"BodyText\"\r\n{foreground COL_0 0x10000}\r\n{keypress \"C_F1\"}{scope 0}\r\n}\r\n\r\n" +
             story("")},
    });
}

TEST(MarkloadColours, Failures) {
    DdfBuilder many;
    for (int i = 0; i <= 256; ++i) many.group("fontcolour rgb=(0,0," + std::to_string(i) + ")");
    const struct {
        const char *name;
        std::string ddf;
        std::string failure;
    } cases[] = {
        {"the 257th colour", many.build(), "Too many colours"},
        {"an unquoted name is lower-cased and not found",
         DdfBuilder{}.colours({"%%+r 0 (Red) 1,0,0"}).group("fontcolour Red").build(), "Colour model not recognised"},
        {"a colour that pass 1 did not see", "{bold on backcolour red}", "Colour not found"},
    };
    for (const auto &c : cases) EXPECT_EQ(convert(c.ddf).failure, c.failure) << c.name;
}

} // namespace

namespace {

// Numbers read as the C library reads them, to the bit: short ones take a
// path of their own, long ones and exponents the library's.
TEST(MarkloadScanner, DecimalsReadAsTheLibraryReadsThem) {
    unsigned seed = 2026;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xffff; };
    for (int i = 0; i < 20000; ++i) {
        std::string text = next() % 4 == 0 ? "-" : "";
        const unsigned whole = next() % 18, fraction = next() % 18;
        for (unsigned d = 0; d < whole; ++d) text += static_cast<char>('0' + next() % 10);
        if (fraction > 0 || next() % 2 == 0) text += '.';
        for (unsigned d = 0; d < fraction; ++d) text += static_cast<char>('0' + next() % 10);
        if (next() % 8 == 0) text += "e" + std::to_string(static_cast<int>(next() % 40) - 20);
        std::size_t at = 0;
        const double ours = markload::readDecimal(text, at);
        const double library = std::strtod(text.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&ours, &library, sizeof ours), 0) << text << " " << ours << " " << library;
    }
}

} // namespace
