// MSBN: the files the tool itself writes (head "diagnostic network", name and position fields, CR LF,
// Latin-1 names, state names that are no identifiers), a file of another tool against the same network
// in the system's XML format, influence diagrams, escaping, and bad tables with their messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error_log.h"
#include "formats/msbn_speaker.h"
#include "model/node_value.h"
#include "tests/support/error_log.h"
#include "tests/support/format_round_trip.h"
#include "tests/support/network_fixture.h"
#include "tests/support/reference_networks.h"

namespace {

using namespace vovido::test;

std::string FormatFile(const char* name) {
    return FormatSampleText(name);
}

std::vector<double> Table(VRX_network& net, const char* id) {
    return TableOf(net, net.FindNode(id));
}

int ReadMsbn(VRX_network& net, const std::string& text) {
    return ReadAsFile(net, text, "dsc");
}

std::vector<double> Posterior(VRX_network& net, const char* id) {
    VRX_Dmatrix* beliefs = nullptr;
    EXPECT_EQ(net.GetNode(net.FindNode(id))->GetValue()->GetValue(beliefs), kSuccess) << id;
    return beliefs != nullptr
               ? std::vector<double>(beliefs->GetData(), beliefs->GetData() + beliefs->GetNumberOfElements())
               : std::vector<double>();
}

class MsbnTest : public vovido::test::FreshLogTest<> {};

TEST_F(MsbnTest, ReadsAFileWrittenByTheToolItself) {
    VRX_network net;
    ASSERT_EQ(ReadMsbn(net, FormatFile("msbn_burglary.dsc")), kSuccess) << LogDump();
    // Its "not" states ("~R") are no identifiers: renamed, counted in one warning.
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 1) << LogDump();
    EXPECT_TRUE(Logged(kOutOfRange,
                       "outcome names that are not identifiers were rewritten in 5 nodes, e.g. Node "
                       "[Arrombamento] \"~R\" renamed \"x_R\", Node [Terremoto] \"~T\" renamed "
                       "\"x_T\", Node [Alarme] \"~A\" renamed \"x_A\", …"))
        << LogDump();
    ASSERT_EQ(net.GetNumberOfNodes(), 5);
    const VRX_node& alarm = *net.GetNode(net.FindNode("Alarme"));
    EXPECT_EQ(IdsOf(net, net.GetParents(alarm.GetHandle())),
              (std::vector<std::string>{"Arrombamento", "Terremoto"}));
    EXPECT_EQ(alarm.GetInfo()->screenInfo.position.centerX, 17590);
    EXPECT_EQ(alarm.GetInfo()->screenInfo.position.centerY, 13450);
    EXPECT_STREQ(net.GetNode(net.FindNode("Jo_oLiga"))->GetInfo()->header.GetName(), "Jo\xe3oLiga");
    // "~R" and "R" become outcome identifiers.
    const VRX_idArray& states =
        *net.GetNode(net.FindNode("Arrombamento"))->GetDefinition()->GetOutcomesNames();
    ASSERT_EQ(states.GetCount(), 2);
    EXPECT_STREQ(states[0], "x_R");
    EXPECT_STREQ(states[1], "R");
    EXPECT_EQ(Table(net, "Alarme"), (std::vector<double>{0.29, 0.71, 0.001, 0.999, 0.95, 0.05, 0.94, 0.06}));
}

// The same network written by another tool gives the reference posteriors.
TEST_F(MsbnTest, AFileOfAnotherToolGivesTheReferencePosteriors) {
    VRX_network net;
    ASSERT_EQ(ReadMsbn(net, FormatFile("alarm.dsc")), kSuccess) << LogDump();
    VRX_network reference;
    ASSERT_EQ(reference.ReadFile(ReferencePath("alarm", ".xvrx").c_str()), kSuccess);
    ASSERT_EQ(net.GetNumberOfNodes(), reference.GetNumberOfNodes());
    const std::vector<ReferenceCase> cases = ReadReferenceCases("alarm");
    ASSERT_GE(cases.size(), 2u);
    for (VRX_network* each : {&net, &reference}) {
        ASSERT_TRUE(SetCaseEvidence(*each, cases[1]));
        ASSERT_EQ(each->UpdateBeliefs(), kSuccess) << LogDump();
    }
    for (int h = reference.GetFirstNode(); h >= 0; h = reference.GetNextNode(h)) {
        const std::string id = IdOf(reference, h);
        const std::vector<double> expected = Posterior(reference, id.c_str());
        const std::vector<double> found = Posterior(net, id.c_str());
        ASSERT_EQ(found.size(), expected.size()) << id;
        for (size_t k = 0; k < found.size(); ++k) EXPECT_NEAR(found[k], expected[k], 1e-9) << id;
    }
}

TEST_F(MsbnTest, InfluenceDiagramsAndTextsComeBack) {
    const std::string text =
        "belief network \"Say \\\"hi\\\"\"\n"
        "node D { name: \"a\\\\b \\\"c\\\"\"; type: discrete[2] = { \"go\", \"stay\" }; position: (3, 4); }\n"
        "node C { type : discrete [ 3 ] = { \"1 a\", \"b\", \"b\" }; }\n"
        "properties { type MS_Label = choice of [a, b], \"Label\"; MS_Addins = [\"x\"]; }\n"
        "node U { properties { MS_Label = a; } label: utility; }\n"
        "probability(C) { 0.2, 0.3, 0.5; }\n"
        "information(D | C);\n"
        "utility(U | D, C) { (0, 0): -1; (0, 1): 2; (0, 2): 3; (1, 0): 4; (1, 1): 5; (1, 2): 6; }\n";
    VRX_network net;
    ASSERT_EQ(ReadMsbn(net, text), kSuccess) << LogDump();
    EXPECT_TRUE(
        Logged(kSyntaxError, "ERROR: 'properties' : Unknown Object, ignored (2 times, e.g. line 4, line 5)"))
        << LogDump();
    EXPECT_EQ(net.GetNodeType(net.FindNode("D")), DefinitionType::kList);
    EXPECT_EQ(net.GetNodeType(net.FindNode("U")), DefinitionType::kTable);
    EXPECT_EQ(Table(net, "U"), (std::vector<double>{-1, 2, 3, 4, 5, 6}));
    EXPECT_STREQ(net.GetHeader()->GetName(), "Say \"hi\"");

    std::string written;
    VRX_microsoftSpeaker writer(&net);
    ASSERT_EQ(writer.WriteToText(written), kSuccess) << LogDump();
    VRX_network copy;
    ASSERT_EQ(ReadMsbn(copy, written), kSuccess) << LogDump() << written;
    EXPECT_STREQ(copy.GetHeader()->GetName(), "Say \"hi\"");
    EXPECT_STREQ(copy.GetNode(copy.FindNode("D"))->GetInfo()->header.GetName(), "a\\b \"c\"");
    EXPECT_EQ(copy.GetNode(copy.FindNode("D"))->GetInfo()->screenInfo.position.centerY, 4);
    for (const char* id : {"C", "D", "U"}) {
        EXPECT_EQ(copy.GetNodeType(copy.FindNode(id)), net.GetNodeType(net.FindNode(id))) << id;
        EXPECT_EQ(IdsOf(copy, copy.GetParents(copy.FindNode(id))),
                  IdsOf(net, net.GetParents(net.FindNode(id))));
        ExpectSameDefinition(*net.GetNode(net.FindNode(id))->GetDefinition(),
                             *copy.GetNode(copy.FindNode(id))->GetDefinition(), id);
    }
}

// A declared count that differs from the names listed is reported; the names are taken.
TEST_F(MsbnTest, TheListedStatesWinOverTheDeclaredCount) {
    VRX_network net;
    ASSERT_EQ(ReadMsbn(net, "belief network \"n\"\nnode A { type: discrete[3] = { \"a\", \"b\" }; }\n"),
              kSuccess)
        << LogDump();
    EXPECT_TRUE(Logged(kOutOfRange,
                       "(line 2) : ERROR: '3' : Size of list doesn't match number of outcomes of node [A]. "
                       "Using list size"))
        << LogDump();
    EXPECT_EQ(net.GetNode(net.FindNode("A"))->GetDefinition()->GetNumberOfOutcomes(), 2);
}

struct BadFile {
    const char* what;
    const char* text;
    int code;
    const char* message;
};

TEST_F(MsbnTest, BadFilesFailWithTheirMessageAndLeaveTheNetworkAsItWas) {
    const char* const nodes =
        "belief network \"n\"\nnode A { type: discrete[2] = { \"a\", \"b\" }; }\n"
        "node B { type: discrete[2] = { \"a\", \"b\" }; }\n";
    const BadFile cases[] = {
        {"no head", "node A { }", kSyntaxError, "(line 1) : ERROR: 'node' : 'belief network' expected"},
        {"empty head", "   ", kSyntaxError, "(line 1) : ERROR: End of File : Expecting 'belief network'"},
        {"coordinate out of range", "probability(B | A) { (2): 0.5, 0.5; }", kOutOfRange,
         "(line 4) : ERROR: Node (\"B\") : Invalid coordinates (2): its parents' states number (2)"},
        {"too few coordinates", "probability(B | A) { (): 0.5, 0.5; }", kOutOfRange,
         "(line 4) : ERROR: Node (\"B\") : Invalid coordinates (): its parents' states number (2)"},
        {"numbers past the table", "probability(B | A) { (1): 0.5, 0.5, 0.5; }", kOutOfRange,
         "(line 4) : ERROR: Node (\"B\") : more numbers than its table holds"},
        {"unknown child", "probability(Q) { 1, 0; }", kOutOfRange,
         "(line 4) : ERROR: Node (\"Q\") not found"},
        {"unknown parent", "probability(B | Q) { 1, 0; }", kOutOfRange,
         "(line 4) : ERROR: Couldn't add arc from parent node (\"Q\"): no node has that identifier"},
        {"unknown object", "potential(B) { 1, 0; }", kSyntaxError,
         "(line 4) : ERROR: 'potential' : Unknown Object; what was skipped may have held a node"},
        {"state count", "node C { type: discrete[x] = { }; }", kSyntaxError,
         "(line 4) : ERROR: 'x' : Expecting number of states"},
        // A string never closed outgrows the buffer of the unreadable byte before it, which the head's
        // longer string had grown: the message names the last token read.
        {"unterminated string after the head",
         "belief network \"0123456789abcdefghij\" node P { type : discrete [ "
         "\x01\"abcdefghijklmnopqrstuvwxyzabcde",
         kSyntaxError, "(line 1) : ERROR: '[' : Expecting number of states"},
    };
    for (const BadFile& item : cases) {
        SCOPED_TRACE(item.what);
        errorLog.Flush();
        VRX_network net;
        ASSERT_GE(net.AddNode(DefinitionType::kCpt, "Kept"), 0);
        const bool headless = std::string(item.what).find("head") != std::string::npos;
        const std::string text = std::string(headless ? "" : nodes) + item.text;
        EXPECT_NE(ReadMsbn(net, text), kSuccess);
        EXPECT_TRUE(Logged(item.code, item.message)) << LogDump();
        EXPECT_EQ(net.GetNumberOfNodes(), 1);
    }
}

TEST_F(MsbnTest, KindsTheFormatCannotHoldAreRefusedBeforeTheFileIsMade) {
    VRX_network net;
    ASSERT_GE(net.AddNode(DefinitionType::kDeMorgan, "X"), 0);
    TempFile file(".dsc");
    EXPECT_EQ(net.WriteFile(file.c_str()), kOutOfRange);
    EXPECT_TRUE(Logged(kOutOfRange,
                       "ERROR: This Network cannot be saved in MSBN format: Node [X] is a DeMorgan node"))
        << LogDump();
    EXPECT_FALSE(file.Exists());
}

}  // namespace
