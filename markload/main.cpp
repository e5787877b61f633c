// Markload entry: "Markload <DDF name> <DDL name>". Loads the whole DDF file
// in one block, converts it and writes the DDL with CR LF line ends. The exit
// code is 0, or on failure the host's error contract (an atom on Windows).
#include "markload/markload.h"
#include "folio/ddl_output.h"
#include "folio/fatal_error.h"
#include "platform/memory_hints.h"
#include "platform/win32.h"

#include <cstdint>
#include <memory>
#include <new>

namespace {

// A 32-bit process cannot hold much more than this in one block anyway.
constexpr std::uint64_t kMaxInputBytes = 1ull << 30;
constexpr DWORD kReadChunk = 1u << 24;

markload::Markload conversion;
ddl::DdlOutput output;

void writeOutput(void *, std::string_view text) { ddl::writeRaw(output, text); }

std::unique_ptr<std::uint8_t[]> loadInput(const char *path, std::size_t &size) {
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
    std::unique_ptr<std::uint8_t[]> block;
    if (length <= kMaxInputBytes) block.reset(new (std::nothrow) std::uint8_t[length == 0 ? 1 : length]);
    if (!block) {
        CloseHandle(input);
        ddl::fatalError("Not enough memory to load input file");
    }
    platform::advise_large_block(block.get(), static_cast<std::size_t>(length));

    std::uint64_t loaded = 0;
    while (loaded < length) {
        const std::uint64_t left = length - loaded;
        const DWORD want = left < kReadChunk ? static_cast<DWORD>(left) : kReadChunk;
        DWORD got = 0;
        if (!ReadFile(input, block.get() + loaded, want, &got, nullptr) || got == 0) {
            CloseHandle(input);
            ddl::fatalError("Cannot load input file.");
        }
        loaded += got;
    }
    CloseHandle(input);
    size = static_cast<std::size_t>(length);
    return block;
}

int run(int argc, char **argv) {
    if (argc != 3) ddl::fatalError("Syntax: Markload <DDF name> <DDL name>");
    std::size_t size = 0;
    std::unique_ptr<std::uint8_t[]> input = loadInput(argv[1], size);
    if (!ddl::openOutput(output, argv[2], "\r\n")) ddl::fatalError("Cannot open output file.");
    conversion.drain = writeOutput;
    markload::convertDdf(conversion, std::span<const std::uint8_t>(input.get(), size));
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
