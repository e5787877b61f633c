// DDL output helpers shared by the document converters (Folioload, Markload).
//
// - `quoteString`: a string as it stands between the double quotes of a DDL
//   value: a backslash before each double quote and each backslash, nothing
//   else escaped.
// - `fixedText`: a 16.16 fixed-point value as "0x%x" of its 32-bit two's
//   complement (0 is "0x0", -1.0 is "0xffff0000").
// - `formatText`: printf into a std::string.
// - `DdlOutput`: the buffered output file over CreateFileA/WriteFile. The
//   converters write their fragments with "\n" as the line end; the writer
//   turns every "\n" into the line end chosen when the file was opened
//   (Folioload "\n", Markload "\r\n"). Write failures are not reported: a
//   failing device shows only as a short file. The buffer is flushed when the
//   file is closed and when the DdlOutput goes out of scope, so that what was
//   written before a fatal error stays in the file.
//
//     ddl::DdlOutput out;
//     if (!ddl::openOutput(out, path, "\r\n")) ddl::fatalError("Can't open output file");
//     ddl::writeFormat(out, "COL_%02x={colour \"%s\" ", number, ddl::quoteString(name).c_str());
//     ddl::closeOutput(out);
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ddl {

// The DDL quoting of `text`, which ends at its first NUL if it holds one.
std::string quoteString(std::string_view text);

// "0x%x" of the 32-bit two's-complement value.
std::string fixedText(std::int32_t value);

// printf into a string.
std::string formatText(const char *format, ...) __attribute__((format(printf, 1, 2)));

struct DdlOutput {
    void *file = nullptr;     // the Win32 HANDLE, null when not open
    std::string lineEnd = "\n";
    std::string buffer;       // bytes not yet handed to WriteFile

    DdlOutput() = default;
    DdlOutput(const DdlOutput &) = delete;
    DdlOutput &operator=(const DdlOutput &) = delete;
    ~DdlOutput();             // flushes and closes
};

// Creates (or truncates) `path` for writing, without text translation.
// False when the file cannot be opened.
bool openOutput(DdlOutput &out, const char *path, std::string_view lineEnd);

// Appends `text`, with each "\n" turned into the output's line end.
void writeText(DdlOutput &out, std::string_view text);

// Appends printf-formatted text, with each "\n" turned into the line end.
void writeFormat(DdlOutput &out, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Appends bytes exactly as given (no line-end translation).
void writeRaw(DdlOutput &out, std::string_view bytes);

// Hands the buffered bytes to the file.
void flushOutput(DdlOutput &out);

// Flushes and closes; the DdlOutput may be opened again afterwards.
void closeOutput(DdlOutput &out);

} // namespace ddl
