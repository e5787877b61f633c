// Runs the whole Folioload conversion on arbitrary bytes taken as a single
// document file. Fatal errors are the expected way to refuse bad input;
// anything else (a crash, a sanitizer report, a hang) is a finding.
#include "folio/fatal_error.h"
#include "folio/run.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string gInput, gOutput;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    std::string base = "/tmp/folio_fuzz_" + std::to_string(getpid());
    gInput = base + ".bc5";
    gOutput = base + ".ddl";
    // The converter prints its "width" line on every run.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::FILE *file = std::fopen(gInput.c_str(), "wb");
    if (file == nullptr) return 0;
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
    std::string program = "/nonexistent/Folioload";
    char *argv[] = {program.data(), gInput.data(), gOutput.data(), nullptr};
    try {
        folio::convertDocument(3, argv);
    } catch (const ddl::FatalError &) {
    }
    folio::resetConversion();
    return 0;
}
