// Times Folioload on a large generated document beside the copy floor (the
// input read and as many bytes as the DDL output holds written, in 128 KB
// pieces as cat copies) and beside cat itself, and on the small sample
// document, whose run is almost all start-up, so that the rest of the large
// run's time shows as work.
//     folio_bench <Folioload program> <work directory>
#include "bench/process_timing.h"
#include "tests/support/files.h"
#include "tests/support/sample_documents.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: folio_bench <Folioload program> <work directory>\n");
        return 2;
    }
    const std::filesystem::path work = argv[2];
    std::filesystem::create_directories(work);
    const std::string input = (work / "Large.bc5").string();
    const std::string small = (work / "Small.bc5").string();
    const std::string copy = (work / "Large.copy").string();
    const std::string output = (work / "Large.ddl").string();
    const std::string smallOutput = (work / "Small.ddl").string();

    // 8 chapters of 50 pages: 400 pages, 3.2 MB of text, 100 pictures of 24 KB.
    testing_support::largeDocument(8, 50, 8000, 24000).writeSingleFile(input);
    testing_support::sampleDocument().writeSingleFile(small);

    const int runs = 10;
    const bench::Run ours = bench::timeProgram(runs, {argv[1], input, output});
    const auto outputSize = std::filesystem::file_size(output);
    const bench::Run floor = bench::timeCopyFloor(runs, input, copy, outputSize);
    const bench::Run cat = bench::timeProgram(runs, {"/bin/cat", input}, copy);
    const bench::Run startUp = bench::timeProgram(runs, {argv[1], small, smallOutput});

    std::printf("input   %10ju bytes, output %ju bytes of DDL\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(input)),
                static_cast<std::uintmax_t>(outputSize));
    bench::printRatios("Folioload", ours, floor, cat);
    std::printf("  start-up %6.4f s wall %6.4f s cpu (the %ju-byte sample document); work %6.4f s wall %6.4f s cpu\n",
                startUp.wall, startUp.cpu, static_cast<std::uintmax_t>(std::filesystem::file_size(small)),
                ours.wall - startUp.wall, ours.cpu - startUp.cpu);
    return 0;
}
