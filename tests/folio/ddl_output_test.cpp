#include "ddl/ddl_output.h"
#include "ddl/fatal_error.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

namespace {

using testing_support::read_text;
using testing_support::TempDir;

TEST(DdlOutput, QuotesOnlyDoubleQuotesAndBackslashes) {
    EXPECT_EQ(ddl::quoteString("plain"), "plain");
    EXPECT_EQ(ddl::quoteString("say \"hi\""), "say \\\"hi\\\"");
    EXPECT_EQ(ddl::quoteString("a\\b"), "a\\\\b");
    EXPECT_EQ(ddl::quoteString("tab\there'"), "tab\there'");
    EXPECT_EQ(ddl::quoteString(std::string_view("cut\0off", 7)), "cut");
}

TEST(DdlOutput, FixedPointIsUnpaddedHexOfTheTwosComplement) {
    EXPECT_EQ(ddl::fixedText(0), "0x0");
    EXPECT_EQ(ddl::fixedText(0xe666), "0xe666");
    EXPECT_EQ(ddl::fixedText(0x10000), "0x10000");
    EXPECT_EQ(ddl::fixedText(-90 * 0x10000), "0xffa60000");
    EXPECT_EQ(ddl::fixedText(-1), "0xffffffff");
}

TEST(DdlOutput, WritesWithTheLineEndOfTheCaller) {
    TempDir dir;
    {
        ddl::DdlOutput out;
        ASSERT_TRUE(ddl::openOutput(out, dir.file("lf").c_str(), "\n"));
        ddl::writeText(out, "a\nb\n");
        ddl::writeFormat(out, "COL_%02x\n", 1);
        ddl::closeOutput(out);
    }
    EXPECT_EQ(read_text(dir.file("lf")), "a\nb\nCOL_01\n");
    {
        ddl::DdlOutput out;
        ASSERT_TRUE(ddl::openOutput(out, dir.file("crlf").c_str(), "\r\n"));
        ddl::writeText(out, "a\nb\n");
        ddl::writeFormat(out, "%s\n", "c");
        ddl::writeRaw(out, "raw\n");
    } // going out of scope flushes, as after a fatal error
    EXPECT_EQ(read_text(dir.file("crlf")), "a\r\nb\r\nc\r\nraw\n");
}

TEST(DdlOutput, LargeOutputArrivesWhole) {
    TempDir dir;
    std::string line(99, 'x');
    line += '\n';
    {
        ddl::DdlOutput out;
        ASSERT_TRUE(ddl::openOutput(out, dir.file("big").c_str(), "\n"));
        for (int i = 0; i < 2000; ++i) ddl::writeText(out, line);
    }
    EXPECT_EQ(read_text(dir.file("big")).size(), 200000u);
}

TEST(DdlOutput, OpeningAnImpossiblePathFails) {
    TempDir dir;
    ddl::DdlOutput out;
    EXPECT_FALSE(ddl::openOutput(out, dir.file("missing/sub/out").c_str(), "\n"));
}

int succeed(int argc, char **) { return argc == 2 ? 0 : 7; }
int fail(int, char **) { ddl::fatalError("Can't open input file"); }
int failFormatted(int, char **) { ddl::fatalErrorFormat("story %d", 3); }

TEST(FatalError, RunConverterTurnsTheMessageIntoTheExitContract) {
    char name[] = "prog";
    char *argv[] = {name, name, nullptr};
    EXPECT_EQ(ddl::runConverter(succeed, 2, argv), 0);
    EXPECT_EQ(ddl::runConverter(succeed, 1, argv), 7);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ddl::runConverter(fail, 2, argv), 1);
    EXPECT_EQ(ddl::runConverter(failFormatted, 2, argv), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Can't open input file\nstory 3\n");
}

} // namespace
