// Times Folioload on a large generated document against a plain copy of the
// same bytes (cat input > output), and prints the ratio.
//     folio_bench <Folioload program> <work directory>
#include "bench/timing.h"
#include "tests/support/files.h"
#include "tests/support/sample_documents.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using bench::best_time;
using bench::shell_word;
using bench::Timing;

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
    Timing copyTime = best_time("cat " + shell_word(input) + " > " + shell_word(copy), runs);
    Timing convertTime =
        best_time(shell_word(argv[1]) + " " + shell_word(input) + " " + shell_word(output) + " > /dev/null", runs);
    std::printf("input   %10ju bytes\n", static_cast<std::uintmax_t>(std::filesystem::file_size(input)));
    std::printf("output  %10ju bytes of DDL\n", static_cast<std::uintmax_t>(std::filesystem::file_size(output)));
    std::printf("copy    %8.4f s wall %8.4f s processor (cat input > output)\n", copyTime.wall, copyTime.cpu);
    std::printf("convert %8.4f s wall %8.4f s processor (Folioload)\n", convertTime.wall, convertTime.cpu);
    std::printf("ratio   %8.2f wall   %8.2f processor (target: within 3)\n", convertTime.wall / copyTime.wall,
                convertTime.cpu / copyTime.cpu);
    return 0;
}
