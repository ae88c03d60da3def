// Reader of the own text format: every reported error with its exact text and line, recovery after a
// bad statement, the noisy-OR and noisy-AND forms, and files that are cut short, malformed or binary.
#include "formats/vrx_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "base/status_codes.h"
#include "tests/support/arrays.h"
#include "tests/support/compare.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/temp_file.h"
#include "tests/support/text_reader.h"

namespace {

using namespace vovido::test;

class VrxReaderTest : public TextReaderTest<VRX_vrxSpeaker> {
protected:
    int Read(const std::string& text) { return ReadFileNamed("reader.vrx", text); }

    static std::string WriteNetwork(VRX_network& network) {
        VRX_vrxSpeaker speaker(&network);
        std::string text;
        EXPECT_EQ(speaker.WriteToText(text), 0);
        return text;
    }

    VRX_nodeDefinition& Def(const char* id) { return vovido::test::Def(net, id); }
};

TEST_F(VrxReaderTest, NetStatementsAndFields) {
    ASSERT_EQ(ReadKeepingPart("net X\n"
                              "{\n"
                              " FOO = 1;\n"
                              " \"NUMSAMPLES\" = 5;\n"
                              " NUMSAMPLES = 7;\n"
                              " SHOWAS = 7;\n"
                              " NUMSAMPLES = 0;\n"
                              " HEADER = { ID = 5; NAME = \"Net\"; BAR = 1; };\n"
                              " CREATION = { CREATOR = \"me\"; WHO = \"x\"; };\n"
                              " WINDOWPOSITION = { CENTER_X = 4; DEPTH = 2; };\n"
                              " SCREEN = { COLOR = 9; SHOWINARCS = true; TINT = 1; };\n"
                              " SCREENCOMMENT = { (1, 2, 3), \"short\" };\n"
                              "};\n"),
              kSyntaxError);
    ExpectLogged(kSyntaxError, 3, "ERROR: 'FOO' : Unknown Net Statement");
    ExpectLogged(kSyntaxError, 4, "ERROR: 'NUMSAMPLES' : Unknown Net Field");
    // A statement given again with another value is refused, not taken in place of the first.
    ExpectLogged(kOutOfRange, 7, "ERROR: Network [X] has more than one 'NUMSAMPLES' statement");
    ExpectLogged(kSyntaxError, 8, "ERROR: '5' : Identifier expected");
    ExpectLogged(kSyntaxError, 8, "ERROR: 'BAR' : Unknown Header Statement");
    ExpectLogged(kSyntaxError, 9, "ERROR: 'WHO' : Unknown Creation Statement");
    ExpectLogged(kSyntaxError, 10, "ERROR: 'DEPTH' : Unknown Rectangle Statement");
    ExpectLogged(kSyntaxError, 11, "ERROR: (\"true\") : Boolean Expected");
    ExpectLogged(kSyntaxError, 11, "ERROR: 'TINT' : Unknown Screen Information Statement");
    ExpectLogged(kOutOfRange, 12, "ERROR: Wrong Number Of Screen Coordinates");
    // A display value this version does not know is a warning; the unknown statements are too.
    ExpectLogged(kOutOfRange, 6, "ERROR: '7' : Unknown Value, ignored");
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 11) << LogDump();
    // The statements around the bad ones were read.
    EXPECT_EQ(net.numSamples, 7);
    EXPECT_EQ(net.faultNameFormat, 3);  // SHOWAS = 7 is accepted and ignored
    EXPECT_STREQ(net.GetHeader()->GetId(), "X");
    EXPECT_STREQ(net.GetHeader()->GetName(), "Net");
    EXPECT_STREQ(net.creation.GetCreator(), "me");
    VRX_submodel& main = *net.GetSubmodelHandler().GetSubmodel(kMainSubmodel);
    EXPECT_EQ(main.windowPosition.centerX, 4);
    EXPECT_EQ(main.screenInfo.color, 9);
    EXPECT_EQ(main.textBoxes.GetNumberOfTextBoxes(), 0);
}

TEST_F(VrxReaderTest, SubmodelErrors) {
    ASSERT_EQ(ReadKeepingPart("net X\n"
                              "{\n"
                              " submodel S { BKCOLOR = 3; };\n"
                              " submodel S { BKCOLOR = 4; };\n"
                              " submodel T\n"
                              "  {\n"
                              "   PARENT = Nope;\n"
                              "   FOO = 1;\n"
                              "   \"HEADER\" = 2;\n"
                              "   PARENT = S;\n"
                              "  };\n"
                              "};\n"),
              kOutOfRange);
    ExpectLogged(kOutOfRange, 4, "ERROR: Couldn't Create Submodel (\"S\")");
    ExpectLogged(kOutOfRange, 7, "ERROR: (\"Nope\") : Unknown Submodel");
    ExpectLogged(kSyntaxError, 8, "ERROR: 'FOO' : Unknown Submodel Statement");
    ExpectLogged(kSyntaxError, 9, "ERROR: 'HEADER' : Unknown Submodel Field");
    EXPECT_TRUE(Logged(kOutOfRange, "Identifier [S] is already used by a submodel")) << LogDump();
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 5) << LogDump();
    VRX_submodelHandler& handler = net.GetSubmodelHandler();
    const int s = handler.FindSubmodel("S");
    ASSERT_GE(s, 0);
    EXPECT_EQ(handler.GetSubmodel(s)->backgroundColor, 3);
    EXPECT_EQ(handler.GetParentSubmodel(handler.FindSubmodel("T")), s);
}

TEST_F(VrxReaderTest, NodeErrorsAreReportedAndTheNextStatementIsRead) {
    ASSERT_EQ(ReadKeepingPart("net X\n"
                              "{\n"
                              " node a { TYPE = CPT; };\n"
                              " node c\n"
                              "  {\n"
                              "   TYPE = CPT;\n"
                              "   FOO = 1;\n"
                              "   \"TYPE\" = CPT;\n"
                              "   SUBMODEL = Nope;\n"
                              "   HEADER = { ID = a; };\n"
                              "   PARENTS = (a, missing);\n"
                              "   TARGET = TRUE;\n"
                              "  };\n"
                              " node a { TYPE = CPT; };\n"
                              "};\n"),
              kSyntaxError);
    ExpectLogged(kSyntaxError, 7, "ERROR: 'FOO' : Unknown Node Statement");
    ExpectLogged(kSyntaxError, 8, "ERROR: 'TYPE' : Unknown Node Field");
    EXPECT_TRUE(Logged(kIllegalIdentifier, "Unknown submodel")) << LogDump();
    ExpectLogged(kIllegalIdentifier, 9, "Invalid submodel");
    ExpectLogged(kIllegalIdentifier, 10, "Invalid ID");
    ExpectLogged(kOutOfRange, 11,
                 "ERROR: Couldn't add arc from node [missing] to node [c]: no node has that identifier");
    ExpectLogged(kOutOfRange, 14,
                 "ERROR: Couldn't Create Node (\"a\"): Identifier [a] is already used by a node");
    const int a = net.FindNode("a");
    const int c = net.FindNode("c");
    ASSERT_GE(c, 0);
    ASSERT_EQ(net.GetNumberOfParents(c), 1);
    EXPECT_EQ(net.GetParents(c)[0], a);
    EXPECT_EQ(net.IsTarget(c), 1);
    EXPECT_EQ(net.GetNumberOfNodes(), 2);
}

TEST_F(VrxReaderTest, ANodeWithoutAKnownTypeIsLeftOut) {
    ASSERT_EQ(ReadKeepingPart("net X\n"
                              "{\n"
                              " node a { PARENTS = (); };\n"
                              " node m { TYPE = GAUSSIAN; };\n"
                              " node b { TYPE = TABLE; };\n"
                              "};\n"),
              kSyntaxError);
    ExpectLogged(kSyntaxError, 3, "ERROR: Node [a] : TYPE missing, node left out");
    ExpectLogged(kOutOfRange, 4, "ERROR: 'GAUSSIAN' : Unsupported Node Type");
    EXPECT_EQ(net.FindNode("a"), kOutOfRange);
    EXPECT_EQ(net.FindNode("m"), kOutOfRange);
    ASSERT_GE(net.FindNode("b"), 0);
    EXPECT_EQ(net.GetNodeType(net.FindNode("b")), DefinitionType::kTable);
}

TEST_F(VrxReaderTest, DefinitionStatementErrors) {
    ASSERT_EQ(ReadKeepingPart("net X\n"
                              "{\n"
                              " node p { TYPE = CPT; DEFINITION = { NAMESTATES = (p0, p1, p2); }; };\n"
                              " node m\n"
                              "  {\n"
                              "   TYPE = NOISY_MAX;\n"
                              "   PARENTS = (p);\n"
                              "   DEFINITION =\n"
                              "    {\n"
                              "     STRENGTHS = (0, 2, 2);\n"
                              "     FOO = (1);\n"
                              "     PROBABILITIES = (0.5);\n"
                              "     PWEIGHTS = (0.1);\n"
                              "     NAMESTATES = (x, x);\n"
                              "     STRENGTHS = (2, 0, 1);\n"
                              "    };\n"
                              "  };\n"
                              "};\n"),
              kSyntaxError);
    ExpectLogged(kSyntaxError, 10, "ERROR: NoisyMAX strengths are inconsistent for parent 0");
    ExpectLogged(kSyntaxError, 11, "ERROR: 'FOO' : Unknown Definition Statement");
    ExpectLogged(kOutOfRange, 12, "OUT OF RANGE");
    ExpectLogged(kWrongNodeType, 13, "WRONG NODE TYPE");
    ExpectLogged(kOutOfRange, 14, "ERROR: 'x' : Invalid Identifier");
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 5) << LogDump();
    // Entry m of the list is the position of outcome m in the strength order.
    auto& noisyMax = static_cast<VRX_noisyMAX&>(Def("m"));
    const VRX_intArray& strengths = noisyMax.GetParentOutcomeStrengths()[0];
    ASSERT_EQ(strengths.GetCount(), 3);
    EXPECT_EQ(strengths[0], 1);
    EXPECT_EQ(strengths[1], 2);
    EXPECT_EQ(strengths[2], 0);
}

TEST_F(VrxReaderTest, NumberListsTakeTheWordsOfValuesWithoutDigits) {
    ASSERT_EQ(ReadKeepingPart(
                  "net X\n"
                  "{\n"
                  " node a { TYPE = CPT; DEFINITION = { NAMESTATES = (a0, a1); PROBABILITIES = (-inf, "
                  "+inf); }; };\n"
                  " node b { TYPE = CPT; DEFINITION = { NAMESTATES = (b0, b1);\n"
                  "   PROBABILITIES = (- 0.5, 0.5);\n"
                  "   PROBABILITIES = (nan, 0.25); }; };\n"
                  " node c { TYPE = CPT; DEFINITION = { NAMESTATES = (c0, c1); PROBABILITIES = (infinity, "
                  "1); }; };\n"
                  "};\n"),
              kOutOfRange);
    // The words are read as the values they spell, which no table takes: refused naming the node.
    ExpectLogged(kOutOfRange, 3, "ERROR: Node [a] : entry 0 of its table is no finite number (-inf)");
    ExpectLogged(kSyntaxError, 5, "ERROR: '0.5' : Real Number expected");
    ExpectLogged(kOutOfRange, 6, "ERROR: Node [b] : entry 0 of its table is no finite number (nan)");
    ExpectLogged(kSyntaxError, 7, "ERROR: 'infinity' : ')' expected");
    VRX_Dmatrix* table = nullptr;
    ASSERT_EQ(Def("b").GetDefinition(table), 0);
    EXPECT_EQ((*table)[0], 0.5);  // the default table stays
}

TEST_F(VrxReaderTest, ExtraDefinitionErrors) {
    ASSERT_EQ(ReadKeepingPart("net X\n"
                              "{\n"
                              " node a\n"
                              "  {\n"
                              "   TYPE = CPT;\n"
                              "   DEFINITION = { NAMESTATES = (s0, s1, s2); };\n"
                              "   EXTRA_DEFINITION =\n"
                              "    {\n"
                              "     STATECOMMENTS = (\"one\", \"two\");\n"
                              "     STATEREPAIRINFO = (\"fix\");\n"
                              "     DOCUMENTATION = { \"d0\" = \"p0\"; };\n"
                              "     DOCUMENTATION = { };\n"
                              "     DOCUMENTATION = { \"d2\" = \"p2\"; };\n"
                              "     DOCUMENTATION = { \"d3\" = \"p3\"; };\n"
                              "     COLOUR = 1;\n"
                              "     DIAGNOSIS_TYPE = SOMETHING;\n"
                              "     SHOWAS = 9;\n"
                              "     DEFAULT_STATE = 2;\n"
                              "    };\n"
                              "  };\n"
                              "};\n"),
              kOutOfRange);
    ExpectLogged(kOutOfRange, 9, "Wrong number of state comments");
    ExpectLogged(kOutOfRange, 10, "Wrong number of repair comments");
    ExpectLogged(kOutOfRange, 14, "OUT OF RANGE");
    ExpectLogged(kSyntaxError, 15, "ERROR: 'COLOUR' : Unknown Definition Statement");
    ExpectLogged(kOutOfRange, 16, "ERROR: 'SOMETHING' : Unknown Value, ignored");
    ExpectLogged(kOutOfRange, 17, "ERROR: '9' : Unknown Value, ignored");
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 6) << LogDump();
    VRX_extraDefinition& extra = *net.GetNode(net.FindNode("a"))->GetExtraDefinition();
    for (int i = 0; i < 3; ++i) {
        EXPECT_STREQ(extra.GetOutcomeDescription(i), "");
        EXPECT_STREQ(extra.GetOutcomeFix(i), "");
    }
    EXPECT_STREQ(extra.GetOutcomeDocumentation(0)->GetDocumentTitle(0), "d0");
    EXPECT_EQ(extra.GetOutcomeDocumentation(1)->GetNumberOfDocuments(), 0);
    EXPECT_STREQ(extra.GetOutcomeDocumentation(2)->GetDocumentPath(0), "p2");
    EXPECT_EQ(extra.diagType, DiagnosisType::kAuxiliary);
    EXPECT_EQ(extra.showAs, 4);
    EXPECT_EQ(extra.GetDefaultOutcome(), 2);
}

TEST_F(VrxReaderTest, CostErrors) {
    ASSERT_EQ(ReadKeepingPart("net X\n"
                              "{\n"
                              " node a { TYPE = CPT; };\n"
                              " node b { TYPE = CPT; };\n"
                              " OBSERVATION_COST =\n"
                              "  {\n"
                              "   node z { COSTS = (1); };\n"
                              "   node b\n"
                              "    {\n"
                              "     PARENTS = (q, a);\n"
                              "     RATE = 2;\n"
                              "     COSTS = (7, 8, 9);\n"
                              "    };\n"
                              "  };\n"
                              "};\n"),
              kOutOfRange);
    ExpectLogged(kOutOfRange, 7, "ERROR: Couldn't Find Node (\"z\")");
    ExpectLogged(kOutOfRange, 10, "ERROR: Couldn't add cost arc from node [q] to node [b]");
    ExpectLogged(kSyntaxError, 11, "ERROR: 'RATE' : Unknown Cost Statement");
    ExpectLogged(kOutOfRange, 12, "ERROR: Wrong number of costs");
    const int b = net.FindNode("b");
    ASSERT_EQ(net.GetNumberOfParents(b, 1), 1);
    // As many costs as both hold are taken.
    const VRX_Dmatrix& costs = *net.GetNode(b)->GetCost()->GetCosts();
    ASSERT_EQ(costs.GetNumberOfElements(), 2);
    EXPECT_EQ(costs[0], 7.0);
    EXPECT_EQ(costs[1], 8.0);
}

TEST_F(VrxReaderTest, NoisyOrTakesTheLeakyRowsWithoutTheConstrainedOnes) {
    ASSERT_EQ(Read("net X\n"
                   "{\n"
                   " node p { TYPE = CPT; };\n"
                   " node m\n"
                   "  {\n"
                   "   TYPE = NOISY_OR;\n"
                   "   PARENTS = (p);\n"
                   "   DEFINITION = { NAMESTATES = (yes, no); PROBABILITIES = (0.8, 0.2, 0.1, 0.9); };\n"
                   "  };\n"
                   "};\n"),
              0)
        << LogDump();
    auto& noisyMax = static_cast<VRX_noisyMAX&>(Def("m"));
    VRX_doubleArray leaky;
    ASSERT_EQ(noisyMax.GetLeakyParametersWithoutConstrained(leaky), 0);
    ASSERT_EQ(leaky.GetCount(), 4);
    const double expected[] = {0.8, 0.2, 0.1, 0.9};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(leaky[i], expected[i], 1e-12) << i;
}

TEST_F(VrxReaderTest, NoisyAndRunsOutcomesAndStrengthsTheOtherWay) {
    ASSERT_EQ(ReadKeepingPart(
                  "net X\n"
                  "{\n"
                  " node p { TYPE = CPT; DEFINITION = { NAMESTATES = (p0, p1); }; };\n"
                  " node m\n"
                  "  {\n"
                  "   TYPE = NOISY_AND;\n"
                  "   PARENTS = (p);\n"
                  "   DEFINITION = { NAMESTATES = (on, off); PROBABILITIES = (0.03, 0.97, 0.05, 0.95); };\n"
                  "  };\n"
                  " node w\n"
                  "  {\n"
                  "   TYPE = NOISY_AND;\n"
                  "   PARENTS = (p);\n"
                  "   DEFINITION = { NAMESTATES = (on, off); PROBABILITIES = (0.3, 0.7, 0.05); };\n"
                  "  };\n"
                  "};\n"),
              kOutOfRange);
    ExpectLogged(kOutOfRange, 14, "ERROR: Wrong number of Probabilities");
    auto& noisyMax = static_cast<VRX_noisyMAX&>(Def("m"));
    EXPECT_STREQ((*noisyMax.GetOutcomesNames())[0], "off");
    EXPECT_STREQ((*noisyMax.GetOutcomesNames())[1], "on");
    const VRX_intArray& strengths = noisyMax.GetParentOutcomeStrengths()[0];
    EXPECT_EQ(strengths[0], 1);
    EXPECT_EQ(strengths[1], 0);
    VRX_doubleArray leaky;
    ASSERT_EQ(noisyMax.GetLeakyParametersWithoutConstrained(leaky), 0);
    ASSERT_EQ(leaky.GetCount(), 4);
    const double expected[] = {0.97, 0.03, 0.95, 0.05};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(leaky[i], expected[i], 1e-12) << i;
    // The refused statement left the other node's outcomes as they were.
    EXPECT_STREQ((*Def("w").GetOutcomesNames())[0], "on");
}

TEST_F(VrxReaderTest, CaseErrors) {
    ASSERT_EQ(
        ReadKeepingPart("net X\n"
                        "{\n"
                        " node a { TYPE = CPT; };\n"
                        " CASE =\n"
                        "  {\n"
                        "   NAME = \"c\";\n"
                        "   TARGETS = (a, ghost, a);\n"
                        "   EVIDENCE = { node a { OUTCOME = 5; SLICES = (1); }; node a { OUTCOME = 1; }; };\n"
                        "   SIZE = 3;\n"
                        "  };\n"
                        " CASE = { CATEGORY = \"no name\"; };\n"
                        "};\n"),
        kOutOfRange);
    ExpectLogged(kOutOfRange, 8, "ERROR: Slice evidence comes in pairs of slice and outcome");
    ExpectLogged(kOutOfRange, 8, "ERROR: Node [a] has more than one evidence entry in a CASE");
    ExpectLogged(kOutOfRange, 7, "ERROR: Case [c] : its target [a] is repeated unchanged, read once");
    ExpectLogged(kSyntaxError, 9, "ERROR: 'SIZE' : Unknown Case Statement");
    ExpectLogged(kOutOfRange, 10, "ERROR: Couldn't Find Node (\"ghost\")");
    ExpectLogged(kOutOfRange, 10, "ERROR: Invalid evidence for node [a] (line 8)");
    ExpectLogged(kOutOfRange, 11, "ERROR: Couldn't Create Case (\"\")");
    ASSERT_EQ(net.GetNumberOfCases(), 1);
    EXPECT_EQ(net.GetCase(0)->GetNumberOfTargets(), 1);
    EXPECT_EQ(net.GetCase(0)->GetNumberOfEvidence(), 0);
}

TEST_F(VrxReaderTest, AFileThatIsNoNetworkIsRefusedAndTheNetworkKept) {
    BuildFullNetwork(net);
    const std::string before = WriteNetwork(net);
    EXPECT_EQ(Read("NET X { };"), kSyntaxError);
    ExpectLogged(kSyntaxError, 1, "ERROR: 'NET' : 'net' expected");
    EXPECT_EQ(Read("// nothing but a comment\n"), kSyntaxError);
    ExpectLogged(kSyntaxError, 1, "ERROR: End of File : Expecting 'net'");
    EXPECT_EQ(Read(""), kEndOfFile);
    EXPECT_EQ(Read("net { };"), kSyntaxError);
    EXPECT_EQ(WriteNetwork(net), before);
}

TEST_F(VrxReaderTest, AFileCutShortFailsAndLeavesTheNetworkAsItWas) {
    VRX_network source;
    BuildFullNetwork(source);
    const std::string text = WriteNetwork(source);
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "Mine"), 0);
    ASSERT_EQ(net.userProperties.AddProperty("Kept", "yes"), kSuccess);
    const std::string before = WriteNetwork(net);
    EXPECT_EQ(Read(text.substr(0, text.size() - 3)), kUnexpectedEndOfFile);
    EXPECT_TRUE(Logged(kSyntaxError, "(line " +
                                         std::to_string(std::count(text.begin(), text.end(), '\n') - 1) +
                                         ") : ERROR: End of File : Expecting '}'"))
        << LogDump();
    EXPECT_EQ(WriteNetwork(net), before);
    // Every shorter cut fails the same way.
    const size_t end = text.rfind('}');
    for (size_t cut = 1; cut < end; cut += 37) {
        errorLog.Flush();
        const int rc = Read(text.substr(0, cut));
        ASSERT_NE(rc, 0) << "cut at " << cut;
        ASSERT_EQ(WriteNetwork(net), before) << "cut at " << cut;
    }
}

TEST_F(VrxReaderTest, BinaryAndMalformedInputNeverCrashes) {
    BuildFullNetwork(net);
    const std::string before = WriteNetwork(net);
    uint32_t state = 12345;
    const auto next = [&state]() {
        state = state * 214013u + 2531011u;
        return static_cast<char>((state >> 16) & 0xff);
    };
    for (int round = 0; round < 20; ++round) {
        std::string bytes;
        for (int i = 0; i < 3000; ++i) bytes += next();
        errorLog.Flush();
        ASSERT_NE(Read(bytes), 0) << "round " << round;
        ASSERT_EQ(WriteNetwork(net), before);
    }
    // Binary bytes inside a network: the bad statements are skipped, the rest is read.
    std::string mixed = "net X\n{\n node a { TYPE = CPT; };\n";
    for (int i = 0; i < 400; ++i) mixed += next();
    mixed += "\n};\n node b { TYPE = CPT; };\n};\n";
    errorLog.Flush();
    const int rc = Read(mixed);
    EXPECT_GT(errorLog.GetNumberOfEntries(), 0);
    if (rc != 0) {
        EXPECT_EQ(WriteNetwork(net), before);
    }
}

TEST_F(VrxReaderTest, HugeOrNegativeCountsAreRefused) {
    ASSERT_EQ(ReadKeepingPart("net X\n"
                              "{\n"
                              " node p { TYPE = CPT; };\n"
                              " node n\n"
                              "  {\n"
                              "   TYPE = NOISY_ADDER;\n"
                              "   PARENTS = (p);\n"
                              "   DEFINITION =\n"
                              "    {\n"
                              "     DSTATES = (2147483647, -1, 5);\n"
                              "     DSTATES = (0, 99);\n"
                              "     PARENTWEIGHTS = (1);\n"
                              "     PROBABILITIES = (99999999999999999999999);\n"
                              "    };\n"
                              "  };\n"
                              "};\n"),
              kOutOfRange);
    ExpectLogged(kOutOfRange, 10, "ERROR: Wrong number of distinguished states");
    ExpectLogged(kOutOfRange, 11, "OUT OF RANGE");
    ExpectLogged(kOutOfRange, 12, "OUT OF RANGE");
    ExpectLogged(kOutOfRange, 13, "OUT OF RANGE");
    auto& adder = static_cast<VRX_noisyAdder&>(Def("n"));
    EXPECT_EQ(adder.GetParentDistinguishedStates()[0], 1);
}

// A statement given again at any level of the file: the same is read once with a warning, another is
// refused naming the node or the network and the statement.
TEST_F(VrxReaderTest, AStatementGivenAgainIsReadOnceOrRefusedAtEveryLevel) {
    const std::string text =
        "net N\n{\n NUMSAMPLES = 1000;\n WINDOWPOSITION = { CENTER_X = 1; };\n"
        " USER_PROPERTIES = { owner = \"me\"; };\n"
        " node A\n {\n  TYPE = CPT;\n  HEADER = { ID = A; NAME = \"a\"; };\n"
        "  SCREEN = { POSITION = { CENTER_X = 6; }; COLOR = 2; };\n"
        "  DEFINITION = { NAMESTATES = (p, q); PROBABILITIES = (0.5, 0.5); };\n"
        "  EXTRA_DEFINITION = { RANKED = FALSE; QUESTION = \"why\"; DEFAULT_STATE = 0; };\n };\n"
        " OBSERVATION_COST = { node A { COSTS = (1); }; };\n};\n";
    struct Repeat {
        const char* after;  // the statement, which the repeat follows
        const char* other;  // a different one
        const char* owner;
        const char* part;
    };
    const Repeat repeats[] = {
        {"NUMSAMPLES = 1000;", "NUMSAMPLES = 5;", "Network [N]", "'NUMSAMPLES' statement"},
        {"WINDOWPOSITION = { CENTER_X = 1; };", "WINDOWPOSITION = { CENTER_X = 3; };", "Network [N]",
         "'WINDOWPOSITION' statement"},
        {"owner = \"me\";", "owner = \"you\";", "Network [N]", "'owner' statement in USER_PROPERTIES"},
        {"NAME = \"a\";", "NAME = \"b\";", "Node [A]", "'NAME' statement in HEADER"},
        {"CENTER_X = 6;", "CENTER_X = 4;", "Node [A]", "'CENTER_X' statement in SCREEN POSITION"},
        {"COLOR = 2;", "COLOR = 3;", "Node [A]", "'COLOR' statement in SCREEN"},
        {"RANKED = FALSE;", "RANKED = TRUE;", "Node [A]", "'RANKED' statement in EXTRA_DEFINITION"},
        {"QUESTION = \"why\";", "QUESTION = \"how\";", "Node [A]",
         "'QUESTION' statement in EXTRA_DEFINITION"},
        {"DEFAULT_STATE = 0;", "DEFAULT_STATE = 1;", "Node [A]",
         "'DEFAULT_STATE' statement in EXTRA_DEFINITION"},
        {"COSTS = (1);", "COSTS = (2);", "Node [A]", "'COSTS' statement in OBSERVATION_COST"},
        {"node A { COSTS = (1); };", "node A { COSTS = (2); };", "Node [A]", "OBSERVATION_COST entry"},
    };
    for (const Repeat& r : repeats) {
        for (const bool same : {true, false}) {
            SCOPED_TRACE(std::string(r.after) + (same ? " again" : " and another"));
            std::string file = text;
            const size_t at = file.find(r.after);
            ASSERT_NE(at, std::string::npos);
            file.insert(at + std::strlen(r.after), std::string(" ") + (same ? r.after : r.other));
            errorLog.Flush();
            net.CleanUp(1);
            const std::string message = VRX_textFormat::RepeatedMessage(r.owner, r.part, same);
            if (same) {
                EXPECT_EQ(Read(file), kSuccess) << LogDump();
                ASSERT_EQ(LoggedMessages().size(), 1u) << LogDump();
                EXPECT_NE(LoggedMessages()[0].find(message), std::string::npos) << LogDump();
            } else {
                EXPECT_EQ(Read(file), kOutOfRange);
                EXPECT_TRUE(LoggedPart(message)) << LogDump();
            }
        }
    }
}

}  // namespace
