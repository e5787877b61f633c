// The document converters (Folioload, Markload) run as the shipped programs on
// every runner: the text they write, what they print, and their failure text
// as the host reads it, checked from tables of rows.
#pragma once

#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>
#include <gtest/gtest.h>

namespace testing_support {

struct DocumentRun {
    RunResult result;
    std::optional<std::string> written; // the output file's text, when there is one after the run
};

// Runs the program; `output` is the file it may write, removed first so that
// nothing from an earlier run is read back.
inline DocumentRun run_document_program(Runner runner, std::string_view program,
                                        const std::vector<std::string> &arguments, const std::string &output) {
    std::filesystem::remove(output);
    DocumentRun run;
    run.result = run_program(runner, program, arguments);
    if (std::filesystem::exists(output)) run.written = read_text(output);
    return run;
}

// "" when the texts are the same, else where they part with some context
// (whole outputs can be megabytes).
inline std::string first_difference(const std::string &got, const std::string &want) {
    if (got == want) return "";
    std::size_t at = std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin();
    std::size_t from = at < 60 ? 0 : at - 60;
    return "differs from byte " + std::to_string(at) + "\ngot:  " + got.substr(from, 120) +
           "\nwant: " + want.substr(from, 120);
}

// A row of a conversion table: the input path, the text the program must
// write (the in-process conversion's), and options after the two paths.
struct DocumentCase {
    std::string name;
    std::string input;
    std::string expected;
    std::vector<std::string> options = {};
};

// Every case on every runner succeeds, prints `printed` and writes the
// expected text byte for byte.
inline void expect_documents(std::string_view program, std::string_view printed,
                             std::span<const DocumentCase> cases) {
    TempDir dir;
    const std::string output = dir.file("out.ddl");
    for (Runner runner : runners_for(program))
        for (const DocumentCase &c : cases) {
            SCOPED_TRACE(runner_name(runner) + ": " + c.name);
            std::vector<std::string> arguments = {c.input, output};
            arguments.insert(arguments.end(), c.options.begin(), c.options.end());
            DocumentRun run = run_document_program(runner, program, arguments, output);
            EXPECT_TRUE(run.result.succeeded) << run.result.failure_text;
            EXPECT_EQ(run.result.output, printed);
            EXPECT_EQ(first_difference(run.written.value_or(""), c.expected), "");
        }
}

// A row of a failure table: the arguments and the exact text the host reads.
// The output file must be absent afterwards, or hold `kept` when the program
// keeps what it wrote before failing.
struct DocumentFailure {
    std::string name;
    std::vector<std::string> arguments;
    std::string text;
    std::optional<std::string> kept = std::nullopt;
};

inline void expect_document_failures(std::string_view program, const std::string &output,
                                     std::span<const DocumentFailure> cases) {
    for (Runner runner : runners_for(program))
        for (const DocumentFailure &c : cases) {
            SCOPED_TRACE(runner_name(runner) + ": " + c.name);
            DocumentRun run = run_document_program(runner, program, c.arguments, output);
            EXPECT_FALSE(run.result.succeeded);
            EXPECT_NE(run.result.exit_code, 0);
            EXPECT_EQ(run.result.failure_text, c.text);
            EXPECT_EQ(run.written, c.kept);
        }
}

} // namespace testing_support
