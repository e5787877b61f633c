// The fatal-error path of the document converters (Folioload and Markload).
//
// Every failure of a document converter is fatal: `fatalError` throws a
// `FatalError` carrying the message, and the program entry, wrapped in
// `runConverter`, turns it into the exit contract (Windows: the number of a
// global atom named by the message; POSIX: the message on standard error and
// status 1). Output written before the failure stays in the output file.
//
//     int main(int argc, char **argv) { return ddl::runConverter(convert, argc, argv); }
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace ddl {

// The exception that carries a fatal message up to the entry.
struct FatalError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Stops the run with `text` as its failure message. Never returns.
[[noreturn]] void fatalError(std::string_view text);

// As fatalError, with the message built printf-style.
[[noreturn]] void fatalErrorFormat(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Runs `body` and gives the process exit code: what `body` returns when it
// ends normally, or `platform::failure_exit_code(message)` when it stops with a
// FatalError. Running out of memory is reported as "Not enough memory".
int runConverter(int (*body)(int argc, char **argv), int argc, char **argv);

} // namespace ddl
