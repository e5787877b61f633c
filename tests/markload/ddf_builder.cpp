#include "tests/markload/ddf_builder.h"
#include "markload/shared_pending.h"

namespace markload_testing {

Converted convert(const std::string &ddf) {
    markload::Markload m;
    Converted result;
    try {
        markload::convertDdf(m, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t *>(ddf.data()),
                                                               ddf.size()));
    } catch (const FatalError &failure) {
        result.failure = failure.text;
    }
    result.output = m.out;
    return result;
}

} // namespace markload_testing
