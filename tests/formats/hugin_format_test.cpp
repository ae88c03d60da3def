// The Hugin format: the reference networks and real files read, round trips keep the model and the
// posteriors, and bad input fails with its message and leaves the network as it was.
#include <gtest/gtest.h>

#include <cfloat>
#include <string>

#include "base/counted_notices.h"
#include "formats/hugin_format.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_info.h"
#include "model/submodel.h"
#include "tests/support/arrays.h"
#include "tests/support/compare.h"
#include "tests/support/format_round_trip.h"
#include "tests/support/network_fixture.h"
#include "tests/support/networks.h"
#include "tests/support/pedigree_network.h"
#include "tests/support/temp_file.h"

namespace {

using namespace vovido::test;

// Posteriors of two cases show the round-tripped network infers as the references say.
constexpr size_t kCases = 2;

int ReadHugin(VRX_network& net, const std::string& text) {
    return ReadAsFile(net, text, "net");
}

std::string WriteHugin(VRX_network& net) {
    return WrittenText<VRX_huginSpeaker>(net);
}

// The reader scales every distribution to sum to 1: a column that sums to 1 only up to rounding
// changes in its last bits, and one of the reference files, whose numbers have 7 digits, by up to that
// rounding (and so do the posteriors).
constexpr double kNormalised = 1e-15;
constexpr double kSevenDigits = 1e-7;
constexpr double kPosteriorsOfSevenDigits = 1e-7;

class HuginReferenceTest : public ::testing::TestWithParam<const char*> {};

// The Hugin twin reads as the XML one, gives the reference posteriors, and survives a round trip.
TEST_P(HuginReferenceTest, ReadsAndRoundTrips) {
    const std::string name = GetParam();
    errorLog.Flush();
    VRX_network hugin;
    ASSERT_EQ(hugin.ReadFile(ReferencePath(name, ".net").c_str()), kSuccess) << LogDump();
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << LogDump();
    VRX_network xml;
    ASSERT_EQ(xml.ReadFile(ReferencePath(name, ".xvrx").c_str()), kSuccess) << LogDump();
    ExpectSameModel(xml, hugin, kSevenDigits);

    VRX_network back;
    ASSERT_EQ(ReadHugin(back, WriteHugin(hugin)), kSuccess) << LogDump();
    ExpectSameModel(hugin, back, kNormalised);
    ExpectReferencePosteriors(back, name, kCases, kPosteriorsOfSevenDigits);
}

INSTANTIATE_TEST_SUITE_P(Networks, HuginReferenceTest,
                         ::testing::Values("asia", "child", "insurance", "water", "alarm", "hailfinder",
                                           "hepar2", "win95pts", "andes"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

TEST(HuginRealFiles, ReadWithoutError) {
    const struct {
        const char* file;
        int nodes;
        bool influenceDiagram;
    } files[] = {
        {"asia_bnlearn.net", 8, false}, {"car_buyer_id.net", 7, true}, {"bn_with_experience.net", 20, false}};
    for (const auto& item : files) {
        errorLog.Flush();
        VRX_network net;
        ASSERT_EQ(net.ReadFile(FormatSamplePath(item.file).c_str()), kSuccess) << item.file << LogDump();
        EXPECT_EQ(net.GetNumberOfNodes(), item.nodes) << item.file;
        if (!item.influenceDiagram) {
            EXPECT_EQ(net.UpdateBeliefs(), kSuccess) << item.file << LogDump();
        }
        VRX_network back;
        ASSERT_EQ(ReadHugin(back, WriteHugin(net)), kSuccess) << item.file << LogDump();
        ExpectSameModel(net, back, kNormalised);
    }
    VRX_network bnlearn;
    ASSERT_EQ(bnlearn.ReadFile(FormatSamplePath("asia_bnlearn.net").c_str()), kSuccess);
    ExpectReferencePosteriors(bnlearn, "asia", kCases, kPosteriorsOfSevenDigits);
}

// Files that warn over and over (an outcome renamed in every node, tool statements skipped) give one
// entry per kind of notice, counted.
TEST(HuginRealFiles, RepeatedNoticesAreOneEntryPerKind) {
    const std::string pigsRenamed =
        "outcome names that are not identifiers were rewritten in 441 nodes (1,323 outcomes), e.g. Node "
        "[p630400091] \"0\" renamed \"x0\", Node [p630400091] \"1\" renamed \"x1\", Node [p630400091] "
        "\"2\" renamed \"x2\", …";
    const struct {
        const char* what;
        std::string text;
        const char* extension;
        std::vector<std::string> log;
    } files[] = {
        {"pedigree, Hugin", PedigreeNetworkText(false), "net", {pigsRenamed}},
        {"pedigree, XMLBIF", PedigreeNetworkText(true), "xml03", {pigsRenamed}},
        {"bn_with_experience.net",
         FormatSampleText("bn_with_experience.net"),
         "net",
         {"statements the reader does not know were skipped: 79 statements, e.g. 'HR_Desc' (line 4), "
          "'HR_OOBN_CheckConsistency' (line 5), 'HR_OOBN_FitExpand' (line 6), …",
          "outcome names that are not identifiers were rewritten in 20 nodes (98 outcomes), e.g. Node [Z0] "
          "\"0.0\" renamed \"x0_0\", Node [Z0] \"1.0\" renamed \"x1_0\", Node [Z0] \"2.0\" renamed "
          "\"x2_0\", …"}},
    };
    for (const auto& item : files) {
        errorLog.Flush();
        VRX_network net;
        ASSERT_EQ(ReadAsFile(net, item.text, item.extension), kSuccess) << item.what << LogDump();
        EXPECT_EQ(LoggedMessages(), item.log) << item.what;
    }
}

// The influence diagram keeps its decisions, utility table and informational arcs.
TEST(HuginRealFiles, InfluenceDiagram) {
    VRX_network net;
    ASSERT_EQ(net.ReadFile(FormatSamplePath("car_buyer_id.net").c_str()), kSuccess) << LogDump();
    EXPECT_EQ(net.GetNodeType(net.FindNode("D1")), DefinitionType::kList);
    EXPECT_EQ(net.GetNodeType(net.FindNode("U4")), DefinitionType::kTable);
    EXPECT_EQ(IdsOf(net, net.GetParents(net.FindNode("D3"))),
              (std::vector<std::string>{"D2", "D1", "C5", "C6"}));
    VRX_Dmatrix* utilities = nullptr;
    ASSERT_EQ(net.GetNode(net.FindNode("U4"))->GetDefinition()->GetDefinition(utilities), kSuccess);
    ASSERT_EQ(utilities->GetNumberOfElements(), 48);
    EXPECT_EQ((*utilities)[2], 60.0);
    EXPECT_EQ((*utilities)[3], -100.0);
    EXPECT_EQ(Text(net.GetNode(net.FindNode("D1"))->GetInfo()->header.GetName()), "T1: Do test 1?");
    // States with blanks and '/' become identifiers.
    EXPECT_EQ(Names(Def(net, "D1")),
              (std::vector<std::string>{"no_test", "steering", "fuel_elect", "transmission"}));
    // Expected utilities of configurations that cannot occur hold the undefined marker, exactly, so a
    // caller can tell them from a real expected utility near 0.
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
    VRX_Dmatrix* d2 = nullptr;
    ASSERT_EQ(net.GetNode(net.FindNode("D2"))->GetValue()->GetValue(d2), kSuccess);
    ASSERT_EQ(d2->GetNumberOfElements(), 32);
    int undefined = 0;
    for (int i = 0; i < 32; ++i) undefined += (*d2)[i] == 2 * DBL_MIN;
    EXPECT_EQ(undefined, 16);
    // So do a chance node's beliefs under such a scenario: they are not scaled into a distribution.
    VRX_Dmatrix* c7 = nullptr;
    ASSERT_EQ(net.GetNode(net.FindNode("C7"))->GetValue()->GetValue(c7), kSuccess);
    EXPECT_EQ((*c7)[0], 0.8);
    EXPECT_EQ((*c7)[2], 2 * DBL_MIN);
    EXPECT_EQ((*c7)[3], 2 * DBL_MIN);
}

// Every column of every table read sums to 1 within rounding.
void ExpectNormalisedTables(VRX_network& net, const std::string& where) {
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        if (net.GetNodeType(h) != DefinitionType::kCpt) continue;
        const std::vector<double> table = TableOf(net, h);
        const size_t run = static_cast<size_t>(Def(net, IdOf(net, h).c_str()).GetNumberOfOutcomes());
        for (size_t start = 0; start + run <= table.size(); start += run) {
            double sum = 0.0;
            for (size_t i = start; i < start + run; ++i) sum += table[i];
            EXPECT_NEAR(sum, 1.0, 1e-12) << where << ": " << IdOf(net, h) << " column " << start / run;
        }
    }
}

// Counts read as probabilities, with one warning naming the nodes; the network updates without a
// word and reads back from every format that takes probabilities only.
TEST(HuginReader, CountsAreReadAsProbabilities) {
    const std::string text =
        "net {}\nnode A { states = (\"a\" \"b\"); }\nnode B { states = (\"x\" \"y\"); }\n"
        "potential (A) { data = (3 1); }\npotential (B | A) { data = ((2 2) (0.25 0.7500001)); }\n";
    errorLog.Flush();
    VRX_network net;
    {
        vovido::NoticeCall call;
        ASSERT_EQ(ReadHugin(net, text), kSuccess) << LogDump();
    }
    EXPECT_EQ(
        LoggedMessages(),
        std::vector<std::string>{"tables not summing to 1 were normalised in 2 nodes, e.g. Node [A] column 0 "
                                 "sums to 4, Node [B] column 0 sums to 4"})
        << LogDump();
    EXPECT_EQ(TableOf(net, net.FindNode("A")), (std::vector<double>{0.75, 0.25}));
    ExpectNear(TableOf(net, net.FindNode("B")), {0.5, 0.5, 0.25, 0.75}, 1e-6);
    ExpectNormalisedTables(net, "counts");
    errorLog.Flush();
    ASSERT_EQ(net.GetNode(net.FindNode("B"))->GetValue()->SetEvidence(0), kSuccess);
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
    double pe = 0.0;
    ASSERT_TRUE(net.CalcPropEvidence(&pe, false)) << LogDump();
    EXPECT_NEAR(pe, 0.75 * 0.5 + 0.25 * 0.25, 1e-6);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << LogDump();
    const std::vector<double> beliefs = Beliefs(net, net.FindNode("A"));
    for (const char* extension : {".dne", ".dsc", ".erg", ".net", ".xml03"}) {
        const TempFile file(extension);
        ASSERT_EQ(net.WriteFile(file.c_str()), kSuccess) << extension << LogDump();
        VRX_network back;
        ASSERT_EQ(back.ReadFile(file.c_str()), kSuccess) << extension << LogDump();
        ASSERT_EQ(back.GetNode(back.FindNode("B"))->GetValue()->SetEvidence(0), kSuccess);
        ASSERT_EQ(back.UpdateBeliefs(), kSuccess) << extension << LogDump();
        ExpectNear(Beliefs(back, back.FindNode("A")), beliefs, 1e-9, extension);
    }
    errorLog.Flush();
}

// Real files: the car buyer's rounded columns and the experience file's tables are read normalised, so
// their updates warn of nothing and agree with the tables normalised exactly.
TEST(HuginRealFiles, TablesAreReadNormalised) {
    for (const char* file : {"car_buyer_id.net", "bn_with_experience.net"}) {
        errorLog.Flush();
        VRX_network net;
        ASSERT_EQ(net.ReadFile(FormatSamplePath(file).c_str()), kSuccess) << file << LogDump();
        ExpectNormalisedTables(net, file);
        VRX_network reference(net);
        for (int h = reference.GetFirstNode(); h >= 0; h = reference.GetNextNode(h)) {
            VRX_Dmatrix* table = nullptr;
            if (reference.GetNodeType(h) != DefinitionType::kCpt ||
                reference.GetNode(h)->GetDefinition()->GetDefinition(table) != kSuccess)
                continue;
            (void)table->Normalize();
        }
        // The first chance node observed in its last outcome.
        int observed = net.GetFirstNode();
        while (net.GetNodeType(observed) != DefinitionType::kCpt) observed = net.GetNextNode(observed);
        const int last = Def(net, IdOf(net, observed).c_str()).GetNumberOfOutcomes() - 1;
        for (VRX_network* one : {&net, &reference}) {
            errorLog.Flush();
            ASSERT_EQ(one->GetNode(observed)->GetValue()->SetEvidence(last), kSuccess);
            ASSERT_EQ(one->UpdateBeliefs(), kSuccess) << file << LogDump();
            EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << file << LogDump();
        }
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
            if (net.GetNodeType(h) == DefinitionType::kCpt)
                ExpectNear(Beliefs(net, h), Beliefs(reference, h), 1e-9,
                           std::string(file) + " " + IdOf(net, h));
        }
        if (net.GetNodeType(net.FindNode("D1")) == DefinitionType::kList) continue;
        double pe = 0.0;
        double expected = 0.0;
        ASSERT_TRUE(net.CalcPropEvidence(&pe, false)) << LogDump();
        ASSERT_TRUE(reference.CalcPropEvidence(&expected, false)) << LogDump();
        EXPECT_NEAR(pe, expected, 1e-9 * expected) << file;
        EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << file << LogDump();
    }
    errorLog.Flush();
}

TEST(HuginReader, FieldsPositionsAndProperties) {
    VRX_network net;
    const std::string text =
        "net\r\n{\r\n  node_size = (100 50);\r\n  HR_Unknown_Setting = \"1\";\r\n}\r\n"
        "% a comment\r\nnode A { label = \"Say \\\"hi\\\" \\\\ there\"; position = (10 200);\r\n"
        "  states = (\"1st\" \"1st\" \"two words\"); HR_Note = \"n\"; subtype = number; }\r\n"
        "node B { position = (30 100); states = (\"y\" \"n\"); }\r\n"
        "potential (A) { data = (0.2 0.2 0.4); }\r\n"
        "potential (B | A) { data = ((1 3) % comment\r\n (0.5 0.5000004) (0 0)); experience = (1 1 1); }\r\n";
    ASSERT_EQ(ReadHugin(net, text), kSuccess) << LogDump();
    const VRX_nodeInfo& a = *net.GetNode(net.FindNode("A"))->GetInfo();
    EXPECT_EQ(Text(a.header.GetName()), "Say \"hi\" \\ there");
    EXPECT_EQ(Text(net.GetNode(net.FindNode("B"))->GetInfo()->header.GetName()), "B");
    EXPECT_EQ(Names(Def(net, "A")), (std::vector<std::string>{"x1st", "x1st2", "two_words"}));
    // One entry for the three, each named.
    EXPECT_TRUE(Logged(kOutOfRange,
                       "outcome names that are not identifiers were rewritten in 1 node (3 outcomes), "
                       "e.g. Node [A] \"1st\" renamed \"x1st\", Node [A] \"1st\" renamed \"x1st2\", "
                       "Node [A] \"two words\" renamed \"two_words\""))
        << LogDump();
    ASSERT_EQ(a.userProperties.GetNumberOfProperties(), 1);
    EXPECT_EQ(Text(a.userProperties.GetPropertyValue(0)), "n");
    EXPECT_EQ(net.GetSubmodelHandler().GetNodeDefaults().position.width, 100);
    EXPECT_EQ(a.screenInfo.position.height, 50);
    // Mirrored within the layout: the top and bottom nodes trade places, x stays.
    EXPECT_EQ(a.screenInfo.position.centerX, 10);
    EXPECT_EQ(a.screenInfo.position.centerY, 100);
    EXPECT_EQ(net.GetNode(net.FindNode("B"))->GetInfo()->screenInfo.position.centerY, 200);
    // Counts and rounded columns are read normalised; a zero column becomes uniform.
    VRX_Dmatrix* table = nullptr;
    ASSERT_EQ(Def(net, "B").GetDefinition(table), kSuccess);
    ExpectNear(Entries(*table), {0.25, 0.75, 0.5 / 1.0000004, 0.5000004 / 1.0000004, 0.5, 0.5});
    ASSERT_EQ(Def(net, "A").GetDefinition(table), kSuccess);
    EXPECT_EQ((*table)[2], 0.5);  // 0.4 of 0.8

    VRX_network back;
    ASSERT_EQ(ReadHugin(back, WriteHugin(net)), kSuccess) << LogDump();
    ExpectSameNetwork(net, back);
}

TEST(HuginWriter, ParentlessPotentialAndRefusals) {
    VRX_network net;
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "A"), 0);
    const std::string text = WriteHugin(net);
    EXPECT_NE(text.find("potential (A |)\n{\n    data = (0.5 0.5);\n}"), std::string::npos) << text;

    const TempFile file(".net");
    ASSERT_GE(net.AddNode(DefinitionType::kEquation, "E"), 0);
    errorLog.Flush();
    EXPECT_EQ(net.WriteFile(file.c_str()), kOutOfRange);
    EXPECT_TRUE(Logged(kOutOfRange,
                       "ERROR: This Network cannot be saved in Hugin format: Node [E] is an equation node"))
        << LogDump();
    EXPECT_FALSE(file.Exists());
}

// Bad input fails with its message and leaves the network as it was.
TEST(HuginReader, FailuresLeaveTheNetwork) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"node A { states = (\"a\" \"b\"); }", "(line 1) : ERROR: 'node' : 'net' expected"},
        {"", ""},
        {"net {}\nchance A { }", "(line 2) : ERROR: 'chance' : End of File expected"},
        {"net {}\nnode A { states = (\"a\" \"b\"); }\npotential (A) { data = (0.5 0.5 0.5); }",
         "(line 3) : ERROR: Node [A] : 3 numbers read, 2 needed"},
        {"net {}\ncontinuous node A { }", "(line 2) : ERROR: Node [A] : continuous nodes are not supported"},
        {"net {}\ndiscrete chance A { }", "(line 2) : ERROR: 'chance' : Unknown Node Type"},
        {"net {}\nnode A { }\nnode B { }\npotential (A B) { }",
         "(line 4) : ERROR: Undirected arcs not (yet) supported"},
        {"net {}\nnode A { }\npotential (A | C) { }",
         "(line 3) : ERROR: Node (\"C\") not found: it is named as a parent of node [A]"},
        {"net {}\nnode A { }\npotential (A) { data = (0.5 x); }", "(line 3) : ERROR: 'x' : Unexpected"},
        {"net {}\nnode A { position = (1); }", "(line 2) : ERROR: Wrong position coordinates"},
        {"net {}\nnode A { }\npotential (A) { data = (2 -1); }",
         "(line 3) : ERROR: Node [A] : -1 is no probability"},
        {"net {}\nnode A { }\npotential (A) { data = (1e999 0); }",
         "(line 3) : ERROR: Node [A] : '1e999' : Number out of range"},
        {"net { node_size = (1); }", "(line 1) : ERROR: Wrong node size"},
        {"net {}\nnode A { label = 5; }", "(line 2) : ERROR: '5' : String expected"},
        {"net {}\nnode A { states = (\"a\" \"b\"); }\npotential (A) { data = ((0.5 0.5)",
         "(line 3) : ERROR: End of File : Expecting ')'"},
    };
    for (const auto& item : cases) {
        VRX_network net;
        ASSERT_GE(net.AddNode(DefinitionType::kCpt, "Kept"), 0);
        errorLog.Flush();
        EXPECT_NE(ReadHugin(net, item.text), kSuccess) << item.text;
        EXPECT_TRUE(LoggedPart(item.message)) << item.text << "\n" << LogDump();
        EXPECT_EQ(net.GetNumberOfNodes(), 1) << item.text;
        EXPECT_GE(net.FindNode("Kept"), 0) << item.text;
    }
}

// The first entry is the cause, naming the caller's identifier; its knock-on effects add nothing.
// A decision of one choice is read with the two every decision holds, and the warning says why.
TEST(HuginReader, ADecisionOfOneChoiceIsToldItNeedsTwo) {
    VRX_network net;
    errorLog.Flush();
    ASSERT_EQ(ReadHugin(net, "net {}\ndecision D\n{ states = (\"only\"); }\npotential (D) { }\n"), kSuccess)
        << LogDump();
    EXPECT_EQ(LoggedMessages(), std::vector<std::string>{"(line 3) : ERROR: Node [D] : 1 choice given, a "
                                                         "decision needs at least two: it holds 2"});
    EXPECT_EQ(net.GetNode(net.FindNode("D"))->GetDefinition()->GetNumberOfOutcomes(), 2);
}

TEST(HuginReader, TheCauseComesFirstAndOnce) {
    const std::string states = " { states = (\"a\" \"b\"); }\n";
    const struct {
        std::string text;
        std::vector<std::string> log;
    } cases[] = {
        {"net {}\nnode C7" + states + "potential (C7 | Nope) { data = ((0.5 0.5) (0.5 0.5)); }\n",
         {"(line 3) : ERROR: Node (\"Nope\") not found: it is named as a parent of node [C7]"}},
        {"net {}\nnode T4" + states + "node T5.x" + states + "node T6" + states +
             "potential (T4) { data = (0.5 0.5); }\npotential (T6 | T5.x) { data = ((0.5 0.5) (0.5 0.5)); "
             "}\n",
         {"(line 3) : ERROR: Identifier [T5.x] : '.' is not allowed in an identifier; node refused"}},
        {"net {}\nnode T5.1" + states + "node T5.2" + states + "node T5.3" + states +
             "potential (T5.2 | T5.1) { data = ((0.5 0.5) (0.5 0.5)); }\n",
         {"(line 2) : ERROR: Identifier [T5.1] : '.' is not allowed in an identifier; node refused",
          "ERROR: identifiers with a '.' were refused: 2 nodes, e.g. [T5.2] (line 3), [T5.3] (line 4)"}},
        // A continuous node is refused where declared; the potentials naming it say nothing more.
        {"net {}\ncontinuous node X { }\nnode A" + states +
             "potential (X) { }\npotential (A | X) { data = "
             "(0.5 0.5); }\n",
         {"(line 2) : ERROR: Node [X] : continuous nodes are not supported"}},
        // A file cut short: the cut, once, whatever it cuts.
        {"net {}\nnode A" + states + "pot",
         {"(line 3) : ERROR: 'pot' : End of File inside a word, the file was cut short"}},
        {"net {}\nnode A { states = (\"a\" \"b",
         {"ERROR: Line 2 : UNEXPECTED END OF FILE. UNTERMINATED STRING"}},
        {"net {\n    nod", {"(line 2) : ERROR: End of File inside a statement, the file was cut short"}},
        {"net {}\nnode A" + states + "potential (A) { data = (0.5 ",
         {"(line 3) : ERROR: End of File : Expecting ')'"}},
        {"net {}\nnode Aa" + states + "node B" + states + "potential (B | A",
         {"(line 4) : ERROR: 'A' : End of File inside a word, the file was cut short"}},
        {"net {}\nnet { node_size = (1 2); }\nnode A" + states,
         {"(line 2) : ERROR: Network has more than one 'net' block"}},
        {"net {}\nnode A" + states + "node A" + states,
         {"(line 3) : ERROR: Couldn't Create Node (\"A\"): Identifier [A] is already used by a node"}},
        // A parent the arcs refuse leaves the table another shape: the refusal is the cause, not the count.
        {"net {}\nnode A" + states + "node B" + states + "node C" + states +
             "potential (B | A) { data = ((0.5 0.5) (0.5 0.5)); }\n"
             "potential (C | B) { data = ((0.5 0.5) (0.5 0.5)); }\n"
             "potential (A | C) { data = ((0.5 0.5) (0.5 0.5)); }\n",
         {"(line 7) : ERROR: Couldn't add arc from parent node (\"C\") to node [A]: an arc from [C] would "
          "close "
          "a cycle"}},
        {"net {}\nnode A" + states + "node B" + states +
             "potential (B | A) { data = ((0.5 0.5) (0.5 0.5)); }\n"
             "potential (A | B) { data = ((0.5 0.5) (0.5 0.5)); }\n",
         {"(line 5) : ERROR: Couldn't add arc from parent node (\"B\") to node [A]: an arc already joins it "
          "and "
          "[B]"}},
    };
    for (const auto& item : cases) {
        VRX_network net;
        errorLog.Flush();
        EXPECT_NE(ReadHugin(net, item.text), kSuccess) << item.text;
        EXPECT_EQ(LoggedMessages(), item.log) << item.text;
    }
}

}  // namespace
