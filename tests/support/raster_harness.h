// The raster filters under test: a reader run in this process on a file or
// on built bytes, pixels and colours read back from its bitmap, the whole
// filter run in this process, and the shipped program run on every runner
// with its Draw file checked header and pixel by pixel.
#pragma once

#include "framework/error.h"
#include "framework/filter_main.h"
#include "framework/messages.h"
#include "framework/sprite.h"
#include "tests/support/files.h"
#include "tests/support/pixels.h"
#include "tests/support/programs.h"
#include "tools/draw_file.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <gtest/gtest.h>

namespace testing_support {

using draw_file::DrawSprite;
using draw_file::parse_draw;
using ReadFunction = ErrorRecord *(*)(const char *);

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

// What a reader made of one file. The sprite list keeps the entries until the
// next run, for tests that look further.
struct ReaderRun {
    bool ok = false;          // no failure, and one sprite with an image
    std::string failure;      // the reader's failure text, "" when it succeeded
    Bitmap *bitmap = nullptr; // the first sprite's image, when there is one
    std::string name;         // the first sprite entry's name
};

inline ReaderRun read_path_with(ReadFunction read, const std::string &path) {
    sprite_list_clear(&sprite_list);
    ReaderRun run;
    if (ErrorRecord *error = read(path.c_str())) {
        run.failure = error->text;
        return run;
    }
    if (sprite_list.count >= 1 && sprite_list.entries[0].image != nullptr) {
        run.bitmap = sprite_list.entries[0].image->image;
        run.name = sprite_list.entries[0].name;
    }
    run.ok = sprite_list.count == 1 && run.bitmap != nullptr;
    return run;
}

inline ReaderRun read_bytes_with(ReadFunction read, const Bytes &bytes) {
    TempDir dir;
    const std::string path = dir.file("input");
    write_file(path, bytes);
    return read_path_with(read, path);
}

// The reader's failure text on the bytes, "" when it succeeded, with the
// messages set up as the filter's entry sets them up.
inline std::string reader_failure(ReadFunction read, const Bytes &bytes) {
    set_up_messages();
    return read_bytes_with(read, bytes).failure;
}

// The stored value of pixel (x, y) of a bitmap in sprite layout: a palette
// index, or 0xBBGGRR (0xAABBGGRR at 32 bpp) for direct colour.
inline std::uint32_t bitmap_value(const Bitmap *bitmap, std::int32_t x, std::int32_t y) {
    auto row = bitmap_row_bytes(const_cast<Bitmap *>(bitmap), y);
    const auto at = static_cast<std::size_t>(x);
    switch (bitmap->bpp) {
    case 8: return row[at];
    case 16: return row[at * 2] | row[at * 2 + 1] << 8;
    case 24: return row[at * 3] | row[at * 3 + 1] << 8 | row[at * 3 + 2] << 16;
    case 32: return row[at * 4] | row[at * 4 + 1] << 8 | row[at * 4 + 2] << 16 | std::uint32_t(row[at * 4 + 3]) << 24;
    default: break;
    }
    const std::size_t bit = at * static_cast<std::size_t>(bitmap->bpp); // leftmost pixel in the low bits
    return (row[bit / 8] >> (bit % 8)) & ((1u << bitmap->bpp) - 1);
}

// The colour of pixel (x, y), through the palette at 8 bpp and less.
inline Rgb bitmap_rgb(const Bitmap *bitmap, std::int32_t x, std::int32_t y) {
    const std::uint32_t value = bitmap_value(bitmap, x, y);
    if (bitmap->bpp >= 24) {
        return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value >> 16)};
    }
    // An index beyond the palette count shows the zero pair the writer puts there.
    const std::uint32_t entry = value < static_cast<std::uint32_t>(bitmap->palette_count) ? bitmap->palette[value] : 0;
    return {static_cast<std::uint8_t>(entry >> 8), static_cast<std::uint8_t>(entry >> 16), static_cast<std::uint8_t>(entry >> 24)};
}

// The whole filter run in this process (so sanitizers see the reader and the
// writer), its Draw file read back.
struct FilterConversion {
    bool succeeded = false;
    std::string failure; // the failure text, when it failed
    DrawSprite sprite;   // when it succeeded
    std::string parse_problem;
};

inline FilterConversion convert_in_process(const FilterProgram &program, const std::string &input, const TempDir &dir) {
    std::string output = dir.file("converted.draw");
    std::string name = "filter";
    char *argv[] = {name.data(), const_cast<char *>(input.c_str()), output.data(), nullptr};
    FilterConversion result;
    ErrorRecord *error = filter_run(3, argv, program);
    result.succeeded = error == nullptr;
    if (error != nullptr) result.failure = error->text;
    else if (!parse_draw(read_file(output), result.sprite, result.parse_problem)) result.succeeded = false;
    sprite_list_clear(&sprite_list);
    message_table_reset();
    return result;
}

// The shipped program run on the bytes; on success the Draw file it wrote is
// parsed into `sprite`.
struct ProgramRun {
    RunResult result;
    DrawSprite sprite;
    std::string parse_problem;
    Bytes output;
    bool output_left = false; // an output file is there after the run
};

inline ProgramRun run_program_on(Runner runner, std::string_view program, const Bytes &bytes) {
    TempDir dir;
    std::string input = dir.file("input.img");
    std::string output = dir.file("output.draw");
    write_file(input, bytes);
    ProgramRun run;
    run.result = run_program(runner, program, {input, output});
    run.output_left = std::filesystem::exists(output);
    if (run.result.succeeded) {
        run.output = read_file(output);
        parse_draw(run.output, run.sprite, run.parse_problem);
    }
    return run;
}

// The usage text and the missing-input failure, as the host sees them.
inline void expect_usage_and_missing_input(std::string_view program) {
    for (auto runner : runners_for(program)) {
        SCOPED_TRACE(runner_name(runner));
        std::string usage = "Syntax: " + std::string(program) + " <input file> <output file>";
        for (const std::vector<std::string> &arguments : {std::vector<std::string>{}, std::vector<std::string>{"a"}}) {
            auto result = run_program(runner, program, arguments);
            EXPECT_FALSE(result.succeeded);
            EXPECT_NE(result.exit_code, 0);
            EXPECT_EQ(result.failure_text, usage);
        }
        TempDir dir;
        std::string missing = dir.file("missing.img");
        auto result = run_program(runner, program, {missing, dir.file("out.draw")});
        // The system's own text for code 2 comes first: Windows' (and the POSIX
        // stand-in's), or Wine's.
        bool native = runner == Runner::native;
        std::string tail = "\r\n(CreateFile) (2) (" + (native ? missing : windows_path(missing)) + ")";
        EXPECT_FALSE(result.succeeded);
        EXPECT_NE(result.exit_code, 0);
        EXPECT_EQ(result.failure_text, (native ? "The system cannot find the file specified." : "File not found.") + tail);
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.draw")));
    }
}

// One pixel a program's sprite must show: the stored value (when the case
// pins it), the colour, and the mask value (when the sprite has a mask).
struct SpritePixel {
    std::optional<std::uint32_t> value;
    std::uint32_t rgb = 0; // 0xRRGGBB
    std::optional<std::uint32_t> mask;
};

// A row of a program's conversion table: the input and the sprite it must make.
struct ProgramCase {
    const char *name;
    Bytes file;
    int bpp, width, height;
    bool has_mask;
    std::function<SpritePixel(int x, int y)> pixel;
    std::optional<std::uint32_t> mode = std::nullopt;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> box = std::nullopt; // x1, y1 when not 480 units a pixel
    // At 8 bpp and less, when pinned: the palette has 1 << bpp entries and
    // those from this count on are zero.
    std::optional<std::size_t> palette_count = std::nullopt;
};

// Runs the program on every case on every runner: both builds write the same
// bytes; the sprite has the filter's creator and name, the case's depth,
// size (box at 480 units a pixel unless the case says), mask, and mode and
// palette where the case pins them, and every pixel is checked.
inline void expect_conversions(std::string_view program, std::string_view creator, std::string_view sprite_name,
                               std::span<const ProgramCase> cases) {
    std::vector<Bytes> native_outputs;
    for (auto runner : runners_for(program)) {
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const ProgramCase &c = cases[i];
            SCOPED_TRACE(runner_name(runner) + ": " + c.name);
            auto run = run_program_on(runner, program, c.file);
            ASSERT_TRUE(run.result.succeeded) << run.result.failure_text;
            ASSERT_EQ(run.parse_problem, "");
            if (runner == Runner::native) native_outputs.push_back(run.output);
            else EXPECT_EQ(run.output, native_outputs[i]);
            const auto &sprite = run.sprite;
            EXPECT_EQ(sprite.creator, creator);
            EXPECT_EQ(sprite.name, sprite_name);
            EXPECT_EQ(sprite.bpp, c.bpp);
            ASSERT_EQ(sprite.width, c.width);
            ASSERT_EQ(sprite.height, c.height);
            const auto box = c.box.value_or(std::pair{static_cast<std::uint32_t>(c.width * 480),
                                                      static_cast<std::uint32_t>(c.height * 480)});
            EXPECT_EQ(sprite.box[2], box.first);
            EXPECT_EQ(sprite.box[3], box.second);
            EXPECT_EQ(sprite.has_mask, c.has_mask);
            if (c.mode) {
                EXPECT_EQ(sprite.mode, *c.mode);
            }
            if (c.palette_count && c.bpp <= 8) {
                ASSERT_EQ(sprite.palette.size(), std::size_t{1} << c.bpp);
                for (std::size_t entry = *c.palette_count; entry < sprite.palette.size(); ++entry)
                    EXPECT_EQ(sprite.palette[entry], 0u) << "palette entry " << entry;
            }
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x) {
                    const SpritePixel want = c.pixel(x, y);
                    if (want.value) {
                        ASSERT_EQ(sprite.pixel(x, y), *want.value) << x << "," << y;
                    }
                    ASSERT_EQ(sprite.rgb(x, y), want.rgb) << x << "," << y;
                    if (c.has_mask && want.mask) {
                        ASSERT_EQ(sprite.mask_pixel(x, y), *want.mask) << x << "," << y;
                    }
                }
        }
    }
}

// A row of a program's failure table: the input and the exact text the host
// reads. A failed run exits with a code other than 0 and leaves no output.
struct FailureCase {
    const char *name;
    Bytes file;
    const char *text;
};

inline void expect_failure_texts(std::string_view program, std::span<const FailureCase> cases) {
    for (auto runner : runners_for(program))
        for (const FailureCase &c : cases) {
            SCOPED_TRACE(runner_name(runner) + ": " + c.name);
            auto run = run_program_on(runner, program, c.file);
            EXPECT_FALSE(run.result.succeeded);
            EXPECT_NE(run.result.exit_code, 0);
            EXPECT_EQ(run.result.failure_text, c.text);
            EXPECT_FALSE(run.output_left);
        }
}

} // namespace testing_support
