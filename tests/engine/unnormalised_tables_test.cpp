// Tables whose columns do not sum to 1 (rounded in a file, or left so by a removed outcome) update as
// if each column were scaled to sum to 1, whatever the table came from, with one warning naming the
// caller's node; the stored tables keep their numbers. Messages never name a working copy's node.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "definitions/cpt.h"
#include "tests/support/brute_force.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/reference_networks.h"
#include "tests/support/temp_file.h"

namespace {

using namespace vovido::test;

const std::string kNotConsistent = "] is not consistent. Inference may not be correct: ";

// The exact posteriors of the network with every column scaled to sum to 1.
Reference ScaledReference(const VRX_network& net) {
    VRX_network copy(net);
    for (int h = copy.GetFirstNode(); h >= 0; h = copy.GetNextNode(h)) {
        VRX_Dmatrix* table = nullptr;
        if (copy.GetNode(h)->GetDefinition()->GetDefinition(table) == kSuccess && table != nullptr) {
            EXPECT_EQ(table->Normalize(), kSuccess);
        }
    }
    return Enumerate(copy);
}

void ExpectScaledBeliefs(const VRX_network& net, const std::string& where) {
    const Reference reference = ScaledReference(net);
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h))
        ExpectNear(Beliefs(net, h), reference.beliefs[static_cast<size_t>(h)],
                   where + " node " + std::to_string(h));
}

using UnnormalisedTables = FreshLogTest<>;

TEST_F(UnnormalisedTables, ARoundedColumnUpdatesAsScaledFromEveryFormat) {
    // A root with the everyday column (0.333, 0.333, 0.333) and a child of it.
    TestNetwork t;
    const int a = t.Add("A", 3);
    const int b = t.Add("B");
    t.Arc(a, b);
    t.Table(a, {0.333, 0.333, 0.333});
    t.Table(b, {0.2, 0.8, 0.6, 0.4, 0.9, 0.1});
    const std::vector<double> third(3, 1.0 / 3.0);
    const std::vector<double> child = {(0.2 + 0.6 + 0.9) / 3.0, (0.8 + 0.4 + 0.1) / 3.0};
    const std::string warning =
        "ERROR: Node [A" + kNotConsistent +
        "its table's column 0 (sum 0.999) does not sum to 1 and is used scaled to sum to 1";
    const std::string ki =
        "Diagnostic Network \"N\"\nKB\n{\n PRECISION : 4;\n};\nNodes\n{\n"
        " standard A\n {\n  TYPE : discrete [3] = { standard a0 { }; standard a1 { }; standard a2 { }; };\n"
        " }\n"
        " standard B\n {\n  TYPE : discrete [2] = { standard b0 { }; standard b1 { }; };\n }\n}\n"
        "network\n{\n standard A parent ( ) { PROB : { 0.333, 0.333, 0.333; }; }\n"
        " standard B parent (A) { PROB : { 0.2, 0.8; 0.6, 0.4; 0.9, 0.1; }; }\n}\n";
    // "": the network as built. A read reports the node as any inconsistent node, and keeps its numbers.
    for (const char* extension : {"", "vrx", "xvrx", "dne", "dsc", "erg", "net", "xml03", "dxp"}) {
        SCOPED_TRACE(extension);
        const std::string ext = extension;
        VRX_network read;
        VRX_network* net = &t.net;
        if (!ext.empty()) {
            const std::string path = TempPath("rounded." + ext);
            if (ext == "dxp") {
                ASSERT_TRUE(WriteWholeFile(path, ki));
            } else {
                ASSERT_EQ(t.net.WriteFile(path.c_str()), kSuccess) << LogDump();
            }
            errorLog.Flush();
            ASSERT_EQ(read.ReadFile(path.c_str()), kSuccess) << LogDump();
            std::remove(path.c_str());
            // Hugin tables are read normalised, with a warning.
            EXPECT_EQ(LogDump(), ext == "net"
                                     ? "-2 (line 22) : ERROR: Node [A] : column 0 of its table sums to "
                                       "0.9990000000000001, scaled to sum to 1\n"
                                     : "-568 ERROR: Node [A] is not consistent. Inference may not be "
                                       "correct\n");
            errorLog.Flush();
            net = &read;
        }
        ASSERT_EQ(net->UpdateBeliefs(), kSuccess) << LogDump();
        const int ha = net->FindNode("A");
        ExpectNear(Beliefs(*net, ha), third);
        ExpectNear(Beliefs(*net, net->FindNode("B")), child);
        EXPECT_EQ(LogDump(), ext == "net" ? std::string() : "-568 " + warning + "\n");
        VRX_Dmatrix* table = nullptr;
        ASSERT_EQ(net->GetNode(ha)->GetDefinition()->GetDefinition(table), kSuccess);
        if (ext == "net") {
            ExpectNear(Entries(*table), third);
        } else {
            EXPECT_EQ(Entries(*table), (std::vector<double>{0.333, 0.333, 0.333}));
        }
        errorLog.Flush();
    }
}

TEST_F(UnnormalisedTables, ARemovedOutcomeMeansItDoesNotOccur) {
    struct Flow {
        const char* node;
        int type;  // 0: the node keeps its kind
        std::string warning;
    };
    const std::string scaled = " and is used scaled to sum to 1";
    const Flow flows[] = {
        {"smoke", 0, "its table's column 0 (sum 0.5) does not sum to 1" + scaled},
        {"lung", 0,
         "its table's columns 0 (sum 0.9), 1 (sum 0.99) do not sum to 1 and are used scaled to sum to 1"},
        {"either", DefinitionType::kNoisyAdder,
         "its table's columns 0 (sum 0.6666666667), 1 (sum 0.75), 2 (sum 0.75) do not sum to 1 and are used "
         "scaled to sum to 1"},
    };
    for (const Flow& flow : flows) {
        SCOPED_TRACE(flow.node);
        Asia asia(Notices::kOn);
        VRX_network& net = asia.t.net;
        VRX_node& node = *net.GetNode(net.FindNode(flow.node));
        if (flow.type != 0) {
            ASSERT_EQ(node.ChangeType(flow.type), kSuccess);
        }
        ASSERT_EQ(node.GetDefinition()->AddOutcome("maybe"), kSuccess);
        ASSERT_EQ(node.GetDefinition()->RemoveOutcome(0), kSuccess);
        errorLog.Flush();
        for (int algorithm : {0, 2, 10}) {
            if (algorithm == 2 && net.IsSinglyConnected() != 1) continue;
            net.SetBayesianAlgorithm(algorithm);
            ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
            ExpectScaledBeliefs(net, "algorithm " + std::to_string(algorithm));
            ASSERT_EQ(errorLog.GetNumberOfEntries(), 1) << LogDump();
            EXPECT_EQ(LastLogged(), "ERROR: Node [" + std::string(flow.node) + kNotConsistent + flow.warning);
            errorLog.Flush();
        }
    }
    // Given that smoking is no outcome, the node is certain of the other.
    Asia asia;
    VRX_nodeDefinition& smoke = *asia.t.net.GetNode(asia.smoke)->GetDefinition();
    ASSERT_EQ(smoke.AddOutcome("maybe"), kSuccess);
    ASSERT_EQ(smoke.RemoveOutcome(0), kSuccess);
    ASSERT_EQ(asia.t.net.UpdateBeliefs(), kSuccess);
    ExpectNear(asia.t.Beliefs(asia.smoke), {1.0, 0.0});
    EXPECT_EQ(Entries(asia.t.Definition(asia.smoke)), (std::vector<double>{0.5, 0.0}));
}

TEST_F(UnnormalisedTables, ATemporalTableIsScaledAsTheMainOne) {
    // Rain follows rain with 0.7, given once as probabilities and once in halves; the warning names the
    // node the caller made, not a slice's copy. A column of zeros after no rain is used as uniform.
    const std::string halves =
        "its table's columns 0 of order 1 (sum 0.5), 1 of order 1 (sum 0.5) do not sum "
        "to 1 and are used scaled to sum to 1";
    const std::string zeros = "its table's column 1 of order 1 is all zero, used as uniform";
    const struct {
        std::vector<double> transition;
        std::string warning;
    } cases[] = {{{0.7, 0.3, 0.3, 0.7}, ""},
                 {{0.35, 0.15, 0.15, 0.35}, halves},
                 {{0.7, 0.3, 0.5, 0.5}, ""},
                 {{0.7, 0.3, 0, 0}, zeros}};
    std::vector<std::vector<double>> beliefs;
    for (const auto& [transition, warning] : cases) {
        VRX_network net;
        const int rain = AddNode(net, DefinitionType::kCpt, "Rain", {});
        const int umbrella = AddNode(net, DefinitionType::kCpt, "Umbrella", {"Rain"});
        ASSERT_EQ(Def(net, "Umbrella").SetDefinitionDoubles(Doubles({0.9, 0.1, 0.2, 0.8})), kSuccess);
        for (int h : {umbrella, rain}) ASSERT_EQ(net.SetTemporalType(h, TemporalType::kPlate), kSuccess);
        ASSERT_EQ(net.AddTemporalArc(rain, rain, 1), kSuccess);
        ASSERT_EQ(Def(net, "Rain").SetTemporalDefinition(1, Doubles(transition)), kSuccess);
        ASSERT_EQ(net.SetSliceCount(4), kSuccess);
        ASSERT_EQ(net.GetNode(umbrella)->GetValue()->SetTemporalEvidence(2, 0), kSuccess);
        errorLog.Flush();
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
        beliefs.push_back(Beliefs(net, rain));
        EXPECT_EQ(LogDump(),
                  warning.empty() ? "" : "-568 ERROR: Node [Rain" + kNotConsistent + warning + "\n");
        EXPECT_EQ(Items(*Def(net, "Rain").GetTemporalDefinition(1)), transition);
        // Each slice's beliefs sum to 1.
        for (size_t slice = 0; slice < beliefs.back().size(); slice += 2)
            EXPECT_NEAR(beliefs.back()[slice] + beliefs.back()[slice + 1], 1.0, 1e-12);
    }
    ExpectNear(beliefs[1], beliefs[0]);
    ExpectNear(beliefs[3], beliefs[2]);
}

// An update keeps what it found in each table until the table changes: every way of changing one after
// an update (a setter, a pointer or a reference into it, outcome and arc edits, a temporal table) is read
// by the next update.
TEST_F(UnnormalisedTables, AnEditAfterAnUpdateIsReadByTheNext) {
    TestNetwork t;
    const int a = t.Add("a");
    const int b = t.Add("b");
    t.Arc(a, b);
    t.Table(a, {0.3, 0.6});
    t.Table(b, {0.2, 0.8, 0.6, 0.4});
    const struct {
        const char* what;
        std::function<void()> edit;
    } edits[] = {
        {"setter",
         [&] {
             t.Table(b, {0.5, 0.6, 0.1, 0.9});
         }},
        {"pointer",
         [&] {
             double* entries = t.Definition(b).GetData();
             entries[0] = 0.9;
             entries[1] = 0.3;
         }},
        {"reference", [&] { t.Definition(a)[1] = 0.1; }},
        {"zero column",
         [&] {
             t.Table(b, {0, 0, 0.6, 0.4});
         }},
        {"column restored",
         [&] {
             t.Table(b, {0.7, 0.3, 0.6, 0.4});
         }},
        {"parent outcome added",
         [&] { EXPECT_EQ(t.net.GetNode(a)->GetDefinition()->AddOutcome("a2"), kSuccess); }},
        {"outcomes reordered",
         [&] {
             EXPECT_EQ(t.net.GetNode(b)->GetDefinition()->ChangeOrderOfOutcomes(Ints({1, 0})), kSuccess);
         }},
        {"arc removed", [&] { EXPECT_EQ(t.net.RemoveArc(a, b), kSuccess); }},
    };
    ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess) << LogDump();
    for (const auto& item : edits) {
        item.edit();
        ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess) << item.what << LogDump();
        ExpectScaledBeliefs(t.net, item.what);
        errorLog.Flush();
    }
}

// Random edits of two reference networks, with updates by every route between them: whatever a message
// says, it names the caller's nodes, never a working copy's "#handle".
TEST_F(UnnormalisedTables, RandomEditsNeverNameAWorkingCopysNode) {
    const int kinds[] = {DefinitionType::kCpt,     DefinitionType::kNoisyMax, DefinitionType::kNoisyAdder,
                         DefinitionType::kCpt,     DefinitionType::kList,     DefinitionType::kTable,
                         DefinitionType::kDeMorgan};
    std::mt19937 rng(51);
    for (const char* name : {"asia", "alarm"}) {
        SCOPED_TRACE(name);
        VRX_network net;
        ASSERT_EQ(net.ReadFile(ReferencePath(name, ".xvrx").c_str()), kSuccess);
        std::vector<int> handles;
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) handles.push_back(h);
        auto any = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        int updates = 0;
        for (int edit = 0; edit < 300; ++edit) {
            const int h = handles[static_cast<size_t>(any(static_cast<int>(handles.size())))];
            const int other = handles[static_cast<size_t>(any(static_cast<int>(handles.size())))];
            VRX_node& node = *net.GetNode(h);
            switch (any(10)) {
                case 0:
                    (void)node.ChangeType(kinds[any(7)]);
                    break;
                case 1:
                    (void)node.GetDefinition()->AddOutcome(("o" + std::to_string(edit)).c_str());
                    break;
                case 2:
                    (void)node.GetDefinition()->RemoveOutcome(any(3));
                    break;
                case 3:
                    (void)net.AddArc(h, other);
                    break;
                case 4:
                    (void)net.RemoveArc(other, h);
                    break;
                case 5:
                    if (node.GetValue() != nullptr) (void)node.GetValue()->SetEvidence(0);
                    break;
                case 6: {
                    net.SetBayesianAlgorithm(std::vector<int>{0, 2, 3, 9, 10}[static_cast<size_t>(any(5))]);
                    net.SetInfluenceDiagramAlgorithm(any(2));
                    updates += net.UpdateBeliefs() == kSuccess;
                    break;
                }
                case 7:
                case 8: {
                    // Deterministic columns: evidence may then conflict, and a removed outcome leave zeros.
                    VRX_Dmatrix* table = nullptr;
                    if (node.GetType() != DefinitionType::kCpt ||
                        node.GetDefinition()->GetDefinition(table) != kSuccess)
                        break;
                    const int k = node.GetDefinition()->GetNumberOfOutcomes();
                    std::vector<double> values(static_cast<size_t>(table->GetNumberOfElements()), 0.0);
                    for (size_t c = 0; c < values.size(); c += static_cast<size_t>(k))
                        values[c + static_cast<size_t>(any(k))] = 1.0;
                    (void)node.GetDefinition()->SetDefinitionDoubles(Doubles(values));
                    break;
                }
                default: {
                    double p = 0.0;
                    (void)net.CalcPropEvidence(&p, any(2) == 1);
                    (void)net.ClearAllEvidence();
                }
            }
            for (const std::string& text : LoggedMessages())
                EXPECT_EQ(text.find("[#"), std::string::npos) << "edit " << edit << ": " << text;
            errorLog.Flush();
        }
        EXPECT_GT(updates, 0);
    }
}

}  // namespace
