// Arbitrary bytes as a DDF file: the conversion either finishes or stops with
// a fatal error, and never reads outside the input or runs without end. The
// DDL stays in memory.
#include "ddl/fatal_error.h"
#include "markload/markload.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    markload::Markload m;
    try {
        markload::convertDdf(m, std::span<const std::uint8_t>(data, size));
    } catch (const ddl::FatalError &) {
    }
    return 0;
}
