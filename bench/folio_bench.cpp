// Times Folioload on a large generated document against a plain copy of the
// same bytes (cat input > output), and prints the ratio.
//     folio_bench <Folioload program> <work directory>
#include "tests/support/files.h"
#include "tests/support/sample_documents.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace {

struct Timing {
    double wall = 1e9;  // seconds, best run
    double cpu = 1e9;   // user and system seconds of the command's processes, best run
};

double childCpu() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The best of a few runs of a shell command. The machine may be busy, so the
// processor time is given beside the wall time.
Timing bestTime(const std::string &command, int runs) {
    Timing best;
    for (int i = 0; i < runs; ++i) {
        double cpuBefore = childCpu();
        auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            std::exit(1);
        }
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best.wall = std::min(best.wall, took.count());
        best.cpu = std::min(best.cpu, childCpu() - cpuBefore);
    }
    return best;
}

std::string shellWord(const std::string &path) { return "'" + path + "'"; }

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: folio_bench <Folioload program> <work directory>\n");
        return 2;
    }
    std::filesystem::path work = argv[2];
    std::filesystem::create_directories(work);
    std::string input = (work / "Large.bc5").string();
    std::string copy = (work / "Large.copy").string();
    std::string output = (work / "Large.ddl").string();

    // 8 chapters of 50 pages: 400 pages, 3.2 MB of text, 100 pictures of 24 KB.
    testing_support::largeDocument(8, 50, 8000, 24000).writeSingleFile(input);

    const int runs = 10;
    Timing copyTime = bestTime("cat " + shellWord(input) + " > " + shellWord(copy), runs);
    Timing convertTime =
        bestTime(shellWord(argv[1]) + " " + shellWord(input) + " " + shellWord(output) + " > /dev/null", runs);
    std::printf("input   %10ju bytes\n", static_cast<std::uintmax_t>(std::filesystem::file_size(input)));
    std::printf("output  %10ju bytes of DDL\n", static_cast<std::uintmax_t>(std::filesystem::file_size(output)));
    std::printf("copy    %8.4f s wall %8.4f s processor (cat input > output)\n", copyTime.wall, copyTime.cpu);
    std::printf("convert %8.4f s wall %8.4f s processor (Folioload)\n", convertTime.wall, convertTime.cpu);
    std::printf("ratio   %8.2f wall   %8.2f processor (target: within 3)\n", convertTime.wall / copyTime.wall,
                convertTime.cpu / copyTime.cpu);
    return 0;
}
