#include "ddl/ddl_output.h"

#include "platform/win32.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace ddl {
namespace {

// Large enough that a DDL file goes out in few WriteFile calls.
constexpr std::size_t kFlushThreshold = 64 * 1024;

std::string formatList(const char *format, va_list arguments) {
    va_list copy;
    va_copy(copy, arguments);
    char small[256];
    int length = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < sizeof small) return std::string(small, static_cast<std::size_t>(length));
    std::vector<char> large(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(large.data(), large.size(), format, arguments);
    return std::string(large.data(), static_cast<std::size_t>(length));
}

void writeBytes(DdlOutput &out, std::string_view bytes) {
    if (out.file == nullptr) return;
    const char *next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(out.file, next, chunk, &written, nullptr) || written == 0) break;
        next += written;
        left -= written;
    }
}

} // namespace

std::string quoteString(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size());
    for (char c : text) {
        if (c == '\0') break;
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted;
}

std::string fixedText(std::int32_t value) { return formatText("0x%x", static_cast<unsigned>(value)); }

std::string formatText(const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = formatList(format, arguments);
    va_end(arguments);
    return text;
}

DdlOutput::~DdlOutput() { closeOutput(*this); }

bool openOutput(DdlOutput &out, const char *path, std::string_view lineEnd) {
    closeOutput(out);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    out.file = file;
    out.lineEnd = std::string(lineEnd);
    out.buffer.clear();
    return true;
}

// A writer that gathers its own large pieces hands them straight to the file.
void writeRaw(DdlOutput &out, std::string_view bytes) {
    if (out.buffer.empty() && bytes.size() >= kFlushThreshold) {
        writeBytes(out, bytes);
        return;
    }
    out.buffer.append(bytes);
    if (out.buffer.size() >= kFlushThreshold) flushOutput(out);
}

void writeText(DdlOutput &out, std::string_view text) {
    if (out.lineEnd == "\n") {
        writeRaw(out, text);
        return;
    }
    std::size_t start = 0;
    for (std::size_t newline = text.find('\n'); newline != std::string_view::npos;
         newline = text.find('\n', start)) {
        out.buffer.append(text.substr(start, newline - start));
        out.buffer.append(out.lineEnd);
        start = newline + 1;
    }
    writeRaw(out, text.substr(start));
}

void writeFormat(DdlOutput &out, const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = formatList(format, arguments);
    va_end(arguments);
    writeText(out, text);
}

void flushOutput(DdlOutput &out) {
    writeBytes(out, out.buffer);
    out.buffer.clear();
}

void closeOutput(DdlOutput &out) {
    if (out.file == nullptr) return;
    flushOutput(out);
    CloseHandle(out.file);
    out.file = nullptr;
}

} // namespace ddl
