#include "platform/exit_contract.h"

#ifdef _WIN32
#include "platform/win32.h"

#include <cstring>
#include <string>
#else
#include <cstdio>
#include <cstring>
#endif

namespace platform {

int failure_exit_code(const char *text) {
#ifdef _WIN32
    // Atom names hold at most 255 characters; longer texts are cut to fit.
    std::string name(text, std::strlen(text) > 255 ? 255 : std::strlen(text));
    int atom = name.empty() ? 0 : GlobalAddAtomA(name.c_str()) & 0xFFFF;
    return atom != 0 ? atom : kFailureWithoutAtom;
#else
    std::size_t length = std::strlen(text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) --length;
    std::fprintf(stderr, "%.*s\n", static_cast<int>(length), text);
    return kFailureWithoutAtom;
#endif
}

} // namespace platform
