// Converts two generated DDF files of tens of megabytes with the real
// Markload program, a letter-like one and one of dense markup, and times each
// beside the copy floor (the input read and as many bytes as the DDL output
// holds written, in 128 KB pieces as cat copies) and beside cat itself.
// The target is within 3x of the floor, with peak memory under twice the
// input.
//
//     markload_bench <scratch directory> [megabytes]
//
// With MARKLOAD_BENCH_KEEP set, letter.ddf and dense.ddf stay in the scratch
// directory.
#include "bench/process_timing.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kRepeats = 3;

// A letter-like document: colours, styles with an effect ruler, then
// paragraphs of text with a command about every 16 words.
std::string generateLetter(std::size_t wanted) {
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
std::string generateDense(std::size_t wanted) {
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

std::size_t countCommands(const std::string &ddf) {
    std::size_t groups = 0;
    for (char c : ddf) groups += c == '{';
    return groups;
}

// The generated text is freed before anything is timed: a forked child's
// peak memory counts what it shared with this process before its exec.
void benchmark(const std::filesystem::path &dir, const char *name, std::string (*generate)(std::size_t),
               std::size_t bytes) {
    const std::string input = (dir / (std::string(name) + ".ddf")).string();
    const std::string copy = (dir / "copy.ddf").string();
    const std::string output = (dir / "bench.ddl").string();
    std::size_t size = 0, commands = 0;
    {
        const std::string ddf = generate(bytes);
        size = ddf.size();
        commands = countCommands(ddf);
        FILE *file = std::fopen(input.c_str(), "wb");
        if (file == nullptr || std::fwrite(ddf.data(), 1, size, file) != size || std::fclose(file) != 0) {
            std::fprintf(stderr, "cannot write %s\n", input.c_str());
            std::exit(1);
        }
    }
    const bench::Run ours = bench::timeProgram(kRepeats, {MARKLOAD_PROGRAM, input, output});
    const auto outputSize = std::filesystem::file_size(output);
    const bench::Run floor = bench::timeCopyFloor(kRepeats, input, copy, outputSize);
    const bench::Run cat = bench::timeProgram(kRepeats, {"/bin/cat", input}, copy);
    std::printf("%s: input %zu bytes (a command per %zu bytes), output %ju bytes\n", name, size,
                size / std::max<std::size_t>(1, commands), static_cast<std::uintmax_t>(outputSize));
    bench::printRatios("Markload", ours, floor, cat);
    const bench::Run mapped = bench::timeMappedFloor(kRepeats, input, copy, outputSize);
    std::printf("  mapped  %7.3f s wall %7.3f s cpu   (the floor with the input mapped and read once, not copied)\n",
                mapped.wall, mapped.cpu);
    std::printf("  ratio to the mapped floor %5.2f cpu: the share of the floor ratio that is conversion work\n",
                ours.cpu / mapped.cpu);
    std::printf("  peak memory %.2f x the input (target under 2)\n",
                static_cast<double>(ours.peakKilobytes) * 1024 / static_cast<double>(size));
    // Kept on request, for profiling the program on the same inputs.
    if (std::getenv("MARKLOAD_BENCH_KEEP") == nullptr) std::filesystem::remove(input);
    std::filesystem::remove(copy);
    std::filesystem::remove(output);
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: markload_bench <scratch directory> [megabytes]\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const std::size_t megabytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 40;
    std::filesystem::create_directories(dir);
    benchmark(dir, "letter", generateLetter, megabytes << 20);
    benchmark(dir, "dense", generateDense, megabytes << 20);
    return 0;
}
