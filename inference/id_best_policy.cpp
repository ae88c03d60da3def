// Best choice of the first open decision by fixing the later decisions' policies backwards in a
// working copy whose merged utility is observed.
#include "inference/id_best_policy.h"

#include <algorithm>
#include <cstddef>
#include <new>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "definitions/mau.h"
#include "inference/influence_diagram_support.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

using vovido::IsUndefinedEntry;

namespace {

constexpr char kShachterFailed[] = "Error when running Shachter's algorithm";
constexpr char kCannotSolve[] = "Can't solve this network using best policy algorithm";

bool HoldsEvidence(const VRX_network& network, int handle) {
    const VRX_nodeValue* value = network.GetNode(handle)->GetValue();
    return value != nullptr && value->HasEvidence();
}

}  // namespace

BestPolicySolver::BestPolicySolver() = default;
BestPolicySolver::~BestPolicySolver() = default;

int BestPolicySolver::Run(VRX_network& network) {
    network_ = &network;
    updates_ = 0;
    refused_ = false;
    if (const int rc = IsSolvable()) return rc;
    network.InvalidateValues();
    if (const int rc = AssumeDecisionOrder()) return LogError(errorLog, rc, kShachterFailed, nullptr);

    VRX_network* work = nullptr;
    if (const int rc = vovido::MakeWorkingCopy(network, work)) return rc;
    work_.reset(work);
    if (const int rc = ExpandMauNodes()) return rc;
    if (const int rc = MergeUtilityNodes()) return rc;
    int rc = ConvertToBayesianNetwork();
    if (rc == kSuccess) rc = Solve();
    if (rc != kSuccess) {
        network.InvalidateValues();
        return refused_ ? rc : LogError(errorLog, rc, kShachterFailed, nullptr);
    }
    return kSuccess;
}

int BestPolicySolver::AssumeDecisionOrder() {
    VRX_network& net = *network_;
    std::vector<int> sequence;
    if (const int rc = vovido::CollectDecisionSequence(net, sequence)) return rc;
    vovido::AssumeDecisionOrder(net, sequence);
    // The arcs may reorder decisions that were not ordered before.
    if (const int rc = vovido::CollectDecisionSequence(net, sequence_)) return rc;
    return CollectOpenDecisions();
}

int BestPolicySolver::CollectOpenDecisions() {
    VRX_network& net = *network_;
    openDecisions_.clear();
    VRX_intArray order;
    if (const int rc = net.GetInfluenceDiagramOrder(order)) return rc;
    try {
        for (int i = 0; i < order.GetCount(); i++) {
            const int h = order[i];
            if (net.GetNodeType(h) == DefinitionType::kList && !HoldsEvidence(net, h))
                openDecisions_.push_back(h);
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

int BestPolicySolver::IsSolvable() {
    if (const int rc = CollectOpenDecisions()) return rc;
    VRX_network& net = *network_;
    if (openDecisions_.empty()) return LogError(errorLog, kOutOfRange, kShachterFailed, nullptr);
    const VRX_intArray& parents = net.GetParents(openDecisions_[0]);
    for (int k = 0; k < parents.GetCount(); k++) {
        if (!HoldsEvidence(net, parents[k])) return LogError(errorLog, kOutOfRange, kCannotSolve, nullptr);
    }
    return kSuccess;
}

int BestPolicySolver::ExpandMauNodes() {
    VRX_network& work = *work_;
    VRX_intArray order;
    if (order.Copy(work.GetTopologicalOrder()) != kSuccess) return kOutOfMemory;
    for (int i = order.GetCount() - 1; i >= 0; i--) {
        const int h = order[i];
        if (work.GetNodeType(h) != DefinitionType::kMau) continue;
        auto* mau = static_cast<VRX_mau*>(work.GetNode(h)->GetDefinition());
        // Only a plain weighted sum folds into its parents: with decision parents or expressions the
        // weights depend on a choice, and no single factor per parent exists.
        const VRX_intArray& parents = work.GetParents(h);
        const VRX_Dmatrix& weights = mau->GetWeights();
        bool plain = !mau->HasExpressions() && weights.GetNumberOfElements() == parents.GetCount();
        for (int k = 0; k < parents.GetCount() && plain; k++)
            plain = work.GetNodeType(parents[k]) != DefinitionType::kList;
        if (!plain) {
            return LogError(
                errorLog, kOutOfRange,
                "Cannot solve this network using SHACHTER's algorithm. Multi-attribute utility nodes "
                "with decision parents or expressions are not supported",
                nullptr);
        }
        for (int k = 0; k < parents.GetCount(); k++) {
            VRX_nodeDefinition* parent = work.GetNode(parents[k])->GetDefinition();
            VRX_Dmatrix* table = nullptr;
            if (const int rc = parent->GetDefinition(table)) return rc;
            if (table == nullptr) return kWrongNodeType;
            const double weight = weights[k];
            for (int j = 0; j < table->GetNumberOfElements(); j++) {
                if (!IsUndefinedEntry((*table)[j])) (*table)[j] *= weight;
            }
        }
        if (const int rc = work.DeleteNode(h)) return rc;
    }
    return kSuccess;
}

int BestPolicySolver::MergeUtilityNodes() {
    VRX_network& work = *work_;
    std::vector<int> utilities;
    VRX_intArray merged;
    const VRX_intArray& order = work.GetTopologicalOrder();
    try {
        for (int i = 0; i < order.GetCount(); i++) {
            if (work.GetNodeType(order[i]) != DefinitionType::kTable) continue;
            utilities.push_back(order[i]);
            const VRX_intArray& parents = work.GetParents(order[i]);
            for (int k = 0; k < parents.GetCount(); k++) {
                if (!merged.IsInList(parents[k]) && merged.Add(parents[k]) != kSuccess) return kOutOfMemory;
            }
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    if (merged.GetCount() > kMaxMergedParents) {
        return LogError(
            errorLog, kOutOfRange,
            "Cannot solve this network using SHACHTER's algorithm. Error while merging utility nodes "
            "(too many parents)",
            nullptr);
    }
    mergedUtility_ = work.AddTemporaryNode(DefinitionType::kTable);
    if (mergedUtility_ < 0) return kOutOfRange;
    for (int k = 0; k < merged.GetCount(); k++) {
        if (const int rc = work.AddArc(merged[k], mergedUtility_)) return rc;
    }
    VRX_Dmatrix* sum = nullptr;
    if (const int rc = work.GetNode(mergedUtility_)->GetDefinition()->GetDefinition(sum)) return rc;
    if (sum == nullptr) return kWrongNodeType;
    sum->FillWith(0.0);
    // For every entry of the merged table, the item of each utility table at the coordinates of its
    // parents; undefined items make the sum undefined.
    const int cells = sum->GetNumberOfElements();
    VRX_intArray coords;
    if (coords.SetSize(merged.GetCount() + 1) != kSuccess) return kOutOfMemory;
    for (int u : utilities) {
        VRX_Dmatrix* table = nullptr;
        if (const int rc = work.GetNode(u)->GetDefinition()->GetDefinition(table)) return rc;
        const VRX_intArray& parents = work.GetParents(u);
        const VRX_intArray& strides = table->GetStrides();
        std::vector<int> position(static_cast<size_t>(parents.GetCount()));
        for (int k = 0; k < parents.GetCount(); k++) position[k] = merged.FindPosition(parents[k]);
        for (int c = 0; c < cells; c++) {
            if (const int rc = sum->IndexToCoordinates(c, coords)) return rc;
            int at = 0;
            for (int k = 0; k < parents.GetCount(); k++) at += coords[position[k]] * strides[k];
            const double v = (*table)[at];
            if (IsUndefinedEntry(v) || IsUndefinedEntry((*sum)[c])) {
                (*sum)[c] = kUndefinedValue;
            } else {
                (*sum)[c] += v;
            }
        }
    }
    for (int u : utilities) {
        if (const int rc = work.DeleteNode(u)) return rc;
    }
    return kSuccess;
}

int BestPolicySolver::ConvertToBayesianNetwork() {
    VRX_network& work = *work_;
    if (const int rc = vovido::ConvertUtilityNode(work, mergedUtility_)) return rc;
    for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h)) {
        if (work.GetNodeType(h) != DefinitionType::kList) continue;
        if (const int rc = vovido::ConvertDecisionNode(work, h, true)) return rc;
    }
    return kSuccess;
}

// The working copy's arcs, every decision not yet fixed given arcs from all it may use: the nodes of the
// sequence before it.
void BestPolicySolver::BuildDecisionGraph() {
    VRX_network& work = *work_;
    graph_ = std::make_unique<vovido::DecisionGraph>(static_cast<size_t>(work.GetNumberOfSlots()));
    for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h)) TakeWorkParents(h);
    for (size_t i = 0; i < sequence_.size(); i++) {
        const int h = sequence_[i];
        if (network_->GetNodeType(h) != DefinitionType::kList) continue;
        std::vector<int> parents = graph_->Parents(h);
        for (size_t j = 0; j < i; j++) {
            if (std::find(parents.begin(), parents.end(), sequence_[j]) == parents.end())
                parents.push_back(sequence_[j]);
        }
        graph_->SetParents(h, parents);
    }
}

int BestPolicySolver::Solve() {
    if (const int rc = vovido::SetWorkEvidence(*work_, mergedUtility_, 0)) return rc;
    int best = 0;
    try {
        BuildDecisionGraph();
        for (int i = static_cast<int>(openDecisions_.size()) - 1; i >= 0; i--) {
            const int decision = openDecisions_[static_cast<size_t>(i)];
            std::vector<int> known;
            for (size_t j = 0; j < sequence_.size() && sequence_[j] != decision; j++)
                known.push_back(sequence_[j]);
            // Whatever it chooses, a decision that no utility depends on is worth the same: its uniform
            // table stands for any policy.
            const bool matters = graph_->Reaches(decision, mergedUtility_);
            std::vector<int> information;
            if (matters) information = RequisiteInformation(decision, known);
            // The first decision is taken now and knows only the evidence: what was seen before a decision
            // that holds evidence, and bears on its worth, must be evidence too.
            if (i == 0 && !information.empty()) {
                refused_ = true;
                return LogError(errorLog, kOutOfRange, kCannotSolve, nullptr);
            }
            if (const int rc = SetInformation(decision, information)) return rc;
            if (!matters && i > 0) continue;
            if (const int rc = FixDecision(decision, i == 0, best)) return rc;
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    const int first = openDecisions_[0];
    VRX_nodeValue* value = network_->GetNode(first)->GetValue();
    const int n = network_->GetNode(first)->GetDefinition()->GetNumberOfOutcomes();
    VRX_Dmatrix* matrix = nullptr;
    if (const int rc = value->GetValue(matrix)) return rc;
    VRX_intArray sizes;
    if (matrix == nullptr || sizes.Add(n) != kSuccess || matrix->Setup(sizes) != kSuccess)
        return kOutOfMemory;
    matrix->FillWith(0.0);
    (*matrix)[best] = 1.0;
    value->SetValueFlag(ValueFlags::kUpToDate, true);
    return kSuccess;
}

// Of what the decision knows, the nodes that can tell something about the utility given the decision
// and the rest: one at a time, a node that the rest screens off goes, until none does.
std::vector<int> BestPolicySolver::RequisiteInformation(int decision, const std::vector<int>& known) {
    VRX_network& work = *work_;
    std::vector<char> observed(static_cast<size_t>(work.GetNumberOfSlots()), 0);
    for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h))
        observed[static_cast<size_t>(h)] = h != mergedUtility_ && HoldsEvidence(work, h);
    observed[static_cast<size_t>(decision)] = 1;
    for (int x : known) observed[static_cast<size_t>(x)] = 1;
    // With the decision observed, its own arcs open no path: a parent that stays is observed too, and
    // one that goes takes its arc along.
    graph_->SetParents(decision, {});
    std::vector<int> kept = known;
    for (bool dropped = true; dropped;) {
        dropped = false;
        for (size_t k = kept.size(); k-- > 0;) {
            const size_t x = static_cast<size_t>(kept[k]);
            observed[x] = 0;
            if (graph_->DConnected(kept[k], mergedUtility_, observed)) {
                observed[x] = 1;
                continue;
            }
            kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(k));
            dropped = true;
        }
    }
    return kept;
}

// The decision's parents in the working copy become the observed ones and the given nodes; its table is
// uniform again over them.
int BestPolicySolver::SetInformation(int decision, const std::vector<int>& information) {
    VRX_network& work = *work_;
    VRX_intArray current;
    if (current.Copy(work.GetParents(decision)) != kSuccess) return kOutOfMemory;
    for (int k = 0; k < current.GetCount(); k++) {
        const int p = current[k];
        if (HoldsEvidence(work, p) ||
            std::find(information.begin(), information.end(), p) != information.end())
            continue;
        if (const int rc = work.RemoveArc(p, decision)) return rc;
    }
    for (int p : information) {
        if (work.AreAdjacent(p, decision) == 1) continue;
        if (const int rc = work.AddArc(p, decision)) return rc;
    }
    VRX_nodeDefinition* definition = work.GetNode(decision)->GetDefinition();
    VRX_Dmatrix* table = nullptr;
    if (const int rc = definition->GetDefinition(table)) return rc;
    const int n = definition->GetNumberOfOutcomes();
    if (table == nullptr || n < 1) return kWrongNodeType;
    table->FillWith(1.0 / n);
    TakeWorkParents(decision);
    return kSuccess;
}

void BestPolicySolver::TakeWorkParents(int node) {
    const VRX_intArray& parents = work_->GetParents(node);
    graph_->SetParents(node, std::vector<int>(parents.GetItems(), parents.GetItems() + parents.GetCount()));
}

// The decision's most probable choice given the observed utility, for every combination of its parents
// that the evidence allows (only the observed one for the first decision), becomes its table.
int BestPolicySolver::FixDecision(int decision, bool first, int& best) {
    VRX_network& work = *work_;
    VRX_nodeDefinition* definition = work.GetNode(decision)->GetDefinition();
    const int n = definition->GetNumberOfOutcomes();
    VRX_Dmatrix* table = nullptr;
    if (const int rc = definition->GetDefinition(table)) return rc;
    if (table == nullptr || n < 1) return kWrongNodeType;
    const int rows = table->GetNumberOfElements() / n;
    VRX_intArray parents;
    if (parents.Copy(work.GetParents(decision)) != kSuccess) return kOutOfMemory;
    std::vector<int> observed(static_cast<size_t>(parents.GetCount()), -1);
    for (int k = 0; k < parents.GetCount(); k++) {
        VRX_nodeValue* value = work.GetNode(parents[k])->GetValue();
        if (value->HasEvidence()) observed[k] = value->GetEvidence();
    }
    std::vector<int> choice(static_cast<size_t>(rows), -1);
    VRX_intArray coords;
    if (coords.SetSize(parents.GetCount() + 1) != kSuccess) return kOutOfMemory;
    const VRX_intArray& strides = table->GetStrides();
    for (int r = 0; r < rows; r++) {
        bool consistent = true;
        for (int k = 0; k < parents.GetCount(); k++) {
            coords[k] = (r * n / strides[k]) % table->GetDimensions()[k];
            consistent = consistent && (observed[k] < 0 || observed[k] == coords[k]);
        }
        if (!consistent) continue;
        for (int k = 0; k < parents.GetCount(); k++) {
            if (observed[k] < 0) {
                if (const int rc = vovido::SetWorkEvidence(work, parents[k], coords[k])) return rc;
            }
        }
        work.InvalidateValues();
        const int mark = errorLog.GetNumberOfEntries();
        const int rc = work.UpdateBeliefs();
        updates_++;
        if (vovido::IsImpossibleScenario(rc)) {
            errorLog.Truncate(mark);
            continue;
        }
        if (rc != kSuccess) return rc;
        const VRX_Dmatrix* beliefs = vovido::WorkBeliefs(work, decision);
        if (beliefs == nullptr || beliefs->GetNumberOfElements() != n) return kWrongNodeType;
        // The last of equal maxima wins; the scan starts afresh for every row, so it never points past
        // this decision's choices.
        int b = 0;
        double top = 0.0;
        for (int k = 0; k < n; k++) {
            if ((*beliefs)[k] >= top) {
                top = (*beliefs)[k];
                b = k;
            }
        }
        choice[r] = b;
        if (first) best = b;
    }
    for (int k = 0; k < parents.GetCount(); k++) {
        if (observed[k] < 0) {
            if (const int rc = vovido::SetWorkEvidence(work, parents[k], -1)) return rc;
        }
    }
    // Rows the evidence rules out take the choice of the first row that was solved.
    int fallback = -1;
    for (int r = 0; r < rows; r++) {
        if (choice[r] >= 0) {
            fallback = choice[r];
            break;
        }
    }
    if (fallback < 0) {
        if (!first) return kSuccess;
        // Only the observed utility can rule the first decision's row out: every choice then leaves it at
        // its least, and the last of equal choices wins. Unless the evidence itself is impossible.
        if (const int rc = vovido::SetWorkEvidence(work, mergedUtility_, -1)) return rc;
        work.InvalidateValues();
        const int rc = work.UpdateBeliefs();
        updates_++;
        if (const int restored = vovido::SetWorkEvidence(work, mergedUtility_, 0)) return restored;
        if (rc != kSuccess) return rc;
        best = n - 1;
        return kSuccess;
    }
    table->FillWith(0.0);
    for (int r = 0; r < rows; r++) (*table)[r * n + (choice[r] >= 0 ? choice[r] : fallback)] = 1.0;
    return kSuccess;
}
