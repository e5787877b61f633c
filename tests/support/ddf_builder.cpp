#include "tests/support/ddf_builder.h"
#include "ddl/fatal_error.h"

namespace testing_support {

Converted convert(const std::string &ddf) {
    markload::Markload m;
    Converted result;
    try {
        markload::convertDdf(m, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t *>(ddf.data()),
                                                               ddf.size()));
    } catch (const ddl::FatalError &failure) {
        result.failure = failure.what();
    }
    result.output = m.out.view();
    return result;
}

} // namespace testing_support
