// Runs the whole Folioload conversion on arbitrary bytes taken as a single
// document file. Fatal errors are the expected way to refuse bad input;
// anything else (a crash, a sanitizer report, a hang) is a finding.
#include "ddl/fatal_error.h"
#include "folio/run.h"
#include "fuzz/memory_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

MemoryFile input, output;
std::string program; // a name in a scratch directory that holds folioload.txt

// The settings file beside the program, read on every run: when it is
// missing, looking for it costs more than reading it.
void writeSettings() {
    char directory[] = "/dev/shm/folio-fuzz-XXXXXX";
    char fallback[] = "/tmp/folio-fuzz-XXXXXX";
    const char *made = mkdtemp(directory);
    if (made == nullptr) made = mkdtemp(fallback);
    if (made == nullptr) std::abort();
    static std::string settings = std::string(made) + "/folioload.txt";
    static std::string folder = made;
    program = folder + "/Folioload";
    std::FILE *file = std::fopen(settings.c_str(), "wb");
    if (file == nullptr || std::fputs("width:2", file) < 0 || std::fclose(file) != 0) std::abort();
    std::atexit([] {
        std::remove(settings.c_str());
        std::remove(folder.c_str());
    });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    writeSettings();
    input = memory_file_create("fuzz-document");
    output = memory_file_create("fuzz-ddl");
    // The converter prints its "width" line on every run.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    memory_file_fill(input, data, size);
    char *argv[] = {program.data(), input.path.data(), output.path.data(), nullptr};
    try {
        folio::convertDocument(3, argv);
    } catch (const ddl::FatalError &) {
    }
    folio::resetConversion();
    return 0;
}
