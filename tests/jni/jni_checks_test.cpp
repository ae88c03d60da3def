// The shared argument checks: what they accept and the exact texts of what they refuse.
#include "jni/jni_checks.h"

#include <stdexcept>
#include <string>
#include <utility>

#include "base/double_array.h"
#include "definitions/cpt.h"
#include "jni/jni_frame.h"
#include "model/ci_definition.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "model/submodel.h"
#include "tests/jni/jvm_fixture.h"

using vovido::kMauTypeName;
using vovido::kNoisyMaxTypeName;
using vovido::LocalRef;
using vovido::MakeJavaString;

namespace {

// What a check throws, as "invalid_argument: text" or "runtime_error: text"; "" when it passes.
template <typename Call>
std::string Refusal(Call call) {
    try {
        call();
    } catch (const std::invalid_argument& e) {
        return std::string("invalid_argument: ") + e.what();
    } catch (const std::runtime_error& e) {
        return std::string("runtime_error: ") + e.what();
    }
    return "";
}

class ChecksTest : public JvmTest {
protected:
    void SetUp() override {
        JvmTest::SetUp();
        a = network.AddNode(DefinitionType::kCpt, "A");
        b = network.AddNode(DefinitionType::kCpt, "B");
        ASSERT_GE(a, 0);
        ASSERT_GE(b, 0);
    }

    jstring Text(const char* text) { return MakeJavaString(env, text); }

    VRX_network network;
    int a = -1;
    int b = -1;
};

TEST_F(ChecksTest, NodeHandle) {
    EXPECT_EQ(&checkNodeHandle(network, a), network.GetNode(a));
    EXPECT_EQ(Refusal([&] { checkNodeHandle(network, -1); }), "invalid_argument: Invalid node handle: -1");
    EXPECT_EQ(Refusal([&] { checkNodeHandle(network, network.GetNumberOfSlots()); }),
              "invalid_argument: Invalid node handle: " + std::to_string(network.GetNumberOfSlots()));
    // A deleted node's slot lies below the slot count and is still refused.
    ASSERT_EQ(network.DeleteNode(a), 0);
    ASSERT_LT(a, network.GetNumberOfSlots());
    EXPECT_EQ(Refusal([&] { checkNodeHandle(network, a); }), "invalid_argument: Invalid node handle: 0");
}

TEST_F(ChecksTest, NodeHandleFromId) {
    EXPECT_EQ(nodeHandleFromId(env, network, Text("B")), b);
    // Identifiers are compared exactly, case included.
    EXPECT_EQ(Refusal([&] { nodeHandleFromId(env, network, Text("b")); }),
              "invalid_argument: Invalid node id: b");
    // A null identifier is refused naming the Java parameter it came as.
    EXPECT_EQ(Refusal([&] { nodeHandleFromId(env, network, nullptr); }),
              "invalid_argument: String argument can't be null (nodeId)");
    EXPECT_EQ(Refusal([&] { childHandleFromId(env, network, nullptr); }),
              "invalid_argument: String argument can't be null (childId)");
}

TEST_F(ChecksTest, OutcomeIndex) {
    ASSERT_EQ(network.GetNode(a)->GetDefinition()->AddOutcome("third"), 0);
    ASSERT_EQ(network.GetNode(a)->GetDefinition()->GetNumberOfOutcomes(), 3);
    EXPECT_EQ(&checkOutcomeIndex(network, a, 2), network.GetNode(a));
    EXPECT_EQ(Refusal([&] { checkOutcomeIndex(network, a, 3); }),
              "invalid_argument: Invalid outcome index 3 for node 'A', valid indices are 0..2");
    EXPECT_EQ(Refusal([&] { checkOutcomeIndex(network, a, -1); }),
              "invalid_argument: Invalid outcome index -1 for node 'A', valid indices are 0..2");
    // The handle is checked first.
    EXPECT_EQ(Refusal([&] { checkOutcomeIndex(network, 99, 0); }),
              "invalid_argument: Invalid node handle: 99");
}

TEST_F(ChecksTest, NodeWithoutOutcomesRefusesEveryIndex) {
    const int utility = network.AddNode(DefinitionType::kTable, "U");
    ASSERT_GE(utility, 0);
    EXPECT_EQ(Refusal([&] { checkOutcomeIndex(network, utility, 0); }),
              "invalid_argument: Invalid outcome index 0 for node 'U': it has no outcomes");
    // An equation node, discretised or not, observes a number.
    const int x = network.AddNode(DefinitionType::kEquation, "X");
    ASSERT_GE(x, 0);
    EXPECT_EQ(Refusal([&] { checkOutcomeIndex(network, x, 0); }),
              "invalid_argument: Invalid outcome index 0 for node 'X': it has no outcomes, its evidence is a "
              "number (setContEvidence)");
    EXPECT_EQ(Refusal([&] { outcomeIndexFromId(env, network, utility, Text("State0")); }),
              "invalid_argument: Invalid outcome identifier 'State0' for node 'U'");
}

TEST_F(ChecksTest, OutcomeIndexFromId) {
    VRX_nodeDefinition* definition = network.GetNode(b)->GetDefinition();
    ASSERT_EQ(definition->RenameOutcome(1, "yes"), 0);
    EXPECT_EQ(outcomeIndexFromId(env, network, b, Text("yes")), 1);
    EXPECT_EQ(Refusal([&] { outcomeIndexFromId(env, network, b, Text("no")); }),
              "invalid_argument: Invalid outcome identifier 'no' for node 'B'");
    EXPECT_EQ(Refusal([&] { outcomeIndexFromId(env, network, -3, Text("yes")); }),
              "invalid_argument: Invalid node handle: -3");
}

TEST_F(ChecksTest, NodeType) {
    EXPECT_EQ(&checkNodeType(network, a, DefinitionType::kCpt, "CPT"), network.GetNode(a)->GetDefinition());
    EXPECT_EQ(Refusal([&] { checkNodeType(network, a, DefinitionType::kNoisyMax, kNoisyMaxTypeName); }),
              "invalid_argument: Node 'A' must be of type NoisyMax");
    EXPECT_EQ(Refusal([&] { checkNodeType(network, 42, DefinitionType::kMau, kMauTypeName); }),
              "invalid_argument: Invalid node handle: 42");
}

TEST_F(ChecksTest, Identifier) {
    for (const char* good : {"x", "Abc", "a1_b2", "Z_"})
        EXPECT_EQ(Refusal([&] { checkIdentifier(good); }), "") << good;
    const std::string tail =
        "' is invalid - it should start with a letter and contain only letters, digits and "
        "underscores";
    for (const char* bad : {"", "1a", "_a", "a-b", "a b", "@x", "Caf\xE9"}) {
        EXPECT_EQ(Refusal([&] { checkIdentifier(bad); }),
                  std::string("invalid_argument: Identifier '") + bad + tail);
    }
}

TEST_F(ChecksTest, HasEvidence) {
    VRX_node& node = *network.GetNode(a);
    EXPECT_EQ(Refusal([&] { checkHasEvidence(node); }), "runtime_error: Node 'A' has no evidence set");
    ASSERT_EQ(node.GetValue()->SetEvidence(1), 0);
    EXPECT_EQ(Refusal([&] { checkHasEvidence(node); }), "");
    // Propagated evidence counts as well.
    ASSERT_EQ(node.GetValue()->ClearEvidence(), 0);
    node.GetValue()->SetValueFlag(ValueFlags::kPropagatedEvidence, true);
    EXPECT_EQ(Refusal([&] { checkHasEvidence(node); }), "");
}

TEST_F(ChecksTest, DefinitionArraySize) {
    VRX_node& node = *network.GetNode(a);
    VRX_doubleArray expected;
    ASSERT_EQ(expected.SetSize(4), 0);
    LocalRef<jdoubleArray> four(env, env->NewDoubleArray(4));
    LocalRef<jdoubleArray> three(env, env->NewDoubleArray(3));
    EXPECT_EQ(Refusal([&] { checkDefinitionArraySize(env, node, expected, four.get()); }), "");
    EXPECT_EQ(Refusal([&] { checkDefinitionArraySize(env, node, expected, three.get()); }),
              "invalid_argument: Invalid definition array size for node 'A': expected 4 and got 3");
    const int noisy = network.AddNode(DefinitionType::kNoisyMax, "N");
    ASSERT_GE(noisy, 0);
    EXPECT_EQ(
        Refusal([&] { checkDefinitionArraySize(env, *network.GetNode(noisy), expected, three.get()); }),
        "invalid_argument: Invalid definition array size for node 'N': expected 4 and got 3 (the type of "
        "this node is NoisyMax -- you need to pass noisy weights as parameter, including constrained "
        "columns)");
    EXPECT_EQ(Refusal([&] { checkDefinitionArraySize(env, node, expected, nullptr); }),
              "invalid_argument: Array argument can't be null");
}

TEST_F(ChecksTest, ParentIndexFromId) {
    const int c = network.AddNode(DefinitionType::kCpt, "C");
    ASSERT_EQ(network.AddArc(b, c), 0);
    ASSERT_EQ(network.AddArc(a, c), 0);
    EXPECT_EQ(parentIndexFromId(env, network, c, Text("B")), 0);
    EXPECT_EQ(parentIndexFromId(env, network, c, Text("A")), 1);
    EXPECT_EQ(Refusal([&] { parentIndexFromId(env, network, a, Text("C")); }),
              "invalid_argument: Node 'A' is not a child of node 'C'");
}

TEST_F(ChecksTest, TemporalDefinitionOfANetworkWithoutTemporalData) {
    const int noisy = network.AddNode(DefinitionType::kNoisyMax, "N");
    const int cast = network.AddNode(DefinitionType::kCast, "K");
    for (const auto& [node, id] : {std::pair{a, "A"}, std::pair{noisy, "N"}}) {
        EXPECT_EQ(Refusal([&] { getTemporalDefinitionDoubles(*network.GetNode(node), 1); }),
                  std::string("runtime_error: The node '") + id +
                      "' has no temporal definition: it is not in the temporal plate");
    }
    EXPECT_EQ(
        Refusal([&] { getTemporalDefinitionDoubles(*network.GetNode(cast), 1); }),
        "runtime_error: Cannot get the temporal definition of node 'K' as an array of doubles: its kind "
        "CAST keeps none (only CPT, truth-table and noisy-MAX nodes do)");
}

TEST_F(ChecksTest, Submodels) {
    EXPECT_EQ(findMainSubmodel(network), 16384);
    VRX_submodelHandler& submodels = network.GetSubmodelHandler();
    const int sub = submodels.CreateSubmodel(16384, "Sub");
    ASSERT_GE(sub, 0);
    EXPECT_EQ(&checkSubmodelHandle(network, sub), submodels.GetSubmodel(sub));
    EXPECT_EQ(submodelHandleFromId(env, network, Text("Sub")), sub);
    EXPECT_EQ(Refusal([&] { submodelHandleFromId(env, network, Text("Other")); }),
              "invalid_argument: Invalid submodel id: 'Other'");
    ASSERT_EQ(submodels.DeleteSubmodel(sub), 0);
    EXPECT_EQ(Refusal([&] { checkSubmodelHandle(network, sub); }),
              "invalid_argument: Invalid submodel handle: " + std::to_string(sub));
    EXPECT_EQ(Refusal([&] { checkSubmodelHandle(network, -5); }),
              "invalid_argument: Invalid submodel handle: -5");
}

TEST_F(ChecksTest, MainSubmodelMissing) {
    network.GetSubmodelHandler().CleanUp(1);
    EXPECT_EQ(Refusal([&] { findMainSubmodel(network); }), "runtime_error: Main submodel not found");
}

}  // namespace
