// Converts a generated DDF file of tens of megabytes with the real Markload
// program and copies the same bytes with the same file calls, then prints
// both times and their ratio (the target is within 3x of the copy).
//
//     markload_bench <scratch directory> [megabytes]
#include "platform/win32.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRepeats = 3;

// A letter-like document: colours, styles with an effect ruler, then
// paragraphs of text with the commands a real DDF file carries.
std::string generateDdf(std::size_t wanted) {
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

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The plain copy: the whole file in one read and one write, as the
// converter loads its input and as fast as the output can go.
bool copyFile(const std::string &from, const std::string &to) {
    HANDLE in = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(in, nullptr);
    std::vector<char> bytes(size);
    DWORD got = 0;
    bool ok = ReadFile(in, bytes.data(), size, &got, nullptr) && got == size;
    CloseHandle(in);
    HANDLE out = CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    ok = ok && WriteFile(out, bytes.data(), size, &put, nullptr) && put == size;
    CloseHandle(out);
    return ok;
}

bool runMarkload(const std::string &from, const std::string &to) {
    pid_t pid = fork();
    if (pid == 0) {
        execl(MARKLOAD_PROGRAM, "Markload", from.c_str(), to.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
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
    const std::string input = (dir / "bench.ddf").string();
    const std::string copy = (dir / "copy.ddf").string();
    const std::string output = (dir / "bench.ddl").string();

    const std::string ddf = generateDdf(megabytes << 20);
    if (FILE *file = std::fopen(input.c_str(), "wb")) {
        std::fwrite(ddf.data(), 1, ddf.size(), file);
        std::fclose(file);
    } else {
        std::fprintf(stderr, "cannot write %s\n", input.c_str());
        return 1;
    }

    double copyBest = 1e9, convertBest = 1e9;
    for (int i = 0; i < kRepeats; ++i) {
        auto start = std::chrono::steady_clock::now();
        if (!copyFile(input, copy)) return std::fprintf(stderr, "copy failed\n"), 1;
        copyBest = std::min(copyBest, seconds(start));
        start = std::chrono::steady_clock::now();
        if (!runMarkload(input, output)) return std::fprintf(stderr, "Markload failed\n"), 1;
        convertBest = std::min(convertBest, seconds(start));
    }
    const auto outputSize = std::filesystem::file_size(output);
    const double ratio = convertBest / copyBest;
    std::printf("input %zu bytes, output %llu bytes\n", ddf.size(), static_cast<unsigned long long>(outputSize));
    std::printf("plain copy %.3f s, Markload %.3f s, ratio %.2f (target within 3x: %s)\n", copyBest, convertBest,
                ratio, ratio <= 3.0 ? "met" : "missed");
    std::filesystem::remove(input);
    std::filesystem::remove(copy);
    std::filesystem::remove(output);
    return 0;
}
