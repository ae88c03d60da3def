// Evidence of a node whose outcomes are edited: virtual evidence that no longer fits the outcomes is
// dropped (and follows a reordering), observed evidence keeps its outcome under the outcome's new index
// or goes with the outcome, and the beliefs computed afterwards are those of the evidence so adjusted.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "base/double_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "tests/support/brute_force.h"
#include "tests/support/whole_part.h"

namespace {

using vovido::test::Doubles;
using vovido::test::Notices;
using vovido::test::TestNetwork;

// X's table given A (2 outcomes): every entry positive, so that every outcome of X matters.
std::vector<double> TableOfX(int outcomes) {
    std::vector<double> values;
    for (int a = 0; a < 2; a++) {
        double sum = 0.0;
        for (int x = 0; x < outcomes; x++) sum += (a + 1.0) * (x + 1.0) + x * x;
        for (int x = 0; x < outcomes; x++) values.push_back(((a + 1.0) * (x + 1.0) + x * x) / sum);
    }
    return values;
}

// A -> X; A handle 0, X handle 1.
void Build(TestNetwork& t, int outcomesOfX) {
    const int a = t.Add("A");
    const int x = t.Add("X", outcomesOfX);
    t.Arc(a, x);
    t.Table(a, {0.3, 0.7});
    t.Table(x, TableOfX(outcomesOfX));
}

VRX_intArray Order(std::initializer_list<int> positions) {
    VRX_intArray order;
    for (int p : positions) EXPECT_EQ(order.Add(p), kSuccess);
    return order;
}

std::vector<double> VirtualEvidence(VRX_nodeValue& value) {
    VRX_doubleArray weights;
    if (value.GetVirtualEvidence(weights) != kSuccess) return {};
    return std::vector<double>(weights.GetItems(), weights.GetItems() + weights.GetCount());
}

enum class Op { kAdd, kInsertFirst, kRemove, kReorder, kReplace };

struct EditCase {
    const char* name;
    int outcomesBefore;
    std::vector<double> weightsBefore;  // empty: none
    int observedBefore;                 // -1: none
    Op op;
    int argument;  // outcome removed, or count of the new set
    std::vector<double> weightsAfter;
    int observedAfter;
};

int Apply(VRX_nodeDefinition& d, const EditCase& c) {
    switch (c.op) {
        case Op::kAdd:
            return d.AddOutcome("x_new");
        case Op::kInsertFirst:
            return d.InsertOutcome(0, "x_new");
        case Op::kRemove:
            return d.RemoveOutcome(c.argument);
        case Op::kReorder:
            return d.ChangeOrderOfOutcomes(Order({2, 0, 1}));  // new 0 is old 2, new 1 old 0, new 2 old 1
        case Op::kReplace:
            break;
    }
    return d.SetNumberOfOutcomes(c.argument);
}

TEST(OutcomeEditEvidence, EvidenceFollowsTheEditAndTheBeliefsFollowTheEvidence) {
    // clang-format off
    const EditCase cases[] = {
        {"outcome added",                    2, {0.2, 0.8},      -1, Op::kAdd,         0, {},              -1},
        {"outcome inserted first",           2, {0.2, 0.8},      -1, Op::kInsertFirst, 0, {},              -1},
        {"outcome removed",                  3, {0.2, 0.3, 0.5}, -1, Op::kRemove,      2, {},              -1},
        {"outcomes reordered",               3, {0.2, 0.3, 0.5}, -1, Op::kReorder,     0, {0.5, 0.2, 0.3}, -1},
        {"outcome set replaced, same count", 2, {0.2, 0.8},      -1, Op::kReplace,     2, {0.2, 0.8},      -1},
        {"outcome set replaced, larger",     2, {0.2, 0.8},      -1, Op::kReplace,     4, {},              -1},
        {"observed outcome moves down",      3, {},               1, Op::kRemove,      0, {},               0},
        {"observed outcome removed",         3, {},               1, Op::kRemove,      1, {},              -1},
        {"observed outcome moves up",        2, {},               1, Op::kInsertFirst, 0, {},               2},
        {"observed outcome reordered",       3, {},               0, Op::kReorder,     0, {},               1},
        {"observed outcome gone with a set", 3, {},               2, Op::kReplace,     2, {},              -1},
    };
    // clang-format on
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestNetwork t(Notices::kOn);
        Build(t, c.outcomesBefore);
        VRX_nodeValue& x = *t.Value(1);
        if (!c.weightsBefore.empty()) {
            ASSERT_EQ(x.SetVirtualEvidence(Doubles(c.weightsBefore)), kSuccess);
        }
        if (c.observedBefore >= 0) t.Observe(1, c.observedBefore);
        VRX_nodeDefinition& definition = *t.net.GetNode(1)->GetDefinition();
        ASSERT_EQ(Apply(definition, c), kSuccess);

        const int outcomes = definition.GetNumberOfOutcomes();
        EXPECT_EQ(VirtualEvidence(x), c.weightsAfter);
        EXPECT_EQ(x.HasFlag(ValueFlags::kVirtualEvidence), !c.weightsAfter.empty());
        EXPECT_EQ(x.HasEvidence() ? x.GetEvidence() : -1, c.observedAfter);

        // The same network built afresh with the evidence as it should now be.
        TestNetwork expected(Notices::kOn);
        Build(expected, outcomes);
        if (!c.weightsAfter.empty()) {
            ASSERT_EQ(expected.Value(1)->SetVirtualEvidence(Doubles(c.weightsAfter)), kSuccess);
        }
        if (c.observedAfter >= 0) expected.Observe(1, c.observedAfter);
        const vovido::test::Reference reference = vovido::test::Enumerate(expected.net);

        t.Table(1, TableOfX(outcomes));
        ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
        vovido::test::ExpectNear(t.Beliefs(0), reference.beliefs[0], 1e-12, "A");
        vovido::test::ExpectNear(t.Beliefs(1), reference.beliefs[1], 1e-12, "X");
    }
}

}  // namespace
