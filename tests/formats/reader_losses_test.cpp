// What the readers of every format do with content that would otherwise be lost or changed without a
// word: short tables, rows left out or repeated, tables never given, definitions and statements repeated,
// tables in another scale, outcome names repaired, net-level statements without node content; and files
// of those forms that must read.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "formats/hugin_format.h"
#include "tests/support/arrays.h"
#include "tests/support/error_log.h"
#include "tests/support/format_round_trip.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

class ReaderLossesTest : public FreshLogTest<> {};

TEST_F(ReaderLossesTest, PinballReadsItsRepeatedDefinitionOnce) {
    VRX_network net;
    ASSERT_EQ(ReadAsFile(net, FormatSampleText("pinball_id.xml"), "xml03"), kSuccess) << LogDump();
    EXPECT_TRUE(Logged(kOutOfRange,
                       "(line 42) : ERROR: Node [Setting] : its definition is repeated unchanged, "
                       "read once"))
        << LogDump();
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
    const std::vector<double> play = Beliefs(net, net.FindNode("Play"));
    // hard: 0.25 x 100 + 0.75 x 335; easy: 0.5 x 200 + 0.5 x 300.
    ExpectNear(play, {276.25, 250.0});
    EXPECT_EQ(*std::max_element(play.begin(), play.end()), 276.25);
}

TEST_F(ReaderLossesTest, AnXmlBifTableInPercentIsScaled) {
    VRX_network net;
    ASSERT_EQ(ReadAsFile(net, FormatSampleText("percent_id.xml"), "xml03"), kSuccess) << LogDump();
    EXPECT_TRUE(Logged(kOutOfRange,
                       "(line 10) : ERROR: Node [imp1] : every distribution of its table sums to "
                       "100, scaled to sum to 1"))
        << LogDump();
    ExpectNear(TableOf(net, net.FindNode("imp1")), {0.78, 0.15, 0.07, 0.31, 0.41, 0.28}, 1e-15);
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
    // a: 0.78 x 10 + 0.15 x 20 + 0.07 x 30; b: 0.41 x 50 + 0.28 x 100.
    ExpectNear(Beliefs(net, net.FindNode("act")), {12.9, 48.5}, 1e-12);
}

TEST_F(ReaderLossesTest, NeticaNodeSetsAreSkippedWithAWarning) {
    VRX_network net;
    ASSERT_EQ(ReadAsFile(net, FormatSampleText("netica5_nodeset.dne"), "dne"), kSuccess) << LogDump();
    EXPECT_TRUE(
        Logged(kSyntaxError, "(line 42) : ERROR: 'NodeSet' : Net Statement of no node content, skipped"))
        << LogDump();
    EXPECT_TRUE(
        Logged(kSyntaxError, "(line 43) : ERROR: 'ElimOrder' : Net Statement of no node content, skipped"))
        << LogDump();
    ASSERT_EQ(net.GetNode(net.FindNode("Item1"))->GetValue()->SetEvidence(1), kSuccess);
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
    // 0.6 x 0.8 / (0.4 x 0.3 + 0.6 x 0.8)
    ExpectNear(Beliefs(net, net.FindNode("Theta")), {0.2, 0.8}, 1e-12);
}

TEST_F(ReaderLossesTest, HuginTablesAreReadNormalisedAndColumnsSummingToOneKeepTheirNumbers) {
    VRX_network net;
    ASSERT_EQ(
        ReadAsFile(net,
                   "net {}\nnode A { states = (\"a\" \"b\" \"c\"); }\nnode B { states = (\"x\" \"y\"); }\n"
                   "potential (A) { data = (0.1 0.2 0.7); }\npotential (B | A) { data = ((2 2) (0.3 0.7) "
                   "(0 0)); }\n",
                   "net"),
        kSuccess)
        << LogDump();
    EXPECT_EQ(TableOf(net, net.FindNode("A")), (std::vector<double>{0.1, 0.2, 0.7}));
    EXPECT_EQ(TableOf(net, net.FindNode("B")), (std::vector<double>{0.5, 0.5, 0.3, 0.7, 0.5, 0.5}));
    EXPECT_EQ(LoggedMessages(),
              (std::vector<std::string>{"(line 5) : ERROR: Node [B] : column 0 of its table "
                                        "sums to 4, scaled to sum to 1; 1 other column was "
                                        "changed likewise"}));
    const std::string text = WrittenText<VRX_huginSpeaker>(net);
    EXPECT_EQ(text.find("0.7000000000000001"), std::string::npos) << text;
}

const char* const kVrxHead =
    "net n\n{\n node A\n  {\n   TYPE = CPT;\n   HEADER = { ID = A; NAME = \"A\"; };\n";

// Files whose content a reader takes only with a word, or refuses: every entry logged, and node A as read.
struct Reading {
    const char* what;
    const char* extension;
    std::string text;
    int status;
    std::vector<std::string> log;
    std::vector<std::string> outcomes = {};  // of node A, when read
    std::vector<double> table = {};
};

// Tuberculosis's statements (from "kind" to its visual block) repeated at the end of Smoking's block.
std::string ChestClinicWithTuberculosisInSmoking() {
    const std::string text = FormatSampleText("ChestClinic_nohdr.dne");
    const size_t from = text.find("\tkind", text.find("node Tuberculosis {"));
    const size_t to = text.find("\t};", text.find("visual V1", from)) + 3;
    const size_t at = text.rfind("\t};", text.find("node Cancer {"));
    return text.substr(0, at) + text.substr(from, to - from) + "\n" + text.substr(at);
}

// The text with `inserted` after the first `after`.
std::string Inserted(const std::string& text, const std::string& after, const std::string& inserted) {
    const size_t at = text.find(after) + after.size();
    return text.substr(0, at) + inserted + text.substr(at);
}

std::string Repeated(const char* node, const char* word, int line) {
    return "(line " + std::to_string(line) + ") : ERROR: Node [" + node + "] : its '" + word +
           "' statement is repeated unchanged, read once";
}

std::string GivenTwice(const char* node, const char* word, int line) {
    return "(line " + std::to_string(line) + ") : ERROR: Node [" + node + "] has more than one '" + word +
           "' statement";
}

TEST_F(ReaderLossesTest, RepeatsRenamedOutcomesAndScaledColumnsAreNamed) {
    const std::string hugin = "net {}\nnode A {\n label = \"A\"; states = (\"y\" \"n\");\n";
    const std::string huginEnd = "}\npotential (A) { data = (0.2 0.8); }\n";
    const std::string msbn =
        "belief network \"n\"\nnode A {\n name : \"A\"; type : discrete[2] = { \"y\", \"n\" };\n";
    const std::string msbnEnd = "}\nprobability(A) { 0.2, 0.8; }\n";
    const std::string vrx =
        std::string(kVrxHead) + "   DEFINITION = { NAMESTATES = (y, n); PROBABILITIES = (0.2, 0.8);\n";
    const std::string vrxEnd = " };\n  };\n};\n";
    const std::string netica =
        "bnet n {\nnode A { kind = NATURE; discrete = TRUE; states = (y, n); parents = ();\n"
        " probs = (0.2, 0.8);\n";
    const std::string bif =
        "<BIF VERSION=\"0.3\"><NETWORK><NAME>n</NAME>\n<VARIABLE><NAME>A</NAME>"
        "<OUTCOME>1</OUTCOME><OUTCOME>x1</OUTCOME></VARIABLE>\n"
        "<DEFINITION><FOR>A</FOR><TABLE>0.2 0.8</TABLE></DEFINITION></NETWORK></BIF>";
    const std::vector<std::string> yn = {"y", "n"};
    const std::vector<double> table = {0.2, 0.8};
    const char* smoking = "Smoking";
    const Reading cases[] = {
        {"netica: another node's statements inside a node",
         "dne",
         ChestClinicWithTuberculosisInSmoking(),
         kOutOfRange,
         // The refusals first, what was passed over after them.
         {GivenTwice(smoking, "states", 95), GivenTwice(smoking, "parents", 96),
          GivenTwice(smoking, "probs", 100), GivenTwice(smoking, "title", 101),
          GivenTwice(smoking, "whenchanged", 102), GivenTwice(smoking, "belief", 103),
          Repeated(smoking, "kind", 92), Repeated(smoking, "discrete", 93), Repeated(smoking, "chance", 94)}},
        {"netica: a statement repeated unchanged",
         "dne",
         netica + " states = (y, n);\n};\n};\n",
         kSuccess,
         {Repeated("A", "states", 4)},
         yn,
         table},
        // One visual block per view: each is read.
        {"netica: two visual blocks",
         "dne",
         netica + " visual V1 { center = (1, 2); };\n visual V2 { center = (3, 4); };\n};\n};\n",
         kSuccess,
         {},
         yn,
         table},
        {"hugin: states and label repeated unchanged",
         "net",
         hugin + " states = (\"y\" \"n\"); label = \"A\";\n" + huginEnd,
         kSuccess,
         {Repeated("A", "states", 4), Repeated("A", "label", 4)},
         yn,
         table},
        {"hugin: states and label given twice",
         "net",
         hugin + " states = (\"y\" \"n\" \"m\"); label = \"B\";\n" + huginEnd,
         kOutOfRange,
         {GivenTwice("A", "states", 4), GivenTwice("A", "label", 4)}},
        {"msbn: type and name repeated unchanged",
         "dsc",
         msbn + " type : discrete[2] = { \"y\", \"n\" }; name : \"A\";\n" + msbnEnd,
         kSuccess,
         {Repeated("A", "type", 4), Repeated("A", "name", 4)},
         yn,
         table},
        {"msbn: type and name given twice",
         "dsc",
         msbn + " type : discrete[2] = { \"n\", \"y\" }; name : \"B\";\n" + msbnEnd,
         kOutOfRange,
         {GivenTwice("A", "type", 4), GivenTwice("A", "name", 4)}},
        {"own format: NAMESTATES and PROBABILITIES repeated unchanged",
         "vrx",
         vrx + " NAMESTATES = (y, n); PROBABILITIES = (0.2, 0.8);" + vrxEnd,
         kSuccess,
         {Repeated("A", "NAMESTATES", 8), Repeated("A", "PROBABILITIES", 8)},
         yn,
         table},
        {"own format: NAMESTATES and PROBABILITIES given twice",
         "vrx",
         vrx + " NAMESTATES = (y, no); PROBABILITIES = (0.8, 0.2);" + vrxEnd,
         kOutOfRange,
         {GivenTwice("A", "NAMESTATES", 8), GivenTwice("A", "PROBABILITIES", 8)}},
        // A statement after the table would replace it.
        {"netica: states after the table",
         "dne",
         "bnet n {\nnode A { kind = NATURE; discrete = TRUE; probs = (0.2, 0.8);\n states = (y, "
         "n);\n};\n};\n",
         kOutOfRange,
         {"(line 3) : ERROR: Node [A] : its 'states' statement follows its table, which it would replace"}},
        {"own format: NAMESTATES after PROBABILITIES",
         "vrx",
         std::string(kVrxHead) + "   DEFINITION = { PROBABILITIES = (0.2, 0.8); NAMESTATES = (y, n);" +
             vrxEnd,
         kOutOfRange,
         {"(line 7) : ERROR: Node [A] : its 'NAMESTATES' statement follows its table, which it would "
          "replace"}},
        {"hugin: a potential repeated unchanged",
         "net",
         hugin + huginEnd + "potential (A) { data = (0.2 0.8); }\n",
         kSuccess,
         {"(line 6) : ERROR: Node [A] : its potential is repeated unchanged, read once"},
         yn,
         table},
        {"hugin: a potential given twice",
         "net",
         hugin + huginEnd + "potential (A) { data = (0.8 0.2); }\n",
         kOutOfRange,
         {"(line 6) : ERROR: Node [A] has more than one potential"}},
        {"msbn: a potential repeated unchanged",
         "dsc",
         msbn + msbnEnd + "probability(A) { 0.2, 0.8; };\n",
         kSuccess,
         {"(line 6) : ERROR: Node [A] : its potential is repeated unchanged, read once"},
         yn,
         table},
        {"msbn: a decision's potential given twice",
         "dsc",
         "belief network \"n\"\nnode D { type : discrete[2] = { \"a\", \"b\" }; }\ninformation(D);\n"
         "information(D);\n",
         kOutOfRange,
         {"(line 4) : ERROR: Node [D] has more than one potential"}},
        {"msbn: a potential given twice",
         "dsc",
         msbn + msbnEnd + "probability(A) { 0.3, 0.7; }\n",
         kOutOfRange,
         {"(line 6) : ERROR: Node [A] has more than one potential"}},
        {"ki: PROB given twice",
         "dxp",
         "diagnostic network \"n\"\nKB { };\nNodes {\n standard A { TYPE : discrete [2] = { standard y { }; "
         "standard n { }; }; }\n}\nnetwork {\n standard A parent ( ) { PROB : { 0.2, 0.8; }; PROB : { 0.8, "
         "0.2; }; }\n}\n",
         kOutOfRange,
         {"(line 7) : ERROR: Node [A] has more than one 'PROB' statement"}},
        {"xmlbif: NAME given twice",
         "xml03",
         Inserted(bif, "<NAME>A</NAME>", "<NAME>B</NAME>"),
         kOutOfRange,
         {"(line 2) : ERROR: Node [A] has more than one 'NAME' element",
          "(line 2) : ERROR: Node [A] : outcome \"1\" renamed \"x12\""}},
        // A valid name keeps it; the one repaired takes a name no other outcome has.
        {"hugin: a state renamed onto another",
         "net",
         "net {}\nnode A { states = (\"a b\" \"a_b\"); }\npotential (A) { data = (0.2 0.8); }\n",
         kSuccess,
         {"(line 2) : ERROR: Node [A] : outcome \"a b\" renamed \"a_b2\""},
         {"a_b2", "a_b"},
         table},
        {"msbn: a state renamed onto another",
         "dsc",
         "belief network \"n\"\nnode A { type : discrete[2] = { \"a-b\", \"a_b\" }; }\n"
         "probability(A) { 0.2, 0.8; }\n",
         kSuccess,
         {"(line 2) : ERROR: Node [A] : outcome \"a-b\" renamed \"a_b2\""},
         {"a_b2", "a_b"},
         table},
        {"xmlbif: an outcome renamed onto another",
         "xml03",
         bif,
         kSuccess,
         {"(line 2) : ERROR: Node [A] : outcome \"1\" renamed \"x12\""},
         {"x12", "x1"},
         table},
        // Scaled as read, and named: 0.2 / 0.5, 0.3 / 0.5; a zero column uniform, 3 and 1 over 4.
        {"hugin: a column summing to 0.5",
         "net",
         "net {}\nnode A { states = (\"y\" \"n\"); }\npotential (A) { data = (0.2 0.3); }\n",
         kSuccess,
         {"(line 3) : ERROR: Node [A] : column 0 of its table sums to 0.5, scaled to sum to 1"},
         yn,
         {0.4, 0.6}},
        {"hugin: columns of zeros and of counts",
         "net",
         "net {}\nnode B { states = (\"x\" \"z\" \"w\"); }\nnode A { states = (\"y\" \"n\"); }\n"
         "potential (B) { data = (0.2 0.3 0.5); }\npotential (A | B) {\n data = ((0 0) (0 0) (3 1));\n}\n",
         kSuccess,
         {"(line 6) : ERROR: Node [A] : column 0 of its table sums to 0, made uniform; 2 other columns were "
          "changed likewise"},
         yn,
         {0.5, 0.5, 0.5, 0.5, 0.75, 0.25}},
    };
    for (const Reading& item : cases) {
        SCOPED_TRACE(item.what);
        errorLog.Flush();
        VRX_network net;
        EXPECT_EQ(ReadAsFile(net, item.text, item.extension), item.status) << LogDump();
        std::vector<std::string> named;
        for (const std::string& entry : LoggedMessages()) {
            if (entry.find("ERROR: Node [") != std::string::npos) named.push_back(entry);
        }
        EXPECT_EQ(named, item.log) << LogDump();
        if (item.status != kSuccess) {
            EXPECT_EQ(net.GetNumberOfNodes(), 0);
            continue;
        }
        const int a = net.FindNode("A");
        EXPECT_EQ(OutcomesOf(net, a), item.outcomes);
        EXPECT_EQ(TableOf(net, a), item.table);
    }
}

struct Damage {
    const char* what;
    const char* extension;
    std::string text;
    int status;
    std::string message;  // a part of some entry
};

TEST_F(ReaderLossesTest, EveryReaderNamesTheNodeOfALostTable) {
    const std::string msbnNodes =
        "belief network \"n\"\nnode A { type: discrete[2] = { \"a\", \"b\" }; }\n"
        "node B { type: discrete[2] = { \"x\", \"y\" }; }\n";
    const std::string bif =
        "<BIF VERSION=\"0.3\"><NETWORK><NAME>n</NAME>"
        "<VARIABLE><NAME>A</NAME><OUTCOME>a</OUTCOME><OUTCOME>b</OUTCOME></VARIABLE>"
        "<VARIABLE><NAME>B</NAME><OUTCOME>x</OUTCOME><OUTCOME>y</OUTCOME></VARIABLE>"
        "<DEFINITION><FOR>A</FOR><TABLE>0.5 0.5</TABLE></DEFINITION>";
    const Damage cases[] = {
        {"hugin short table", "net",
         "net {}\nnode A { states = (\"a\" \"b\"); }\nnode B { states = (\"x\" \"y\"); }\n"
         "potential (A) { data = (0.4 0.6); }\npotential (B | A) { data = (0.6); }\n",
         kOutOfRange, "(line 5) : ERROR: Node [B] : 1 numbers read, 4 needed"},
        {"netica short table", "dne",
         "bnet n {\nnode A { kind = NATURE; discrete = TRUE; states = (a, b); parents = ();\n"
         " probs = (0.5, 0.5); };\nnode B { kind = NATURE; discrete = TRUE; states = (x, y); parents = (A);\n"
         " probs = ((0.5, 0.5), (0.5)); };\n};\n",
         kOutOfRange, "(line 5) : ERROR: Node [B] : 3 numbers read, 4 needed"},
        {"netica node set in a damaged form", "dne",
         "bnet n {\nnode A { kind = NATURE; discrete = TRUE; states = (a, b); parents = ();\n"
         " probs = (0.5, 0.5); };\nNodeSe ReportingVars {Nodes = (A);};\n};\n",
         kSyntaxError,
         "(line 4) : ERROR: 'NodeSe' : Unknown Net Statement; what was skipped may have held a node"},
        {"own format short table", "vrx",
         std::string(kVrxHead) +
             "   DEFINITION = { NAMESTATES = (a, b); PROBABILITIES = (0.5); };\n  };\n};\n",
         kOutOfRange, "(line 7) : ERROR: Node [A] : 1 numbers read, 2 needed"},
        {"own format short resulting states", "vrx",
         "net n\n{\n node B { TYPE = CPT; DEFINITION = { NAMESTATES = (x, y); PROBABILITIES = (0.5, 0.5); }; "
         "};\n"
         " node A { TYPE = TRUTHTABLE; PARENTS = (B);\n"
         "  DEFINITION = { NAMESTATES = (a, b); RESULTINGSTATES = (a); }; };\n};\n",
         kInvalidData, "(line 5) : ERROR: Node [A] : 1 resulting states read, 2 needed"},
        {"own format without probabilities", "vrx",
         std::string(kVrxHead) + "   DEFINITION = { NAMESTATES = (a, b); };\n  };\n};\n", kSuccess,
         "ERROR: Node [A] : the file gives no table, a default one is used"},
        {"own format noisy-MAX without parameters", "vrx",
         "net n\n{\n node A\n  {\n   TYPE = NOISY_MAX;\n   HEADER = { ID = A; };\n"
         "   DEFINITION = { NAMESTATES = (a, b); };\n  };\n};\n",
         kSuccess, "ERROR: Node [A] : the file gives no parameters, default ones are used"},
        {"own format with a damaged keyword", "vrx",
         std::string(kVrxHead) +
             "   DEFINITION = { NAMESTATES = (a, b); PROBABILI00000, 0.5, 0.5; };\n  };\n};\n",
         kSuccess, "ERROR: Node [A] : the file gives no table, a default one is used"},
        {"ki node without a table", "dxp",
         "diagnostic network \"n\"\nkb { };\nnodes {\n standard A { TYPE : discrete [2] = { standard a { }; "
         "standard b { }; }; }\n}\nnetwork {\n}\n",
         kSuccess, "ERROR: Node [A] : the file gives no table, a default one is used"},
        {"ki noisy node whose states were skipped", "dxp",
         "diagnostic network \"n\"\nkb { };\nnodes {\n ci A { TYP : discrete [2] = { standard a { }; "
         "standard b { }; }; }\n}\nnetwork {\n}\n",
         kSyntaxError, "ERROR: Node [A] : no states were read, and what was skipped may have held them"},
        {"msbn row left out", "dsc",
         msbnNodes + "probability(A) { 0.5, 0.5; }\nprobability(B | A) { (0): 0.1, 0.9; }\n", kOutOfRange,
         "(line 5) : ERROR: Node (\"B\") : row (1) of its table is not given"},
        {"msbn row given twice", "dsc",
         msbnNodes + "probability(A) { 0.5, 0.5; }\nprobability(B | A) { (0): 0.1, 0.9; (0): 0.2, 0.8; }\n",
         kOutOfRange, "(line 5) : ERROR: Node (\"B\") : row (0) is given twice"},
        {"msbn row repeated", "dsc",
         msbnNodes +
             "probability(A) { 0.5, 0.5; }\nprobability(B | A) { (0): 0.1, 0.9; (1): 0.2, 0.8; (0): 0.1, "
             "0.9; }\n",
         kSuccess, "(line 5) : ERROR: Node (\"B\") : its row (0) is repeated unchanged, read once"},
        {"msbn row cut short", "dsc",
         msbnNodes + "probability(A) { 0.5, 0.5; }\nprobability(B | A) { (0): 0.1, 0.9; (1): 0.2; }\n",
         kOutOfRange, "ERROR: Node (\"B\") : row (1) of its table is not given"},
        {"xmlbif damaged type attribute", "xml03",
         "<BIF VERSION=\"0.3\"><NETWORK><NAME>n</NAME><VARIABLE TYPX=\"decision\"><NAME>A</NAME>"
         "<OUTCOME>a</OUTCOME><OUTCOME>b</OUTCOME></VARIABLE></NETWORK></BIF>",
         kSuccess, "ERROR: 'TYPX' : Unknown Node Attribute, ignored"},
        {"xmlbif short table", "xml03",
         bif + "<DEFINITION><FOR>B</FOR><GIVEN>A</GIVEN><TABLE>0.5 0.5 "
               "0.5</TABLE></DEFINITION></NETWORK></BIF>",
         kOutOfRange, "ERROR: Node [B] was expecting 4 numbers but 3 were read"},
        {"xmlbif second definition of a node without parents", "xml03",
         bif + "<DEFINITION><FOR>A</FOR><TABLE>0.1 0.9</TABLE></DEFINITION></NETWORK></BIF>", kOutOfRange,
         "ERROR: Node [A] has more than one definition"},
        {"xmlbif second definition of a node with parents", "xml03",
         bif + "<DEFINITION><FOR>B</FOR><GIVEN>A</GIVEN><TABLE>0.5 0.5 0.5 0.5</TABLE></DEFINITION>"
               "<DEFINITION><FOR>B</FOR><GIVEN>A</GIVEN><TABLE>0.5 0.5 0.4 "
               "0.6</TABLE></DEFINITION></NETWORK></BIF>",
         kOutOfRange, "ERROR: Node [B] has more than one definition"},
        {"xmlbif column out of step", "xml03",
         bif + "<DEFINITION><FOR>B</FOR><GIVEN>A</GIVEN><TABLE>0.5 0.5 99999999999 0</TABLE></DEFINITION>"
               "</NETWORK></BIF>",
         kOutOfRange, "ERROR: Node [B] : 99999999999 is no probability"},
        {"xmlbif negative entry in percent", "xml03",
         bif + "<DEFINITION><FOR>B</FOR><GIVEN>A</GIVEN><TABLE>50 50 110 "
               "-10</TABLE></DEFINITION></NETWORK></BIF>",
         kOutOfRange, "ERROR: Node [B] : -10 is no probability"},
    };
    for (const Damage& item : cases) {
        SCOPED_TRACE(item.what);
        errorLog.Flush();
        VRX_network net;
        EXPECT_EQ(ReadAsFile(net, item.text, item.extension), item.status) << LogDump();
        EXPECT_TRUE(LoggedPart(item.message)) << item.message << "\n" << LogDump();
    }
}

}  // namespace
