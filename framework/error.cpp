// The two error records, the code-table chain and the system-error texts.
#include "framework/error.h"
#include "framework/messages.h"
#include "platform/system_error_text.h"
#include "platform/win32.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

ErrorRecord framework_record;
ErrorRecord system_record;
CodeTableNode *code_tables = nullptr;

ErrorRecord *fill_system_record(DWORD code, const char *call_name, const char *detail_format, va_list arguments) {
    system_record.code = static_cast<std::int32_t>(code);
    char detail[512];
    if (detail_format != nullptr) std::vsnprintf(detail, sizeof detail, detail_format, arguments);
    system_error_text(system_record.text, kErrorTextCapacity, call_name, code,
                      detail_format != nullptr ? detail : nullptr);
    return &system_record;
}

} // namespace

const CodeToken kFrameworkCodes[] = {
    {kErrorMemory, "{EMEM}"},  {kErrorMode, "{EMODE}"},     {kErrorBadBits, "{EBADBITS}"},
    {kErrorRead, "{ERD}"},     {kErrorWrite, "{EWR}"},      {kErrorCorrupt, "{ECR}"},
    {kErrorNotType, "{ENOTTYPE}"}, {0, nullptr},
};

void register_code_table(const CodeToken *table, CodeTableNode *node) {
    node->table = table;
    node->next = code_tables;
    code_tables = node;
}

const char *code_token(std::int32_t code) {
    for (const CodeTableNode *node = code_tables; node != nullptr; node = node->next)
        for (const CodeToken *row = node->table; row->code != 0; ++row)
            if (row->code == code) return row->token;
    return "{ENOE}";
}

ErrorRecord *error_from_code(std::int32_t code) {
    if (code == 0) return nullptr;
    framework_record.code = code;
    std::snprintf(framework_record.text, kErrorTextCapacity, "%s", code_token(code));
    expand_tokens(framework_record.text, kErrorTextCapacity);
    return &framework_record;
}

ErrorRecord *error_from_format(std::int32_t code, const char *format, ...) {
    framework_record.code = code;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(framework_record.text, kErrorTextCapacity, format, arguments);
    va_end(arguments);
    expand_tokens(framework_record.text, kErrorTextCapacity);
    return &framework_record;
}

ErrorRecord *system_error(const char *call_name, const char *detail_format, ...) {
    DWORD code = GetLastError();
    if (code == 0) return nullptr; // the failed call counts as a success
    va_list arguments;
    va_start(arguments, detail_format);
    ErrorRecord *record = fill_system_record(code, call_name, detail_format, arguments);
    va_end(arguments);
    return record;
}

ErrorRecord *system_error_always(const char *call_name, const char *detail_format, ...) {
    va_list arguments;
    va_start(arguments, detail_format);
    ErrorRecord *record = fill_system_record(GetLastError(), call_name, detail_format, arguments);
    va_end(arguments);
    return record;
}
