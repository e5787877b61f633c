// Message files, token expansion, error records and the code-table chain.
#include "framework/error.h"
#include "framework/messages.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr char kShippedMessages[] =
    "ENOE:Error not found.\r\nEMEM:Not enough memory.\r\nERD:Error reading data.\r\nEWR:Error writing data.\r\n"
    "ECR:Corruption in file.\r\nEMODE:Unknown sprite mode.\r\n"
    "EBADBITS:Image has too many bits resolution for file format.\r\nENOTTYPE:Unidentified file type.\r\n";

struct MessagesTest : ::testing::Test {
    void SetUp() override {
        message_table_reset();
        message_table_append(kShippedMessages, sizeof kShippedMessages - 1);
        static CodeTableNode node;
        static bool registered = false;
        if (!registered) register_code_table(kFrameworkCodes, &node);
        registered = true;
    }
    void TearDown() override { message_table_reset(); }

    static std::string expanded(const std::string &text) {
        char buffer[kErrorTextCapacity] = {};
        std::strncpy(buffer, text.c_str(), sizeof buffer - 1);
        expand_tokens(buffer, kErrorTextCapacity);
        return buffer;
    }
};

TEST_F(MessagesTest, TokensExpandThroughTheTable) {
    struct Case { const char *text, *expected; };
    const Case cases[] = {
        {"{EMEM}", "Not enough memory."},
        {"PNG:{ERD} at end", "PNG:Error reading data. at end"},
        {"{NOSUCHKEY}", "NOSUCHKEY"},          // unknown keys lose their braces
        {"a {{EMEM} b", "a {EMEM} b"},         // a doubled brace is a literal one
        {"{{{EMEM}", "{{EMEM}"},               // the character after "{{" is not examined
        {"{{x{EMEM}", "{xNot enough memory."},
        {"lone {", "lone {"},
        {"open {EMEM", "open {EMEM"},
        {"{123456789012345678901234567890}", "123456789012345678901234567890"},    // 30: looked up
        {"{1234567890123456789012345678901}", "{1234567890123456789012345678901}"}, // 31: left alone
        {"", ""},
    };
    for (const auto &c : cases) EXPECT_EQ(expanded(c.text), c.expected) << c.text;
}

TEST_F(MessagesTest, AnExpansionThatWouldNotFitLeavesItsTokenAlone) {
    std::string padding(251 - 6 - 10, 'x'); // room for "{EMEM}" but not for its 18-character text
    EXPECT_EQ(expanded(padding + "{EMEM}"), padding + "{EMEM}");
    std::string fits(251 - 18, 'y');
    EXPECT_EQ(expanded(fits + "{EMEM}"), fits + "Not enough memory.");
    EXPECT_EQ(expanded(std::string(251 - 17, 'y') + "{EMEM}"), std::string(251 - 17, 'y') + "{EMEM}");
}

TEST_F(MessagesTest, SelfReferringMessagesStopExpanding) {
    const char loop[] = "LOOP:again {LOOP}\r\nPING:{PONG}\r\nPONG:{PING}!\r\n";
    message_table_append(loop, sizeof loop - 1);
    std::string looped = expanded("{LOOP}");
    EXPECT_EQ(looped.rfind("again again", 0), 0u);
    EXPECT_NE(looped.find("{LOOP}"), std::string::npos);
    EXPECT_LT(looped.size(), 252u);
    EXPECT_NE(expanded("{PING}").find("{P"), std::string::npos);
}

TEST_F(MessagesTest, MessageFileLinesParseAsTheResourceIsRead) {
    message_table_reset();
    const char text[] = "NOCOLON\r\nKEY:value: with colon\r\nTAB:before\tafter\r\nLAST:\r\n";
    message_table_append(text, sizeof text - 1);
    EXPECT_EQ(message_lookup("NOCOLON\rKEY"), "value: with colon"); // a line without colon runs into the next key
    EXPECT_EQ(message_lookup("KEY"), "KEY");
    EXPECT_EQ(message_lookup("TAB"), "before");                    // TAB ends a text
    EXPECT_EQ(message_lookup("LAST"), "LAST");                     // a key without text is dropped
    EXPECT_EQ(message_lookup("after\rLAST"), "after\rLAST");
}

TEST_F(MessagesTest, AnEmptyTableLeavesBareKeys) {
    message_table_reset();
    EXPECT_EQ(message_lookup("EMEM"), "EMEM");
    EXPECT_STREQ(error_from_code(kErrorMemory)->text, "EMEM");
}

TEST_F(MessagesTest, CodesMapToTheirTexts) {
    EXPECT_EQ(error_from_code(0), nullptr);
    struct Case { std::int32_t code; const char *text; };
    const Case cases[] = {
        {kErrorMemory, "Not enough memory."}, {kErrorRead, "Error reading data."}, {kErrorWrite, "Error writing data."},
        {kErrorMode, "Unknown sprite mode."}, {kErrorBadBits, "Image has too many bits resolution for file format."},
        {kErrorCorrupt, "Corruption in file."}, {kErrorNotType, "Unidentified file type."}, {999, "Error not found."},
    };
    for (const auto &c : cases) {
        ErrorRecord *record = error_from_code(c.code);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->code, c.code);
        EXPECT_STREQ(record->text, c.text);
    }
}

TEST_F(MessagesTest, FormattedTextsAreCutTo251Characters) {
    ErrorRecord *record = error_from_format(0, "%s", std::string(400, 'z').c_str());
    EXPECT_EQ(record->code, 0);
    EXPECT_EQ(std::strlen(record->text), 251u);
}

TEST(SystemError, ReportsTheCallCodeAndDetailOrSuccessWhenThereIsNoCode) {
    SetLastError(0);
    EXPECT_EQ(system_error("ReadFile", nullptr), nullptr);
    SetLastError(ERROR_FILE_NOT_FOUND);
    ErrorRecord *record = system_error("CreateFile", "%s", "C:\\in.bmp");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->code, 2);
    EXPECT_STREQ(record->text, "The system cannot find the file specified.\r\n(CreateFile) (2) (C:\\in.bmp)");
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_STREQ(system_error("SetFilePointer", "%s", "")->text, "Access is denied.\r\n(SetFilePointer) (5) ()");
    SetLastError(ERROR_HANDLE_EOF);
    EXPECT_STREQ(system_error("ReadFile", nullptr)->text, "Reached the end of the file.\r\n(ReadFile) (38)");
    SetLastError(ERROR_FILE_NOT_FOUND);
    std::string long_detail(600, 'p');
    EXPECT_EQ(std::strlen(system_error("CreateFile", "%s", long_detail.c_str())->text), 251u);
}

} // namespace
