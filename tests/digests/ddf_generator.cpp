// DDF documents made from fixed seeds for the output check: every command
// word with and without its argument, every unit, colour form, tab list,
// merge field and escape, effect-ruler replays from many text states, and
// the failures a document can end in.
#include "tests/digests/ddf_generator.h"

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string_view>

namespace testing_support {
namespace {

// A generator of our own, so that the documents are the same with every
// standard library.
struct Random {
    std::uint32_t state;
    bool badColours = false;  // this document may name colours that fail the run
    unsigned below(unsigned n) {
        state = state * 1103515245u + 12345u;
        return ((state >> 8) & 0xffffffu) % n;
    }
    bool percent(unsigned p) { return below(100) < p; }
    std::string_view pick(std::initializer_list<std::string_view> from) { return from.begin()[below(static_cast<unsigned>(from.size()))]; }
};

std::string measure(Random &r) {
    std::string text(r.pick({"12", "0", "-3", "10.5", "1e3", "+7", ".5", "abc", "99999999999", "1e400", "0.0001",
                             "3.14159265358979323846", "2 ", "7.25"}));
    text += r.pick({"", "pt", "mm", "cm", "m", "in", "\"", "yd", "ft", "'", "pi", "%", "zz", " mm", "mm "});
    return text;
}

std::string colourArgument(Random &r) {
    // A lower-case name or an unknown model fails the run: in few documents,
    // so that most convert whole.
    if (r.badColours && r.percent(10)) return std::string(r.pick({"red", "\"Missing\"", "lab=(1,2,3)"}));
    return std::string(r.pick({"\"Red\"", "\"Ink\"", "\"Grey\"", "\"Paper\"", "rgb=(1,0,0)", "rgb=(0,0.5,0)",
                               "hsv=(0.2,0.3,0.4)", "cmyk=(0,1,0,0.5)", "rgb24=(255,128,0,7)", "rgb=(0.333,1e2,-1)"}));
}

std::string tabList(Random &r) {
    std::string list;
    const unsigned stops = r.below(6);
    for (unsigned i = 0; i < stops; ++i) {
        if (i != 0) list += r.pick({", ", ",", " , "});
        if (!r.percent(30)) list += std::string(r.pick({"left", "right", "centre", "decimal", "vertrule"})) + " ";
        if (!r.percent(5)) list += measure(r);
    }
    return list;
}

std::string mergeField(Random &r) {
    return std::string(r.pick({"Customer", "\"Customer Name\"", "\"a \\\"quoted\\\" field\"", "\"back\\slash\"",
                               "\"A field name longer than fifteen\"", "Town", ""}));
}

// One command with an argument drawn for it; the bare word now and then.
std::string command(Random &r) {
    const std::string_view word =
        r.pick({"style",       "ruler",       "framethrow",    "nextframe",     "code",        "tab",
                "CR",          "cr",          "star",          "hash",          "at",          "softhyphen",
                "kern",        "define",      "font",          "fontsize",      "linespace",   "spaceabove",
                "spacebelow",  "condframethrow", "leftmargin", "rightmargin",   "returnmargin", "ruleleftmargin",
                "rulerightmargin", "rulewidth", "vertrulewidth", "ruleaboveoffset", "ruleoffset", "fontcolour",
                "backcolour",  "linecolour",  "rulecolour",    "fontaspect",    "linespacep",  "tracking",
                "justify",     "tabs",        "rulecontrol",   "strikeout",     "hyphenate",   "locktolinespace",
                "bold",        "italic",      "keepparagraph", "keepnext",      "keepregion",  "overprint",
                "overprintb",  "effectruler", "script",        "scriptsize",    "scriptoffset", "underline",
                "linesize",    "lineoffset",  "leader",        "dectabchar",    "index",       "contents",
                "shortcut",    "pagenumber",  "chapternumber", "menuitem",      "autoindent",  "autoparagraph",
                "merge",       "\\65",        "\\300",         "\\-1",          "hello",       "Quote",
                "row",         "Heading",     "\"Body\"",      "FontSize",      "BOLD"});
    std::string text(word);
    // A bare colour word takes the next command word as its colour.
    const bool colour = word == "fontcolour" || word == "backcolour";
    if (r.percent(12) && (!colour || r.badColours)) return text;
    text += r.pick({" ", "  ", " \r\n"});
    // One draw per statement: the order of operands is the compiler's.
    if (word == "style" || word == "ruler") {
        text += r.pick({"quote", "Row", "heading", "\"Fancy Name\"", "nosuch"});
        text += ' ';
        text += r.pick({"on", "off", "maybe"});
    } else if (word == "fontcolour" || word == "backcolour") text += colourArgument(r);
    else if (word == "tabs") text += tabList(r);
    else if (word == "merge") text += mergeField(r);
    else if (word == "kern") {
        text += r.pick({"100", "-50", "x", "7"});
        text += r.pick({" 0", "", " 3 4"});
    }
    else if (word == "font") text += r.pick({"Trinity.Medium", "\"Homerton Bold\"", "corpus", "Font\\Back"});
    else if (word == "justify") text += r.pick({"left", "centre", "right", "full", "middle"});
    else if (word == "script") text += r.pick({"off", "super", "sub", "side"});
    else if (word == "underline") text += r.pick({"0", "1", "2", "0 ", "x"});
    else if (word == "tracking" || word == "code") text += r.pick({"20", "-5", "1x", "65"});
    else if (word == "hello" || word == "Quote" || word == "row" || word == "Heading" || word == "\"Body\"" ||
             word == "BOLD")
        text += r.pick({"on", "off", "there", "ON"});
    else if (word.starts_with("\\")) text.clear(), text += word;
    else if (r.percent(40)) text += r.pick({"on", "off", "arabic", "x y"});
    else text += measure(r);
    return text;
}

std::string group(Random &r, unsigned most) {
    std::string text = r.percent(10) ? "{ " : "{";
    const unsigned count = 1 + r.below(most);
    for (unsigned i = 0; i < count; ++i) {
        if (i != 0) text += r.pick({"; ", ";", ";;", " ; ", "\r\n"});
        text += command(r);
    }
    if (r.percent(5)) text += r.pick({" on", " off", "; off", ";"});
    return text + "}";
}

std::string textRun(Random &r) {
    if (r.percent(4)) {
        // Longer than one run, with escapes at every offset against its blocks.
        std::string run(254 + r.below(500), 'x');
        for (char &c : run) c = r.pick({"a", "b", " ", "\"", "\\", "e", "\x01", "\xe9"})[0];
        return run;
    }
    std::string text;
    const unsigned words = 1 + r.below(20);
    for (unsigned i = 0; i < words; ++i)
        text += std::string(r.pick({"the", "quick", "brown", "fox", "\"quoted\"", "a\\b", "}", "\t", "\r\n", "\n",
                                    "\r", "caf\xe9", "\x7f", "paragraph", "of", "text"})) + " ";
    return text;
}

constexpr std::string_view kColourLines[] = {
    "%%+r 0 (Red) 1,0,0", "%%+c 0 (Ink) 1,0.5,0,0.2", "%%+h 0 (Grey) 8,20,60", "%%+t (Paper)",
    "%%+r 0 (Sky) 0.5,0.75,1", "%%+c x (A colour name of many words) 0,0,0,1", "%%+h 0 (NoClose 50,50",
    "a line of something else", "%%+r 0 (Quote\"d\\) 1,1,1"};

std::string styleDefinitions(Random &r) {
    std::string text;
    const unsigned count = r.below(6);
    for (unsigned i = 0; i < count; ++i) {
        text += "{define style ";
        text += r.pick({"Body", "Heading", "\"Fancy Name\"", "Quote", "Row", "AVeryLongStyleNameIndeed", "bold"});
        if (r.percent(45)) {
            text += "; effectruler on; ";
            text += r.pick({"leftmargin 1cm; rightmargin 1cm; returnmargin 1.5cm", "leftmargin 5mm; tabs ",
                            "heading on; bold on", "font Ruled; italic off; tabs left 2cm", "quote off; row on"});
            if (r.percent(50)) text += tabList(r);
        }
        const unsigned commands = r.below(5);
        for (unsigned c = 0; c < commands; ++c) text += "; " + command(r);
        text += "}\r\n";
    }
    return text;
}

std::string document(Random &r) {
    std::string ddf;
    r.badColours = r.percent(6);
    if (!r.badColours || r.percent(50)) {
        ddf += "{define colours\r\n";
        for (std::size_t i = 0; i < 4; ++i) ddf += std::string(kColourLines[i]) + "\r\n";
        const unsigned lines = r.below(6);
        for (unsigned i = 0; i < lines; ++i) ddf += std::string(kColourLines[r.below(std::size(kColourLines))]) + "\r\n";
        ddf += "}\r\n";
    }
    ddf += styleDefinitions(r);
    const unsigned pieces = 5 + r.below(r.percent(20) ? 400 : 60);
    for (unsigned i = 0; i < pieces; ++i) {
        const unsigned roll = r.below(100);
        if (roll < 40) ddf += textRun(r);
        else if (roll < 55) ddf += std::string(r.pick({"{quote on}", "{quote off}", "{row on}", "{row off}",
                                                       "{style Row off}", "{Heading on}", "{bold on}", "{bold off}"}));
        else if (roll < 58) ddf += std::string(r.pick({"{off}", "{on}", "{define style Late; bold on}", "{"}));
        else ddf += group(r, 4);
    }
    if (r.percent(10)) ddf += r.pick({"{bold", "{\"open quote", "{tabs left", "\\", "{define colours\r\n%%+r 0 (X"});
    return ddf;
}

// Effect-ruler styles switched again and again from changing text states,
// each switch followed by commands whose output shows the state it left.
std::string replayDocument(Random &r) {
    std::string ddf = "{define style Ruled; effectruler on; font Ruled; bold on; italic off; leftmargin 7mm}"
                      "{define style Margins; effectruler on; leftmargin 1cm; tabs left 2cm, right 3cm; "
                      "returnmargin 2cm}"
                      "{define style Reset; effectruler on; font; bold; italic}"
                      "{define style Nested; effectruler on; ruled on; margins off; autoparagraph}"
                      "{define style Quiet; effectruler on; returnmargin 5mm; off}{on}";
    const unsigned steps = 50 + r.below(400);
    for (unsigned i = 0; i < steps; ++i) {
        ddf += r.pick({"{font A}", "{font B}", "{bold on}", "{bold off}", "{italic on}", "{leftmargin 1cm}",
                       "{leftmargin 2cm}", "{on}", "{ruled on}", "{ruled off}", "{margins on}", "{margins off}",
                       "{reset on}", "{nested on}", "{nested off}", "{quiet on}", "{bold}", "{italic}", "{font Z}",
                       "{returnmargin 3cm}", "{fontsize 10}", "x", "\r\n"});
    }
    return ddf;
}

} // namespace

std::vector<Document> generatedDocuments() {
    std::vector<Document> documents;
    Random r{2026};
    for (int i = 0; i < 320; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "generated/%03d", i);
        documents.push_back({name, document(r)});
    }

    for (int i = 0; i < 30; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "replays/%03d", i);
        documents.push_back({name, replayDocument(r)});
    }

    // The limits: colours, styles and the work replays may do.
    std::string colours = "{define colours\r\n%%+r 0 (Red) 1,0,0\r\n}";
    for (int i = 0; i < 256; ++i) colours += "{fontcolour rgb=(" + std::to_string(i) + ",0,0)}";
    documents.push_back({"limits/too-many-colours", colours});
    std::string styles;
    for (int i = 0; i < 513; ++i) styles += "{define style S" + std::to_string(i) + "}";
    documents.push_back({"limits/too-many-styles", styles});
    std::string rulers;
    for (int i = 0; i < 24; ++i)
        rulers += "{define style R" + std::to_string(i) + "; effectruler on; r" + std::to_string(i + 1) + " on; r" +
                  std::to_string(i + 1) + " off}";
    documents.push_back({"limits/replays-without-end", rulers + "{r0 on}"});
    std::string repeated = "{define style Row; effectruler on; leftmargin 5mm; tabs left 2cm, right 4cm}";
    for (int i = 0; i < 3000; ++i)
        repeated += std::string(i % 7 == 0 ? "{bold on}" : i % 11 == 0 ? "{font F" + std::to_string(i % 5) + "}" : "") +
                    "{row on}cell\t" + std::to_string(i) + "{row off}\n";
    documents.push_back({"limits/many-replays", repeated});
    return documents;
}

} // namespace testing_support
