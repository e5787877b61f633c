// The failure value of every framework operation. Null means success; a
// non-null pointer is one of the two static records, which callers pass up
// unchanged so that the first failure reaches the program entry.
#pragma once

#include <cstdint>

struct ErrorRecord {
    std::int32_t code; // framework code, GetLastError value, or 0 for a plain text
    char text[252];    // NUL-terminated, at most 251 characters
};

constexpr std::int32_t kErrorMemory = 2;     // "{EMEM}"
constexpr std::int32_t kErrorRead = 3;       // "{ERD}"
constexpr std::int32_t kErrorWrite = 4;      // "{EWR}"
constexpr std::int32_t kErrorMode = 257;     // "{EMODE}"
constexpr std::int32_t kErrorBadBits = 258;  // "{EBADBITS}"
constexpr std::int32_t kErrorCorrupt = 261;  // "{ECR}"
constexpr std::int32_t kErrorNotType = 262;  // "{ENOTTYPE}"

constexpr int kErrorTextCapacity = 252;

// Null for code 0; otherwise the framework record holding the code's expanded token.
ErrorRecord *error_from_code(std::int32_t code);

// The framework record with a printf-style text (cut to 251 characters), tokens expanded.
ErrorRecord *error_from_format(std::int32_t code, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// The system record for the last Win32 failure: the system's message, then
// "(call) (code)" or "(call) (code) (detail)". Null when GetLastError is 0.
ErrorRecord *system_error(const char *call_name, const char *detail_format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// As system_error, but fills the record even when GetLastError is 0.
ErrorRecord *system_error_always(const char *call_name, const char *detail_format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Code-table chain: the newest table is searched first; tables end with code 0.
struct CodeToken {
    std::int32_t code;
    const char *token;
};
struct CodeTableNode {
    CodeTableNode *next;
    const CodeToken *table;
};
void register_code_table(const CodeToken *table, CodeTableNode *node);
const char *code_token(std::int32_t code);

// The framework's own table: EMEM, EMODE, EBADBITS, ERD, EWR, ECR, ENOTTYPE.
extern const CodeToken kFrameworkCodes[];
