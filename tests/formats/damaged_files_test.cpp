// Damaged network files: a read that had to drop or change anything fails with the message that says
// where, and the network stays as it was; a statement the format does not know stays a warning. Input
// that never ends stops at the reading limits instead of filling memory.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "base/status_codes.h"
#include "formats/text_file.h"
#include "formats/vrx_format.h"
#include "tests/support/error_log.h"
#include "tests/support/hard_networks.h"
#include "tests/support/network_fixture.h"

namespace {

using namespace vovido::test;

struct DamagedFile {
    const char* name;
    const char* extension;
    std::string text;
    int status;
    std::string message;  // the first one logged, exactly
};

std::string EightNodes(const std::string& sixth) {
    std::string text = "net X\n{\n";
    for (int i = 1; i <= 8; ++i)
        text += i == 6 ? sixth : " node n" + std::to_string(i) + " { TYPE = CPT; };\n";
    return text + "};\n";
}

const char kKiHead[] =
    "diagnostic network \"n\"\n"
    "kb { };\n"
    "nodes\n"
    "{\n"
    " standard A { TYPE : discrete [2] = { standard a0 { }; standard a1 { }; }; }\n"
    "}\n"
    "network\n"
    "{\n";

std::vector<DamagedFile> Cases() {
    return {
        {"misplaced brace drops the last nodes", "vrx", EightNodes(" node n6 { TYPE = CPT; }};\n"),
         kSyntaxError, "(line 9) : ERROR: 'node' : End of File expected"},
        {"a word in a probability list", "vrx",
         "net X\n{\n node a { TYPE = CPT; DEFINITION = { PROBABILITIES = (0.2, half); }; };\n};\n",
         kSyntaxError, "(line 3) : ERROR: 'half' : Real Number expected"},
        {"junk after a field", "vrx", "net X\n{\n NUMSAMPLES = 7 junk;\n};\n", kSyntaxError,
         "(line 3) : ERROR: 'junk' : ';' expected"},
        {"a missing ';' would drop the next node", "vrx",
         "net X\n{\n node a { TYPE = CPT; }\n node b { TYPE = CPT; };\n};\n", kSyntaxError,
         "(line 4) : ERROR: 'node' : ';' expected"},
        {"an arc from a missing node", "vrx",
         "net X\n{\n node a { TYPE = CPT; };\n node b { TYPE = CPT; PARENTS = (a, zz); };\n};\n", kOutOfRange,
         "(line 4) : ERROR: Couldn't add arc from node [zz] to node [b]: no node has that identifier"},
        {"a character dropped from a list", "vrx",
         "net X\n{\n node a { TYPE = CPT; DEFINITION = { PROBABILITIES = (0.2,\x01 0.8); }; };\n};\n",
         kLexicalError, "ERROR: Line 3 : UNKNOWN CHARACTER 0x01 at column 59"},
        {"a node block left open", "vrx", "net X\n{\n node a { TYPE = CPT;\n node b { TYPE = CPT; };\n};\n",
         kUnexpectedEndOfFile, "(line 4) : ERROR: 'node' : Unknown Node Statement"},
        {"a table of 40 two-state parents", "vrx", WideParentsText(40), kOutOfMemory,
         "(line 43) : ERROR: Node [child] : its table of 2199023255552 cells passes the limit of 268435456 "
         "cells"},
        {"a word in a KI probability row", "dxp",
         std::string(kKiHead) + " standard A parent () { PROB : { 0.5, half; }; }\n}\n", kSyntaxError,
         "(line 9) : ERROR: 'half' : Real Number expected"},
        {"text after the KI network section", "dxp",
         std::string(kKiHead) + " standard A parent () { PROB : { 0.5, 0.5; }; }\n}\nextra\n", kSyntaxError,
         "(line 11) : ERROR: 'extra' : End of File expected"},
    };
}

class DamagedFilesTest : public vovido::test::FreshLogTest<> {
protected:
    static std::string WriteNetwork(VRX_network& network) {
        VRX_vrxSpeaker speaker(&network);
        std::string text;
        EXPECT_EQ(speaker.WriteToText(text), 0);
        return text;
    }
};

TEST_F(DamagedFilesTest, FailWithTheirMessageAndLeaveTheNetworkAsItWas) {
    VRX_network net;
    BuildFullNetwork(net);
    const std::string before = WriteNetwork(net);
    for (const DamagedFile& damaged : Cases()) {
        SCOPED_TRACE(damaged.name);
        errorLog.Flush();
        const std::string path = WriteTextFile(std::string("damaged.") + damaged.extension, damaged.text);
        EXPECT_EQ(net.ReadFile(path.c_str()), damaged.status) << LogDump();
        ASSERT_GT(errorLog.GetNumberOfEntries(), 0);
        EXPECT_EQ(MessageAt(0), damaged.message) << LogDump();
        EXPECT_EQ(WriteNetwork(net), before);
    }
    // The table was refused before it was built: the process never held gigabytes.
    rusage usage{};
    ASSERT_EQ(getrusage(RUSAGE_SELF, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 2L * 1024 * 1024);  // kilobytes
}

TEST_F(DamagedFilesTest, AnUnknownStatementStaysAWarning) {
    VRX_network net;
    const std::string path = WriteTextFile(
        "unknown.vrx", "net X\n{\n node a { TYPE = CPT; COLOUR = 3; };\n FUTURE = { A = 1; };\n};\n");
    ASSERT_EQ(net.ReadFile(path.c_str()), kSuccess) << LogDump();
    EXPECT_EQ(LoggedMessages(), (std::vector<std::string>{
                                    "statements the reader does not know were skipped: 2 statements, e.g. "
                                    "'COLOUR' (line 3), 'FUTURE' (line 4)",
                                    "ERROR: Node [a] : the file gives no states, default ones are used"}));
    EXPECT_GE(net.FindNode("a"), 0);
}

// A device that never ends: the first line would grow without bound.
TEST_F(DamagedFilesTest, AnEndlessLineStopsAtTheLineLimit) {
    const std::string link = TempPath("zero.vrx");
    std::remove(link.c_str());
    if (symlink("/dev/zero", link.c_str()) != 0) GTEST_SKIP() << "no /dev/zero here";
    VRX_network net;
    BuildFullNetwork(net);
    const std::string before = WriteNetwork(net);
    EXPECT_EQ(net.ReadFile(link.c_str()), kFileIoFailed);
    EXPECT_EQ(LoggedMessages(), (std::vector<std::string>{"ERROR: Line 1 : LINE TOO LONG"}));
    EXPECT_EQ(WriteNetwork(net), before);
    std::remove(link.c_str());
}

TEST_F(DamagedFilesTest, InputPastTheSizeLimitIsNotReadOn) {
    VRX_textFile file;
    ASSERT_EQ(file.Open(WriteTextFile("lines.txt", std::string(3000, 'x') + "\nshort\n").c_str(),
                        TextFileMode::kRead),
              0);
    file.SetInputLimits(1000, 0);
    std::string line;
    EXPECT_EQ(file.ReadLine(line), kFileIoFailed);
    EXPECT_EQ(LoggedMessages(), (std::vector<std::string>{"ERROR: Line 1 : LINE TOO LONG"}));

    errorLog.Flush();
    std::string many;
    for (int i = 0; i < 100; ++i) many += "line " + std::to_string(i) + "\n";
    ASSERT_EQ(file.Open(WriteTextFile("many.txt", many).c_str(), TextFileMode::kRead), 0);
    file.SetInputLimits(0, 64);
    int lines = 0;
    int rc = kSuccess;
    while ((rc = file.ReadLine(line)) == kSuccess) ++lines;
    EXPECT_EQ(rc, kFileIoFailed);
    // 64 bytes hold the first nine lines whole ("line 0\n" .. "line 8\n" are 63 bytes).
    EXPECT_EQ(lines, 9);
    EXPECT_EQ(LoggedMessages(), (std::vector<std::string>{"ERROR: Line 10 : FILE TOO LARGE"}));
}

// A message about a line of a file names the file, as the XML reader's do; text read from memory has
// no file to name.
TEST_F(DamagedFilesTest, ALineMessageNamesTheFile) {
    const struct {
        const char* extension;
        const char* text;
        const char* message;
    } cases[] = {
        {"vrx", "net n {\nnode A { type = cpt; junk }\n}\n", "ERROR: Node [A] : TYPE missing, node left out"},
        {"net", "net {}\nnode A { label = 5; }\n", "ERROR: '5' : String expected"},
        {"dne", "bnet X {\nnode A {\n discrete = TRUE;\n states = (y, n);\n probs = (@imposs, 1);\n};\n};\n",
         "ERROR: Node [A] : its table holds \"@imposs\" entries, which are not read"},
        {"xml03", "<BIF><NETWORK><VARIABLE><NAME>A</NAME><OUTCOME>a</OUTCOME></VARIABLE>\n<NETWORK></BIF>",
         "ERROR: Incorrect BIF Version"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.extension);
        errorLog.Flush();
        const std::string path = WriteTextFile(std::string("named.") + item.extension, item.text);
        VRX_network net;
        EXPECT_NE(net.ReadFile(path.c_str()), kSuccess);
        ASSERT_GT(errorLog.GetNumberOfEntries(), 0);
        const std::string first = errorLog.GetMessage(0);
        const size_t end = first.find(") : ");
        ASSERT_NE(end, std::string::npos) << first;
        EXPECT_EQ(first.substr(end), ") : " + std::string(item.message)) << first;
        EXPECT_NE(first.find(" while loading " + path + ") : "), std::string::npos) << first;
    }
    // The lexical analyser's messages name it too.
    errorLog.Flush();
    const std::string path = WriteTextFile("named.net", "net {}\nnode A { \x01 }\n");
    VRX_network net;
    EXPECT_NE(net.ReadFile(path.c_str()), kSuccess);
    ASSERT_GT(errorLog.GetNumberOfEntries(), 0);
    EXPECT_STREQ(errorLog.GetMessage(0),
                 ("ERROR: Line 2 while loading " + path + " : UNKNOWN CHARACTER 0x01 at column 10").c_str());
}

}  // namespace
