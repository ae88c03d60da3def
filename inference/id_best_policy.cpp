// Best choice of the first open decision by fixing the later decisions' policies backwards in a
// working copy whose merged utility is observed.
#include "inference/id_best_policy.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "definitions/mau.h"
#include "inference/id_decision_rows.h"
#include "inference/impossible_evidence.h"
#include "inference/influence_diagram_support.h"
#include "inference/table_check.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_parts.h"
#include "model/node_value.h"

using vovido::IsUndefinedEntry;

namespace {

constexpr char kShachterFailed[] = "Error when running Shachter's algorithm";
constexpr char kCannotSolve[] = "Can't solve this network using best policy algorithm";

bool HoldsEvidence(const VRX_network& network, int handle) {
    const VRX_nodeValue* value = network.GetNode(handle)->GetValue();
    return value != nullptr && value->HasEvidence();
}

// Marks the choices whose worth is within rounding of the largest (a relative 1e-9 of the largest
// magnitude), so that equal worths reached along different sums tie; a worth that does not compare is
// never best.
void MarkBestChoices(const double* worth, int n, char* best) {
    double top = 0.0;
    double scale = 0.0;
    bool any = false;
    for (int k = 0; k < n; k++) {
        if (std::isnan(worth[k])) continue;
        if (!any || worth[k] > top) top = worth[k];
        scale = std::max(scale, std::fabs(worth[k]));
        any = true;
    }
    for (int k = 0; k < n; k++) best[k] = any && worth[k] >= top - 1e-9 * scale;
}

// The last of the n marked choices; -1 when none is marked.
int LastMarked(const char* marked, int n) {
    for (int k = n; k-- > 0;) {
        if (marked[k]) return k;
    }
    return -1;
}

// Marks the best choices of each row of the decision's joint (rows of n choices); a row of no mass, which
// the evidence rules out, has none marked, and so has every row of an empty joint.
void MarkRows(const std::vector<double>& joint, int rows, int n, std::vector<char>& marked) {
    marked.assign(static_cast<size_t>(rows) * static_cast<size_t>(n), 0);
    if (joint.size() != marked.size()) return;
    for (size_t at = 0; at < marked.size(); at += static_cast<size_t>(n)) {
        double mass = 0.0;
        for (int k = 0; k < n; k++) mass += joint[at + static_cast<size_t>(k)];
        if (mass > 0.0) MarkBestChoices(joint.data() + at, n, marked.data() + at);
    }
}

}  // namespace

BestPolicySolver::BestPolicySolver() = default;
BestPolicySolver::~BestPolicySolver() = default;

int BestPolicySolver::Run(VRX_network& network) {
    network_ = &network;
    updates_ = 0;
    workEntries_ = 0;
    refused_ = false;
    // Whatever follows, the caller's values no longer answer for its network.
    network.InvalidateValues();
    if (const int rc = AssumeDecisionOrder()) return LogError(errorLog, rc, kShachterFailed, nullptr);
    if (openDecisions_.empty()) {
        bool decisions = false;
        for (int h = network.GetFirstNode(); h >= 0 && !decisions; h = network.GetNextNode(h))
            decisions = network.GetNodeType(h) == DefinitionType::kList;
        const std::string why =
            std::string(decisions ? "Every decision holds evidence" : "The network has no decision") +
            ": the best-policy solver answers for the first decision without evidence, and there "
            "is none";
        LogError(errorLog, kOutOfRange, why.c_str(), nullptr);
        return LogError(errorLog, kOutOfRange, kShachterFailed, nullptr);
    }

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
        int decision = -1;
        for (int k = 0; k < parents.GetCount() && decision < 0; k++) {
            if (work.GetNodeType(parents[k]) == DefinitionType::kList) decision = parents[k];
        }
        std::string why;
        if (mau->HasExpressions()) {
            why = "its utility is given by expressions";
        } else if (decision >= 0) {
            why = "its weights depend on the choice of decision [" +
                  std::string(vovido::IdAt(*network_, decision)) + "]";
        } else if (weights.GetNumberOfElements() != parents.GetCount()) {
            why = "it has " + std::to_string(weights.GetNumberOfElements()) + " weights for " +
                  std::to_string(parents.GetCount()) + " parents";
        }
        if (!why.empty()) {
            vovido::ReportNodeFault(*network_->GetNode(h),
                                    why +
                                        ", so the best-policy solver cannot fold it into a sum of its "
                                        "parents' utilities; policy evaluation (algorithm 0) takes it",
                                    kOutOfRange);
            return LogError(errorLog, kOutOfRange, kShachterFailed, nullptr);
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
    VRX_intArray merged;
    std::string ids;  // the merged table is named after the utilities it sums
    utilities_.clear();
    utilityParents_.clear();
    const VRX_intArray& order = work.GetTopologicalOrder();
    try {
        for (int i = 0; i < order.GetCount(); i++) {
            if (work.GetNodeType(order[i]) != DefinitionType::kTable) continue;
            utilities_.push_back(order[i]);
            ids += (ids.empty() ? "[" : "], [") + std::string(vovido::IdAt(*network_, order[i]));
            const VRX_intArray& parents = work.GetParents(order[i]);
            utilityParents_.emplace_back(parents.GetItems(), parents.GetItems() + parents.GetCount());
            for (int k = 0; k < parents.GetCount(); k++) {
                if (!merged.IsInList(parents[k]) && merged.Add(parents[k]) != kSuccess) return kOutOfMemory;
            }
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    // Two cells per utility once it is a chance node.
    const int64_t cells = vovido::CellsOver(
        work, std::vector<int>(merged.GetItems(), merged.GetItems() + merged.GetCount()), 2);
    // Each decision that bears on a utility propagates a tree with a clique over the sum (the first solved at
    // least): the sum and those trees together are refused before any of them is built.
    const int64_t trees = std::max<int64_t>(DecisionsAboveUtilities(), 1);
    if (cells > kMaxDecisionWorkCells / (trees + 1)) {
        const int decision = openDecisions_.back();
        const std::string each =
            trees == 1 ? "" : " for each of the " + std::to_string(trees) + " decisions that bear on them";
        return vovido::ReportNodeFault(
            *network_->GetNode(decision),
            "its best choices need the sum of the utilities " + ids + "], " + std::to_string(cells) +
                " cells, and a join tree at least as large" + each + ", past the limit of " +
                std::to_string(kMaxDecisionWorkCells) + " cells",
            kOutOfMemory);
    }
    workEntries_ = static_cast<uint64_t>(cells);
    mergedSum_ = "the sum of the utilities " + ids + "], " + std::to_string(cells) + " cells";
    // The merged node is a two-choice list while the solution is planned: a list holds no table over its
    // parents, so nothing of the sum's size exists before the plan is within the limit (FillMergedUtility).
    mergedUtility_ = work.AddTemporaryNode(DefinitionType::kList);
    if (mergedUtility_ < 0) return kOutOfRange;
    if (work.GetNode(mergedUtility_)->GetDefinition()->GetNumberOfOutcomes() != 2 &&
        work.GetNode(mergedUtility_)->GetDefinition()->SetNumberOfOutcomes(2) != kSuccess)
        return kOutOfRange;
    // What the working copy's own node logged would name no node of the caller's.
    const int mark = errorLog.GetNumberOfEntries();
    try {
        mergedParents_.assign(merged.GetItems(), merged.GetItems() + merged.GetCount());
        utilityTables_.clear();
        for (int u : utilities_) {
            VRX_Dmatrix* table = nullptr;
            if (const int rc = work.GetNode(u)->GetDefinition()->GetDefinition(table)) return rc;
            if (table == nullptr) return kWrongNodeType;
            utilityTables_.emplace_back();
            if (utilityTables_.back().Copy(*table) != kSuccess)
                return NameMemoryFault(kOutOfMemory, mark, mergedSum_);
        }
    } catch (const std::bad_alloc&) {
        return NameMemoryFault(kOutOfMemory, mark, mergedSum_);
    }
    // A parent with evidence is absorbed into the table before any tree is built: it takes no part in the
    // trees planned, and its arc comes with the table.
    for (int k = 0; k < merged.GetCount(); k++) {
        if (HoldsEvidence(work, merged[k])) continue;
        if (const int rc = work.AddArc(merged[k], mergedUtility_))
            return NameMemoryFault(rc, mark, mergedSum_);
    }
    for (int u : utilities_) {
        if (const int rc = work.DeleteNode(u)) return rc;
    }
    return kSuccess;
}

// The open decisions from which a path that passes no evidence leads to a utility: each propagates a tree
// that holds the utilities' sum.
int BestPolicySolver::DecisionsAboveUtilities() const {
    const VRX_network& work = *work_;
    std::vector<char> isUtility(static_cast<size_t>(work.GetNumberOfSlots()), 0);
    for (int u : utilities_) isUtility[static_cast<size_t>(u)] = 1;
    int count = 0;
    std::vector<char> seen;
    std::vector<int> stack;
    for (int decision : openDecisions_) {
        seen.assign(isUtility.size(), 0);
        stack.assign(1, decision);
        seen[static_cast<size_t>(decision)] = 1;
        bool reaches = false;
        while (!stack.empty() && !reaches) {
            const int h = stack.back();
            stack.pop_back();
            const VRX_intArray& children = work.GetChildren(h);
            for (int i = 0; i < children.GetCount() && !reaches; i++) {
                const int c = children[i];
                if (seen[static_cast<size_t>(c)]) continue;
                seen[static_cast<size_t>(c)] = 1;
                reaches = isUtility[static_cast<size_t>(c)] != 0;
                if (!HoldsEvidence(work, c)) stack.push_back(c);
            }
        }
        if (reaches) count++;
    }
    return count;
}

// The merged node becomes the two-outcome chance node of the utilities' sum: for every configuration of
// its parents, the sum of each utility table's item at the coordinates of its own parents (undefined where
// any item is), rescaled from its defined bounds onto [0, 1] as the first outcome's probability, an
// undefined sum counting as the worst. The parents are walked by an odometer (last fastest) that keeps
// each utility's offset, so that each entry costs a step, not a conversion. Observed again at the end.
int BestPolicySolver::FillMergedUtility() {
    VRX_network& work = *work_;
    VRX_node* node = work.GetNode(mergedUtility_);
    if (const int rc = work.RemoveAllParents(mergedUtility_)) return rc;
    if (const int rc = node->ChangeType(DefinitionType::kCpt)) return rc;
    if (node->GetDefinition()->GetNumberOfOutcomes() != 2 &&
        node->GetDefinition()->SetNumberOfOutcomes(2) != kSuccess)
        return kOutOfRange;
    for (int p : mergedParents_) {
        if (const int rc = work.AddArc(p, mergedUtility_)) return rc;
    }
    TakeWorkParents(mergedUtility_);
    VRX_Dmatrix* table = nullptr;
    if (const int rc = node->GetDefinition()->GetDefinition(table)) return rc;
    const size_t dims = mergedParents_.size();
    if (table == nullptr || table->GetNumberOfDimensions() != static_cast<int>(dims) + 1)
        return kWrongNodeType;
    const int cells = table->GetNumberOfElements() / 2;
    std::vector<double> sum(static_cast<size_t>(cells), 0.0);
    std::vector<int> size(dims);
    for (size_t d = 0; d < dims; d++) size[d] = table->GetDimensions()[static_cast<int>(d)];
    std::vector<int> digits(dims);
    std::vector<int> stride(dims);
    for (size_t j = 0; j < utilities_.size(); j++) {
        const VRX_Dmatrix& utility = utilityTables_[j];
        const std::vector<int>& parents = utilityParents_[j];
        std::fill(stride.begin(), stride.end(), 0);
        for (size_t k = 0; k < parents.size(); k++) {
            const auto at = std::find(mergedParents_.begin(), mergedParents_.end(), parents[k]);
            stride[static_cast<size_t>(at - mergedParents_.begin())] =
                utility.GetStrides()[static_cast<int>(k)];
        }
        std::fill(digits.begin(), digits.end(), 0);
        int at = 0;
        for (int c = 0; c < cells; c++) {
            const double v = utility[at];
            double& total = sum[static_cast<size_t>(c)];
            total = IsUndefinedEntry(v) || IsUndefinedEntry(total) ? kUndefinedValue : total + v;
            for (size_t d = dims; d-- > 0;) {
                at += stride[d];
                if (++digits[d] < size[d]) break;
                at -= stride[d] * size[d];
                digits[d] = 0;
            }
        }
    }
    utilityTables_.clear();
    double lo = 0.0;
    double hi = 0.0;
    bool any = false;
    for (double v : sum) {
        if (IsUndefinedEntry(v)) continue;
        if (!any || v < lo) lo = v;
        if (!any || v > hi) hi = v;
        any = true;
    }
    const double range = hi - lo;
    double* p = table->GetData();
    for (int c = 0; c < cells; c++) {
        const double u = sum[static_cast<size_t>(c)];
        // Equal utilities all map to the top, as a rescaling onto a point does.
        const double q = IsUndefinedEntry(u) ? 0.0 : range > 0.0 ? (u - lo) / range : 1.0;
        p[2 * c] = q;
        p[2 * c + 1] = 1.0 - q;
    }
    return vovido::SetWorkEvidence(work, mergedUtility_, 0);
}

int BestPolicySolver::ConvertToBayesianNetwork() {
    VRX_network& work = *work_;
    // Each decision gets back the information it needs as it is fixed. The open ones stay lists, which
    // hold no table over their parents, while the solution is planned.
    for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h)) {
        if (work.GetNodeType(h) != DefinitionType::kList || h == mergedUtility_) continue;
        if (std::find(openDecisions_.begin(), openDecisions_.end(), h) == openDecisions_.end()) {
            if (const int rc = vovido::ConvertDecisionNode(work, h)) return rc;
            continue;
        }
        if (const int rc = work.RemoveAllParents(h)) return rc;
    }
    return kSuccess;
}

// The working copy's arcs, every decision not yet fixed given arcs from all it may use (the nodes of the
// sequence before it), and the utilities merged with their own parents.
void BestPolicySolver::BuildDecisionGraph() {
    VRX_network& work = *work_;
    graph_ = std::make_unique<vovido::DecisionGraph>(static_cast<size_t>(work.GetNumberOfSlots()));
    for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h)) TakeWorkParents(h);
    for (size_t j = 0; j < utilities_.size(); j++) graph_->SetParents(utilities_[j], utilityParents_[j]);
    CollectKnown();
    for (size_t i = 0; i < openDecisions_.size(); i++) graph_->SetParents(openDecisions_[i], known_[i]);
}

// For each open decision, every node of the sequence before it (no forgetting): what an earlier decision
// observed, taken or open, is known when it is made, whether or not the caller entered it.
void BestPolicySolver::CollectKnown() {
    known_.assign(openDecisions_.size(), {});
    for (size_t i = 0; i < openDecisions_.size(); i++) {
        const auto end = std::find(sequence_.begin(), sequence_.end(), openDecisions_[i]);
        known_[i].assign(sequence_.begin(), end);
    }
}

int BestPolicySolver::Solve() {
    if (const int rc = vovido::SetWorkEvidence(*work_, mergedUtility_, 0)) return rc;
    int mark = errorLog.GetNumberOfEntries();
    int planned = kSuccess;
    try {
        BuildDecisionGraph();
        planned = PlanSolution();
    } catch (const std::bad_alloc&) {
        planned = kOutOfMemory;
    }
    if (planned != kSuccess) {
        return errorLog.GetNumberOfEntries() == mark
                   ? NameMemoryFault(planned, mark,
                                     "the information and the join-tree structure of the decisions")
                   : planned;
    }
    mark = errorLog.GetNumberOfEntries();
    try {
        if (const int rc = FillMergedUtility()) return NameMemoryFault(rc, mark, mergedSum_);
    } catch (const std::bad_alloc&) {
        return NameMemoryFault(kOutOfMemory, mark, mergedSum_);
    }
    // The propagations read the tables as the discrete algorithms do: checked, and scaled, once.
    mark = errorLog.GetNumberOfEntries();
    const vovido::ScaledTables tables(*work_);
    if (const int rc = tables.GetStatus()) {
        return errorLog.GetNumberOfEntries() == mark
                   ? NameMemoryFault(rc, mark, "the tables scaled to sum to 1")
                   : rc;
    }
    if (const int rc = CheckEvidence()) return rc;
    int best = 0;
    for (int i = static_cast<int>(openDecisions_.size()) - 1; i >= 0; i--) {
        const size_t at = static_cast<size_t>(i);
        const int decision = openDecisions_[at];
        try {
            if (const int rc = SetInformation(decision, information_[at])) return rc;
            if (i == 0) {
                if (const int rc = ChooseFirst(decision, best)) return rc;
                break;
            }
            // Whatever it chooses, a decision that no utility depends on is worth the same: its uniform
            // table stands for any policy.
            if (!influences_[at]) continue;
            if (const int rc = FixPolicy(decision)) return rc;
        } catch (const std::bad_alloc&) {
            return NameMemoryFault(
                kOutOfMemory, errorLog.GetNumberOfEntries(),
                "the best choices of decision [" + std::string(vovido::IdAt(*network_, decision)) + "]");
        }
    }
    return WriteChoice(best);
}

// From the last open decision to the first, as they will be solved: the information each needs and the
// size of all that its solution allocates (its table, its family's joint read twice, its join tree),
// before anything proportional to a table is: the decisions are still lists, which hold no table over
// their parents. The sum of those and of the utilities' sum bounds the memory and the time of the
// solution together.
int BestPolicySolver::PlanSolution() {
    VRX_network& work = *work_;
    const size_t count = openDecisions_.size();
    information_.assign(count, {});
    influences_.assign(count, 0);
    const uint64_t limit = static_cast<uint64_t>(kMaxDecisionWorkCells);
    uint64_t total = workEntries_;
    for (size_t i = count; i-- > 0;) {
        const int decision = openDecisions_[i];
        const std::vector<int>& known = known_[i];
        const std::vector<int> below = UtilitiesBelow(decision);
        if (!below.empty()) information_[i] = RequisiteInformation(decision, known, below);
        influences_[i] = below.empty() ? 0 : 1;
        const int n = work.GetNode(decision)->GetDefinition()->GetNumberOfOutcomes();
        const int64_t cells = vovido::CellsOver(work, information_[i], n);
        if (cells > kMaxTableCells) return vovido::DefinitionSupport::RefuseTable(network_, decision, cells);
        for (int p : information_[i]) {
            if (const int rc = work.AddArc(p, decision)) return rc;
        }
        TakeWorkParents(decision);
        const uint64_t table = static_cast<uint64_t>(cells);
        vovido::DecisionTreeSize size;
        if (i == 0 || influences_[i]) {
            if (const int rc = vovido::SizeDecisionRows(work, decision, size)) return rc;
        }
        const uint64_t family = size.nodes > 0 ? 2 * table : 0;
        const uint64_t need =
            size.entries > UINT64_MAX - 3 * table ? UINT64_MAX : size.entries + table + family;
        if (need > limit || total > limit - need) {
            const std::string tree =
                size.nodes > 0 ? "a join tree of " + std::to_string(size.entries) + " table entries over " +
                                     std::to_string(size.nodes) + " nodes and its table of " +
                                     std::to_string(table) + " cells with its family's joint twice"
                               : "its table of " + std::to_string(table) + " cells";
            return vovido::ReportNodeFault(*network_->GetNode(decision),
                                           "its best choices need " + tree + " (" + std::to_string(need) +
                                               " entries), with the " + std::to_string(total) +
                                               " entries of the utilities' sum and the decisions after it, "
                                               "past the limit of " +
                                               std::to_string(limit) + " cells",
                                           kOutOfMemory);
        }
        total += need;
    }
    workEntries_ = total;
    // Back to roots without information: each gets its own again as it is solved.
    for (int decision : openDecisions_) {
        if (const int rc = vovido::ConvertDecisionNode(work, decision)) return rc;
    }
    return kSuccess;
}

int BestPolicySolver::NameMemoryFault(int rc, int mark, const std::string& what) const {
    if (rc != kOutOfMemory) return rc;
    errorLog.Truncate(mark);
    const std::string text = "Not enough memory for " + what;
    return LogError(errorLog, rc, text.c_str(), nullptr);
}

int BestPolicySolver::WriteChoice(int best) {
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

std::vector<int> BestPolicySolver::UtilitiesBelow(int decision) const {
    std::vector<int> below;
    for (int u : utilities_) {
        if (graph_->Reaches(decision, u)) below.push_back(u);
    }
    return below;
}

// Of what the decision knows, the nodes that can tell something about the utilities it influences, or
// about the likelihood of the findings below it, which weighs each choice, given the decision and the
// rest: one at a time, a node that the rest screens off goes, until none does.
std::vector<int> BestPolicySolver::RequisiteInformation(int decision, const std::vector<int>& known,
                                                        const std::vector<int>& utilities) {
    VRX_network& work = *work_;
    std::vector<char> observed(static_cast<size_t>(work.GetNumberOfSlots()), 0);
    std::vector<int> targets = utilities;
    for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h)) {
        observed[static_cast<size_t>(h)] = h != mergedUtility_ && HoldsEvidence(work, h);
        if (observed[static_cast<size_t>(h)] && h != decision && graph_->Reaches(decision, h))
            targets.push_back(h);
    }
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
            if (graph_->DConnected(kept[k], targets, observed)) {
                observed[x] = 1;
                continue;
            }
            kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(k));
            dropped = true;
        }
    }
    return kept;
}

// The decision, a root with a uniform table in the working copy, gets arcs from the given nodes: its table
// over them is uniform too until its policy is fixed.
int BestPolicySolver::SetInformation(int decision, const std::vector<int>& information) {
    VRX_network& work = *work_;
    VRX_nodeDefinition* definition = work.GetNode(decision)->GetDefinition();
    const int n = definition->GetNumberOfOutcomes();
    // A table that cannot be allocated is logged naming the decision and its size.
    for (int p : information) {
        if (const int rc = work.AddArc(p, decision)) return rc;
    }
    VRX_Dmatrix* table = nullptr;
    if (const int rc = definition->GetDefinition(table)) return rc;
    if (table == nullptr || n < 1) return kWrongNodeType;
    table->FillWith(1.0 / n);
    TakeWorkParents(decision);
    return kSuccess;
}

void BestPolicySolver::TakeWorkParents(int node) {
    const VRX_intArray& parents = work_->GetParents(node);
    graph_->SetParents(node, std::vector<int>(parents.GetItems(), parents.GetItems() + parents.GetCount()));
}

// Impossible evidence is no failure here: the rows all stay impossible, and what was logged about it goes.
int BestPolicySolver::PropagateRows(int decision, bool withUtility, std::vector<double>& joint) {
    VRX_network& work = *work_;
    if (!withUtility) {
        if (const int rc = vovido::SetWorkEvidence(work, mergedUtility_, -1)) return rc;
    }
    const int mark = errorLog.GetNumberOfEntries();
    vovido::DecisionTreeSize size;
    const uint64_t maximum = static_cast<uint64_t>(kMaxDecisionWorkCells);
    int rc = vovido::PropagateDecisionRows(work, decision, maximum, joint, size);
    if (rc == kOutOfMemory) {
        const std::string tree =
            std::to_string(size.entries) + " table entries over " + std::to_string(size.nodes) + " nodes";
        const std::string id = vovido::IdAt(*network_, decision);
        rc = size.entries > maximum
                 ? vovido::ReportNodeFault(*network_->GetNode(decision),
                                           "its best choices need a join tree of " + tree +
                                               ", past the limit of " + std::to_string(maximum) + " cells",
                                           kOutOfMemory)
                 : LogError(errorLog, rc,
                            ("Not enough memory for the join tree of decision [" + id + "], " + tree).c_str(),
                            nullptr);
    }
    updates_++;
    if (vovido::IsImpossibleScenario(rc)) {
        // Kept to say why, should the evidence rule out every row.
        impossible_.clear();
        for (int e = mark; e < errorLog.GetNumberOfEntries(); e++)
            impossible_.emplace_back(errorLog.GetCode(e), errorLog.GetMessage(e));
        errorLog.Truncate(mark);
        joint.clear();
        rc = kSuccess;
    }
    if (!withUtility) {
        if (const int restored = vovido::SetWorkEvidence(work, mergedUtility_, 0)) return restored;
    }
    return rc;
}

// Every row ruled out, without the observed utility too: the caller's evidence has probability zero. What
// the last propagation found is said, naming the caller's nodes.
int BestPolicySolver::ExplainImpossibleEvidence() {
    const int mark = errorLog.GetNumberOfEntries();
    for (const auto& entry : impossible_) LogError(errorLog, entry.first, entry.second.c_str(), nullptr);
    if (errorLog.GetNumberOfEntries() == mark) {
        LogError(errorLog, kConflictingEvidence,
                 "Evidence is impossible: its probability is zero, so no beliefs can be computed.", nullptr);
    }
    vovido::NameImpossibleEvidence(*network_, mark);
    return kConflictingEvidence;
}

// Evidence of probability zero that lies away from every decision's family leaves each row's worth as it
// is, and a choice would pass for an answer: it is looked for once, over the parts that hold evidence.
int BestPolicySolver::CheckEvidence() {
    VRX_network& work = *work_;
    bool observed = false;
    for (int h = work.GetFirstNode(); h >= 0 && !observed; h = work.GetNextNode(h)) {
        const VRX_nodeValue* value = work.GetNode(h)->GetValue();
        observed = h != mergedUtility_ && value != nullptr &&
                   (value->HasEvidence() || value->HasFlag(ValueFlags::kVirtualEvidence));
    }
    if (!observed) return kSuccess;
    if (const int rc = vovido::SetWorkEvidence(work, mergedUtility_, -1)) return rc;
    const int mark = errorLog.GetNumberOfEntries();
    vovido::DecisionTreeSize size;
    const uint64_t maximum = static_cast<uint64_t>(kMaxDecisionWorkCells);
    const int rc = vovido::CheckEvidenceProbability(work, maximum, size);
    if (const int restored = vovido::SetWorkEvidence(work, mergedUtility_, 0)) return restored;
    if (vovido::IsImpossibleScenario(rc)) {
        impossible_.clear();
        for (int e = mark; e < errorLog.GetNumberOfEntries(); e++)
            impossible_.emplace_back(errorLog.GetCode(e), errorLog.GetMessage(e));
        errorLog.Truncate(mark);
        return ExplainImpossibleEvidence();
    }
    if (rc != kOutOfMemory) return rc;
    const std::string tree =
        std::to_string(size.entries) + " table entries over " + std::to_string(size.nodes) + " nodes";
    return size.entries > maximum
               ? vovido::ReportNodeFault(*network_->GetNode(openDecisions_[0]),
                                         "its evidence needs a join tree of " + tree +
                                             ", past the limit of " + std::to_string(maximum) + " cells",
                                         kOutOfMemory)
               : LogError(errorLog, rc,
                          ("Not enough memory for the join tree of the evidence, " + tree).c_str(), nullptr);
}

int BestPolicySolver::RowsOf(int decision) const {
    VRX_nodeDefinition* definition = work_->GetNode(decision)->GetDefinition();
    VRX_Dmatrix* table = nullptr;
    const int n = definition->GetNumberOfOutcomes();
    if (definition->GetDefinition(table) != kSuccess || table == nullptr || n < 1) return kWrongNodeType;
    return table->GetNumberOfElements() / n;
}

int BestPolicySolver::FixPolicy(int decision) {
    const int rows = RowsOf(decision);
    if (rows < 0) return rows;
    const int n = work_->GetNode(decision)->GetDefinition()->GetNumberOfOutcomes();
    std::vector<double> joint;
    if (const int rc = PropagateRows(decision, true, joint)) return rc;
    std::vector<char> marked;
    MarkRows(joint, rows, n, marked);
    std::vector<int> choice(static_cast<size_t>(rows), -1);
    for (int r = 0; r < rows; r++)
        choice[static_cast<size_t>(r)] = LastMarked(&marked[static_cast<size_t>(r * n)], n);
    // Rows the evidence rules out take the choice of the first row that was solved; with none, the
    // uniform table stays.
    const auto solved = std::find_if(choice.begin(), choice.end(), [](int c) { return c >= 0; });
    if (solved == choice.end()) return kSuccess;
    VRX_Dmatrix* table = nullptr;
    if (const int rc = work_->GetNode(decision)->GetDefinition()->GetDefinition(table)) return rc;
    table->FillWith(0.0);
    for (int r = 0; r < rows; r++) {
        const int c = choice[static_cast<size_t>(r)];
        (*table)[r * n + (c >= 0 ? c : *solved)] = 1.0;
    }
    return kSuccess;
}

// A choice that is best for every combination of the information that the evidence allows is the answer;
// without one the answer depends on what holds no evidence, and the first decision is refused. A
// combination that leaves the observed utility no chance (every choice then earns the least) ties every
// choice.
int BestPolicySolver::ChooseFirst(int decision, int& best) {
    const int rows = RowsOf(decision);
    if (rows < 0) return rows;
    const int n = work_->GetNode(decision)->GetDefinition()->GetNumberOfOutcomes();
    std::vector<double> joint;
    if (const int rc = PropagateRows(decision, true, joint)) return rc;
    std::vector<char> marked;
    MarkRows(joint, rows, n, marked);
    const auto row = [&](int r) { return &marked[static_cast<size_t>(r) * static_cast<size_t>(n)]; };
    bool unsolved = false;
    for (int r = 0; r < rows && !unsolved; r++) unsolved = LastMarked(row(r), n) < 0;
    // A combination possible without the observed utility ties every choice.
    if (unsolved) {
        std::vector<double> prior;
        if (const int rc = PropagateRows(decision, false, prior)) return rc;
        std::vector<char> possible;
        MarkRows(prior, rows, n, possible);
        for (int r = 0; r < rows; r++) {
            if (LastMarked(row(r), n) < 0 && LastMarked(&possible[static_cast<size_t>(r) * n], n) >= 0)
                std::fill(row(r), row(r) + n, 1);
        }
    }
    std::vector<char> common(static_cast<size_t>(n), 1);
    bool any = false;
    for (int r = 0; r < rows; r++) {
        if (LastMarked(row(r), n) < 0) continue;
        any = true;
        for (int k = 0; k < n; k++) common[static_cast<size_t>(k)] &= row(r)[k];
    }
    if (!any) return ExplainImpossibleEvidence();
    best = LastMarked(common.data(), n);
    if (best >= 0) return kSuccess;
    refused_ = true;
    RefuseUnknownInformation(decision, n, marked);
    return LogError(errorLog, kOutOfRange, kCannotSolve, nullptr);
}

// Logs the parents whose outcomes alone, the others fixed, leave no choice best throughout (when none does
// alone, all of them together), and who observed them.
int BestPolicySolver::RefuseUnknownInformation(int decision, int n, const std::vector<char>& marked) {
    const VRX_intArray& parents = work_->GetParents(decision);
    const int count = parents.GetCount();
    const size_t rows = marked.size() / static_cast<size_t>(n);
    std::vector<size_t> stride(static_cast<size_t>(count), 1);
    std::vector<size_t> size(static_cast<size_t>(count), 1);
    for (int k = count - 1; k >= 0; k--) {
        const size_t at = static_cast<size_t>(k);
        size[at] = static_cast<size_t>(work_->GetNode(parents[k])->GetDefinition()->GetNumberOfOutcomes());
        if (at + 1 < size.size()) stride[at] = stride[at + 1] * size[at + 1];
    }
    std::vector<int> deciding;
    std::vector<char> common(static_cast<size_t>(n));
    for (size_t k = 0; k < static_cast<size_t>(count); k++) {
        bool decides = false;
        for (size_t r = 0; r < rows && !decides; r++) {
            if ((r / stride[k]) % size[k] != 0) continue;
            bool seen = false;
            std::fill(common.begin(), common.end(), 1);
            for (size_t x = 0; x < size[k]; x++) {
                const char* row = &marked[(r + x * stride[k]) * static_cast<size_t>(n)];
                if (LastMarked(row, n) < 0) continue;
                seen = true;
                for (int c = 0; c < n; c++) common[static_cast<size_t>(c)] &= row[c];
            }
            decides = seen && LastMarked(common.data(), n) < 0;
        }
        if (decides) deciding.push_back(parents[static_cast<int>(k)]);
    }
    if (deciding.empty()) deciding.assign(parents.GetItems(), parents.GetItems() + count);
    return LogError(errorLog, kOutOfRange, DescribeUnknownInformation(decision, deciding).c_str(), nullptr);
}

// Each node is known when the decision is made: it observes the node, or a decision taken before it did.
// Nodes are grouped by who observed them.
std::string BestPolicySolver::DescribeUnknownInformation(int decision,
                                                         const std::vector<int>& deciding) const {
    const VRX_network& net = *network_;
    // The first eight of a list, the rest counted.
    const auto bracketed = [&](const std::vector<int>& nodes) {
        const size_t shown = std::min<size_t>(nodes.size(), 8);
        std::string text;
        for (size_t i = 0; i < shown; i++) {
            text += i == 0 ? "" : i + 1 == nodes.size() ? " and " : ", ";
            text += "[" + std::string(vovido::IdAt(net, nodes[i])) + "]";
        }
        return shown < nodes.size() ? text + " and " + std::to_string(nodes.size() - shown) + " more" : text;
    };
    // The decisions taken before this one, in the order they were made.
    VRX_intArray order;
    if (network_->GetInfluenceDiagramOrder(order) != kSuccess) order.SetCount(0);
    const int here = order.FindPosition(decision);
    std::vector<std::string> observers;
    std::vector<std::vector<int>> groups;
    for (int x : deciding) {
        std::string who;
        if (net.GetParents(decision).IsInList(x)) {
            who = "it observes";
        } else {
            std::vector<int> taken;
            const VRX_intArray& children = net.GetChildren(x);
            for (int k = 0; k < children.GetCount(); k++) {
                const int c = children[k];
                const int at = order.FindPosition(c);
                if (net.GetNodeType(c) == DefinitionType::kList && HoldsEvidence(net, c) && at >= 0 &&
                    at < here)
                    taken.push_back(c);
            }
            who = taken.empty()
                      ? "it knows when it is made"
                      : (taken.size() == 1 ? "decision " : "decisions ") + bracketed(taken) +
                            " observed when " + (taken.size() == 1 ? "it was" : "they were") + " taken";
        }
        const auto at = std::find(observers.begin(), observers.end(), who);
        if (at == observers.end()) {
            observers.push_back(who);
            groups.push_back({x});
        } else {
            groups[static_cast<size_t>(at - observers.begin())].push_back(x);
        }
    }
    std::string text =
        "Decision [" + std::string(vovido::IdAt(net, decision)) + "]: its best choice depends on ";
    for (size_t g = 0; g < groups.size(); g++) {
        text += (g == 0 ? "" : ", and on ") + bracketed(groups[g]) + ", which " + observers[g];
    }
    return text +
           (deciding.size() == 1 ? "; entering its evidence answers" : "; entering their evidence answers");
}
