// Bmpload on arbitrary bytes.
#include "fuzz/raster_fuzz_support.h"
#include "readers/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz_raster_filter(kBmploadProgram, data, size);
    return 0;
}
