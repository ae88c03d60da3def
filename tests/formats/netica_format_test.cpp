// The Netica format: reference networks and real files read, a written file reads back to the same
// network and writes the same text again, equations are translated, and bad input fails with its
// message and leaves the network as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/parsed_equation.h"
#include "definitions/equation.h"
#include "formats/netica_format.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_info.h"
#include "tests/support/format_round_trip.h"
#include "tests/support/network_fixture.h"
#include "tests/support/save_failure.h"

namespace {

using namespace vovido::test;

constexpr size_t kCases = 2;

int ReadNetica(VRX_network& net, const std::string& text) {
    return ReadAsFile(net, text, "dne");
}

std::string WriteNetica(VRX_network& net) {
    return WrittenText<VRX_neticaSpeaker>(net);
}

// Written, read back to the same model, and written again to the same text.
void ExpectStableRoundTrip(VRX_network& net, VRX_network& back, const std::string& what) {
    const std::string first = WriteNetica(net);
    errorLog.Flush();
    ASSERT_EQ(ReadNetica(back, first), kSuccess) << what << "\n" << LogDump();
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << LogDump();
    EXPECT_EQ(WriteNetica(back), first) << what;
}

class NeticaReferenceTest : public ::testing::TestWithParam<const char*> {};

TEST_P(NeticaReferenceTest, RoundTripKeepsModelAndPosteriors) {
    const std::string name = GetParam();
    VRX_network net;
    ASSERT_EQ(net.ReadFile(ReferencePath(name, ".xvrx").c_str()), kSuccess) << LogDump();
    VRX_network back;
    ExpectStableRoundTrip(net, back, name);
    ExpectSameModel(net, back);
    ExpectReferencePosteriors(back, name, kCases);
}

INSTANTIATE_TEST_SUITE_P(Networks, NeticaReferenceTest,
                         ::testing::Values("asia", "child", "insurance", "water", "alarm", "hailfinder",
                                           "hepar2", "win95pts", "andes"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

// Chest Clinic is Asia under other names: its posteriors are Asia's.
TEST(NeticaRealFiles, ChestClinicWithoutHeaderLine) {
    errorLog.Flush();
    VRX_network net;
    ASSERT_EQ(net.ReadFile(FormatSamplePath("ChestClinic_nohdr.dne").c_str()), kSuccess) << LogDump();
    ASSERT_EQ(net.GetNumberOfNodes(), 8);
    EXPECT_EQ(net.GetNodeType(net.FindNode("TbOrCa")), DefinitionType::kTruthTable);
    EXPECT_EQ(Text(net.GetNode(net.FindNode("TbOrCa"))->GetInfo()->header.GetName()),
              "Tuberculosis\nor Cancer");
    EXPECT_EQ(Text(net.GetHeader()->GetId()), "ChestClinic");
    VRX_network asia;
    ASSERT_EQ(asia.ReadFile(ReferencePath("asia", ".xvrx").c_str()), kSuccess);
    const char* const pairs[][2] = {{"VisitAsia", "asia"},   {"Tuberculosis", "tub"}, {"Smoking", "smoke"},
                                    {"Cancer", "lung"},      {"TbOrCa", "either"},    {"XRay", "xray"},
                                    {"Bronchitis", "bronc"}, {"Dyspnea", "dysp"}};
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess);
    ASSERT_EQ(asia.UpdateBeliefs(), kSuccess);
    for (const auto& pair : pairs) {
        EXPECT_NEAR(Beliefs(net, net.FindNode(pair[0]))[0], Beliefs(asia, asia.FindNode(pair[1]))[0], 1e-12)
            << pair[0];
    }
    VRX_network back;
    ExpectStableRoundTrip(net, back, "ChestClinic");
    ExpectSameNetwork(net, back);
}

// A decision net: decisions, utilities with tables, and constants outside the model (left out).
TEST(NeticaRealFiles, DecisionNetWithConstants) {
    errorLog.Flush();
    VRX_network net;
    ASSERT_EQ(net.ReadFile(FormatSamplePath("CostOfTesting.dne").c_str()), kSuccess) << LogDump();
    EXPECT_EQ(net.GetNumberOfNodes(), 8);
    EXPECT_TRUE(Logged(kWrongNodeType,
                       "(line 214) : ERROR: Node (\"C1\") : constant nodes are not supported; node left out"))
        << LogDump();
    EXPECT_EQ(net.GetNodeType(net.FindNode("Test")), DefinitionType::kList);
    EXPECT_EQ(net.GetNodeType(net.FindNode("TestCost")), DefinitionType::kTable);
    VRX_Dmatrix* costs = nullptr;
    ASSERT_EQ(Def(net, "TestCost").GetDefinition(costs), kSuccess);
    EXPECT_EQ(Entries(*costs), (std::vector<double>{-0.1, 0.0}));
    EXPECT_EQ(IdsOf(net, net.GetParents(net.FindNode("Instruction"))),
              (std::vector<std::string>{"Test", "Screening"}));
    EXPECT_EQ(Text(net.creation.GetModified()), "1424616754");
    VRX_network back;
    ExpectStableRoundTrip(net, back, "CostOfTesting");
    ExpectSameModel(net, back);
    EXPECT_EQ(Text(back.creation.GetModified()), "1424616754");
}

// Every kind the format writes; noisy-MAX goes out as the table it implies.
TEST(NeticaWriter, KindsAndRecords) {
    VRX_network net;
    ASSERT_EQ(net.GetHeader()->SetName("A \"quoted\"\\ name"), kSuccess);
    ASSERT_EQ(net.creation.SetCreator("me"), kSuccess);
    AddNode(net, DefinitionType::kCpt, "A", {});
    AddNode(net, DefinitionType::kTruthTable, "T", {"A"});
    AddNode(net, DefinitionType::kNoisyMax, "N", {"A", "T"});
    AddNode(net, DefinitionType::kList, "D", {"N"});
    AddNode(net, DefinitionType::kTable, "U", {"D", "A"});
    ASSERT_EQ(Def(net, "A").SetDefinitionDoubles(Doubles({0.3, 0.7})), kSuccess);
    ASSERT_EQ(Def(net, "U").SetDefinitionDoubles(Doubles({1, -2, 3.5, 4})), kSuccess);
    VRX_nodeInfo& info = *net.GetNode(net.FindNode("A"))->GetInfo();
    ASSERT_EQ(info.userProperties.AddProperty("Note", "x\"y"), kSuccess);
    info.screenInfo.position.centerX = 12;
    info.screenInfo.position.centerY = -7;
    VRX_network back;
    ExpectStableRoundTrip(net, back, "kinds");
    EXPECT_EQ(back.GetNodeType(back.FindNode("N")), DefinitionType::kCpt);
    VRX_Dmatrix* noisy = nullptr;
    VRX_Dmatrix* table = nullptr;
    ASSERT_EQ(Def(back, "N").GetDefinition(table), kSuccess);
    noisy = static_cast<VRX_ciDefinition&>(Def(net, "N")).GetCpt();
    EXPECT_EQ(Entries(*table), Entries(*noisy));
    for (const char* id : {"A", "T", "D", "U"}) {
        ExpectSameDefinition(Def(net, id), Def(back, id), id);
    }
    EXPECT_EQ(Text(back.GetHeader()->GetName()), "A \"quoted\"\\ name");
    EXPECT_EQ(Text(back.creation.GetCreator()), "me");
    ExpectSameProperties(info.userProperties, back.GetNode(back.FindNode("A"))->GetInfo()->userProperties,
                         "A");
    ExpectSameRectangle(info.screenInfo.position,
                        back.GetNode(back.FindNode("A"))->GetInfo()->screenInfo.position, "A");
}

TEST(NeticaEquations, TranslatedCalls) {
    const struct {
        const char* netica;
        const char* builtin;
    } cases[] = {
        {"X (m) = NormalDist (X, m, 1)", "Normal(m,1)"},
        {"X (a, b, c) = clip (a, b, c)", "Trim(c,a,b)"},
        {"X (a, b) = binomial (a, b) + plus (a, b, 3)", "Combin(a,b)+Sum(a,b,3)"},
        {"X (a) = -UniformDist (X, a, 2 * a)", "-Uniform(a,2*a)"},
    };
    for (const auto& item : cases) {
        std::string out;
        std::string error;
        ASSERT_EQ(vovido::TranslateNeticaEquation(item.netica, out, error), kSuccess) << item.netica << error;
        EXPECT_EQ(out, item.builtin) << item.netica;
    }
    std::string out;
    std::string error;
    EXPECT_EQ(vovido::TranslateNeticaEquation("X NormalDist(X, 0, 1)", out, error), kOutOfRange);
    EXPECT_EQ(error, "Can't find the '=' sign in equation");
    for (const char* number : {"0x10", "1e999"}) {
        error.clear();
        EXPECT_NE(vovido::TranslateNeticaEquation(("X (a) = a + " + std::string(number)).c_str(), out, error),
                  kSuccess);
        EXPECT_NE(error.find(number), std::string::npos) << error;
    }
}

TEST(NeticaEquations, ContinuousNodesBecomeEquations) {
    const std::string text =
        "bnet E {\n node m { kind = NATURE; discrete = FALSE; chance = CHANCE; parents = ();\n"
        "  equation = \"m () = UniformDist (m, 0, 4)\"; };\n"
        " node X { kind = NATURE; discrete = FALSE; chance = CHANCE; parents = (m);\n"
        "  equation = \"X (m) = NormalDist (X, m, 1)\"; states = (lo, hi); levels = (-5, 1, 9); };\n};\n";
    VRX_network net;
    ASSERT_EQ(ReadNetica(net, text), kSuccess) << LogDump();
    auto& x = static_cast<VRX_equation&>(Def(net, "X"));
    std::string equation;
    EquationToText(x.GetEquation(), equation);
    EXPECT_EQ(equation, "X=Normal(m,1)");
    EXPECT_EQ(x.GetLowerBound(), -5.0);
    EXPECT_EQ(x.GetUpperBound(), 9.0);
    ASSERT_EQ(x.GetIntervals().size(), 2u);
    EXPECT_EQ(x.GetIntervals()[0].id, "lo");
    EXPECT_EQ(x.GetIntervals()[0].upper, 1.0);
    VRX_network back;
    ExpectStableRoundTrip(net, back, "equations");
}

TEST(NeticaReader, FailuresLeaveTheNetwork) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"// ~->[DNET-1]->~\nnode A { kind = NATURE; };", "(line 2) : ERROR: 'node' : 'bnet' expected"},
        {"bnet N {\nnode A { kind = ASSUME; states = (a, b); };\n};",
         "(line 2) : ERROR: nodes of type ASSUME not supported (yet)"},
        {"bnet N {\nnode A { kind = NATURE; chance = ODD; };\n};",
         "(line 2) : ERROR: 'ODD' : Unknown Node Type"},
        {"bnet N {\nnode A { kind = NATURE; states = (a, b); probs = (0.5, 0.2, 0.3); };\n};",
         "(line 2) : ERROR: Node [A] : 3 numbers read, 2 needed"},
        {"bnet N {\nnode A { kind = NATURE; states = (a, b); probs = (-1e400, 1); };\n};",
         "(line 2) : ERROR: Node [A] : '-1e400' : Number out of range"},
        {"bnet N {\nnode A { kind = NATURE; parents = (Z); };\n};",
         "(line 2) : ERROR: Couldn't add arc from node [Z] to node [A]: no node has that identifier"},

        {"bnet N {\nnode A { kind = NATURE; discrete = FALSE; equation = \"A = (\"; };\n};",
         "(line 2) : ERROR: Node [A] : "},
        {"bnet N {\nnode A { title = \"only a title\"; };\n};",
         "ERROR: Node (\"A\") has no definition and was left out"},
        {"bnet N {\nnode A { kind = NATURE; discrete = FALSE; states = (a, b); levels = (0, 1); };\n};",
         "(line 2) : ERROR: 2 levels given, 3 expected"},
        {"bnet N {\nnode A { kind = NATURE; states = (a, b); probs = ((0.5, 0.5)", "End of File"},
    };
    for (const auto& item : cases) {
        VRX_network net;
        ASSERT_GE(net.AddNode(DefinitionType::kCpt, "Kept"), 0);
        errorLog.Flush();
        EXPECT_NE(ReadNetica(net, item.text), kSuccess) << item.text;
        EXPECT_TRUE(LoggedPart(item.message)) << item.text << "\n" << LogDump();
        EXPECT_EQ(net.GetNumberOfNodes(), 1) << item.text;
        EXPECT_GE(net.FindNode("Kept"), 0) << item.text;
    }
}

// A table that fits the parents the file names: the parent that is no node is the cause, not the count.
TEST(NeticaReader, AMissingParentIsTheCauseOfTheTablesShape) {
    VRX_network net;
    errorLog.Flush();
    EXPECT_NE(ReadNetica(net,
                         "bnet N {\nnode A { kind = NATURE; states = (a, b); parents = (Z);\n"
                         "probs = ((0.5, 0.5), (0.5, 0.5)); };\n};"),
              kSuccess);
    EXPECT_EQ(LoggedMessages(),
              std::vector<std::string>{"(line 2) : ERROR: Couldn't add arc from node [Z] to node "
                                       "[A]: no node has that identifier"});
}

// A continuous node with levels but no states is a discretised node: its table names that cause first, and
// the levels that found no intervals come after it.
TEST(NeticaReader, ADiscretisedNodeIsTheCauseBeforeItsLevels) {
    VRX_network net;
    errorLog.Flush();
    EXPECT_EQ(ReadNetica(net,
                         "bnet N {\nnode A { kind = NATURE; discrete = FALSE;\nlevels = (0, 1, 2);\n"
                         "probs = (0.5, 0.5); };\n};"),
              kWrongNodeType);
    EXPECT_EQ(LoggedMessages(),
              (std::vector<std::string>{
                  "(line 4) : ERROR: Node [A] : discretised continuous nodes are not supported",
                  "(line 3) : ERROR: 3 levels given, 1 expected"}));
    EXPECT_EQ(net.GetNumberOfNodes(), 0);
}

}  // namespace

namespace {

// A save that fails half way (the disk full) is reported and keeps the old file, in both formats.
TEST(HuginAndNeticaWriters, FailedSaveKeepsTheOldFile) {
    VRX_network net;
    ASSERT_EQ(net.ReadFile(ReferencePath("andes", ".xvrx").c_str()), kSuccess);
    for (const char* extension : {".net", ".dne"}) {
        const std::string path = vovido::test::TempPath(std::string("full_disk") + extension);
        ASSERT_TRUE(vovido::test::WriteWholeFile(path, "old"));
        {
            vovido::test::FileSizeLimit limit(4096);
            ASSERT_TRUE(limit.IsActive());
            EXPECT_EQ(net.WriteFile(path.c_str()), kFileIoFailed) << extension;
        }
        EXPECT_EQ(vovido::test::ReadTextFile(path), "old") << extension;
        EXPECT_TRUE(vovido::test::FilesBeside(path).empty()) << extension;
        std::remove(path.c_str());
    }
}

}  // namespace
