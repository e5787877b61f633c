// Runs a reader in this process on bytes built by a test, and reads pixels
// back from the sprite it made.
#pragma once

#include "framework/error.h"
#include "framework/messages.h"
#include "framework/sprite.h"
#include "tools/draw_file.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <gtest/gtest.h>

namespace reader_harness {

// The message table and code table of a filter, as its entry sets them up:
// the table comes from the "MESSAGES" resource embedded in the test binary,
// the same file the programs carry.
inline void set_up_messages() {
    static CodeTableNode node;
    static bool registered = false;
    if (!registered) {
        register_code_table(kFrameworkCodes, &node);
        registered = true;
    }
    message_table_reset();
    message_table_load("Messages.txt");
}

// Writes the bytes to a file, runs the reader on it with an empty sprite list
// and returns the failure text, or "" on success.
inline std::string run_reader(ErrorRecord *(*read)(const char *), const testing_support::Bytes &bytes) {
    set_up_messages();
    sprite_list_clear(&sprite_list);
    testing_support::TempDir dir;
    std::string path = dir.file("input");
    testing_support::write_file(path, bytes);
    ErrorRecord *error = read(path.c_str());
    return error == nullptr ? std::string() : std::string(error->text);
}

// Pixel (x, y) of a bitmap in sprite layout.
inline std::uint32_t pixel(Bitmap *bitmap, int x, int y) {
    auto row = bitmap_row_bytes(bitmap, y);
    int bpp = bitmap->bpp;
    if (bpp == 24) return row[x * 3] | row[x * 3 + 1] << 8 | row[x * 3 + 2] << 16;
    if (bpp == 32) return row[x * 4] | row[x * 4 + 1] << 8 | row[x * 4 + 2] << 16 | std::uint32_t(row[x * 4 + 3]) << 24;
    if (bpp >= 8) return row[x * (bpp / 8)];
    std::size_t bit = static_cast<std::size_t>(x) * bpp;
    return (row[bit / 8] >> (bit % 8)) & ((1u << bpp) - 1);
}

// Runs the real program on the bytes; on success the Draw file it wrote is
// parsed into `sprite`.
struct ProgramRun {
    testing_support::RunResult result;
    draw_file::DrawSprite sprite;
    std::string parse_problem;
    testing_support::Bytes output;
};

inline ProgramRun run_program_on(testing_support::Runner runner, std::string_view program,
                                 const testing_support::Bytes &bytes) {
    testing_support::TempDir dir;
    std::string input = dir.file("input.img");
    std::string output = dir.file("output.draw");
    testing_support::write_file(input, bytes);
    ProgramRun run;
    run.result = testing_support::run_program(runner, program, {input, output});
    if (run.result.succeeded) {
        run.output = testing_support::read_file(output);
        draw_file::parse_draw(run.output, run.sprite, run.parse_problem);
    }
    return run;
}

// The usage text and the missing-input failure, as the host sees them.
inline void expect_usage_and_missing_input(std::string_view program) {
    for (auto runner : testing_support::runners_for(program)) {
        SCOPED_TRACE(testing_support::runner_name(runner));
        std::string usage = "Syntax: " + std::string(program) + " <input file> <output file>";
        for (const std::vector<std::string> &arguments : {std::vector<std::string>{}, std::vector<std::string>{"a"}}) {
            auto result = testing_support::run_program(runner, program, arguments);
            EXPECT_FALSE(result.succeeded);
            EXPECT_EQ(result.failure_text, usage);
        }
        testing_support::TempDir dir;
        std::string missing = dir.file("missing.img");
        auto result = testing_support::run_program(runner, program, {missing, dir.file("out.draw")});
        // The system's own text comes first; Wine words it differently from Windows.
        bool native = runner == testing_support::Runner::native;
        std::string tail = "\r\n(CreateFile) (2) (" + (native ? missing : testing_support::windows_path(missing)) + ")";
        ASSERT_GT(result.failure_text.size(), tail.size());
        EXPECT_EQ(result.failure_text.substr(result.failure_text.size() - tail.size()), tail);
        if (native) {
            EXPECT_EQ(result.failure_text, "The system cannot find the file specified." + tail);
        }
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.draw")));
    }
}

} // namespace reader_harness
