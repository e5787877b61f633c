// The two DDF documents the Markload benchmark times, generated from fixed
// seeds: the output check pins their conversion at a smaller size, so that a
// speed change is proved on the very text it was tuned for.
#pragma once

#include <cstddef>
#include <iterator>
#include <string>

namespace testing_support {

// A letter-like document: colours, styles with an effect ruler, then
// paragraphs of text with a command about every 16 words.
inline std::string generateLetter(std::size_t wanted) {
    std::string ddf =
        "{define colours\n%%+r 0 (Red) 1,0,0\n%%+c 0 (Ink) 1,0.5,0,0.2\n%%+h 0 (Grey) 8,20,60\n}\n"
        "{define style \"Body Text\"; font Trinity.Medium; fontsize 11pt; linespace 13.5pt; justify full}\n"
        "{define style Heading; font Homerton.Bold; fontsize 18pt; spaceabove 6mm; fontcolour \"Ink\"}\n"
        "{define style Quote; effectruler on; leftmargin 1cm; rightmargin 1cm; returnmargin 1.5cm}\n";
    const char *words[] = {"the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "paragraph",
                           "document", "letter", "\"quoted\"", "with", "a\\b", "of", "and", "text"};
    const char *commands[] = {"{bold on}", "{bold off}", "{italic on}", "{italic off}", "{fontsize 12pt}",
                              "{fontcolour \"Red\"}", "{fontcolour rgb=(0,0.5,0)}", "{quote on}", "{quote off}",
                              "{heading on}", "{heading off}", "{tab}", "{merge \"Customer Name\"}", "{\\65}",
                              "{underline 1}", "{underline 0}", "{tabs left 2cm, right 100mm}"};
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    while (ddf.size() < wanted) {
        for (int sentence = 0; sentence < 8; ++sentence) {
            for (int w = 0; w < 12; ++w) {
                ddf += words[next() % std::size(words)];
                ddf += ' ';
                if (next() % 16 == 0) ddf += commands[next() % std::size(commands)];
            }
            ddf += ". ";
        }
        ddf += next() % 4 == 0 ? "\r\n" : "\n";
    }
    return ddf;
}

// Dense markup, as real DDF files are: a command every few words (one per
// about 80 bytes), effect-ruler styles switched around table rows and quotes,
// tab lists, named and implicit colours, merge fields.
inline std::string generateDense(std::size_t wanted) {
    std::string ddf =
        "{define colours\n%%+r 0 (Red) 1,0,0\n%%+c 0 (Ink) 1,0.5,0,0.2\n%%+h 0 (Grey) 8,20,60\n}\n"
        "{define style \"Body Text\"; font Trinity.Medium; fontsize 11pt; linespace 13.5pt; justify full}\n"
        "{define style Heading; font Homerton.Bold; fontsize 18pt; spaceabove 6mm; fontcolour \"Ink\"}\n"
        "{define style Quote; effectruler on; leftmargin 1cm; rightmargin 1cm; returnmargin 1.5cm}\n"
        "{define style Row; effectruler on; leftmargin 5mm; tabs left 20mm, right 45mm, centre 70mm, "
        "decimal 95mm, left 120mm, right 145mm, vertrule 170mm}\n";
    const char *words[] = {"the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "paragraph",
                           "document", "letter", "\"quoted\"", "with", "a\\b", "of", "and", "text", "in"};
    const char *commands[] = {
        "{bold on}", "{bold off}", "{italic on}", "{italic off}", "{fontsize 12pt}", "{fontcolour \"Red\"}",
        "{fontcolour rgb=(0,0.5,0)}", "{backcolour \"Grey\"}", "{quote on}", "{quote off}", "{heading on}",
        "{heading off}", "{tab}", "{merge \"Customer Name\"}", "{merge Town}", "{\\65}", "{underline 1}",
        "{underline 0}", "{tabs left 2cm, right 100mm, centre 50mm}", "{font Homerton.Medium}",
        "{leftmargin 1cm;rightmargin 2cm}", "{justify centre}", "{kern 100 0}", "{linespacep 120%}"};
    unsigned seed = 54321;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    while (ddf.size() < wanted) {
        if (next() % 12 == 0) {
            // A table of rows, each framed by its ruler.
            for (int row = 0; row < 6; ++row) {
                ddf += "{row on}";
                ddf += words[next() % std::size(words)];
                for (int cell = 0; cell < 4; ++cell) ddf += '\t' + std::to_string(next() % 1000);
                ddf += "{row off}\n";
            }
            continue;
        }
        for (int w = 0; w < 40; ++w) {
            ddf += words[next() % std::size(words)];
            ddf += ' ';
            if (next() % 16 == 0) ddf += commands[next() % std::size(commands)];
        }
        ddf += next() % 4 == 0 ? ".\r\n" : ".\n";
    }
    return ddf;
}

} // namespace testing_support
