// libFuzzer entry for the PCX reader.
#include "fuzz/gif_fuzz_entry.h"
#include "readers/pcx.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    return fuzz_reader(pcx_read, data, size);
}
