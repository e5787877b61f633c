// libFuzzer entry for the GIF reader.
#include "fuzz/gif_fuzz_entry.h"
#include "readers/gif.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    return fuzz_reader(gif_read, data, size);
}
