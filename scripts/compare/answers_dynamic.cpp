// Sections of dynamic networks (of every temporal type, and with decisions and utilities in a plate):
// slice evidence updated under the exact algorithms, unrolling, the temporal queries, refused temporal
// edits, and the files written and read back.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "scripts/compare/answer_record.h"
#include "scripts/compare/answer_sections.h"
#include "tests/support/arrays.h"
#include "tests/support/costly_networks.h"
#include "tests/support/influence_diagrams.h"
#include "tests/support/networks.h"

namespace vovido::compare {
namespace {

// Rain follows rain (0.7), the umbrella shows under rain (0.9) and without (0.2); rain also depends on the
// rain two slices before when `secondOrder`.
void BuildUmbrella(VRX_network& net, bool secondOrder) {
    const int rain = test::AddNode(net, DefinitionType::kCpt, "Rain", {});
    const int umbrella = test::AddNode(net, DefinitionType::kCpt, "Umbrella", {"Rain"});
    (void)test::Def(net, "Rain").SetDefinitionDoubles(test::Doubles({0.5, 0.5}));
    (void)test::Def(net, "Umbrella").SetDefinitionDoubles(test::Doubles({0.9, 0.1, 0.2, 0.8}));
    (void)net.SetTemporalType(umbrella, TemporalType::kPlate);
    (void)net.SetTemporalType(rain, TemporalType::kPlate);
    (void)net.AddTemporalArc(rain, rain, 1);
    (void)test::Def(net, "Rain").SetTemporalDefinition(1, test::Doubles({0.7, 0.3, 0.3, 0.7}));
    if (secondOrder) {
        (void)net.AddTemporalArc(rain, rain, 2);
        (void)test::Def(net, "Rain")
            .SetTemporalDefinition(2, test::Doubles({0.9, 0.1, 0.6, 0.4, 0.5, 0.5, 0.2, 0.8}));
    }
    (void)net.SetSliceCount(12);
}

// A plate node X (0.6, 0.4) following itself (0.8, 0.2; 0.3, 0.7), a decision D, in the plate when
// `plateDecision`, and a plate utility U(X, D) = 10 -5 0 20, over three slices.
void BuildDecisionPlate(VRX_network& net, bool plateDecision) {
    const int x = test::AddNode(net, DefinitionType::kCpt, "X", {});
    const int d = test::AddNode(net, DefinitionType::kList, "D", {});
    const int u = test::AddNode(net, DefinitionType::kTable, "U", {"X", "D"});
    (void)test::Def(net, "X").SetDefinitionDoubles(test::Doubles({0.6, 0.4}));
    test::SetUtilities(net, "U", {10, -5, 0, 20});
    for (int h : {x, u}) (void)net.SetTemporalType(h, TemporalType::kPlate);
    if (plateDecision) (void)net.SetTemporalType(d, TemporalType::kPlate);
    (void)net.AddTemporalArc(x, x, 1);
    (void)test::Def(net, "X").SetTemporalDefinition(1, test::Doubles({0.8, 0.2, 0.3, 0.7}));
    (void)net.SetSliceCount(3);
}

// A node of every temporal type: an anchor A, a contemporal C, a plate P of both following itself and a
// terminal T of P, over four slices.
void BuildEveryTemporalType(VRX_network& net) {
    const int a = test::AddNode(net, DefinitionType::kCpt, "A", {});
    (void)test::AddNode(net, DefinitionType::kCpt, "C", {});
    const int p = test::AddNode(net, DefinitionType::kCpt, "P", {"A", "C"});
    const int t = test::AddNode(net, DefinitionType::kCpt, "T", {"P"});
    for (const char* id : {"A", "C", "P", "T"}) (void)FillTable(net, net.FindNode(id));
    (void)net.SetTemporalType(a, TemporalType::kAnchor);
    (void)net.SetTemporalType(p, TemporalType::kPlate);
    (void)net.SetTemporalType(t, TemporalType::kTerminal);
    (void)net.AddTemporalArc(p, p, 1);
    (void)test::Def(net, "P").SetTemporalDefinition(
        1, test::Doubles({0.9, 0.1, 0.6, 0.4, 0.5, 0.5, 0.3, 0.7, 0.2, 0.8, 0.4, 0.6, 0.7, 0.3, 0.1, 0.9}));
    (void)net.SetSliceCount(4);
}

// Evidence on some slices of the last plate node: outcome (slice / 2) % 2 on every third slice.
void ObserveSlices(VRX_network& net, int handle, int slices) {
    for (int t = 0; t < slices; t += 3)
        (void)net.GetNode(handle)->GetValue()->SetTemporalEvidence(t, (t / 2) % 2);
}

int LastNode(const VRX_network& net) {
    int last = -1;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) last = h;
    return last;
}

// The temporal queries of every node.
void RecordQueries(VRX_network& net, const std::string& key) {
    (void)RecordCall(false, key + ":queries", [&](std::string& values) {
        AppendNumbers(values, "maxOrder", {double(net.GetMaxTemporalOrder())});
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
            std::vector<double> numbers{double(net.GetTemporalType(h)),
                                        double(net.GetMaxNodeTemporalOrder(h))};
            VRX_intArray orders;
            numbers.push_back(net.GetTemporalOrders(h, orders));
            for (int i = 0; i < orders.GetCount(); ++i) {
                numbers.push_back(orders[i]);
                VRX_intArray parents;
                numbers.push_back(net.GetTemporalParents(h, orders[i], parents));
                for (int k = 0; k < parents.GetCount(); ++k) numbers.push_back(parents[k]);
            }
            std::vector<std::pair<int, int>> pairs;
            numbers.push_back(net.GetTemporalChildren(h, pairs));
            for (const auto& [node, order] : pairs)
                numbers.insert(numbers.end(), {double(node), double(order)});
            for (int limit : {1, 2, 3}) {
                pairs.clear();
                numbers.push_back(net.GetUnrolledParents(h, limit, pairs));
                for (const auto& [node, order] : pairs)
                    numbers.insert(numbers.end(), {double(node), double(order)});
            }
            AppendNumbers(values, net.GetNode(h)->GetId(), numbers);
        }
        return 0;
    });
}

void RecordUnroll(VRX_network& net, const std::string& key) {
    (void)RecordCall(false, key + ":unroll", [&](std::string& values) {
        VRX_network unrolled;
        std::vector<int> map;
        const int status = net.UnrollNetwork(unrolled, map);
        values = NetworkModel(unrolled);
        AppendNumbers(values, "map", std::vector<double>(map.begin(), map.end()));
        return status;
    });
}

void RecordUpdates(VRX_network& net, const std::string& key) {
    for (int algorithm :
         {BayesianAlgorithm::kClusteringWithDecomposition, BayesianAlgorithm::kPolytree,
          BayesianAlgorithm::kRelevanceDecomposition, BayesianAlgorithm::kRelevanceDecomposition2}) {
        net.SetBayesianAlgorithm(algorithm);
        net.InvalidateValues();
        (void)RecordUpdate(net, false, key + ":alg" + std::to_string(algorithm),
                           [&] { return net.UpdateBeliefs(); });
    }
    net.SetBayesianAlgorithm(BayesianAlgorithm::kClusteringWithDecomposition);
}

// Temporal edits a dynamic network refuses, and the slice count at its bounds.
void RecordRefusals(VRX_network& net, const std::string& key) {
    const int first = net.GetFirstNode(), last = LastNode(net);
    const int slices = net.GetSliceCount();
    const std::pair<const char*, std::function<int()>> calls[] = {
        {"slices=0", [&] { return net.SetSliceCount(0); }},
        {"slices=-1", [&] { return net.SetSliceCount(-1); }},
        {"arc-order=0", [&] { return net.AddTemporalArc(first, last, 0); }},
        {"arc-order=-1", [&] { return net.AddTemporalArc(first, last, -1); }},
        {"arc-bad-node", [&] { return net.AddTemporalArc(first, 9999, 1); }},
        {"arc-twice", [&] { return net.AddTemporalArc(first, first, 1); }},
        {"remove-missing-arc", [&] { return net.RemoveTemporalArc(last, first, 5); }},
        {"evidence-past-slices",
         [&] { return net.GetNode(last)->GetValue()->SetTemporalEvidence(slices, 0); }},
        {"evidence-bad-outcome", [&] { return net.GetNode(last)->GetValue()->SetTemporalEvidence(1, 9); }},
        {"evidence-slice=-1", [&] { return net.GetNode(last)->GetValue()->SetTemporalEvidence(-1, 0); }},
        {"temporal-definition-wrong-size",
         [&] {
             return net.GetNode(first)->GetDefinition()->SetTemporalDefinition(1, test::Doubles({0.5, 0.5}));
         }},
        {"temporal-definition-order=9",
         [&] {
             return net.GetNode(first)->GetDefinition()->SetTemporalDefinition(9, test::Doubles({0.5, 0.5}));
         }},
    };
    for (const auto& [name, call] : calls) {
        (void)RecordCall(false, key + ":refuse:" + name, [&](std::string& values) {
            const int status = call();
            values = NetworkModel(net);
            AppendNumbers(values, "slices", {double(net.GetSliceCount())});
            return status;
        });
    }
}

}  // namespace

void DynamicSection(const std::string& which, const std::string& scratch) {
    const std::string key = "dynamic:" + which;
    VRX_network net;
    if (which == "umbrella" || which == "umbrella-order2") {
        BuildUmbrella(net, which == "umbrella-order2");
    } else if (which == "decision" || which == "decision-plate") {
        BuildDecisionPlate(net, which == "decision-plate");
    } else if (which == "every-type") {
        BuildEveryTemporalType(net);
    } else {
        const bool wide = which == "plate-wide";
        (void)test::BuildPlateChain(net, 4, 30, wide);
    }
    RecordQueries(net, key);
    RecordUnroll(net, key);
    RecordUpdates(net, key + ":no-evidence");
    ObserveSlices(net, LastNode(net), net.GetSliceCount());
    RecordUpdates(net, key + ":slice-evidence");
    (void)net.GetNode(net.GetFirstNode())->GetValue()->SetEvidence(0);
    RecordUpdates(net, key + ":first-slice-evidence");
    (void)RecordCall(false, key + ":slices=3", [&](std::string& values) {
        const int status = net.SetSliceCount(3);
        AppendNumbers(values, "evidence",
                      {double(net.GetNode(LastNode(net))->GetValue()->HasTemporalEvidence())});
        return status;
    });
    RecordUpdates(net, key + ":slices=3");
    RecordUnroll(net, key + ":slices=3");
    RecordRefusals(net, key);
    RecordFileAnswers(net, scratch, key + ":file");
}

}  // namespace vovido::compare
