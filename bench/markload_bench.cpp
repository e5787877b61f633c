// Converts two generated DDF files of tens of megabytes with the real
// Markload program, a letter-like one and one of dense markup, and times each
// beside the copy floor (the input read and as many bytes as the DDL output
// holds written, in 128 KB pieces as cat copies) and beside cat itself.
// The target is within 3x of the floor, with peak memory under 1.2 times
// the input. bench/README.md says what each speed trick of Markload saves.
//
//     markload_bench <scratch directory> [megabytes]
//
// With MARKLOAD_BENCH_KEEP set, letter.ddf and dense.ddf stay in the scratch
// directory.
#include "bench/process_timing.h"
#include "tests/support/ddf_documents.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kRepeats = 3;

using testing_support::generateDense;
using testing_support::generateLetter;

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
    std::printf("  peak memory %.2f x the input (target under 1.2)\n",
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
