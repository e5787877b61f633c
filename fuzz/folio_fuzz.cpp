// Runs the whole Folioload conversion on arbitrary bytes taken as a single
// document file. Fatal errors are the expected way to refuse bad input;
// anything else (a crash, a sanitizer report, a hang) is a finding.
#include "folio/fatal_error.h"
#include "folio/run.h"
#include "fuzz/memory_file.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

MemoryFile input, output;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    input = memory_file_create("fuzz-document");
    output = memory_file_create("fuzz-ddl");
    // The converter prints its "width" line on every run.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    memory_file_fill(input, data, size);
    // No settings file beside this program name: the border width stays 0.
    std::string program = "/proc/self/fd/Folioload";
    char *argv[] = {program.data(), input.path.data(), output.path.data(), nullptr};
    try {
        folio::convertDocument(3, argv);
    } catch (const ddl::FatalError &) {
    }
    folio::resetConversion();
    return 0;
}
