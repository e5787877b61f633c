// Markload entry: "Markload <DDF name> <DDL name>". Maps the whole DDF file
// read-only, converts it and writes the DDL with CR LF line ends. The exit
// code is 0, or on failure the host's error contract (an atom on Windows).
#include "markload/markload.h"
#include "ddl/ddl_output.h"
#include "ddl/fatal_error.h"
#include "platform/win32.h"

#include <cstdint>

namespace {

// A 32-bit process cannot hold much more than this in one view anyway.
constexpr std::uint64_t kMaxInputBytes = 1ull << 30;

markload::Markload conversion;
ddl::DdlOutput output;

void writeOutput(void *, std::string_view text) { ddl::writeRaw(output, text); }

// The input as a view of the file itself: the passes read it in place, with
// no copy and no block to clear first. The view covers exactly the size the
// directory entry gives, and the system refuses a view beyond the file's end.
std::span<const std::uint8_t> mapInput(const char *path) {
    HANDLE input = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
    if (input == INVALID_HANDLE_VALUE) ddl::fatalError("Cannot open input file.");

    // The size comes from the directory entry, as the host's file system reports it.
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA(path, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        CloseHandle(input);
        ddl::fatalError("Cannot open input file.");
    }
    FindClose(search);
    const std::uint64_t length = (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    if (length > kMaxInputBytes) {
        CloseHandle(input);
        ddl::fatalError("Not enough memory to load input file");
    }
    if (length == 0) {
        CloseHandle(input);
        return {};
    }
    // The view keeps the file open after both handles are closed.
    HANDLE mapping = CreateFileMappingA(input, nullptr, PAGE_READONLY, 0, 0, nullptr);
    const void *view = mapping != nullptr ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(length))
                                          : nullptr;
    if (mapping != nullptr) CloseHandle(mapping);
    CloseHandle(input);
    if (view == nullptr) ddl::fatalError("Cannot load input file.");
    return {static_cast<const std::uint8_t *>(view), static_cast<std::size_t>(length)};
}

int run(int argc, char **argv) {
    if (argc != 3) ddl::fatalError("Syntax: Markload <DDF name> <DDL name>");
    const std::span<const std::uint8_t> input = mapInput(argv[1]);
    if (!ddl::openOutput(output, argv[2], "\r\n")) ddl::fatalError("Cannot open output file.");
    conversion.drain = writeOutput;
    markload::convertDdf(conversion, input);
    if (!input.empty()) UnmapViewOfFile(input.data());
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    const int exitCode = ddl::runConverter(run, argc, argv);
    // What was converted before a failure stays in the file.
    markload::flushOutput(conversion);
    ddl::closeOutput(output);
    return exitCode;
}
