#pragma once
// Random edits of a network through the calls the natives make (outcomes added, inserted and removed, arcs,
// tables with rounded, zero and unnormalised columns, parameters of the noisy kinds, every kind code,
// evidence, also on nodes that hold some, read-only queries, algorithms), fixed by a seed: the random-edit
// property test and the regression comparison of two builds make the same edits.

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "model/ci_definition.h"
#include "model/network.h"
#include "model/network_settings.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace vovido::test {

// What the edits may do.
struct EditScope {
    // Tables with columns of zeros or off 1, and outcome removals (which leave such).
    bool offColumns = false;
    bool samplers = false;   // the sampling and loopy algorithms besides the exact ones
    bool everyKind = false;  // every kind code (and one that is none) besides the chance kinds
    // Algorithm codes drawn below this with samplers (fixed where two builds must make the same edits).
    int algorithms = BayesianAlgorithm::kLast + 1;
    // Temporal types, temporal arcs and tables, slice counts and kind changes of plate nodes besides.
    bool temporal = false;
    // With temporal: decisions and utilities of plate nodes added in or outside the plate besides (off,
    // the temporal edits draw as they always did).
    bool plateDecisions = false;
    // Evidence edits may also give likelihoods (to forced nodes among others), update, then clear all.
    bool likelihoods = false;
};

// An edit call that failed, for its caller to check: the log names the cause first, or, for an outcome
// added, the node keeps the outcomes it had.
struct FailedEdit {
    std::string what;
    VRX_node* node = nullptr;
    bool outcomeAdded = false;
    int outcomesBefore = 0;  // GetNumberOfOutcomes before an outcome added
};

class RandomEditor {
public:
    using FailureCheck = std::function<void(const FailedEdit&)>;

    explicit RandomEditor(const EditScope& scope, FailureCheck onFailure = nullptr)
        : scope_(scope), onFailure_(std::move(onFailure)) {}

    void Seed(unsigned seed) { rng_.seed(seed); }

    // Whether the last edit was refused or only read: then it may change nothing.
    bool LastChangedNothing() const { return unchanged_; }

    // One edit of a random node of `handles`; what it was, for the messages.
    std::string Edit(VRX_network& net, const std::vector<int>& handles) {
        unchanged_ = false;
        const int h = handles[static_cast<size_t>(Any(static_cast<int>(handles.size())))];
        const int other = handles[static_cast<size_t>(Any(static_cast<int>(handles.size())))];
        VRX_node& node = *net.GetNode(h);
        VRX_nodeDefinition& definition = *node.GetDefinition();
        const std::string id = node.GetId();
        if (followUp_ >= 0 && net.GetNode(followUp_) != nullptr) return FollowUp(net);
        followUp_ = -1;
        switch (Any(scope_.temporal ? 14 : 12)) {
            case 12:
            case 13:
                return TemporalEdit(net, h, other);
            case 0: {
                static const int kChanceKinds[] = {DefinitionType::kCpt,        DefinitionType::kCpt,
                                                   DefinitionType::kTruthTable, DefinitionType::kNoisyMax,
                                                   DefinitionType::kNoisyAdder, DefinitionType::kCast,
                                                   DefinitionType::kDeMorgan};
                static const int kEveryKind[] = {
                    DefinitionType::kCpt,          DefinitionType::kTruthTable,
                    DefinitionType::kList,         DefinitionType::kTable,
                    DefinitionType::kNoisyMax,     DefinitionType::kNoisyAdder,
                    DefinitionType::kMau,          DefinitionType::kCast,
                    DefinitionType::kDeMorgan,     DefinitionType::kDchildHparent,
                    DefinitionType::kDistribution, DefinitionType::kHEquation,
                    DefinitionType::kEquation,     0x999};
                const int kind = scope_.everyKind && Any(2) == 0 ? kEveryKind[Any(14)] : kChanceKinds[Any(7)];
                if (Refused(node.ChangeType(kind))) Failed({"kind of " + id, &node});
                return "kind of " + id + " to " + std::to_string(kind);
            }
            case 1: {
                const int before = definition.GetNumberOfOutcomes();
                const std::string name = "o" + std::to_string(Any(1000));
                // Inserted at a random place, or added last.
                const int rc = Any(2) == 0 ? definition.AddOutcome(name.c_str())
                                           : definition.InsertOutcome(Any(before + 1), name.c_str());
                if (Refused(rc)) Failed({"outcome added to " + id, &node, true, before});
                return "outcome added to " + id;
            }
            case 2:
                if (!scope_.offColumns) return "no edit";
                (void)Refused(definition.RemoveOutcome(Any(3)));
                return "outcome removed from " + id;
            case 3:
                (void)Refused(net.AddArc(other, h));
                return "arc " + std::string(net.GetNode(other)->GetId()) + " -> " + id;
            case 4: {
                const VRX_intArray& parents = net.GetParents(h);
                if (parents.GetCount() > 0) (void)Refused(net.RemoveArc(parents[Any(parents.GetCount())], h));
                return "arc to " + id + " removed";
            }
            case 9:
                Query(net, h, other);
                return "queries of " + id;
            case 11:
                // Three edits: an outcome more, a child of another kind, then an outcome edit it follows.
                if (net.GetChildren(h).GetCount() == 0) return "no edit";
                followUp_ = h;
                step_ = 0;
                (void)Refused(definition.AddOutcome(nullptr));
                return "outcome added to " + id + " before its child changes kind";
            case 5:
            case 6:
                SetTable(node);
                return "table of " + id;
            case 7:
            case 10: {
                VRX_nodeValue& value = *node.GetValue();
                if (scope_.likelihoods && Any(4) == 0) return LikelihoodsThenClear(net, h);
                if (Any(3) == 0) {
                    (void)Refused(value.ClearEvidence());
                    return "evidence on " + id + " cleared";
                }
                // A node that holds evidence is given another outcome, which its neighbours may refuse.
                const int k = definition.GetNumberOfOutcomes();
                const int held = value.HasEvidence() ? value.GetEvidence() : -1;
                const int outcome = held >= 0 && k > 1 ? (held + 1 + Any(k - 1)) % k : Any(k);
                (void)Refused(value.SetEvidence(outcome));
                return "evidence " + std::to_string(outcome) + " on " + id;
            }
            default: {
                static const int kExactAlgorithms[] = {
                    BayesianAlgorithm::kClusteringWithDecomposition, BayesianAlgorithm::kPolytree,
                    BayesianAlgorithm::kClusteringPerPart, BayesianAlgorithm::kRelevanceDecomposition,
                    BayesianAlgorithm::kRelevanceDecomposition2};
                const int algorithm = scope_.samplers ? Any(scope_.algorithms) : kExactAlgorithms[Any(5)];
                net.SetBayesianAlgorithm(algorithm);
                return "algorithm " + std::to_string(algorithm);
            }
        }
    }

private:
    int Any(int n) { return n > 0 ? static_cast<int>(rng_() % static_cast<unsigned>(n)) : 0; }

    // True for a refused call, which is then to have changed nothing.
    bool Refused(int rc) {
        unchanged_ = rc != kSuccess;
        return unchanged_;
    }

    // Likelihoods on the node and on every node whose outcome other evidence forces, an update, then
    // ClearAllEvidence: none may be left.
    std::string LikelihoodsThenClear(VRX_network& net, int h) {
        for (int n = net.GetFirstNode(); n >= 0; n = net.GetNextNode(n)) {
            VRX_nodeValue* value = net.GetNode(n)->GetValue();
            if (value == nullptr || (n != h && !value->HasFlag(ValueFlags::kPropagatedEvidence))) continue;
            const int k = net.GetNode(n)->GetDefinition()->GetNumberOfOutcomes();
            VRX_doubleArray weights;
            if (k < 1 || weights.SetSize(k) != kSuccess) continue;
            weights.SetCount(k);
            for (int i = 0; i < k; ++i) weights[i] = 0.1 + Any(10);
            (void)value->SetVirtualEvidence(weights);  // kinds without likelihoods refuse
        }
        (void)net.UpdateBeliefs();
        errorLog.Flush();  // what the update refused is no refusal of the edit
        (void)net.ClearAllEvidence();
        return "likelihoods on " + std::string(net.GetNode(h)->GetId()) +
               " and forced nodes, then all cleared";
    }

    // The steps after an outcome was added to followUp_: one of its children takes a kind that is no plain
    // table (computed, hybrid, equation, utility), then the node gets or loses an outcome, which that child
    // may refuse.
    std::string FollowUp(VRX_network& net) {
        const int h = followUp_;
        const std::string id = net.GetNode(h)->GetId();
        VRX_nodeDefinition& definition = *net.GetNode(h)->GetDefinition();
        if (step_++ == 0) {
            const VRX_intArray& children = net.GetChildren(h);
            if (children.GetCount() == 0) return "no edit";
            static const int kOtherKinds[] = {DefinitionType::kCast,          DefinitionType::kDeMorgan,
                                              DefinitionType::kNoisyAdder,    DefinitionType::kNoisyMax,
                                              DefinitionType::kDchildHparent, DefinitionType::kDistribution,
                                              DefinitionType::kHEquation,     DefinitionType::kEquation,
                                              DefinitionType::kTable,         DefinitionType::kTruthTable};
            const int child = children[Any(children.GetCount())];
            const int kind = kOtherKinds[Any(10)];
            (void)Refused(net.GetNode(child)->ChangeType(kind));
            return "kind of child " + std::string(net.GetNode(child)->GetId()) + " to " +
                   std::to_string(kind);
        }
        followUp_ = -1;
        const int k = definition.GetNumberOfOutcomes();
        if (k >= 3 && Any(2) == 0) {
            (void)Refused(definition.RemoveOutcome(Any(k)));
            return "outcome removed from " + id + " after its child changed kind";
        }
        (void)Refused(definition.InsertOutcome(Any(k + 1), nullptr));
        return "outcome inserted in " + id + " after its child changed kind";
    }

    // A temporal type of the node (or the plate for every node, leaves first, and a slice count), a temporal
    // arc into it, its temporal table, or a kind change of a plate node; each may be refused.
    std::string TemporalEdit(VRX_network& net, int h, int other) {
        const std::string id = net.GetNode(h)->GetId();
        // A static network is given a temporal type of one node (mostly refused) or the plate for every node;
        // a node outside the plate mostly brings the whole network into it, so that most edits find one.
        const bool outside = net.GetTemporalType(h) != TemporalType::kPlate;
        switch (net.GetSliceCount() == 0 ? Any(2)
                : outside && Any(3) != 0 ? 0
                                         : Any(scope_.plateDecisions ? 8 : 7)) {
            case 7:
                return PlateDecisionAndUtility(net, h);
            case 0: {
                // Passes until no node more takes the plate: a node joins once its children are in it.
                for (bool joined = true; joined;) {
                    joined = false;
                    for (int n = net.GetFirstNode(); n >= 0; n = net.GetNextNode(n)) {
                        if (net.GetTemporalType(n) != TemporalType::kPlate &&
                            net.SetTemporalType(n, TemporalType::kPlate) == kSuccess)
                            joined = true;
                    }
                }
                (void)Refused(net.SetSliceCount(2 + Any(3)));
                return "every node into the plate";
            }
            case 1: {
                const int type = Any(4);
                (void)Refused(net.SetTemporalType(h, type));
                return "temporal type " + std::to_string(type) + " of " + id;
            }
            case 2:
            case 3: {
                // From the node itself half the time: the arcs of a slice to the next.
                const int parent = Any(2) == 0 ? h : other;
                const int order = 1 + Any(2);
                (void)Refused(net.AddTemporalArc(parent, h, order));
                return "temporal arc of order " + std::to_string(order) + " from " +
                       net.GetNode(parent)->GetId() + " to " + id;
            }
            case 4: {
                VRX_intArray orders;
                h = WithTemporalArcs(net, h, orders);
                if (h < 0) return "no edit";
                const std::string child = net.GetNode(h)->GetId();
                VRX_nodeDefinition& definition = *net.GetNode(h)->GetDefinition();
                const int order = orders[Any(orders.GetCount())];
                const VRX_doubleArray* current = definition.GetTemporalDefinition(order);
                const int k = definition.GetNumberOfOutcomes();
                if (current == nullptr || k < 1) return "no edit";
                const std::vector<double> values = RandomColumns(current->GetCount(), k);
                VRX_doubleArray entries;
                for (double v : values) (void)entries.Add(v);
                (void)Refused(definition.SetTemporalDefinition(order, entries));
                return "temporal table of order " + std::to_string(order) + " of " + child;
            }
            case 5: {
                // A node with temporal arcs into it where there is one.
                VRX_intArray orders;
                if (WithTemporalArcs(net, h, orders) >= 0) h = WithTemporalArcs(net, h, orders);
                const std::string plate = net.GetNode(h)->GetId();
                if (net.GetTemporalType(h) != TemporalType::kPlate) return "no edit";
                static const int kPlateKinds[] = {DefinitionType::kCpt,      DefinitionType::kTruthTable,
                                                  DefinitionType::kNoisyMax, DefinitionType::kNoisyAdder,
                                                  DefinitionType::kCast,     DefinitionType::kDeMorgan};
                const int kind = kPlateKinds[Any(6)];
                const int before = net.GetNodeType(h);
                if (Refused(net.GetNode(h)->ChangeType(kind)))
                    Failed({"kind of plate node " + plate, net.GetNode(h)});
                // Half the time back at once: the temporal tables are to come back in full.
                if (unchanged_ || Any(2) == 0)
                    return "kind of plate node " + plate + " to " + std::to_string(kind);
                if (Refused(net.GetNode(h)->ChangeType(before)))
                    Failed({"kind of plate node " + plate, net.GetNode(h)});
                return "kind of plate node " + plate + " to " + std::to_string(kind) + " and back";
            }
            default: {
                VRX_intArray orders;
                h = WithTemporalArcs(net, h, orders);
                if (h < 0) return "no edit";
                const int order = orders[Any(orders.GetCount())];
                VRX_intArray parents;
                if (net.GetTemporalParents(h, order, parents) != kSuccess || parents.GetCount() == 0)
                    return "no edit";
                (void)Refused(net.RemoveTemporalArc(parents[Any(parents.GetCount())], h, order));
                return "temporal arc of order " + std::to_string(order) + " to " + net.GetNode(h)->GetId() +
                       " removed";
            }
        }
    }

    // A decision and a utility of it and of the plate node h: the utility in the plate or after it, the
    // decision in it or before it. Only the first call may be refused unchanged: the rest are checked by
    // the update and the round trips that follow.
    std::string PlateDecisionAndUtility(VRX_network& net, int h) {
        if (net.GetTemporalType(h) != TemporalType::kPlate) return "no edit";
        const std::string suffix = std::to_string(net.GetLastNode() + 1);
        const int u = net.AddNode(DefinitionType::kTable, ("U" + suffix).c_str());
        if (Refused(u < 0 ? u : kSuccess)) return "utility added";
        const int d = net.AddNode(DefinitionType::kList, ("D" + suffix).c_str());
        const int utilityType = Any(3) == 0 ? TemporalType::kTerminal : TemporalType::kPlate;
        const bool plateDecision = Any(2) == 0;
        std::string what = "utility U" + suffix + " of " + net.GetNode(h)->GetId() + " as type " +
                           std::to_string(utilityType) + ", decision D" + suffix +
                           (plateDecision ? " in the plate" : " before it");
        // Children join the plate before their parents.
        if (net.SetTemporalType(u, utilityType) != kSuccess ||
            (d >= 0 && plateDecision && net.SetTemporalType(d, TemporalType::kPlate) != kSuccess) ||
            net.AddArc(h, u) != kSuccess || (d >= 0 && net.AddArc(d, u) != kSuccess))
            return what + " (partly refused)";
        VRX_doubleArray utilities;
        for (int c = 0; c < 2 * net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes(); ++c)
            (void)utilities.Add(Any(41) - 20);
        (void)net.GetNode(u)->GetDefinition()->SetDefinitionDoubles(utilities);
        return what;
    }

    // The first node from h on (in handle order, round) with temporal arcs into it, its orders in `orders`;
    // -1 when there is none.
    static int WithTemporalArcs(VRX_network& net, int h, VRX_intArray& orders) {
        for (int pass = 0; pass < 2; ++pass) {
            for (int n = pass == 0 ? h : net.GetFirstNode(); n >= 0 && (pass == 0 || n < h);
                 n = net.GetNextNode(n)) {
                if (net.GetTemporalOrders(n, orders) == kSuccess && orders.GetCount() > 0) return n;
            }
        }
        return -1;
    }

    // The read-only queries, which change nothing whatever they answer.
    void Query(VRX_network& net, int h, int other) {
        unchanged_ = true;
        VRX_intArray orders;
        VRX_intArray parents;
        std::vector<std::pair<int, int>> pairs;
        (void)net.GetTemporalOrders(h, orders);
        (void)net.GetTemporalParents(h, 1 + Any(2), parents);
        (void)net.GetTemporalChildren(h, pairs);
        (void)net.GetUnrolledParents(h, 1 + Any(2), pairs);
        (void)net.TemporalArcExists(other, h, 1);
        (void)net.GetMaxNodeTemporalOrder(h);
        VRX_Dmatrix* table = nullptr;
        (void)net.GetNode(h)->GetDefinition()->GetDefinition(table);
        (void)net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
    }

    void Failed(const FailedEdit& edit) {
        if (onFailure_) onFailure_(edit);
    }

    // Columns of k entries: proper, rounded to 3 decimals, one left zero, or scaled off 1.
    std::vector<double> RandomColumns(int size, int k) {
        std::vector<double> values(static_cast<size_t>(size));
        for (int c = 0; c + k <= size; c += k) {
            const int style = scope_.offColumns ? Any(5) : 0;
            double sum = 0.0;
            for (int j = 0; j < k; ++j) sum += values[static_cast<size_t>(c + j)] = 0.05 + Any(1000) / 1000.0;
            const double scale = style == 3 ? 0.5 + Any(100) / 50.0 : 1.0;
            for (int j = 0; j < k; ++j) {
                double& v = values[static_cast<size_t>(c + j)];
                v = style == 2 ? 0.0 : v / sum * scale;
                if (style == 1) v = std::round(v * 1000.0) / 1000.0;
            }
        }
        return values;
    }

    std::vector<double> DeterministicColumns(int size, int k) {
        std::vector<double> values(static_cast<size_t>(size), 0.0);
        for (int c = 0; c + k <= size; c += k) values[static_cast<size_t>(c + Any(k))] = 1.0;
        return values;
    }

    static int SetDoubles(VRX_nodeDefinition& definition, const std::vector<double>& values) {
        VRX_doubleArray entries;
        const int rc = entries.SetSize(static_cast<int>(values.size()));
        if (rc != kSuccess) return rc;
        for (double v : values) entries.AddReserved(v);
        return definition.SetDefinitionDoubles(entries);
    }

    void SetTable(VRX_node& node) {
        VRX_nodeDefinition& definition = *node.GetDefinition();
        VRX_Dmatrix* table = nullptr;
        const int type = node.GetType();
        const int k = definition.GetNumberOfOutcomes();
        // The noisy kinds take their parameters, in columns of the node's outcomes, unnormalised too.
        auto* noisy = dynamic_cast<VRX_ciDefinition*>(&definition);
        if ((type == DefinitionType::kNoisyMax || type == DefinitionType::kNoisyAdder) && noisy != nullptr &&
            k > 0) {
            const int size = noisy->GetCiWeights()->GetNumberOfElements();
            if (Refused(SetDoubles(definition, RandomColumns(size, k))))
                Failed({"parameters of " + std::string(node.GetId()), &node});
            return;
        }
        if ((type != DefinitionType::kCpt && type != DefinitionType::kTruthTable) ||
            definition.GetDefinition(table) != kSuccess || table == nullptr)
            return;
        const int size = table->GetNumberOfElements();
        // A truth table takes only columns of one 1 and zeros, and refuses the others naming the node.
        const bool deterministic = type == DefinitionType::kTruthTable && Any(3) != 0;
        const std::vector<double> values =
            deterministic ? DeterministicColumns(size, k) : RandomColumns(size, k);
        if (Refused(SetDoubles(definition, values))) Failed({"table of " + std::string(node.GetId()), &node});
    }

    std::mt19937 rng_;
    bool unchanged_ = false;
    int followUp_ = -1;  // the node of a three-step outcome edit under way
    int step_ = 0;
    EditScope scope_;
    FailureCheck onFailure_;
};

}  // namespace vovido::test
