// Lexical analyser: token kinds by mode, comments, strings and escapes, history, line ends, failures,
// and input that is no text at all.
#include "formats/lexical_analyser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "tests/support/error_log.h"
#include "tests/support/temp_file.h"

namespace {

using vovido::test::WriteTextFile;
using vovido::test::WriteWholeFile;

struct Scanned {
    int kind;
    std::string text;
    int line;
    bool operator==(const Scanned& o) const { return kind == o.kind && text == o.text && line == o.line; }
};

// Every token of the text (peek and consume to the end); failures other than -111 appear as kind = code.
std::vector<Scanned> Scan(const std::string& text, int mode = LexerMode::kStandard) {
    VRX_lexicalAnalizer lexer(mode);
    std::vector<Scanned> out;
    EXPECT_EQ(lexer.OpenText(text), kSuccess);
    VRX_token token;
    for (size_t guard = 0; guard < 4 * text.size() + 16; ++guard) {
        const int result = lexer.PeekToken(token);
        if (result == kNoMoreTokens) return out;
        if (result != kSuccess) {
            out.push_back({result, result == kLexicalError ? token.text : "", lexer.GetLineNumber()});
            continue;
        }
        out.push_back(
            {token.kind, std::string(token.text, static_cast<size_t>(token.length)), lexer.GetLineNumber()});
        lexer.Consume();
    }
    ADD_FAILURE() << "the lexer did not reach the end of the input";
    return out;
}

std::vector<std::pair<int, std::string>> Kinds(const std::string& text, int mode = LexerMode::kStandard) {
    std::vector<std::pair<int, std::string>> out;
    for (const Scanned& s : Scan(text, mode)) out.emplace_back(s.kind, s.text);
    return out;
}

using KT = std::vector<std::pair<int, std::string>>;

class LexicalAnalyserTest : public vovido::test::FreshLogTest<> {};

TEST_F(LexicalAnalyserTest, ClassifiesCharacters) {
    EXPECT_EQ(VRX_lexicalAnalizer::ClassifyChar('e'), 16);
    EXPECT_EQ(VRX_lexicalAnalizer::ClassifyChar('E'), 16);
    EXPECT_EQ(VRX_lexicalAnalizer::ClassifyChar('q'), 0);
    EXPECT_EQ(VRX_lexicalAnalizer::ClassifyChar('7'), 1);
    EXPECT_EQ(VRX_lexicalAnalizer::ClassifyChar('_'), 2);
    EXPECT_EQ(VRX_lexicalAnalizer::ClassifyChar('%'), 13);
    EXPECT_EQ(VRX_lexicalAnalizer::ClassifyChar('|'), 15);
    EXPECT_EQ(VRX_lexicalAnalizer::ClassifyChar('@'), 10);
    EXPECT_EQ(VRX_lexicalAnalizer::ClassifyChar('\\'), 10);
    EXPECT_EQ(VRX_lexicalAnalizer::ClassifyChar('\t'), 11);
    EXPECT_EQ(VRX_lexicalAnalizer::ClassifyChar('\0'), 11);
    EXPECT_EQ(VRX_lexicalAnalizer::ClassifyChar('\r'), 12);
    EXPECT_EQ(VRX_lexicalAnalizer::ClassifyChar(0xE9), 12);
}

TEST_F(LexicalAnalyserTest, IdentifiersAndDotsByMode) {
    EXPECT_EQ(Kinds("ab12_x"), (KT{{1, "ab12_x"}}));
    EXPECT_EQ(Kinds("ab.c"), (KT{{1, "ab"}, {7, "."}, {1, "c"}}));
    EXPECT_EQ(Kinds("ab.c", LexerMode::kWords), (KT{{1, "ab.c"}}));
    EXPECT_EQ(Kinds("x/y"), (KT{{1, "x"}, {4, "/"}, {1, "y"}}));
}

TEST_F(LexicalAnalyserTest, NumbersAndOperators) {
    EXPECT_EQ(Kinds("12 12. .5 -3 -.5 1e5 1.5e-3"),
              (KT{{2, "12"}, {3, "12."}, {3, ".5"}, {2, "-3"}, {3, "-.5"}, {2, "1e5"}, {3, "1.5e-3"}}));
    EXPECT_EQ(Kinds("+ = == 12.e5 0.0E-2"), (KT{{9, "+"}, {5, "="}, {6, "=="}, {3, "12.e5"}, {3, "0.0E-2"}}));
    EXPECT_EQ(Kinds("12.", LexerMode::kWords), (KT{{3, "12."}}));
    EXPECT_EQ(Kinds("( ) { } ; ,"), (KT{{8, "("}, {8, ")"}, {8, "{"}, {8, "}"}, {8, ";"}, {8, ","}}));
    // Mode 5: a sign is a punctuator and never starts a number.
    EXPECT_EQ(Kinds("-3", LexerMode::kSignPunctuator), (KT{{8, "-"}, {2, "3"}}));
}

// An exponent without digits makes no number: the text is one token of no kind a reader takes.
TEST_F(LexicalAnalyserTest, AnExponentWithoutDigitsIsNoNumberInEveryMode) {
    for (int mode : {LexerMode::kStandard, LexerMode::kWords, LexerMode::kHugin, LexerMode::kMsbn}) {
        EXPECT_EQ(Kinds("1e 0.05e 0.05e+ 0.05E- 2", mode),
                  (KT{{90, "1e"}, {90, "0.05e"}, {90, "0.05e+"}, {90, "0.05E-"}, {2, "2"}}))
            << "mode " << mode;
    }
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
}

TEST_F(LexicalAnalyserTest, SignAfterExponentStartsANewNumberInEveryMode) {
    for (int mode : {LexerMode::kStandard, LexerMode::kWords, LexerMode::kHugin, LexerMode::kMsbn}) {
        EXPECT_EQ(Kinds("1e55+5", mode), (KT{{2, "1e55"}, {2, "+5"}})) << "mode " << mode;
        EXPECT_EQ(Kinds("1.5e555 2", mode), (KT{{3, "1.5e555"}, {2, "2"}})) << "mode " << mode;
    }
}

TEST_F(LexicalAnalyserTest, ThreeEqualSignsAreReportedOnceAndSkipped) {
    EXPECT_EQ(Kinds("a === b"), (KT{{1, "a"}, {kLexicalError, "==="}, {6, "=="}, {1, "b"}}));
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(errorLog.GetCode(0), kLexicalError);
    EXPECT_STREQ(errorLog.GetMessage(0), "ERROR: Line 1 : UNKNOWN CHARACTER '=' at column 5");
}

TEST_F(LexicalAnalyserTest, Comments) {
    EXPECT_EQ(Kinds("a // b c\nd"), (KT{{1, "a"}, {1, "d"}}));
    EXPECT_EQ(Kinds("/* a\n b */ b"), (KT{{1, "b"}}));
    EXPECT_EQ(Kinds("a /*/ b"), (KT{{1, "a"}, {1, "b"}}));
    EXPECT_EQ(Kinds("/# a /# b #/ c #/ d"), (KT{{1, "d"}}));
    EXPECT_EQ(Kinds("/# a\n/# b\n#/ c #/\nd"), (KT{{1, "d"}}));
    EXPECT_EQ(Kinds("a % b\nc", LexerMode::kHugin), (KT{{1, "a"}, {1, "c"}}));
    EXPECT_EQ(Kinds("a % b"), (KT{{1, "a"}, {8, "%"}, {1, "b"}}));
    EXPECT_EQ(Kinds("a,b|c", LexerMode::kMsbn), (KT{{1, "a"}, {1, "b"}, {1, "c"}}));
    EXPECT_EQ(Kinds("a,,\n,b", LexerMode::kMsbn), (KT{{1, "a"}, {1, "b"}}));
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
}

TEST_F(LexicalAnalyserTest, UnterminatedCommentsAndStrings) {
    EXPECT_EQ(Kinds("a /* b\n c"), (KT{{1, "a"}, {kUnexpectedEndOfFile, ""}}));
    EXPECT_EQ(Kinds("/# a /# b #/"), (KT{{kUnexpectedEndOfFile, ""}}));
    EXPECT_EQ(Kinds("x \"abc\ndef"), (KT{{1, "x"}, {kUnexpectedEndOfFile, ""}}));
    EXPECT_EQ(Kinds("\"abc\\"), (KT{{kUnexpectedEndOfFile, ""}}));
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 4);
    // Each names the line the input ends on.
    EXPECT_STREQ(errorLog.GetMessage(0), "ERROR: Line 2 : UNEXPECTED END OF FILE. UNMATCHED '/*'");
    EXPECT_STREQ(errorLog.GetMessage(1), "ERROR: Line 1 : UNEXPECTED END OF FILE. UNMATCHED '/#'");
    EXPECT_STREQ(errorLog.GetMessage(2), "ERROR: Line 2 : UNEXPECTED END OF FILE. UNTERMINATED STRING");
    EXPECT_STREQ(errorLog.GetMessage(3), "ERROR: Line 1 : UNEXPECTED END OF FILE. UNTERMINATED STRING");
    for (int i = 0; i < 4; ++i) EXPECT_EQ(errorLog.GetCode(i), kUnexpectedEndOfFile);
    // A "//" comment at the very end is simply the end of the input.
    EXPECT_EQ(Kinds("a // b"), (KT{{1, "a"}}));
}

TEST_F(LexicalAnalyserTest, StringEscapesAndContinuations) {
    EXPECT_EQ(Kinds("\"a\\tb\""), (KT{{70, "a\tb"}}));
    EXPECT_EQ(Kinds("\"ab\\\n   cd\""), (KT{{70, "abcd"}}));
    EXPECT_EQ(Kinds("\"x\\q\""), (KT{{70, "x\\q"}}));
    EXPECT_EQ(Kinds("\"\\n\\r\\b\\\"\\\\\""), (KT{{70, "\n\r\b\"\\"}}));
    // A backslash and blanks up to the line end continue the string, dropping the blanks that follow;
    // "\|" stops the dropping. Before more text on the line, an escaped blank stands for itself.
    EXPECT_EQ(Kinds("\"a\\ \n   \\|  b\""), (KT{{70, "a  b"}}));
    EXPECT_EQ(Kinds("\"no\\ defect\""), (KT{{70, "no defect"}}));
    EXPECT_EQ(Kinds("\"a\\   b\""), (KT{{70, "a   b"}}));
    // The continuation the writers use: a blank, backslash and blank at the line end.
    EXPECT_EQ(Kinds("\"one \\ \n      two\""), (KT{{70, "one two"}}));
    // A plain line break inside a string is not stored.
    EXPECT_EQ(Kinds("\"ab\ncd\" e"), (KT{{70, "abcd"}, {1, "e"}}));
    EXPECT_EQ(Kinds("\"\""), (KT{{70, ""}}));
    EXPECT_EQ(Kinds("\"a\xE9\x01z\""), (KT{{70, "a\xE9\x01z"}}));
}

TEST_F(LexicalAnalyserTest, PeekWithoutConsumeAndStepBack) {
    VRX_lexicalAnalizer lexer(LexerMode::kStandard);
    ASSERT_EQ(lexer.OpenText("a b c"), 0);
    VRX_token t;
    EXPECT_EQ(lexer.StepBack(), kOutOfRange);
    ASSERT_EQ(lexer.PeekToken(t), 0);
    EXPECT_STREQ(t.text, "a");
    ASSERT_EQ(lexer.PeekToken(t), 0);
    EXPECT_STREQ(t.text, "a");
    lexer.Consume();
    ASSERT_EQ(lexer.PeekToken(t), 0);
    EXPECT_STREQ(t.text, "b");
    ASSERT_EQ(lexer.StepBack(), 0);
    ASSERT_EQ(lexer.PeekToken(t), 0);
    EXPECT_STREQ(t.text, "a");
    lexer.Consume();
    ASSERT_EQ(lexer.PeekToken(t), 0);
    EXPECT_STREQ(t.text, "b");
    lexer.Consume();
    ASSERT_EQ(lexer.PeekToken(t), 0);
    EXPECT_STREQ(t.text, "c");
    EXPECT_EQ(t.kind, 1);
    EXPECT_EQ(t.length, 1);
    lexer.Consume();
    EXPECT_EQ(lexer.PeekToken(t), kNoMoreTokens);
}

// A failed scan leaves the last token read, whatever the failed scan filled on its way: an unreadable
// byte, then a string longer than the buffer held before it, then the end of the input.
TEST_F(LexicalAnalyserTest, AFailedScanLeavesTheLastTokenRead) {
    const std::pair<const char*, const char*> cases[] = {
        {"[ \x01\"abcdefghijklmnopqrstuvwxyz0123456789", "["},
        {"\x01\"abcdefghijklmnopqrstuvwxyz0123456789", ""},
        {"a /* never closed", "a"},
    };
    for (const auto& [text, last] : cases) {
        SCOPED_TRACE(text);
        VRX_lexicalAnalizer lexer(LexerMode::kMsbn);
        ASSERT_EQ(lexer.OpenText(text), 0);
        VRX_token t;
        int rc = lexer.PeekToken(t);
        if (rc == kSuccess) {
            lexer.Consume();
            rc = lexer.PeekToken(t);
        }
        if (rc == kLexicalError) rc = lexer.PeekToken(t);
        EXPECT_EQ(rc, kUnexpectedEndOfFile);
        EXPECT_EQ(std::string(t.text, static_cast<size_t>(t.length)), last);
        EXPECT_STREQ(t.text, last);
    }
}

TEST_F(LexicalAnalyserTest, HistoryKeepsTheLastFiveTokens) {
    VRX_lexicalAnalizer lexer(LexerMode::kStandard);
    ASSERT_EQ(lexer.OpenText("t1 t2 t3 t4 t5 t6 t7"), 0);
    VRX_token t;
    for (int i = 0; i < 7; ++i) {
        ASSERT_EQ(lexer.PeekToken(t), 0);
        if (i < 6) lexer.Consume();
    }
    EXPECT_STREQ(t.text, "t7");
    for (const char* expected : {"t6", "t5", "t4", "t3"}) {
        ASSERT_EQ(lexer.StepBack(), 0);
        ASSERT_EQ(lexer.PeekToken(t), 0);
        EXPECT_STREQ(t.text, expected);
    }
    EXPECT_EQ(lexer.StepBack(), kOutOfRange);
    for (const char* expected : {"t4", "t5", "t6", "t7"}) {
        lexer.Consume();
        ASSERT_EQ(lexer.PeekToken(t), 0);
        EXPECT_STREQ(t.text, expected);
    }
    lexer.Consume();
    EXPECT_EQ(lexer.PeekToken(t), kNoMoreTokens);
}

TEST_F(LexicalAnalyserTest, CrLfReadsLikeLf) {
    const std::string lf = "net a\n{\n  NAME = \"x \\\n   y\";\n  // note\n  V = 1.5;\n}\n\"p\nq\" z\n";
    std::string crlf;
    for (const char c : lf) {
        if (c == '\n') crlf.push_back('\r');
        crlf.push_back(c);
    }
    const std::vector<Scanned> expected = Scan(lf);
    ASSERT_EQ(expected.size(), 14u);
    EXPECT_EQ(expected[5].text, "x y");
    EXPECT_EQ(expected[5].line, 4);
    EXPECT_EQ(expected.back().line, 9);
    EXPECT_EQ(Scan(crlf), expected);
    // Without a final line end, and with a last line ending in a lone carriage return.
    EXPECT_EQ(Scan("a\r\nb"), (std::vector<Scanned>{{1, "a", 1}, {1, "b", 2}}));
    EXPECT_EQ(Scan("a\r\nb\r"), (std::vector<Scanned>{{1, "a", 1}, {1, "b", 2}}));
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
}

TEST_F(LexicalAnalyserTest, LoneCarriageReturns) {
    // Outside a string a lone carriage return is an unknown character (within a word, the word scanned
    // so far is shown with it and then read on its own); inside one it is dropped and the rest of the
    // line is kept.
    EXPECT_EQ(Kinds("a\rb"), (KT{{kLexicalError, "a\r"}, {1, "a"}, {1, "b"}}));
    EXPECT_EQ(Kinds("\"a\rb\""), (KT{{70, "ab"}}));
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_STREQ(errorLog.GetMessage(0), "ERROR: Line 1 : UNKNOWN CHARACTER 0x0D at column 2");
}

TEST_F(LexicalAnalyserTest, UnknownCharactersAreReportedOncePerRun) {
    EXPECT_EQ(Kinds("abc\x80"
                    "def\n1 \x01\x02\x03 2"),
              (KT{{kLexicalError, "abc\x80"},
                  {1, "abc"},
                  {1, "def"},
                  {2, "1"},
                  {kLexicalError, "\x01"},
                  {2, "2"}}));
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 2);
    EXPECT_STREQ(errorLog.GetMessage(0), "ERROR: Line 1 : UNKNOWN CHARACTER 0x80 at column 4");
    EXPECT_STREQ(errorLog.GetMessage(1), "ERROR: Line 2 : UNKNOWN CHARACTER 0x01 0x02 0x03 at column 3");
    // An embedded zero byte is not the end of the line.
    errorLog.Flush();
    EXPECT_EQ(Kinds(std::string("1\0b", 3)), (KT{{2, "1"}, {kLexicalError, ""}, {1, "b"}}));
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 1);
}

// The message names the unreadable bytes and the column of the first in the file's line: a byte-order
// mark skipped before the first line counts, a second one does not go unnamed.
TEST_F(LexicalAnalyserTest, AnUnknownCharacterIsNamedWithItsColumn) {
    const std::string mark = "\xEF\xBB\xBF";
    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        {mark + mark + "net", "ERROR: Line 1 : UNKNOWN CHARACTER 0xEF 0xBB 0xBF at column 4"},
        {mark + "a\x01"
                "b",
         "ERROR: Line 1 : UNKNOWN CHARACTER 0x01 at column 5"},
        {"x\ny " + mark, "ERROR: Line 2 : UNKNOWN CHARACTER 0xEF 0xBB 0xBF at column 3"},
        {std::string("ab \0 c", 6), "ERROR: Line 1 : UNKNOWN CHARACTER 0x00 at column 4"},
        {"a " + std::string(10, '\x7f'),
         "ERROR: Line 1 : UNKNOWN CHARACTER 0x7F 0x7F 0x7F 0x7F 0x7F 0x7F 0x7F 0x7F ... at column 3"},
    };
    for (const auto& c : cases) {
        errorLog.Flush();
        (void)Scan(c.text);
        EXPECT_EQ(vovido::test::LoggedMessages(), std::vector<std::string>{c.message});
    }
    // A file names itself before the line's text.
    errorLog.Flush();
    const std::string path = WriteTextFile("marks.vrx", mark + mark + "net A { };\n");
    VRX_lexicalAnalizer lexer(LexerMode::kStandard);
    ASSERT_EQ(lexer.Open(path.c_str()), kSuccess);
    VRX_token token;
    EXPECT_EQ(lexer.PeekToken(token), kLexicalError);
    EXPECT_EQ(std::string(errorLog.GetMessage(0)),
              "ERROR: Line 1 while loading " + path + " : UNKNOWN CHARACTER 0xEF 0xBB 0xBF at column 4");
}

TEST_F(LexicalAnalyserTest, ReadingStopsAfterTooManyUnknownCharacters) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += "a \x80 ";
    const std::vector<Scanned> tokens = Scan(text);
    const int limit = VRX_lexicalAnalizer::kMaxUnknownReports;
    ASSERT_EQ(errorLog.GetNumberOfEntries(), limit + 1);
    EXPECT_STREQ(errorLog.GetMessage(limit), "ERROR: Line 1 : TOO MANY UNKNOWN CHARACTERS. READING STOPPED");
    EXPECT_EQ(tokens.size(), static_cast<size_t>(2 * limit));
}

TEST_F(LexicalAnalyserTest, LongLinesTokensAndStringsAreWhole) {
    const std::string name(50000, 'n');
    const std::string body(120000, 's');
    std::string line;
    for (int i = 0; i < 8000; ++i) line += "w" + std::to_string(i) + " ";
    const std::string text = name + " \"" + body + "\"\n" + line + "\nend";
    const std::vector<Scanned> tokens = Scan(text);
    ASSERT_EQ(tokens.size(), 8003u);
    EXPECT_EQ(tokens[0].text, name);
    EXPECT_EQ(tokens[1].kind, 70);
    EXPECT_EQ(tokens[1].text, body);
    EXPECT_EQ(tokens[2].text, "w0");
    EXPECT_EQ(tokens[8001].text, "w7999");
    EXPECT_EQ(tokens[8001].line, 2);
    EXPECT_EQ(tokens[8002].text, "end");
    EXPECT_EQ(tokens[8002].line, 3);
}

TEST_F(LexicalAnalyserTest, OpeningFiles) {
    VRX_lexicalAnalizer lexer(LexerMode::kStandard);
    EXPECT_EQ(lexer.Open("/nonexistent/dir/net.vrx"), kFileIoFailed);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_STREQ(errorLog.GetMessage(0),
                 "OPEN FILE FAILED: /nonexistent/dir/net.vrx: No such file or directory");

    const std::string path = WriteTextFile("lexer_open_test.txt", "");
    EXPECT_EQ(lexer.Open(path.c_str()), kEndOfFile);
    VRX_token t;
    EXPECT_EQ(lexer.PeekToken(t), kNoMoreTokens);

    ASSERT_TRUE(WriteWholeFile(path, "  // only a comment\r\n/* and a block */\r\n\r\n"));
    EXPECT_EQ(lexer.Open(path.c_str()), 0);
    EXPECT_EQ(lexer.PeekToken(t), kNoMoreTokens);

    ASSERT_TRUE(WriteWholeFile(path, "x\r\n  y"));
    ASSERT_EQ(lexer.Open(path.c_str()), 0);
    ASSERT_EQ(lexer.PeekToken(t), 0);
    EXPECT_STREQ(t.text, "x");
    lexer.Consume();
    ASSERT_EQ(lexer.PeekToken(t), 0);
    EXPECT_STREQ(t.text, "y");
    EXPECT_EQ(lexer.GetLineNumber(), 2);
    std::remove(path.c_str());
}

TEST_F(LexicalAnalyserTest, ModesAndSeparators) {
    VRX_lexicalAnalizer bad(6);
    EXPECT_FALSE(bad.IsValid());
    EXPECT_EQ(bad.LoadTable(0), kOutOfRange);
    EXPECT_EQ(bad.OpenText("a"), kObjectNotValid);
    VRX_token t;
    EXPECT_EQ(bad.PeekToken(t), kNoMoreTokens);

    VRX_lexicalAnalizer lexer(LexerMode::kStandard);
    EXPECT_EQ(lexer.GetSeparators(), " \t\n");
    lexer.AddSeparators(",|,");
    EXPECT_EQ(lexer.GetSeparators(), " \t\n,|");
    ASSERT_EQ(lexer.OpenText("a,b|c"), 0);
    std::string seen;
    while (lexer.PeekToken(t) == 0) {
        seen += t.text;
        lexer.Consume();
    }
    EXPECT_EQ(seen, "abc");
}

TEST_F(LexicalAnalyserTest, RandomBytesNeverHang) {
    std::mt19937 random(20240611u);
    for (int round = 0; round < 40; ++round) {
        std::string bytes(1 + random() % 3000, '\0');
        for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
        // Some rounds mostly text, to reach strings and comments.
        if (round % 2 == 1) {
            const char alphabet[] = "ab1.e-+=\"\\/*#%{};,| \n\r\t";
            for (char& c : bytes) c = alphabet[random() % (sizeof alphabet - 1)];
        }
        for (int mode = 1; mode <= 5; ++mode) {
            errorLog.Flush();
            VRX_lexicalAnalizer lexer(mode);
            ASSERT_EQ(lexer.OpenText(bytes), kSuccess);
            VRX_token t;
            size_t steps = 0;
            const size_t bound = 2 * bytes.size() + 8;
            for (; steps < bound; ++steps) {
                const int result = lexer.PeekToken(t);
                if (result == kNoMoreTokens) break;
                ASSERT_TRUE(result == kSuccess || result == kLexicalError || result == kUnexpectedEndOfFile)
                    << result;
                if (result == 0) {
                    ASSERT_NE(t.text, nullptr);
                    if (steps % 7 == 3) {
                        ASSERT_EQ(lexer.StepBack(), kSuccess);
                    }
                    lexer.Consume();
                }
            }
            ASSERT_LT(steps, bound) << "round " << round << " mode " << mode;
            ASSERT_LE(errorLog.GetNumberOfEntries(), VRX_lexicalAnalizer::kMaxUnknownReports + 2);
        }
    }
}

}  // namespace
