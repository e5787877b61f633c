// Writes the bundled sample document in both forms:
//     folio_samples <directory>
// gives <directory>/Sample.bc5 (single file) and <directory>/Sample (document directory).
#include "tests/support/sample_documents.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: folio_samples <directory>\n");
        return 2;
    }
    std::filesystem::path directory = argv[1];
    std::filesystem::create_directories(directory);
    testing_support::DocumentBuilder doc = testing_support::sampleDocument();
    doc.writeSingleFile((directory / "Sample.bc5").string());
    std::filesystem::remove_all(directory / "Sample");
    doc.writeDirectory((directory / "Sample").string());
    std::printf("wrote %s and %s\n", (directory / "Sample.bc5").string().c_str(),
                (directory / "Sample").string().c_str());
    return 0;
}
