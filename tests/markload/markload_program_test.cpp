// The real Markload program, natively and (when built) as the Windows program
// under Wine: the same output bytes as the conversion in memory, and the
// failure text through the exit contract.
#include "tests/support/ddf_builder.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <gtest/gtest.h>

#include <filesystem>

using testing_support::convert;
using testing_support::DdfBuilder;
using testing_support::story;
using testing_support::read_text;
using testing_support::run_program;
using testing_support::runner_name;
using testing_support::runners_for;
using testing_support::TempDir;
using testing_support::write_text;

namespace {

std::string sampleText() { return read_text(std::string(MARKLOAD_SAMPLES_DIR) + "/sample.ddf"); }

TEST(MarkloadProgram, WritesTheConvertedBytes) {
    std::string big;
    for (int i = 0; i < 3000; ++i) big += "{bold on}Line " + std::to_string(i) + "\t{bold off}of text\n";
    const struct {
        const char *name;
        std::string ddf;
    } inputs[] = {
        {"small", DdfBuilder{}.colours({"%%+r 0 (Red) 1,0,0"}).style("Body", "fontsize 10pt")
                      .group("fontcolour \"Red\"").plain("Hi\r\n").build()},
        {"more than one output buffer", big},
        {"the bundled sample", sampleText()},
        {"empty", ""},
    };
    ASSERT_EQ(convert(inputs[0].ddf).output,
              "COL_0={colour \"Red\" {rgb 0x10000 0x0 0x0}}\r\n\r\n"
              "STYLE_0={style \"BodyText\"\r\n{textsize 10000}\r\n{keypress \"C_F1\"}{scope 0}\r\n}\r\n\r\n" +
                  story("{foreground COL_0 0x10000}\r\n\"Hi\"{newpara}{newpara}"));
    for (auto runner : runners_for("Markload")) {
        for (const auto &input : inputs) {
            TempDir dir;
            write_text(dir.file("in.ddf"), input.ddf);
            auto result = run_program(runner, "Markload", {dir.file("in.ddf"), dir.file("out.ddl")});
            EXPECT_TRUE(result.succeeded) << runner_name(runner) << " " << input.name << ": " << result.failure_text;
            EXPECT_EQ(read_text(dir.file("out.ddl")), convert(input.ddf).output) << runner_name(runner) << " "
                                                                                  << input.name;
            EXPECT_EQ(result.output, "") << "Markload prints nothing";
        }
    }
}

TEST(MarkloadProgram, FailuresReachTheHost) {
    for (auto runner : runners_for("Markload")) {
        const std::string who = runner_name(runner);
        TempDir dir;
        const std::string input = dir.file("in.ddf");
        const std::string output = dir.file("out.ddl");
        write_text(input, "text");

        const struct {
            const char *name;
            std::vector<std::string> arguments;
            const char *failure;
        } cases[] = {
            {"no arguments", {}, "Syntax: Markload <DDF name> <DDL name>"},
            {"one argument", {input}, "Syntax: Markload <DDF name> <DDL name>"},
            {"three arguments", {input, output, output}, "Syntax: Markload <DDF name> <DDL name>"},
            {"missing input", {dir.file("none.ddf"), output}, "Cannot open input file."},
            {"output in a missing folder", {input, dir.file("no/out.ddl")}, "Cannot open output file."},
        };
        for (const auto &c : cases) {
            auto result = run_program(runner, "Markload", c.arguments);
            EXPECT_FALSE(result.succeeded) << who << " " << c.name;
            EXPECT_EQ(result.failure_text, c.failure) << who << " " << c.name;
        }
        EXPECT_FALSE(std::filesystem::exists(output)) << who;
    }
}

TEST(MarkloadProgram, OutputBeforeAFailureStays) {
    const std::string ddf =
        DdfBuilder{}.colours({"%%+r 0 (Red) 1,0,0"}).plain("Before").group("bold on backcolour red").build();
    const auto expected = convert(ddf);
    ASSERT_EQ(expected.failure, "Colour not found");
    ASSERT_EQ(expected.output,
              "COL_0={colour \"Red\" {rgb 0x10000 0x0 0x0}}\r\n\r\nSTORY_1={story\r\n\"Before\"{bold 1}{background");
    for (auto runner : runners_for("Markload")) {
        TempDir dir;
        write_text(dir.file("in.ddf"), ddf);
        auto result = run_program(runner, "Markload", {dir.file("in.ddf"), dir.file("out.ddl")});
        EXPECT_FALSE(result.succeeded) << runner_name(runner);
        EXPECT_EQ(result.failure_text, "Colour not found") << runner_name(runner);
        EXPECT_EQ(read_text(dir.file("out.ddl")), expected.output) << runner_name(runner);
    }
}

} // namespace
