#include "ddl/fatal_error.h"

#include "platform/exit_contract.h"

#include <cstdarg>
#include <cstdio>
#include <new>

namespace ddl {

void fatalError(std::string_view text) { throw FatalError(std::string(text)); }

void fatalErrorFormat(const char *format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    fatalError(text);
}

int runConverter(int (*body)(int argc, char **argv), int argc, char **argv) {
    try {
        return body(argc, argv);
    } catch (const FatalError &failure) {
        return platform::failure_exit_code(failure.what());
    } catch (const std::bad_alloc &) {
        return platform::failure_exit_code("Not enough memory");
    }
}

} // namespace ddl
