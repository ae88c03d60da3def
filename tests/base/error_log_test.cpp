// Error log: what LogError records and returns, the default code texts, reading back and flushing.
#include "base/error_log.h"

#include <gtest/gtest.h>

#include <string>

#include "base/status_codes.h"

namespace {

class ErrorLogTest : public ::testing::Test {
protected:
    void SetUp() override { errorLog.Flush(); }
    void TearDown() override { errorLog.Flush(); }
};

TEST_F(ErrorLogTest, CodeZeroRecordsNothing) {
    EXPECT_EQ(LogError(errorLog, 0, "ignored", "prefix"), 0);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    EXPECT_EQ(errorLog.GetMessage(0), nullptr);
}

TEST_F(ErrorLogTest, NullMessageTakesDefaultText) {
    EXPECT_EQ(LogError(errorLog, kOutOfRange, nullptr, nullptr), kOutOfRange);
    EXPECT_EQ(LogError(errorLog, kNoUsefulSamples, nullptr, nullptr), kNoUsefulSamples);
    EXPECT_EQ(LogError(errorLog, 7, nullptr, nullptr), 7);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 3);
    EXPECT_EQ(errorLog.GetCode(0), kOutOfRange);
    EXPECT_STREQ(errorLog.GetMessage(0), "OUT OF RANGE");
    EXPECT_EQ(errorLog.GetCode(1), kNoUsefulSamples);
    EXPECT_STREQ(errorLog.GetMessage(1), "NO ERROR");
    EXPECT_EQ(errorLog.GetCode(2), 7);
    EXPECT_STREQ(errorLog.GetMessage(2), "UNKNOWN ERROR CODE");
}

TEST_F(ErrorLogTest, PrefixIsJoinedWithoutSeparator) {
    LogError(errorLog, kSyntaxError, "ERROR: ')' expected", "(line 12) : ");
    LogError(errorLog, kFileIoFailed, nullptr, "net.vrx: ");
    LogError(errorLog, kFailure, "plain", nullptr);
    EXPECT_STREQ(errorLog.GetMessage(0), "(line 12) : ERROR: ')' expected");
    EXPECT_STREQ(errorLog.GetMessage(1), "net.vrx: FILE I/O FAILED");
    EXPECT_STREQ(errorLog.GetMessage(2), "plain");
    EXPECT_EQ(errorLog.GetCode(0), kSyntaxError);
    EXPECT_EQ(errorLog.GetCode(1), kFileIoFailed);
    EXPECT_EQ(errorLog.GetCode(2), kFailure);
}

TEST_F(ErrorLogTest, LongTextsAreKeptWhole) {
    const std::string prefix(3000, 'p');
    const std::string message(5000, 'm');
    EXPECT_EQ(LogError(errorLog, kInvalidData, message.c_str(), prefix.c_str()), kInvalidData);
    ASSERT_NE(errorLog.GetMessage(0), nullptr);
    EXPECT_EQ(std::string(errorLog.GetMessage(0)), prefix + message);
}

TEST_F(ErrorLogTest, MessageIsCopied) {
    std::string text = "Node [A] is not consistent";
    LogError(errorLog, kObjectNotConsistent, text.c_str(), nullptr);
    text.assign("changed");
    EXPECT_STREQ(errorLog.GetMessage(0), "Node [A] is not consistent");
}

TEST_F(ErrorLogTest, IndicesOutsideEntriesGiveNull) {
    LogError(errorLog, kOutOfMemory, nullptr, nullptr);
    EXPECT_EQ(errorLog.GetMessage(-1), nullptr);
    EXPECT_EQ(errorLog.GetMessage(1), nullptr);
    EXPECT_EQ(errorLog.GetCode(-1), 0);
    EXPECT_EQ(errorLog.GetCode(1), 0);
    EXPECT_STREQ(errorLog.GetMessage(0), "OUT OF MEMORY");
}

TEST_F(ErrorLogTest, FlushEmptiesAndLogKeepsWorking) {
    for (int i = 0; i < 25; ++i) LogError(errorLog, -1 - i, "entry", nullptr);  // past several growths
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 25);
    EXPECT_EQ(errorLog.GetCode(24), -25);
    errorLog.Flush();
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    EXPECT_EQ(errorLog.GetMessage(0), nullptr);
    LogError(errorLog, kIllegalIdentifier, nullptr, nullptr);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_STREQ(errorLog.GetMessage(0), "ILLEGAL IDENTIFIER");
}

TEST_F(ErrorLogTest, SeparateLogsDoNotShareEntries) {
    ErrorLog local;
    LogError(local, kWrongNodeType, nullptr, nullptr);
    EXPECT_EQ(local.GetNumberOfEntries(), 1);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    EXPECT_STREQ(local.GetMessage(0), "WRONG NODE TYPE");
}

TEST(ErrorCodeText, TextsOfNamedCodes) {
    EXPECT_STREQ(ErrorCodeText(-2), "OUT OF RANGE");
    EXPECT_STREQ(ErrorCodeText(-30), "ILLEGAL IDENTIFIER");
    EXPECT_STREQ(ErrorCodeText(-32), "DUPLICATED IDENTIFIER");
    EXPECT_STREQ(ErrorCodeText(-42), "OUT OF MEMORY");
    EXPECT_STREQ(ErrorCodeText(-51), "WRONG NODE TYPE");
    EXPECT_STREQ(ErrorCodeText(-103), "FILE I/O FAILED");
    EXPECT_STREQ(ErrorCodeText(-111), "NO MORE TOKENS");
    EXPECT_STREQ(ErrorCodeText(-126), "LEXICAL ERROR. CHARACTER UNKNOWN");
    EXPECT_STREQ(ErrorCodeText(-128), "UNEXPECTED END OF FILE");
}

// Growth is geometric, and a message handed out stays where it is while later entries are added.
TEST_F(ErrorLogTest, ManyEntriesKeepEarlierMessagesInPlace) {
    LogError(errorLog, kSyntaxError, "first", "(line 1) : ");
    const char* first = errorLog.GetMessage(0);
    constexpr int kEntries = 200000;
    for (int i = 1; i < kEntries; ++i)
        LogError(errorLog, kSyntaxError, "ERROR: 'X' : Unknown Net Statement", nullptr);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), kEntries);
    EXPECT_EQ(errorLog.GetMessage(0), first);
    EXPECT_STREQ(first, "(line 1) : first");
    EXPECT_STREQ(errorLog.GetMessage(kEntries - 1), "ERROR: 'X' : Unknown Net Statement");
    EXPECT_EQ(errorLog.GetCode(kEntries - 1), kSyntaxError);
}

TEST(ErrorCodeText, UsedCodesWithoutTextSayNoError) {
    for (int code : {0, -1, -3, -4, -5, -19, -100, -101, -102, -127, -567, -568}) {
        EXPECT_STREQ(ErrorCodeText(code), "NO ERROR") << code;
    }
}

TEST(ErrorCodeText, OtherCodesAreUnknown) {
    for (int code : {-129, -26, -6, -31, -43, -104, -566, -569, 1, 7, 2147483647, -2147483647 - 1}) {
        EXPECT_STREQ(ErrorCodeText(code), "UNKNOWN ERROR CODE") << code;
    }
}

TEST(StatusCodes, ValuesMatchTheirTexts) {
    EXPECT_STREQ(ErrorCodeText(kOutOfRange), "OUT OF RANGE");
    EXPECT_STREQ(ErrorCodeText(kIllegalIdentifier), "ILLEGAL IDENTIFIER");
    EXPECT_STREQ(ErrorCodeText(kDuplicatedIdentifier), "DUPLICATED IDENTIFIER");
    EXPECT_STREQ(ErrorCodeText(kOutOfMemory), "OUT OF MEMORY");
    EXPECT_STREQ(ErrorCodeText(kWrongNodeType), "WRONG NODE TYPE");
    EXPECT_STREQ(ErrorCodeText(kFileIoFailed), "FILE I/O FAILED");
    EXPECT_STREQ(ErrorCodeText(kNoMoreTokens), "NO MORE TOKENS");
    EXPECT_STREQ(ErrorCodeText(kLexicalError), "LEXICAL ERROR. CHARACTER UNKNOWN");
    EXPECT_STREQ(ErrorCodeText(kUnexpectedEndOfFile), "UNEXPECTED END OF FILE");
    EXPECT_STREQ(ErrorCodeText(kObjectNotValid), "NO ERROR");
    EXPECT_STREQ(ErrorCodeText(kSyntaxError), "NO ERROR");
}

}  // namespace
