// Helpers of the walk tests: the conversion run in this process on a built
// document, giving back the DDL text or the fatal message that stopped it, and
// the cutting of the walk and of single objects out of the DDL.
#pragma once

#include "ddl/ddl_output.h"
#include "ddl/fatal_error.h"
#include "folio/run.h"
#include "tests/support/document_builder.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace folio_tests {

struct Conversion {
    std::string ddl;
    std::string failure;  // empty when the run succeeded
};

inline Conversion convertPath(const testing_support::TempDir &dir, const std::string &input,
                              std::vector<std::string> options = {}) {
    std::vector<std::string> arguments = {dir.file("Folioload"), input, dir.file("out.ddl")};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::vector<char *> argv;
    for (std::string &argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    Conversion result;
    testing::internal::CaptureStdout();  // the "width" line
    try {
        folio::convertDocument(static_cast<int>(arguments.size()), argv.data());
    } catch (const ddl::FatalError &failure) {
        result.failure = failure.what();
    }
    testing::internal::GetCapturedStdout();
    if (std::filesystem::exists(dir.file("out.ddl"))) result.ddl = testing_support::read_text(dir.file("out.ddl"));
    return result;
}

inline Conversion convert(const testing_support::DocumentBuilder &doc, bool directory = false,
                          std::vector<std::string> options = {}) {
    testing_support::TempDir dir;
    std::string input = directory ? doc.writeDirectory(dir.file("Doc")) : doc.writeSingleFile(dir.file("Doc"));
    return convertPath(dir, input, std::move(options));
}

// The document walk: everything from the first chapter on.
inline std::string walkText(const std::string &ddl) {
    std::size_t at = ddl.find("\nCHAP_");
    return at == std::string::npos ? std::string() : ddl.substr(at);
}

// The definition of object `name`, from its name to the blank line after it.
inline std::string objectText(const std::string &ddl, const std::string &name) {
    std::size_t at = ddl.find(name + "=");
    while (at != std::string::npos && at != 0 && ddl[at - 1] != '\n') at = ddl.find(name + "=", at + 1);
    if (at == std::string::npos) return {};
    std::size_t end = ddl.find("\n\n", at);
    return ddl.substr(at, end == std::string::npos ? std::string::npos : end + 2 - at);
}

inline std::string hex(std::uint32_t value) { return ddl::formatText("%x", value); }

} // namespace folio_tests
