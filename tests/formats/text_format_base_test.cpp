// Text-format base: token tests and their messages, fields, lists, skipping, the recovering statement
// loop, writers, and written text read back through the lexer.
#include "formats/text_format_base.h"

#include <gtest/gtest.h>

#include <clocale>
#include <random>
#include <string>
#include <vector>

#include "base/double_array.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "tests/support/error_log.h"
#include "tests/support/temp_file.h"

namespace {

class TestSpeaker : public VRX_textFormat {
public:
    TestSpeaker() : VRX_textFormat(nullptr) {}
    int ReadFile(const char* /*path*/) override { return 0; }
    int WriteFile(const char* /*path*/) override { return 0; }
    void SetContinuation() override {
        if (useContinuation) output.SetContinuation("\\ ");
    }
    void ClearContinuation() override { output.SetContinuation(nullptr); }

    bool useContinuation = false;
};

using Messages = std::vector<std::string>;
using vovido::test::LoggedMessages;

class TextFormatBaseTest : public vovido::test::FreshLogTest<> {
protected:
    TestSpeaker speaker;
};

TEST_F(TextFormatBaseTest, BooleansFollowTheCaseRule) {
    ASSERT_EQ(speaker.StartReadingText("SHOW = true;\nSHOW = TRUE;\nSHOW = FALSE; SHOW = true;", 1), 0);
    int value = -1;
    EXPECT_EQ(speaker.ReadBoolField("SHOW", value), kSyntaxError);
    EXPECT_EQ(LoggedMessages(), (Messages{"(line 1) : ERROR: (\"true\") : Boolean Expected"}));
    EXPECT_EQ(errorLog.GetCode(0), kSyntaxError);
    ASSERT_EQ(speaker.ExpectToken(8, ";"), 0);
    EXPECT_EQ(speaker.ReadBoolField("SHOW", value), 0);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(speaker.ExpectToken(8, ";"), 0);
    EXPECT_EQ(speaker.ReadBoolField("SHOW", value), 0);
    EXPECT_EQ(value, 0);
    ASSERT_EQ(speaker.ExpectToken(8, ";"), 0);
    speaker.SetCaseSensitive(false);
    EXPECT_EQ(speaker.ReadBoolField("show", value), 0);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 1);
}

TEST_F(TextFormatBaseTest, FieldStartsAndKeywords) {
    ASSERT_EQ(speaker.StartReadingText("Net ID = 5; type", 1), 0);
    // Expected words match without regard to case.
    EXPECT_EQ(speaker.ExpectToken(1, "net"), 0);
    EXPECT_EQ(speaker.ReadFieldStart("NAME", 1), kNotThisKeyword);
    EXPECT_EQ(speaker.ReadFieldStart(nullptr, 1), kOutOfRange);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    EXPECT_EQ(speaker.IsWordNext("ID"), 1);
    EXPECT_EQ(speaker.ReadFieldStart("ID", 1), kSyntaxError);
    EXPECT_EQ(LoggedMessages(), (Messages{"(line 1) : ERROR: '5' : Identifier expected"}));
    ASSERT_EQ(speaker.ExpectToken(2, nullptr), 0);
    ASSERT_EQ(speaker.ExpectToken(8, ";"), 0);

    const char* const table[] = {"NAME", "TYPE", nullptr};
    EXPECT_EQ(speaker.IsKeywordNext(table), 0);
    speaker.SetCaseSensitive(false);
    EXPECT_EQ(speaker.IsKeywordNext(table), 1);
    EXPECT_EQ(speaker.KeywordIndex(table), 1);
    EXPECT_TRUE(speaker.TokenIs("TYPE"));
    ASSERT_EQ(speaker.ExpectToken(1, nullptr), 0);
    EXPECT_EQ(speaker.IsKeywordNext(table), kNoMoreTokens);
    EXPECT_EQ(speaker.IsIdentifierNext(), kNoMoreTokens);
}

TEST_F(TextFormatBaseTest, IntegerFieldsAndNumbers) {
    ASSERT_EQ(speaker.StartReadingText("N = -42; M = 1.5; 2.5 -1.25e2 7 x", 1), 0);
    int n = 0;
    EXPECT_EQ(speaker.ReadIntField("N", n), 0);
    EXPECT_EQ(n, -42);
    ASSERT_EQ(speaker.ExpectToken(8, ";"), 0);
    EXPECT_EQ(speaker.ReadIntField("M", n), kSyntaxError);
    EXPECT_EQ(LoggedMessages(), (Messages{"(line 1) : ERROR: '1.5' : Integer expected"}));
    ASSERT_EQ(speaker.ExpectToken(3, nullptr), 0);
    ASSERT_EQ(speaker.ExpectToken(8, ";"), 0);
    // Numbers read with a decimal point whatever the process locale says.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    double x = 0;
    EXPECT_EQ(speaker.ReadNumber(x), 0);
    EXPECT_EQ(x, 2.5);
    EXPECT_EQ(speaker.ReadNumber(x), 0);
    EXPECT_EQ(x, -125.0);
    EXPECT_EQ(speaker.ReadNumber(x), 0);
    EXPECT_EQ(x, 7.0);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(speaker.ReadNumber(x), kSyntaxError);
    EXPECT_EQ(speaker.ReadInt(n), kSyntaxError);
    std::string word;
    EXPECT_EQ(speaker.ReadString(word), kSyntaxError);
    EXPECT_EQ(speaker.ReadIdentifier(word), 0);
    EXPECT_EQ(word, "x");
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 1);
}

TEST_F(TextFormatBaseTest, Lists) {
    ASSERT_EQ(speaker.StartReadingText(
                  "(a, b) (a,) () (\"x\", \"y z\") (1, 2.5, 0.0E-2, -3) (4, -5) a, b) (a b)", 1),
              0);
    VRX_stringArray ids;
    EXPECT_EQ(speaker.ReadIdList(ids), 0);
    ASSERT_EQ(ids.GetCount(), 2);
    EXPECT_STREQ(ids[0], "a");
    EXPECT_STREQ(ids[1], "b");
    // An item of the wrong kind is reported: the list it ends is lost.
    VRX_stringArray partial;
    EXPECT_EQ(speaker.ReadIdList(partial), kSyntaxError);
    EXPECT_EQ(LoggedMessages(), (Messages{"(line 1) : ERROR: ')' : Identifier expected"}));
    errorLog.Flush();
    ASSERT_EQ(speaker.ExpectToken(8, ")"), 0);
    VRX_stringArray empty;
    EXPECT_EQ(speaker.ReadIdList(empty), 0);
    EXPECT_EQ(empty.GetCount(), 0);
    VRX_stringArray texts;
    EXPECT_EQ(speaker.ReadStringList(texts), 0);
    ASSERT_EQ(texts.GetCount(), 2);
    EXPECT_STREQ(texts[1], "y z");
    VRX_doubleArray numbers;
    EXPECT_EQ(speaker.ReadDoubleList(numbers), 0);
    ASSERT_EQ(numbers.GetCount(), 4);
    EXPECT_EQ(numbers[0], 1.0);
    EXPECT_EQ(numbers[1], 2.5);
    EXPECT_EQ(numbers[2], kUndefinedValue);
    EXPECT_EQ(numbers[3], -3.0);
    VRX_intArray ints;
    EXPECT_EQ(speaker.ReadIntList(ints), 0);
    ASSERT_EQ(ints.GetCount(), 2);
    EXPECT_EQ(ints[1], -5);
    EXPECT_EQ(speaker.ReadIdList(ids), kSyntaxError);
    ASSERT_EQ(speaker.ExpectToken(1, nullptr), 0);
    ASSERT_EQ(speaker.ExpectToken(8, ","), 0);
    ASSERT_EQ(speaker.ExpectToken(1, nullptr), 0);
    ASSERT_EQ(speaker.ExpectToken(8, ")"), 0);
    EXPECT_EQ(speaker.ReadIdList(ids), kSyntaxError);
    EXPECT_EQ(LoggedMessages(),
              (Messages{"(line 1) : ERROR: 'a' : '(' expected", "(line 1) : ERROR: 'b' : ')' expected"}));
    EXPECT_EQ(ids.GetCount(), 3);
}

TEST_F(TextFormatBaseTest, ExpectationMessages) {
    ASSERT_EQ(speaker.StartReadingText("x\ny", 1), 0);
    EXPECT_EQ(speaker.RequireToken(2, nullptr), kSyntaxError);
    EXPECT_EQ(speaker.RequireToken(3, nullptr), kSyntaxError);
    EXPECT_EQ(speaker.RequireToken(70, nullptr), kSyntaxError);
    EXPECT_EQ(speaker.RequireToken(8, nullptr), kSyntaxError);
    EXPECT_EQ(speaker.RequireToken(5, nullptr), kSyntaxError);
    EXPECT_EQ(speaker.GetMessage(), "ERROR: 'x' : Unexpected");
    ASSERT_EQ(speaker.RequireToken(1, "X"), 0);
    ASSERT_EQ(speaker.RequireToken(1, nullptr), 0);
    EXPECT_EQ(speaker.RequireToken(8, "}"), kSyntaxError);
    EXPECT_EQ(speaker.RequireToken(4, nullptr), kSyntaxError);
    EXPECT_EQ(LoggedMessages(), (Messages{
                                    "(line 1) : ERROR: 'x' : Integer expected",
                                    "(line 1) : ERROR: 'x' : Real Number expected",
                                    "(line 1) : ERROR: 'x' : String expected",
                                    "(line 1) : ERROR: 'x' : Punctuator expected",
                                    "(line 1) : ERROR: 'x' : Unexpected",
                                    "(line 2) : ERROR: End of File : Expecting '}'",
                                }));
    // The end, once reported, is the cause of what else it leaves unread.
    EXPECT_EQ(speaker.GetMessage(), "ERROR: Unexpected End of File");
}

TEST_F(TextFormatBaseTest, WithoutALexer) {
    EXPECT_EQ(speaker.ExpectToken(1, nullptr), kOutOfRange);
    EXPECT_EQ(speaker.RequireToken(1, nullptr), kSyntaxError);
    EXPECT_EQ(LoggedMessages(), (Messages{"ERROR: Unable to parse file"}));
    EXPECT_EQ(speaker.IsStringNext(), kNoMoreTokens);
    EXPECT_EQ(speaker.AtSectionEnd(), 1);
    EXPECT_EQ(speaker.SkipStatement(), kOutOfRange);
    EXPECT_EQ(speaker.ReportError(0, "nothing"), 0);
    EXPECT_EQ(speaker.ReportError(kInvalidData, nullptr), kInvalidData);
    EXPECT_EQ(LoggedMessages().back(), "(line 0) : NO ERROR");
}

TEST_F(TextFormatBaseTest, PunctuatorMatching) {
    ASSERT_EQ(speaker.StartReadingText("= == + . \"}\" n }", 1), 0);
    // A '=' stands for an expected "==", not the other way round.
    EXPECT_EQ(speaker.ExpectToken(8, "=="), 0);
    EXPECT_EQ(speaker.ExpectToken(8, "="), kSyntaxError);
    EXPECT_EQ(speaker.ExpectToken(6, "=="), 0);
    EXPECT_EQ(speaker.ExpectToken(8, "+"), 0);
    EXPECT_EQ(speaker.ExpectToken(8, "."), 0);
    // A string "}" is no block end.
    EXPECT_EQ(speaker.AtSectionEnd(), 0);
    EXPECT_EQ(speaker.ExpectToken(8, "}"), kSyntaxError);
    EXPECT_EQ(speaker.ExpectToken(70, "}"), 0);
    // A word is no punctuator either, even when it begins the expected text.
    EXPECT_EQ(speaker.ExpectToken(8, "net"), kSyntaxError);
    EXPECT_EQ(speaker.ExpectToken(1, "N"), 0);
    EXPECT_EQ(speaker.AtSectionEnd(), 1);
    EXPECT_EQ(speaker.IsCommaNext(), 0);
    EXPECT_EQ(speaker.ReadSectionEnd(), 0);
    EXPECT_EQ(speaker.AtSectionEnd(), 1);
}

TEST_F(TextFormatBaseTest, NextTokenTests) {
    ASSERT_EQ(speaker.StartReadingText("a \"s\" 1 2.5 , (", 1), 0);
    EXPECT_EQ(speaker.IsIdentifierNext(), 1);
    EXPECT_EQ(speaker.IsStringNext(), 0);
    speaker.ConsumeToken();
    EXPECT_EQ(speaker.IsStringNext(), 1);
    speaker.ConsumeToken();
    EXPECT_EQ(speaker.IsIntegerNext(), 1);
    EXPECT_EQ(speaker.IsNumberNext(), 1);
    speaker.ConsumeToken();
    EXPECT_EQ(speaker.IsIntegerNext(), 0);
    EXPECT_EQ(speaker.IsNumberNext(), 1);
    speaker.ConsumeToken();
    EXPECT_EQ(speaker.IsCommaNext(), 1);
    speaker.ConsumeToken();
    EXPECT_EQ(speaker.IsOpenParenNext(), 1);
    speaker.ConsumeToken();
    EXPECT_EQ(speaker.IsOpenParenNext(), kNoMoreTokens);
}

TEST_F(TextFormatBaseTest, SkipStatementStopsAtTheStatementEnd) {
    ASSERT_EQ(speaker.StartReadingText("x = { a; b }; y a { b { c; } d; } e; f a b } c", 1), 0);
    EXPECT_EQ(speaker.SkipStatement(), 0);
    EXPECT_TRUE(speaker.TokenIs(";"));
    speaker.ConsumeToken();
    EXPECT_EQ(speaker.IsWordNext("y"), 1);
    EXPECT_EQ(speaker.SkipStatement(), 0);
    speaker.ConsumeToken();
    EXPECT_EQ(speaker.IsWordNext("f"), 1);
    // A '}' of the enclosing block ends the skip and stays current.
    EXPECT_EQ(speaker.SkipStatement(), 0);
    EXPECT_EQ(speaker.AtSectionEnd(), 1);
    speaker.ConsumeToken();
    EXPECT_EQ(speaker.SkipStatement(), kNoMoreTokens);
    EXPECT_EQ(LoggedMessages(),
              (Messages{"(line 1) : ERROR: End of File inside a statement, the file was cut short"}));
    EXPECT_EQ(errorLog.GetCode(0), kNoMoreTokens);
}

TEST_F(TextFormatBaseTest, SkipBlockConsumesTheFirstBlockOpened) {
    ASSERT_EQ(speaker.StartReadingText("a { b { } c } d } e", 1), 0);
    EXPECT_EQ(speaker.SkipBlock(), 0);
    EXPECT_EQ(speaker.IsWordNext("d"), 1);
    EXPECT_EQ(speaker.SkipBlock(), 0);
    EXPECT_EQ(speaker.AtSectionEnd(), 1);
    speaker.ConsumeToken();
    EXPECT_EQ(speaker.SkipBlock(), kNoMoreTokens);
}

// Statements KEY = int; of the keys A, B and C, recorded in order.
class BlockReader {
public:
    explicit BlockReader(TestSpeaker& s) : speaker(s) {}
    int operator()() {
        for (const char* key : {"A", "B", "C"}) {
            int value = 0;
            const int result = speaker.ReadIntField(key, value);
            if (result == kNotThisKeyword) continue;
            if (result == 0) read.push_back(std::string(key) + "=" + std::to_string(value));
            return result;
        }
        const std::string text = std::string("ERROR: '") + speaker.GetToken().text + "' : Unknown Statement";
        return speaker.ReportError(-127, text.c_str());
    }
    TestSpeaker& speaker;
    std::vector<std::string> read;
};

TEST_F(TextFormatBaseTest, BlockLoopRecoversFromBadStatements) {
    const char* text =
        "{\n"
        "  A = 1;\n"
        "  FOO = { x; y };\n"
        "  A = x;\n"
        "  B = 4 junk;\n"
        "  C = 5;\n"
        "  ;\n"
        "}\n"
        "after";
    ASSERT_EQ(speaker.StartReadingText(text, 1), 0);
    ASSERT_EQ(speaker.RequireToken(8, "{"), 0);
    BlockReader reader(speaker);
    EXPECT_EQ(speaker.ReadBlock(std::ref(reader)), 0);
    EXPECT_EQ(reader.read, (std::vector<std::string>{"A=1", "B=4", "C=5"}));
    // The junk after B's value is reported, not dropped in silence; the read's failure is its first error.
    EXPECT_EQ(LoggedMessages(), (Messages{
                                    "(line 3) : ERROR: 'FOO' : Unknown Statement",
                                    "(line 4) : ERROR: 'x' : Integer expected",
                                    "(line 5) : ERROR: 'junk' : ';' expected",
                                    "(line 7) : ERROR: ';' : Unknown Statement",
                                }));
    EXPECT_EQ(speaker.GetReadFailure(), kSyntaxError);
    EXPECT_EQ(speaker.IsWordNext("after"), 1);
}

TEST_F(TextFormatBaseTest, BlockLoopAtAFileCutShort) {
    ASSERT_EQ(speaker.StartReadingText("{ A = 1;\n B = 2;", 1), 0);
    ASSERT_EQ(speaker.RequireToken(8, "{"), 0);
    BlockReader reader(speaker);
    EXPECT_EQ(speaker.ReadBlock(std::ref(reader)), 0);
    EXPECT_EQ(reader.read, (std::vector<std::string>{"A=1", "B=2"}));
    // One entry: the block left open is the file cut short, and the lack of tokens after it no second one.
    EXPECT_EQ(LoggedMessages(), (Messages{"(line 2) : ERROR: End of File : Expecting '}'"}));
    EXPECT_EQ(errorLog.GetCode(0), kSyntaxError);
}

TEST_F(TextFormatBaseTest, BlockLoopAlwaysAdvances) {
    ASSERT_EQ(speaker.StartReadingText("a b c } d", 1), 0);
    int calls = 0;
    EXPECT_EQ(speaker.ReadBlock([&]() { return ++calls, 0; }, false), 0);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(speaker.IsWordNext("d"), 1);
    // Each word dropped to get on is reported.
    EXPECT_EQ(LoggedMessages(),
              (Messages{"(line 1) : ERROR: 'a' : Unexpected", "(line 1) : ERROR: 'b' : Unexpected",
                        "(line 1) : ERROR: 'c' : Unexpected"}));

    // Unknown characters are logged once by the analyser and passed over.
    errorLog.Flush();
    ASSERT_EQ(speaker.StartReadingText("{ A = 1; \x80\x81 B = 2; \x7f }", 1), 0);
    ASSERT_EQ(speaker.RequireToken(8, "{"), 0);
    BlockReader reader(speaker);
    EXPECT_EQ(speaker.ReadBlock(std::ref(reader)), 0);
    EXPECT_EQ(reader.read, (std::vector<std::string>{"A=1", "B=2"}));
    EXPECT_EQ(LoggedMessages(), (Messages{"ERROR: Line 1 : UNKNOWN CHARACTER 0x80 0x81 at column 10",
                                          "ERROR: Line 1 : UNKNOWN CHARACTER 0x7F at column 20"}));
    // The characters are lost: the read fails with their code.
    EXPECT_EQ(speaker.GetReadFailure(), kLexicalError);
}

TEST_F(TextFormatBaseTest, BinaryInputEndsEveryLoop) {
    std::mt19937 random(7u);
    for (int round = 0; round < 30; ++round) {
        std::string bytes(1 + random() % 4000, '\0');
        const char alphabet[] = "AB=1;{}()\",x\\/*\n";
        for (char& c : bytes) {
            c = round % 2 == 0 ? static_cast<char>(random() & 0xFF)
                               : alphabet[random() % (sizeof alphabet - 1)];
        }
        errorLog.Flush();
        TestSpeaker s;
        ASSERT_EQ(s.StartReadingText(bytes, 1), kSuccess);
        BlockReader reader(s);
        // Top level: blocks until the end of the input, as a reader's outer loop would go.
        for (int guard = 0; s.AtSectionEnd() == 0 || s.IsWordNext("}") == 1; ++guard) {
            ASSERT_LT(guard, 10000);
            if (s.ExpectToken(8, "{") == 0) {
                s.ReadBlock(std::ref(reader));
            } else if (s.SkipBlock() != 0) {
                break;
            } else if (s.IsWordNext("}") == 1) {
                s.ConsumeToken();
            }
        }
        EXPECT_EQ(s.PeekToken(), kNoMoreTokens);
    }
}

TEST_F(TextFormatBaseTest, FieldWriters) {
    VRX_textFile& out = speaker.GetOutput();
    ASSERT_EQ(out.OpenOutputText(), 0);
    EXPECT_EQ(speaker.WriteIntField("NUMSAMPLES", 1000), 0);
    out.Indent();
    EXPECT_EQ(speaker.WriteBoolField("RANKED", true), 0);
    EXPECT_EQ(speaker.WriteBoolField("MANDATORY", false), 0);
    EXPECT_EQ(speaker.WriteStringField("ID", "net1", false, false), 0);
    EXPECT_EQ(speaker.WriteStringField("NAME", "a\"b\\c\td\ne\rf", true, true), 0);
    EXPECT_EQ(speaker.WriteStringField("RAW", "a\"b", true, false), 0);
    EXPECT_EQ(speaker.WriteStringField("NONE", nullptr, true, true), 0);
    EXPECT_EQ(speaker.WriteQuotedField("Q", "x\\y"), 0);
    EXPECT_EQ(speaker.WriteQuotedField(nullptr, "x"), 0);
    out.Indent();
    EXPECT_EQ(speaker.WriteSectionEnd(), 0);
    EXPECT_EQ(out.GetIndentLevel(), 0);
    EXPECT_EQ(out.GetOutputText(),
              "NUMSAMPLES = 1000;\n"
              " RANKED = TRUE;\n"
              " MANDATORY = FALSE;\n"
              " ID = net1;\n"
              " NAME = \"a\\\"b\\\\c\\td\\ne\\rf\";\n"
              " RAW = \"a\"b\";\n"
              " Q = \"x\\\\y\";\n"
              " };\n");
    EXPECT_EQ(VRX_textFormat::EscapeText("\t\n\r\"\\ok"), "\\t\\n\\r\\\"\\\\ok");
}

TEST_F(TextFormatBaseTest, ListWriters) {
    VRX_textFile& out = speaker.GetOutput();
    ASSERT_EQ(out.OpenOutputText(), 0);
    VRX_stringArray ids;
    ASSERT_EQ(ids.Add("a"), kSuccess);
    ASSERT_EQ(ids.Add("b"), kSuccess);
    ASSERT_EQ(ids.Add("c"), kSuccess);
    speaker.WriteIdListField("PARENTS", ids, false);
    VRX_doubleArray numbers;
    ASSERT_EQ(numbers.SetSize(3), kSuccess);
    numbers[0] = 0.25;
    numbers[1] = kUndefinedValue;
    numbers[2] = 1.0;
    numbers.SetCount(2);
    speaker.WriteDoubleListField("SOME", numbers, false);
    speaker.WriteDoubleListField("ALL", numbers, true);
    VRX_intArray ints;
    ASSERT_EQ(ints.Add(3), kSuccess);
    ASSERT_EQ(ints.Add(-1), kSuccess);
    speaker.WriteIntListField("STRENGTHS", ints, false);
    VRX_stringArray texts;
    ASSERT_EQ(texts.Add("x"), kSuccess);
    ASSERT_EQ(texts.Add("y\"z"), kSuccess);
    speaker.WriteStringListField("NAMES", texts, false);
    speaker.WriteStringListField("EMPTY", VRX_stringArray(), false);
    EXPECT_EQ(out.GetOutputText(),
              "PARENTS = (a, b, c);\n"
              "SOME = (0.25, 0.0E-2);\n"
              "ALL = (0.25, 0.0E-2, 1);\n"
              "STRENGTHS = (3, -1);\n"
              "NAMES = (\"x\", \"y\\\"z\");\n"
              "EMPTY = ();\n");
}

TEST_F(TextFormatBaseTest, LongStringListsStartNewLinesWhenFull) {
    VRX_textFile& out = speaker.GetOutput();
    ASSERT_EQ(out.OpenOutputText(), 0);
    ASSERT_EQ(out.SetLineWidth(20), kSuccess);
    VRX_stringArray texts;
    ASSERT_EQ(texts.Add("aaaaaaaaaaaaaa"), kSuccess);
    ASSERT_EQ(texts.Add("b"), kSuccess);
    speaker.WriteStringList(texts, false);
    EXPECT_EQ(out.GetOutputText(), "(\"aaaaaaaaaaaaaa\",\n\"b\")");
}

// What the writers put out, the analyser reads back unchanged: breaks with the continuation text, blanks
// around breaks, escapes, and texts far longer than a line.
TEST_F(TextFormatBaseTest, WrittenStringsReadBackUnchanged) {
    std::mt19937 random(99u);
    const char alphabet[] = "ab \t\\\"\n\r|\bxyz  ";
    for (int round = 0; round < 300; ++round) {
        std::string text(random() % 400, ' ');
        for (char& c : text) c = alphabet[random() % (sizeof alphabet - 1)];
        if (round == 0) text.assign(25000, 'w');
        TestSpeaker writer;
        writer.useContinuation = round % 3 != 0;
        VRX_textFile& out = writer.GetOutput();
        ASSERT_EQ(out.OpenOutputText(), 0);
        ASSERT_EQ(out.SetLineWidth(20 + round % 30), kSuccess);
        for (int i = 0; i < round % 4; ++i) out.Indent();
        writer.WriteQuotedField("K", text.c_str());
        VRX_stringArray list;
        ASSERT_EQ(list.Add(text.c_str()), kSuccess);
        ASSERT_EQ(list.Add("second"), kSuccess);
        writer.WriteStringListField("L", list, false);
        const std::string written = out.GetOutputText();

        TestSpeaker reader;
        ASSERT_EQ(reader.StartReadingText(written, 1), 0);
        ASSERT_EQ(reader.ReadFieldStart("K", 70), 0) << written;
        EXPECT_EQ(std::string(reader.GetToken().text, reader.GetToken().length), text) << written;
        ASSERT_EQ(reader.ExpectToken(8, ";"), 0);
        ASSERT_EQ(reader.ExpectToken(1, "L"), 0);
        ASSERT_EQ(reader.ExpectToken(8, "="), 0);
        VRX_stringArray back;
        ASSERT_EQ(reader.ReadStringList(back), 0) << written;
        ASSERT_EQ(back.GetCount(), 2);
        EXPECT_EQ(std::string(back[0]), text) << written;
        EXPECT_STREQ(back[1], "second");
        ASSERT_EQ(reader.ExpectToken(8, ";"), 0);
        EXPECT_EQ(reader.PeekToken(), kNoMoreTokens);
        EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    }
}

TEST_F(TextFormatBaseTest, WrittenStringListsReadBack) {
    TestSpeaker writer;
    writer.useContinuation = true;
    VRX_textFile& out = writer.GetOutput();
    ASSERT_EQ(out.OpenOutputText(), 0);
    VRX_stringArray list;
    for (int i = 0; i < 30; ++i)
        ASSERT_EQ(list.Add(("state comment " + std::to_string(i) + "\t\"q\"").c_str()), kSuccess);
    writer.WriteStringListField("STATECOMMENTS", list, false);
    TestSpeaker reader;
    ASSERT_EQ(reader.StartReadingText(out.GetOutputText(), 1), 0);
    ASSERT_EQ(reader.ExpectToken(1, "STATECOMMENTS"), 0);
    ASSERT_EQ(reader.ExpectToken(8, "="), 0);
    VRX_stringArray back;
    ASSERT_EQ(reader.ReadStringList(back), 0);
    ASSERT_EQ(back.GetCount(), 30);
    for (int i = 0; i < 30; ++i) EXPECT_STREQ(back[i], list[i]);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
}

TEST_F(TextFormatBaseTest, WritesAndReadsFiles) {
    const std::string path = vovido::test::TempPath("text_format_base_file.txt");
    ASSERT_EQ(speaker.StartWriting(path.c_str()), 0);
    speaker.WriteIntField("N", 7);
    EXPECT_EQ(speaker.FinishWriting(), 0);
    ASSERT_EQ(speaker.StartReading(path.c_str(), 1), 0);
    int n = 0;
    EXPECT_EQ(speaker.ReadIntField("N", n), 0);
    EXPECT_EQ(n, 7);
    speaker.FinishReading();
    EXPECT_EQ(speaker.GetLexer(), nullptr);
    EXPECT_EQ(speaker.StartReading("/nonexistent/x.vrx", 1), kFileIoFailed);
    EXPECT_EQ(speaker.StartReadingText("x", 9), kObjectNotValid);
    std::remove(path.c_str());
}

}  // namespace
