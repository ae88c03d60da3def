// Text file: whole-line reading with CR LF handling, indentation settings, raw and wrapped writing.
#include "formats/text_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "tests/support/error_log.h"
#include "tests/support/temp_file.h"

namespace {

using vovido::test::TempPath;
using vovido::test::WriteTextFile;

class TextFileTest : public vovido::test::FreshLogTest<> {};

TEST_F(TextFileTest, ReadsLinesWithTheirLineFeeds) {
    VRX_textFile file;
    std::string line;
    EXPECT_EQ(file.ReadLine(line), kFileIoFailed);
    ASSERT_EQ(file.OpenInputText("one\n\nthree\r\nfour\r\r\nlast"), 0);
    const char* expected[] = {"one\n", "\n", "three\n", "four\r\n", "last"};
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(file.ReadLine(line), 0);
        EXPECT_EQ(line, expected[i]);
        EXPECT_EQ(file.GetLineNumber(), i + 1);
    }
    EXPECT_EQ(file.ReadLine(line), kEndOfFile);
    EXPECT_EQ(file.GetStatus(), kEndOfFile);
    EXPECT_EQ(line, "");
    EXPECT_EQ(file.GetLineNumber(), 5);
    EXPECT_EQ(file.ReadLine(line), kEndOfFile);

    ASSERT_EQ(file.OpenInputText(std::string("a\0b\r", 4)), 0);
    ASSERT_EQ(file.ReadLine(line), 0);
    EXPECT_EQ(line, std::string("a\0b", 3));
}

TEST_F(TextFileTest, ReadsFilesAcrossBufferBoundaries) {
    // The carriage return ends the first 64 KiB read and its line feed starts the next one.
    const std::string longLine(65535, 'x');
    const std::string path =
        WriteTextFile("text_file_chunks.txt", longLine + "\r\ny\r\n" + std::string(200000, 'z'));
    VRX_textFile file;
    ASSERT_EQ(file.Open(path.c_str(), TextFileMode::kRead), 0);
    std::string line;
    ASSERT_EQ(file.ReadLine(line), 0);
    EXPECT_EQ(line, longLine + "\n");
    ASSERT_EQ(file.ReadLine(line), 0);
    EXPECT_EQ(line, "y\n");
    ASSERT_EQ(file.ReadLine(line), 0);
    EXPECT_EQ(line, std::string(200000, 'z'));
    EXPECT_EQ(file.ReadLine(line), kEndOfFile);
    EXPECT_EQ(file.GetLineNumber(), 3);
    EXPECT_EQ(file.Close(), 0);
    EXPECT_EQ(file.GetStatus(), kFileIoFailed);
    std::remove(path.c_str());
}

TEST_F(TextFileTest, OpenFailures) {
    VRX_textFile file;
    EXPECT_EQ(file.Open("whatever.txt", -7), kFileIoFailed);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    EXPECT_EQ(file.Open("/nonexistent/dir/file.txt", TextFileMode::kRead), kFileIoFailed);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(errorLog.GetCode(0), kFileIoFailed);
    EXPECT_STREQ(errorLog.GetMessage(0),
                 "OPEN FILE FAILED: /nonexistent/dir/file.txt: No such file or directory");
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Write("x"), kFileIoFailed);
    EXPECT_EQ(file.WriteLine("x"), kFileIoFailed);
}

TEST_F(TextFileTest, IndentationAndWidthSettings) {
    VRX_textFile file;
    EXPECT_EQ(file.Unindent(), kOutOfRange);
    EXPECT_EQ(file.SetIndentWidth(70), kOutOfRange);
    EXPECT_EQ(file.SetIndentWidth(-1), kOutOfRange);
    ASSERT_EQ(file.SetIndentWidth(10), 0);
    int levels = 0;
    while (file.Indent() == 0) ++levels;
    EXPECT_EQ(levels, 102);
    EXPECT_EQ(file.SetLineWidth(10), kOutOfRange);
    EXPECT_EQ(file.SetLineWidth(-5), kOutOfRange);
    EXPECT_EQ(file.SetLineWidth(11), 0);
    // Wide lines are not capped: a writer that wants no breaks gets none.
    EXPECT_EQ(file.SetLineWidth(10000), 0);
    EXPECT_EQ(file.GetLineWidth(), 10000);
}

TEST_F(TextFileTest, RawWritingIndentsAfterLineFeeds) {
    VRX_textFile file;
    ASSERT_EQ(file.OpenOutputText(), 0);
    ASSERT_EQ(file.SetIndentWidth(2), kSuccess);
    file.Indent();
    EXPECT_EQ(file.WriteLine("a\nb\n"), 0);
    EXPECT_EQ(file.WriteRaw("c\nd", 0), 0);
    EXPECT_EQ(file.GetColumn(), 1);
    EXPECT_EQ(file.Write(nullptr), 0);
    EXPECT_EQ(file.GetOutputText(), "  a\n  b\nc\nd");
    EXPECT_EQ(file.Close(), 0);
    EXPECT_EQ(file.GetOutputText(), "  a\n  b\nc\nd");
}

TEST_F(TextFileTest, QuotedValueBreaksAtABlankWithTheContinuation) {
    VRX_textFile file;
    ASSERT_EQ(file.OpenOutputText(), 0);
    file.Indent();
    file.Indent();
    file.SetContinuation("\\ ");
    std::string text;
    for (int i = 0; i < 20; ++i) text += i == 0 ? "abcd" : " abcd";
    text += "X";
    ASSERT_EQ(text.size(), 100u);
    file.WriteLine("NAME");
    file.Write(" = ");
    file.WriteRaw("\"");
    file.WriteWrapped(text);
    file.WriteRaw("\"");
    file.Write(";\n");
    std::string first;
    for (int i = 0; i < 12; ++i) first += "abcd ";
    std::string second;
    for (int i = 0; i < 7; ++i) second += "abcd ";
    EXPECT_EQ(file.GetOutputText(), "  NAME = \"" + first + "\\ \n  " + second + "abcdX\";\n");
}

TEST_F(TextFileTest, WordsAreNotBrokenWithoutAContinuation) {
    const std::string id(50, 'i');
    VRX_textFile file;
    ASSERT_EQ(file.OpenOutputText(), 0);
    ASSERT_EQ(file.SetLineWidth(20), kSuccess);
    file.Write("(");
    file.Write(id.c_str());
    file.Write(")");
    // The word moves to a line of its own and runs past the width there; what follows takes a new line.
    EXPECT_EQ(file.GetOutputText(), "(\n" + id + "\n)");

    ASSERT_EQ(file.OpenOutputText(), 0);
    file.SetContinuation("\\ ");
    file.Write("(");
    file.Write(id.c_str());
    file.Write(")");
    EXPECT_EQ(file.GetOutputText(),
              "(\\ \n" + id.substr(0, 21) + "\\ \n" + id.substr(21, 21) + "\\ \n" + id.substr(42) + ")");
}

TEST_F(TextFileTest, BreaksNeverSplitAnEscapeOrStartWithABlank) {
    VRX_textFile file;
    ASSERT_EQ(file.OpenOutputText(), 0);
    ASSERT_EQ(file.SetLineWidth(11), kSuccess);
    file.SetContinuation("\\ ");
    // The break would fall between a backslash and the letter it escapes: it moves one character on.
    file.Write("aaaaaaaaaaa\\nbbbbbbbb");
    EXPECT_EQ(file.GetOutputText(), "aaaaaaaaaaa\\n\\ \nbbbbbbbb");

    // Two blanks where the line is full: the break goes before them, so no line starts with a blank.
    ASSERT_EQ(file.OpenOutputText(), 0);
    file.Write("aaaa bbbbbb  cc");
    EXPECT_EQ(file.GetOutputText(), "aaaa \\ \nbbbbbb  cc");

    // Several writes on one line: a word that does not fit moves to the next line whole.
    ASSERT_EQ(file.OpenOutputText(), 0);
    file.SetContinuation(nullptr);
    file.Write("(aaaa, ");
    file.Write("bbbbbb");
    file.Write(", c)");
    EXPECT_EQ(file.GetOutputText(), "(aaaa, \nbbbbbb, c)");
}

TEST_F(TextFileTest, WritesFiles) {
    const std::string path = TempPath("text_file_write.txt");
    VRX_textFile file;
    ASSERT_EQ(file.Open(path.c_str(), TextFileMode::kWrite), 0);
    file.Indent();
    file.WriteLine("line\n");
    EXPECT_EQ(file.Close(), 0);
    ASSERT_EQ(file.Open(path.c_str(), TextFileMode::kRead), 0);
    std::string line;
    ASSERT_EQ(file.ReadLine(line), 0);
    EXPECT_EQ(line, " line\n");
    EXPECT_EQ(file.Write("x"), kFileIoFailed);
    ASSERT_EQ(file.Close(), kSuccess);
    std::remove(path.c_str());
}

}  // namespace
