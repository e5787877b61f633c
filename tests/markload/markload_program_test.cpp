// The real Markload program, natively and (when built) as the Windows program
// under Wine: the same output bytes as the conversion in memory, and the
// failure text through the exit contract.
#include "tests/support/ddf_builder.h"
#include "tests/support/document_programs.h"

namespace {

using namespace testing_support;

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
    TempDir dir;
    std::vector<DocumentCase> cases;
    for (const auto &input : inputs) {
        cases.push_back({input.name, dir.file(std::string(input.name) + ".ddf"), convert(input.ddf).output});
        write_text(cases.back().input, input.ddf);
    }
    expect_documents("Markload", "", cases); // Markload prints nothing
}

TEST(MarkloadProgram, FailuresReachTheHost) {
    TempDir dir;
    const std::string input = dir.file("in.ddf");
    const std::string output = dir.file("out.ddl");
    write_text(input, "text");
    const DocumentFailure cases[] = {
        {"no arguments", {}, "Syntax: Markload <DDF name> <DDL name>"},
        {"one argument", {input}, "Syntax: Markload <DDF name> <DDL name>"},
        {"three arguments", {input, output, output}, "Syntax: Markload <DDF name> <DDL name>"},
        {"missing input", {dir.file("none.ddf"), output}, "Cannot open input file."},
        {"output in a missing folder", {input, dir.file("no/out.ddl")}, "Cannot open output file."},
    };
    expect_document_failures("Markload", output, cases);
}

TEST(MarkloadProgram, OutputBeforeAFailureStays) {
    const std::string ddf =
        DdfBuilder{}.colours({"%%+r 0 (Red) 1,0,0"}).plain("Before").group("bold on backcolour red").build();
    const auto expected = convert(ddf);
    ASSERT_EQ(expected.failure, "Colour not found");
    ASSERT_EQ(expected.output,
              "COL_0={colour \"Red\" {rgb 0x10000 0x0 0x0}}\r\n\r\nSTORY_1={story\r\n\"Before\"{bold 1}{background");
    TempDir dir;
    write_text(dir.file("in.ddf"), ddf);
    const DocumentFailure cases[] = {
        {"colour not found", {dir.file("in.ddf"), dir.file("out.ddl")}, "Colour not found", expected.output},
    };
    expect_document_failures("Markload", dir.file("out.ddl"), cases);
}

} // namespace
