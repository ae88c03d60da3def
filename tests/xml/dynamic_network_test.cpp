// The "dynamic" section of the XML network format: temporal definitions, slices, slice evidence of
// saved cases and the plate's layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "definitions/demorgan.h"
#include "definitions/noisy_max.h"
#include "definitions/truth_table.h"
#include "model/temporal_extension.h"
#include "tests/support/compare.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/save_failure.h"
#include "tests/support/xml_test_files.h"
#include "xml/xml_network.h"

using namespace vovido::test;
using vovido::test::FirstLoadError;

namespace {

// Anchor A -> plate X -> plate Y (deterministic) -> terminal T; X -> X of order 1, Y -> X of order 2,
// Y -> Y of order 1; five slices, a plate layout and a case with slice evidence.
void BuildDynamic(VRX_network& net) {
    AddNode(net, DefinitionType::kCpt, "A", {});
    AddNode(net, DefinitionType::kCpt, "X", {"A"});
    ASSERT_EQ(Def(net, "X").SetOutcomes(Strings({"lo", "mid", "hi"})), kSuccess);
    AddNode(net, DefinitionType::kTruthTable, "Y", {});
    ASSERT_EQ(Def(net, "Y").SetOutcomes(Strings({"on", "off"})), kSuccess);
    ASSERT_EQ(net.AddArc(net.FindNode("X"), net.FindNode("Y")), kSuccess);
    AddNode(net, DefinitionType::kCpt, "T", {"Y"});
    for (const char* id : {"T", "Y", "X"}) {
        const int type = id[0] == 'T' ? TemporalType::kTerminal : TemporalType::kPlate;
        ASSERT_EQ(net.SetTemporalType(net.FindNode(id), type), kSuccess) << id;
    }
    ASSERT_EQ(net.SetTemporalType(net.FindNode("A"), TemporalType::kAnchor), kSuccess);
    const int x = net.FindNode("X");
    const int y = net.FindNode("Y");
    ASSERT_EQ(net.AddTemporalArc(x, x, 1), kSuccess);
    ASSERT_EQ(net.AddTemporalArc(y, x, 2), kSuccess);
    ASSERT_EQ(net.AddTemporalArc(y, y, 1), kSuccess);
    ASSERT_EQ(Def(net, "X").SetTemporalDefinition(
                  1, Doubles({0.5, 0.25, 0.25, 0.125, 0.75, 0.125, 0.0625, 0.4375, 0.5})),
              kSuccess);
    std::vector<double> order2;
    for (int i = 0; i < 6; i++) {
        const double a = 0.05 * (i + 1);
        order2.insert(order2.end(), {a, 0.5 - a, 0.5});
    }
    ASSERT_EQ(Def(net, "X").SetTemporalDefinition(2, Doubles(order2)), kSuccess);
    // Y given X and Y of the previous slice: "off" only for X = hi and Y = off before.
    ASSERT_EQ(Def(net, "Y").SetTemporalDefinition(1, Doubles({1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 1})),
              kSuccess);
    // A noisy-MAX plate node with a temporal self arc and strengths of its own.
    const int m = AddNode(net, DefinitionType::kNoisyMax, "M", {});
    ASSERT_EQ(net.SetTemporalType(m, TemporalType::kPlate), kSuccess);
    ASSERT_EQ(net.AddArc(x, m), kSuccess);
    ASSERT_EQ(net.AddTemporalArc(m, m, 1), kSuccess);
    auto& noisy = static_cast<VRX_noisyMAX&>(Def(net, "M"));
    ASSERT_EQ(noisy.SetTemporalParentOutcomeStrengths(1, {Ints({2, 0, 1}), Ints({1, 0})}), kSuccess);
    ASSERT_EQ(
        noisy.SetTemporalCiWeights(1, Matrix({6, 2}, {0.9, 0.1, 0.6, 0.4, 0, 1, 0.7, 0.3, 0, 1, 0.05, 0.95})),
        kSuccess);
    ASSERT_EQ(net.SetSliceCount(5), kSuccess);
    net.GetTemporalExtension()->SetPlate(VRX_rectangle(11, 22, 333, 444), 55, 66);
    VRX_case* saved = net.AddCase("Later");
    ASSERT_NE(saved, nullptr);
    ASSERT_EQ(saved->AddTemporalEvidence(x, 2, 0), kSuccess);
    ASSERT_EQ(saved->AddTemporalEvidence(x, 0, 3), kSuccess);
}

}  // namespace

TEST(XmlDynamicNetwork, RoundTripKeepsEveryTemporalPart) {
    VRX_network source;
    BuildDynamic(source);
    TempFile first, second;
    ASSERT_TRUE(SaveXmlNetwork(first.c_str(), &source, nullptr));
    const std::string text = first.Read();
    EXPECT_NE(text.find("<dynamic numslices=\"5\">"), std::string::npos) << text;
    EXPECT_NE(text.find("<cpt id=\"X\" order=\"2\">\n\t\t\t<parents>Y</parents>"), std::string::npos) << text;
    EXPECT_NE(text.find("<resultingstates>on on on on on off</resultingstates>"), std::string::npos) << text;

    VRX_network loaded;
    errorLog.Flush();
    ASSERT_TRUE(LoadXmlNetwork(first.c_str(), &loaded, nullptr)) << FirstLoadError(first);
    ASSERT_TRUE(SaveXmlNetwork(second.c_str(), &loaded, nullptr));
    EXPECT_EQ(second.Read(), text);

    const int x = loaded.FindNode("X");
    const int y = loaded.FindNode("Y");
    EXPECT_EQ(loaded.GetSliceCount(), 5);
    EXPECT_TRUE(loaded.TemporalArcExists(y, x, 2));
    EXPECT_FALSE(loaded.TemporalArcExists(y, x, 1));
    for (int order : {1, 2}) {
        ExpectSameMatrix(*static_cast<VRX_cpt&>(Def(loaded, "X")).GetTemporalDefinition(order),
                         *static_cast<VRX_cpt&>(Def(source, "X")).GetTemporalDefinition(order), "X");
    }
    VRX_noisyMAX::StrengthSequence strengths;
    ASSERT_EQ(static_cast<VRX_noisyMAX&>(Def(loaded, "M")).GetTemporalParentOutcomeStrengths(1, strengths),
              kSuccess);
    ASSERT_EQ(strengths.size(), 2u);
    EXPECT_EQ(Items(strengths[0]), (std::vector<int>{2, 0, 1}));
    ExpectSameMatrix(*static_cast<VRX_noisyMAX&>(Def(loaded, "M")).GetTemporalCiWeights(1),
                     *static_cast<VRX_noisyMAX&>(Def(source, "M")).GetTemporalCiWeights(1), "M weights");
    VRX_rectangle rect;
    int left = 0, right = 0;
    loaded.FindTemporalExtension()->GetPlate(rect, left, right);
    ExpectSameRectangle(rect, VRX_rectangle(11, 22, 333, 444), "plate");
    EXPECT_EQ(left, 55);
    EXPECT_EQ(right, 66);
    ExpectSameCase(source, *source.GetCase(0), loaded, *loaded.GetCase(0));
}

// A plate node of a kind given by parameters whose only parent is itself a slice before: the temporal
// definition's parameters are written for the parents it lists, and a write that succeeds reads back.
TEST(XmlDynamicNetwork, ParametersOfATemporalDefinitionWithoutOrdinaryParentsReadBack) {
    const struct {
        int kind;
        const char* parameters;  // as written in the temporal definition
    } cases[] = {
        {DefinitionType::kDeMorgan, "<types>requirement</types>\n\t\t\t<weights>0.25</weights>"},
        {DefinitionType::kNoisyMax, "<strengths>1 0</strengths>"},
        {DefinitionType::kNoisyAdder, "<parents>U</parents>\n\t\t\t<dstates>1 2</dstates>"},
    };
    for (const auto& c : cases) {
        VRX_network source;
        const int u = AddNode(source, c.kind, "U", {});
        ASSERT_EQ(source.SetTemporalType(u, TemporalType::kPlate), kSuccess);
        ASSERT_EQ(source.AddTemporalArc(u, u, 1), kSuccess);
        VRX_nodeDefinition* temporal = source.FindTemporalExtension()->GetTemporalDefinition(u, 1);
        if (auto* demorgan = dynamic_cast<VRX_demorgan*>(temporal)) {
            ASSERT_EQ(demorgan->SetParentWeight(0, 0.25), kSuccess);
            ASSERT_EQ(demorgan->SetParentType(0, 1), kSuccess);
        }
        if (c.kind == DefinitionType::kNoisyMax) {
            ASSERT_EQ(static_cast<VRX_noisyMAX&>(Def(source, "U"))
                          .SetTemporalParentOutcomeStrengths(1, {Ints({1, 0})}),
                      kSuccess);
        }
        TempFile first, second;
        ASSERT_TRUE(SaveXmlNetwork(first.c_str(), &source, nullptr)) << c.kind;
        const std::string text = first.Read();
        EXPECT_NE(text.find(c.parameters), std::string::npos) << text;
        VRX_network loaded;
        errorLog.Flush();
        ASSERT_TRUE(LoadXmlNetwork(first.c_str(), &loaded, nullptr)) << c.kind << FirstLoadError(first);
        ASSERT_TRUE(SaveXmlNetwork(second.c_str(), &loaded, nullptr));
        EXPECT_EQ(second.Read(), text) << c.kind;
    }
}

TEST(XmlDynamicNetwork, SectionMessages) {
    const std::string nodes =
        "<nodes><cpt id=\"n\"><state id=\"a\"/><state id=\"b\"/><probabilities>0.5 0.5</probabilities></cpt>"
        "<cpt id=\"p\" dynamic=\"plate\"><state id=\"a\"/><state id=\"b\"/><parents>n</parents>"
        "<probabilities>0.5 0.5 0.5 0.5</probabilities></cpt></nodes>\n";
    struct Case {
        std::string dynamic;
        std::string message;
    };
    const std::vector<Case> cases{
        {"<cpt id=\"n\" order=\"1\"><parents>p</parents><probabilities>1</probabilities></cpt>",
         "Node is not part of temporal plate: 'n'"},
        {"<cpt id=\"q\" order=\"1\"><parents>p</parents><probabilities>1</probabilities></cpt>",
         "Invalid node identifier: 'q'"},
        {"<cpt id=\"p\" order=\"0\"><parents>p</parents><probabilities>1</probabilities></cpt>",
         "Invalid temporal order: 0, positive value expected"},
        {"<cpt id=\"p\" order=\"1\"><parents></parents><probabilities>1</probabilities></cpt>",
         "No temporal parents specified for node 'p' of order 1: its table of 1 number has no dimension for "
         "a "
         "node of an earlier slice"},
        {"<cpt id=\"p\" order=\"1\"><parents>n</parents><probabilities>1</probabilities></cpt>",
         "AddTemporalArc failed"},
        {"<noisymax id=\"p\" order=\"1\"><parents>p</parents></noisymax>", "Invalid temporal defintion type"},
        {"<cpt id=\"p\" order=\"1\"><parents>p</parents><probabilities>0.5 0.5</probabilities></cpt>",
         "SetProbabilities failed"},
    };
    TempFile file;
    for (const Case& c : cases) {
        file.Write("<?xml version=\"1.0\"?>\n<tarvo version=\"1.0\" id=\"net\">\n" + nodes +
                   "<dynamic numslices=\"3\">" + c.dynamic + "</dynamic>\n</tarvo>\n");
        VRX_network net;
        errorLog.Flush();
        EXPECT_FALSE(LoadXmlNetwork(file.c_str(), &net, nullptr)) << c.message;
        EXPECT_EQ(FirstLoadError(file), c.message);
    }
}

// Temporal parents are counted before their arcs grow the table: a table past the limit, or one its
// probabilities cannot fill, is refused with nothing of its size allocated.
TEST(XmlDynamicNetwork, AWideTemporalTableIsCountedBeforeItIsBuilt) {
    struct Case {
        int parents;
        std::string message;
    };
    const std::vector<Case> cases{
        {20, "ERROR: Node [A] : the file gives 4 probabilities for its table of 4194304 cells"},
        {27,
         "ERROR: Node [A] : its own and temporal tables of 536870914 cells in all pass the limit of "
         "268435456 cells"},
    };
    const std::string states = "<state id=\"a\"/><state id=\"b\"/>";
    for (const Case& c : cases) {
        std::string nodes =
            "<cpt id=\"A\" dynamic=\"plate\">" + states + "<probabilities>0.5 0.5</probabilities></cpt>";
        std::string parents = "A";
        for (int i = 0; i < c.parents; ++i) {
            const std::string id = "p" + std::to_string(i);
            nodes += "<cpt id=\"" + id + "\" dynamic=\"plate\">" + states +
                     "<probabilities>0.5 0.5</probabilities></cpt>";
            parents += " " + id;
        }
        TempFile file;
        file.Write("<?xml version=\"1.0\"?>\n<tarvo version=\"1.0\" id=\"net\">\n<nodes>" + nodes +
                   "</nodes>\n<dynamic numslices=\"3\"><cpt id=\"A\" order=\"1\"><parents>" + parents +
                   "</parents><probabilities>0.5 0.5 0.5 0.5</probabilities></cpt></dynamic>\n</tarvo>\n");
        VRX_network net;
        errorLog.Flush();
        BufferCeiling ceiling(1 << 16);
        EXPECT_FALSE(LoadXmlNetwork(file.c_str(), &net, nullptr)) << c.parents;
        EXPECT_TRUE(LoggedPart(c.message)) << LogDump();
    }
}
