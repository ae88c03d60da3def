// Belief-update dispatch: the algorithm each route runs, and the probability of evidence by clustering
// or by the chain rule.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "base/counted_notices.h"
#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/belief_vector.h"
#include "definitions/definition_support.h"
#include "definitions/equation.h"
#include "engine/update_route.h"
#include "equations/continuous_update.h"
#include "equations/hybrid_drivers.h"
#include "inference/annealed_map.h"
#include "inference/annealed_map_work.h"
#include "inference/chain_rule_steps.h"
#include "inference/exact_drivers.h"
#include "inference/expanded_tables.h"
#include "inference/id_best_policy.h"
#include "inference/id_policy_evaluation.h"
#include "inference/impossible_evidence.h"
#include "inference/polytree.h"
#include "inference/sampling_drivers.h"
#include "inference/sampling_work.h"
#include "inference/table_check.h"
#include "inference/temporary_evidence_nodes.h"
#include "inference/unrolled_tree_probe.h"
#include "inference/update_memory.h"
#include "inference/value_of_information.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_parts.h"
#include "model/node_value.h"
#include "model/temporal_extension.h"

using vovido::IsIndexingType;
using vovido::ValueAt;

using vovido::FindUpdateRoute;
using vovido::UpdateRoute;

namespace {

// Logs why an update route cannot run.
int RefuseAlgorithm(const char* name) {
    char message[160];
    std::snprintf(message, sizeof message, "Algorithm not available: %s", name);
    return LogError(errorLog, kOutOfRange, message, nullptr);
}

// Logs that a code lies outside its namespace's kFirst..kLast; only a setting written past its setter
// holds one.
int RefuseAlgorithmCode(const char* kind, int code) {
    char name[96];
    std::snprintf(name, sizeof name, "%s algorithm code %d", kind, code);
    return RefuseAlgorithm(name);
}

int RunDiscreteAlgorithm(VRX_network& network) {
    switch (network.bnAlgorithm) {
        case BayesianAlgorithm::kClusteringWithDecomposition:
            return RunClusteringWithDecomposition(network);
        case BayesianAlgorithm::kLogicSampling:
            return RunLogicSampling(network);
        case BayesianAlgorithm::kPolytree:
            return RunPolytree(network);
        case BayesianAlgorithm::kLikelihoodWeighting:
        case BayesianAlgorithm::kLikelihoodWeightingToo:
            return RunLikelihoodWeighting(network);
        case BayesianAlgorithm::kSelfImportanceSampling:
            return RunSelfImportanceSampling(network);
        case BayesianAlgorithm::kBackwardSampling:
            return RunBackwardSampling(network);
        case BayesianAlgorithm::kAdaptiveImportanceSampling:
            return RunAdaptiveImportanceSamplingOnParts(network);
        case BayesianAlgorithm::kPrepropagatedImportanceSampling:
            return RunPrepropagatedImportanceSamplingOnParts(network);
        case BayesianAlgorithm::kLoopyPropagation:
            return RunLoopyPropagationOnParts(network);
        case BayesianAlgorithm::kClusteringPerPart:
            return RunClusteringPerPart(network);
        case BayesianAlgorithm::kRelevanceDecomposition:
            return RunRelevanceDecomposition(network);
        case BayesianAlgorithm::kRelevanceDecomposition2:
            return RunRelevanceDecomposition2(network);
        default:
            return RefuseAlgorithmCode("discrete", network.bnAlgorithm);
    }
}

int RunHybridAlgorithm(VRX_network& network) {
    switch (network.hybridAlgorithm) {
        case HybridAlgorithm::kMessagePassingSampling:
            return RunHybridMessagePassingSampling(network);
        case HybridAlgorithm::kImportanceSampling:
            return RunHybridImportanceSampling(network);
        case HybridAlgorithm::kMessagePassing:
            return RunHybridMessagePassing(network);
        case HybridAlgorithm::kWeightedSampling:
            return RunHybridWeightedSampling(network);
        default:
            return RefuseAlgorithmCode("hybrid", network.hybridAlgorithm);
    }
}

int RunInfluenceDiagramAlgorithm(VRX_network& network) {
    switch (network.idAlgorithm) {
        case InfluenceDiagramAlgorithm::kPolicyEvaluation: {
            PolicyEvaluator evaluator;
            return evaluator.Run(network);
        }
        case InfluenceDiagramAlgorithm::kBestPolicy: {
            BestPolicySolver solver;
            return solver.Run(network);
        }
        default:
            return RefuseAlgorithmCode("influence-diagram", network.idAlgorithm);
    }
}

// Everything a chain-rule computation may change in the node values, taken before and put back after.
class ValueSnapshot {
public:
    explicit ValueSnapshot(VRX_network& network) : network_(network) {
        for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
            VRX_nodeValue* value = ValueAt(network, h);
            if (value == nullptr) continue;
            Entry entry;
            entry.handle = h;
            entry.flags = value->GetValueFlags();
            entry.outcome = value->HasEvidence() ? value->GetEvidence() : -1;
            if (auto* beliefs = dynamic_cast<VRX_beliefVector*>(value)) entry.beliefs = beliefs->GetBeliefs();
            entries_.push_back(std::move(entry));
        }
    }

    void Restore() {
        constexpr uint32_t kBits[] = {ValueFlags::kEvidence, ValueFlags::kUpToDate,
                                      ValueFlags::kPropagatedEvidence, ValueFlags::kCutOff,
                                      ValueFlags::kVirtualEvidence};
        for (const Entry& entry : entries_) {
            VRX_nodeValue* value = ValueAt(network_, entry.handle);
            if (value == nullptr) continue;
            if (auto* beliefs = dynamic_cast<VRX_beliefVector*>(value)) {
                // What the value held before: it fits again.
                if (entry.outcome >= 0) (void)beliefs->FixOutcome(entry.outcome);
                (void)beliefs->SetValue(entry.beliefs);
            }
            for (uint32_t bit : kBits) value->SetValueFlag(bit, (entry.flags & bit) != 0);
        }
    }

private:
    struct Entry {
        int handle = -1;
        uint32_t flags = 0;
        int outcome = -1;
        VRX_Dmatrix beliefs;
    };
    VRX_network& network_;
    std::vector<Entry> entries_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Belief update

int VRX_network::RouteBeliefUpdate() {
    // Tables built from parameters are counted before the scaling builds them.
    const UpdateRoute route = FindUpdateRoute(*this);
    const bool bayesian = route == UpdateRoute::kBayesianNetwork;
    if (route == UpdateRoute::kHybrid || route == UpdateRoute::kEquations) {
        if (const int refused = vovido::RefuseMixedHybridNetwork(*this, route == UpdateRoute::kEquations))
            return refused;
    }
    if (route == UpdateRoute::kHybridInfluenceDiagram) {
        if (const int refused = vovido::RefuseHybridInfluenceDiagram(*this)) return refused;
    }
    if (const int refused = vovido::CheckTablesBuiltFromParameters(*this, bayesian)) return refused;
    // Loopy propagation walks every parent configuration a pass, whatever the join tree would be.
    if (bayesian && GetBayesianAlgorithm() == BayesianAlgorithm::kLoopyPropagation) {
        if (const int refused = vovido::CheckLoopyWork(*this)) return refused;
    }
    // A sampler that would refuse what a large table costs it refuses before the table is built.
    if (bayesian) {
        if (const int refused = vovido::CheckSamplingBeforeBuilding(*this)) return refused;
    }
    // An exact update that could not hold its tables, their copies and its least tree is refused before
    // the scaling copies them.
    if (bayesian && vovido::IsJoinTreeAlgorithm(GetBayesianAlgorithm())) {
        if (const int refused = vovido::CheckUpdateMemory(*this)) return refused;
    }
    // Every route reads the tables with their columns scaled to sum to 1, and its working copies copy
    // them so; entries no scaling mends give no beliefs.
    const vovido::ScaledTables tables(*this);
    if (const int refused = tables.GetStatus()) return refused;
    const int rc = RunUpdateRoute();
    // Whatever the algorithm, numbers that mean nothing are no success.
    return rc == kSuccess ? vovido::CheckUpdatedValues(*this) : rc;
}

int VRX_network::RunUpdateRoute() {
    switch (FindUpdateRoute(*this)) {
        case UpdateRoute::kDynamic: {
            // A working copy keeps the plate types without the temporal data to unroll them by.
            if (!temporalExtension) return RefuseAlgorithm("dynamic network update without temporal data");
            // Automatic updating is off while the dynamic update works on its unrolled network, and on
            // again on every way out.
            struct AutoUpdateOff {
                int& flags;
                const int saved;
                explicit AutoUpdateOff(int& f) : flags(f), saved(f & PropagationFlags::kAutoUpdate) {
                    flags &= ~PropagationFlags::kAutoUpdate;
                }
                ~AutoUpdateOff() { flags |= saved; }
            } off(propagationFlags);
            return temporalExtension->UpdateBeliefsDynamic();
        }
        case UpdateRoute::kHybridInfluenceDiagram:
            return LogError(errorLog, kOutOfRange, "Unable to handle hybrid networks in influence diagrams.",
                            nullptr);
        case UpdateRoute::kInfluenceDiagram:
            return UpdateInfluenceDiagram();
        case UpdateRoute::kEquations:
            return UpdateEquationNetwork();
        case UpdateRoute::kHybrid:
            return RunHybridAlgorithm(*this);
        case UpdateRoute::kBayesianNetwork:
            break;
    }
    return UpdateBayesianNetwork();
}

int VRX_network::RouteBayesianNetworkUpdate() {
    // Nothing more to do when the update's route scaled the tables already.
    const vovido::ScaledTables tables(*this);
    if (const int refused = tables.GetStatus()) return refused;
    const int logged = errorLog.GetNumberOfEntries();
    int rc = kSuccess;
    {
        TemporaryEvidenceNodes temporary(this);
        rc = temporary.GetStatus();
        if (rc == kSuccess) rc = RunDiscreteAlgorithm(*this);
    }
    // Beliefs computed under evidence of probability zero mean nothing, whichever part found it; without
    // evidence, samples that all weigh nothing fell in such a column too.
    if (rc == kConflictingEvidence || rc == kNoUsefulSamples) {
        if (vovido::ExplainZeroMass(*this, logged) == kConflictingEvidence) rc = kConflictingEvidence;
        if (rc == kConflictingEvidence) vovido::NameImpossibleEvidence(*this, logged);
        // The parts a sampler could update keep their beliefs.
        if (rc == kConflictingEvidence) InvalidateValues();
    }
    return rc;
}

int VRX_network::UpdateInfluenceDiagram() {
    // Checked before the values are rebuilt, so that a code nothing runs changes nothing.
    if (idAlgorithm < InfluenceDiagramAlgorithm::kFirst || idAlgorithm > InfluenceDiagramAlgorithm::kLast)
        return RefuseAlgorithmCode("influence-diagram", idAlgorithm);
    // Every value without evidence starts as a plain vector over the node's own outcomes.
    for (int h = GetFirstNode(); h >= 0; h = GetNextNode(h)) {
        VRX_nodeValue* value = ValueAt(*this, h);
        if (value == nullptr) continue;
        if (value->HasEvidence()) {
            // A decision taken has no worths to show, whether or not a notice said so when it was taken.
            if (GetNodeType(h) == DefinitionType::kList) value->SetValueFlag(ValueFlags::kUpToDate, false);
            continue;
        }
        VRX_Dmatrix* matrix = nullptr;
        const bool plain = value->GetIndexingParents().GetCount() == 0 &&
                           value->GetValue(matrix) == kSuccess && matrix != nullptr &&
                           matrix->GetNumberOfDimensions() == 1;
        if (!plain) {
            if (const int rc = value->RebuildFromDefinition()) return rc;
        }
        value->SetValueFlag(ValueFlags::kUpToDate, false);
    }
    try {
        return RunInfluenceDiagramAlgorithm(*this);
    } catch (const std::bad_alloc&) {
        InvalidateValues();
        return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
    }
}

int VRX_network::UpdateEquationNetwork() {
    return UpdateContinuous(*this);
}

namespace {

// Why annealed MAP refuses a node of its list or a finding; 0 when it takes them all.
int CheckAnnealedMapRequest(const VRX_network& network, const std::vector<std::pair<int, int>>& evidence,
                            const VRX_intArray& mapNodes) {
    // Per handle: 1 a MAP node, 2 a node with a finding.
    std::vector<char> role(static_cast<size_t>(std::max(network.GetLastNode() + 1, 0)), 0);
    for (int i = 0; i < mapNodes.GetCount(); i++) {
        const int h = mapNodes[i];
        if (!network.IsLiveHandle(h)) {
            const std::string text = "Invalid node handle among the annealed MAP nodes: " + std::to_string(h);
            return LogError(errorLog, kOutOfRange, text.c_str(), nullptr);
        }
        const VRX_node& node = *network.GetNode(h);
        const int type = network.GetNodeType(h);
        // DeMorgan nodes are discrete chance nodes whose tables are built from their weights.
        if ((!IsIndexingType(type) && type != DefinitionType::kDeMorgan) || type == DefinitionType::kList)
            return vovido::ReportNodeFault(
                node, "annealed MAP finds the outcomes of discrete chance and deterministic nodes only",
                kOutOfRange);
        if (role[static_cast<size_t>(h)] != 0)
            return vovido::ReportNodeFault(node, "it is listed twice among the annealed MAP nodes",
                                           kOutOfRange);
        role[static_cast<size_t>(h)] = 1;
    }
    for (const std::pair<int, int>& finding : evidence) {
        const int h = finding.first;
        if (!network.IsLiveHandle(h)) {
            const std::string text = "Invalid node handle in the annealed MAP evidence: " + std::to_string(h);
            return LogError(errorLog, kOutOfRange, text.c_str(), nullptr);
        }
        const VRX_node& node = *network.GetNode(h);
        if (role[static_cast<size_t>(h)] == 1)
            return vovido::ReportNodeFault(node, "it holds evidence, so annealed MAP cannot find its outcome",
                                           kOutOfRange);
        if (role[static_cast<size_t>(h)] == 2)
            return vovido::ReportNodeFault(node, "it has two findings in the annealed MAP evidence",
                                           kOutOfRange);
        if (finding.second < 0 || finding.second >= node.GetDefinition()->GetNumberOfOutcomes())
            return vovido::ReportNodeFault(
                node, "its finding " + std::to_string(finding.second) + " is no outcome of it", kOutOfRange);
        role[static_cast<size_t>(h)] = 2;
    }
    if (mapNodes.GetCount() == 0)
        return LogError(errorLog, kOutOfRange, "Annealed MAP needs at least one node to find the outcomes of",
                        nullptr);
    return kSuccess;
}

}  // namespace

namespace {

int64_t SumOf(int64_t a, int64_t b) {
    return a > INT64_MAX - b ? INT64_MAX : a + b;
}

int64_t ProductOf(int64_t a, int64_t b) {
    return b != 0 && a > INT64_MAX / b ? INT64_MAX : a * b;
}

// A count as it is: whole below 2^53, else to three digits ("4.2e+21"), so that a count past 64 bits is not
// shown as the largest 64-bit number.
std::string CountText(double count) {
    if (count < 9007199254740992.0) return std::to_string(static_cast<int64_t>(count));
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", count);
    return text;
}

// The work of one belief update that reads the given nodes and their ancestors, in cells: every table, or
// a share of each entry of the join tree of the whole network where larger, and a share of each node; under a
// sampling algorithm the steps of its draws where more, a cell for as many steps as the two limits differ.
struct UpdateWork {
    UpdateWork(VRX_network& network, const std::vector<int>& handles) {
        const std::vector<char> read = vovido::NodesAndAncestors(network, handles);
        for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
            if (read[static_cast<size_t>(h)] == 0) continue;
            ++nodes;
            cells = SumOf(cells, vovido::DefinitionSupport::TableCellsWithParents(network, h, nullptr, 0));
        }
        uint64_t entries = 0;
        if (vovido::IsJoinTreeAlgorithm(network.GetBayesianAlgorithm()))
            entries = EstimateClusteringEntries(network);
        tree = entries > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(entries);
        const int64_t steps = vovido::EstimateSamplingUpdateSteps(network, read);
        samples = steps == INT64_MAX ? INT64_MAX : steps / (kMaxSamplingWorkSteps / kMaxChainRuleWorkCells);
        // An update propagates its join tree, a few passes over each entry.
        const int64_t propagated = ProductOf(tree, kChainRuleCellsPerTreeEntry);
        perUpdate =
            std::max(SumOf(std::max(cells, propagated), ProductOf(nodes, kCellsPerNodeUpdate)), samples);
    }

    // "5 nodes with tables of 20 cells and a join tree of 40 entries" and what the work of one update is.
    std::string Describe() const {
        const std::string joinTree = tree == INT64_MAX ? " and a join tree too large to build"
                                     : tree > 0 ? " and a join tree of " + std::to_string(tree) + " entries"
                                                : "";
        return std::to_string(nodes) + " nodes with tables of " + std::to_string(cells) + " cells" + joinTree;
    }
    std::string Unit() const {
        if (samples > 0 && samples == perUpdate)
            return "a cell for every " + std::to_string(kMaxSamplingWorkSteps / kMaxChainRuleWorkCells) +
                   " steps of the draws of its samples";
        return (tree > 0 ? std::to_string(kChainRuleCellsPerTreeEntry) + " a tree entry, " : "") +
               std::to_string(kCellsPerNodeUpdate) + " a node besides its table" +
               (tree > 0 ? " or tree" : "");
    }

    int64_t nodes = 0;
    int64_t cells = 0;
    int64_t tree = 0;
    int64_t samples = 0;
    int64_t perUpdate = 0;
};

}  // namespace

// The name of the node as the caller gave it.
static std::string NodeName(VRX_network& network, int h) {
    const char* id = network.GetNode(h)->GetId();
    return std::string("[") + (id != nullptr ? id : "") + "]";
}

// Under the clustering algorithms, the updates counted one by one, each over the part its target and the
// findings before it make relevant, so that a refusal is a true lower bound of the work. kOutOfRange where
// they were not counted.
static int CheckChainRuleSteps(VRX_network& network, const std::vector<int>& findings) {
    const vovido::ChainRuleSteps steps =
        vovido::CountChainRuleSteps(network, findings, kMaxChainRuleWorkCells);
    if (!steps.counted) return kOutOfRange;
    const std::string update = " at its update for " + NodeName(network, steps.last) + ", finding " +
                               std::to_string(steps.updates) + " of " + std::to_string(findings.size());
    if (steps.unbuildable) {
        const std::string size = steps.lastEntries == UINT64_MAX
                                     ? "is too large to build"
                                     : "needs " + std::to_string(steps.lastEntries) +
                                           " table entries, past the limit of " +
                                           std::to_string(kDefaultJoinTreeLimit) + " entries a tree";
        const std::string text = "The probability of evidence by the chain rule would fail" + update +
                                 ": the join tree of the part it reads " + size;
        return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
    }
    if (steps.work <= kMaxChainRuleWorkCells) return kSuccess;
    const std::string text =
        "The probability of evidence by the chain rule would pass its limit" + update + ": its first " +
        std::to_string(steps.updates) + " belief updates read " + std::to_string(steps.nodes) + " nodes" +
        (steps.entries > 0 ? " and build join trees of " + std::to_string(steps.entries) + " entries" : "") +
        " in all, the work of at least " + std::to_string(steps.work) + " cells (" +
        std::to_string(kChainRuleStepCellsPerTreeEntry) + " a tree entry, " +
        std::to_string(kCellsPerNodeUpdate) + " a node read), past the limit of " +
        std::to_string(kMaxChainRuleWorkCells) + " cells";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

// The chain rule makes one update per finding: refused before the first when the findings times the
// work of one update pass the limit, and, under the clustering algorithms, the updates counted one by one
// do too.
static int CheckChainRuleWork(VRX_network& network) {
    std::vector<int> observed;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const VRX_nodeValue* value = ValueAt(network, h);
        if (value != nullptr && value->HasFlag(ValueFlags::kEvidence)) observed.push_back(h);
    }
    const auto findings = static_cast<int64_t>(observed.size());
    if (findings == 0) return kSuccess;
    const UpdateWork update(network, observed);
    const int64_t work = ProductOf(findings, update.perUpdate);
    if (work <= kMaxChainRuleWorkCells) return kSuccess;
    if (vovido::IsJoinTreeAlgorithm(network.GetBayesianAlgorithm())) {
        // In the order the chain rule enters them.
        std::vector<int> inOrder;
        const VRX_intArray order = network.GetTopologicalOrder();
        for (int i = 0; i < order.GetCount(); i++) {
            const VRX_nodeValue* value = ValueAt(network, order[i]);
            if (value != nullptr && value->HasFlag(ValueFlags::kEvidence)) inOrder.push_back(order[i]);
        }
        const int status = CheckChainRuleSteps(network, inOrder);
        if (status != kOutOfRange) return status;
    }
    const std::string text =
        "The probability of evidence by the chain rule would make " + std::to_string(findings) +
        " belief updates, one per finding, of " + update.Describe() + ": the work of " +
        (update.perUpdate == INT64_MAX ? "more than " : "") +
        CountText(static_cast<double>(findings) * static_cast<double>(update.perUpdate)) + " cells (" +
        update.Unit() + "), past the limit of " + std::to_string(kMaxChainRuleWorkCells) + " cells";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

// Annealed MAP makes one update a finding, one a MAP node for its start, and at the least numCycle updates
// a MAP node in each of the iStopSteps + 1 sweeps before it stops: refused before the first when they pass
// the limit. Each update taken as one of the whole network bounds them from above: under the clustering
// algorithms, where that passes, countTrees is set and the trees of the moves are counted on the copy.
static int CheckAnnealedMapWork(VRX_network& network, const VRX_intArray& evidenceNodes,
                                const VRX_intArray& nodes, bool& countTrees) {
    std::vector<int> read;
    for (int i = 0; i < nodes.GetCount(); i++) read.push_back(nodes[i]);
    for (int i = 0; i < evidenceNodes.GetCount(); i++) read.push_back(evidenceNodes[i]);
    const int64_t findings = evidenceNodes.GetCount();
    const int64_t mapNodes = nodes.GetCount();
    const VRX_annealedMapTuning& tuning = network.GetAnnealedMapTuning();
    const int64_t sweeps = ProductOf(ProductOf(std::max(tuning.numCycle, 1), mapNodes),
                                     SumOf(std::max(tuning.iStopSteps, 0), 1));
    const int64_t updates = SumOf(SumOf(findings, mapNodes), SumOf(sweeps, 1));
    const UpdateWork update(network, read);
    // Each update walks the whole network besides what it reads.
    const int64_t walked = ProductOf(network.GetNumberOfNodes(), vovido::kAnnealedMapCellsPerNetworkNode);
    const int64_t work = ProductOf(updates, SumOf(update.perUpdate, walked));
    if (work <= kMaxChainRuleWorkCells) return kSuccess;
    countTrees = vovido::IsJoinTreeAlgorithm(network.GetBayesianAlgorithm());
    if (countTrees) return kSuccess;
    // The counts past 64 bits, for the message.
    const double updatesPlain = static_cast<double>(findings) + static_cast<double>(mapNodes) + 1.0 +
                                static_cast<double>(std::max(tuning.numCycle, 1)) *
                                    static_cast<double>(mapNodes) *
                                    (static_cast<double>(std::max(tuning.iStopSteps, 0)) + 1.0);
    const double workPlain =
        updatesPlain * (static_cast<double>(update.perUpdate) + static_cast<double>(walked));
    const std::string more = update.perUpdate == INT64_MAX ? "more than " : "";
    const std::string text = "ERROR: Annealed MAP over " + std::to_string(mapNodes) +
                             " nodes would make at least " + CountText(updatesPlain) + " belief updates (" +
                             std::to_string(tuning.numCycle) + " a node in each of " +
                             std::to_string(int64_t{tuning.iStopSteps} + 1) +
                             " sweeps, and one a node and finding to start), of " + update.Describe() +
                             ": the work of " + more + CountText(workPlain) + " cells (" + update.Unit() +
                             ", and " + std::to_string(vovido::kAnnealedMapCellsPerNetworkNode) +
                             " a node of the network's " + std::to_string(network.GetNumberOfNodes()) +
                             "), past the limit of " + std::to_string(kMaxChainRuleWorkCells) + " cells";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

// The search's work from the join trees its moves build on the copy, each over the part its target and the
// evidence make relevant.
static int CheckAnnealedMapTrees(VRX_network& copy, const VRX_intArray& evidenceNodes,
                                 const VRX_intArray& nodes, const VRX_intArray& evidenceOutcomes) {
    const vovido::AnnealedMapWork count = vovido::CountAnnealedMapWork(
        copy, nodes, evidenceNodes, evidenceOutcomes, static_cast<double>(kMaxChainRuleWorkCells));
    const VRX_annealedMapTuning& tuning = copy.GetAnnealedMapTuning();
    const std::string head = "ERROR: Annealed MAP over " + std::to_string(nodes.GetCount()) + " nodes would ";
    if (count.unbuildable >= 0) {
        const std::string size = count.unbuildableEntries == UINT64_MAX
                                     ? "is too large to build"
                                     : "needs " + std::to_string(count.unbuildableEntries) +
                                           " table entries, past the limit of " +
                                           std::to_string(kDefaultJoinTreeLimit) + " entries a tree";
        const std::string text = head + "fail at the moves of " + vovido::NodeLabel(copy, count.unbuildable) +
                                 ": the join tree of the part they update " + size;
        return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
    }
    if (count.work <= static_cast<double>(kMaxChainRuleWorkCells)) return kSuccess;
    const std::string text =
        head + "make at least " + CountText(count.updates) + " belief updates (" +
        std::to_string(tuning.numCycle) + " a node in each of " +
        std::to_string(int64_t{tuning.iStopSteps} + 1) +
        " sweeps, and one a node and finding to start), each reading " + CountText(count.nodesRead) +
        " nodes with tables of " + CountText(count.tableCells) + " cells" +
        (count.sweepEntries > 0.0
             ? ", with join trees of at least " + CountText(count.sweepEntries) + " entries a sweep"
             : "") +
        ": the work of " + CountText(count.work) + " cells (one for every " +
        std::to_string(vovido::kAnnealedMapTreeEntriesPerCell) +
        " tree entries or table cells, the more of the two a move, " + std::to_string(kCellsPerNodeUpdate) +
        " a node read and " + std::to_string(vovido::kAnnealedMapCellsPerNetworkNode) +
        " a node of the network's " + CountText(count.networkNodes) + "), past the limit of " +
        std::to_string(kMaxChainRuleWorkCells) + " cells";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

int VRX_network::AnnealedMAP(const std::vector<std::pair<int, int>>& evidence, const VRX_intArray& mapNodes,
                             VRX_intArray& outcomes, double& mapProbability, double& evidenceProbability,
                             int seed) {
    vovido::NoticeCall call;  // one record per kind of notice over every tried assignment
    outcomes.Flush();
    VRX_intArray nodes;
    VRX_intArray assignment;
    VRX_intArray evidenceNodes;
    VRX_intArray evidenceOutcomes;
    try {
        // Every MAP node a distinct discrete node without evidence of its own; every finding a valid outcome.
        if (const int rc = CheckAnnealedMapRequest(*this, evidence, mapNodes)) return rc;
        for (int i = 0; i < mapNodes.GetCount(); i++) {
            if (nodes.Add(mapNodes[i]) != kSuccess || assignment.Add(0) != kSuccess) return kOutOfMemory;
        }
        for (const std::pair<int, int>& finding : evidence) {
            if (evidenceNodes.Add(finding.first) != kSuccess ||
                evidenceOutcomes.Add(finding.second) != kSuccess)
                return kOutOfMemory;
        }
    } catch (const std::bad_alloc&) {
        return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
    }
    // Its updates read the tables built from parameters, scaled and in the copy: counted before they are
    // built.
    if (const int refused = vovido::CheckTablesBuiltFromParameters(*this, true, 3)) return refused;
    bool countTrees = false;
    if (const int refused = CheckAnnealedMapWork(*this, evidenceNodes, nodes, countTrees)) return refused;
    // The copy takes the tables as the search reads them, reported here once.
    const vovido::ScaledTables tables(*this);
    if (const int refused = tables.GetStatus()) return refused;
    std::unique_ptr<VRX_network> copy;
    try {
        copy = std::make_unique<VRX_network>(*this, VRX_network::ModelOnly{});
    } catch (const std::bad_alloc&) {
        return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
    }
    if (!copy->IsValid()) return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
    // Findings are entered and withdrawn by the search itself: nothing propagates or updates on its own.
    copy->propagationFlags = 0;
    if (countTrees) {
        if (const int refused = CheckAnnealedMapTrees(*copy, evidenceNodes, nodes, evidenceOutcomes))
            return refused;
    }
    double best = 0.0;
    double probability = 0.0;
    AnnealedMapSearch search;
    const int rc =
        search.Run(*copy, nodes, assignment, evidenceNodes, evidenceOutcomes, best, probability, seed);
    if (rc != kSuccess) return rc;
    if (outcomes.Copy(assignment) != kSuccess) return kOutOfMemory;
    mapProbability = best;
    evidenceProbability = probability;
    return kSuccess;
}

int VRX_network::UpdateValueOfInformation(VRX_valueOfInformation& settings) {
    vovido::NoticeCall call;  // one record per kind of notice over every outcome observed
    VRX_valueOfInformationAssessor assessor;
    return call.Result(assessor.ComputeValueOfInformation(settings));
}

// ---------------------------------------------------------------------------------------------------
// Probability of evidence

bool VRX_network::RouteProbabilityOfEvidence(double* result, bool useChainRule) {
    if (result == nullptr) return false;
    for (int h = GetFirstNode(); h >= 0 && temporalExtension; h = GetNextNode(h)) {
        if (GetTemporalType(h) != TemporalType::kPlate) continue;
        // The evidence of every slice, in the static network that unrolling makes.
        try {
            VRX_network unrolled;
            std::vector<int> map;
            return vovido::CheckUnrolledUpdate(*this, *temporalExtension) == kSuccess &&
                   temporalExtension->UnrollNetwork(unrolled, map) == kSuccess &&
                   unrolled.CalcPropEvidence(result, useChainRule);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    // Decisions and utilities are no random variables: their evidence has no probability.
    if (FindUpdateRoute(*this) == UpdateRoute::kInfluenceDiagram) {
        LogError(
            errorLog, kFailure,
            "The probability of evidence is not defined on an influence diagram: its decision and utility "
            "nodes are no random variables",
            nullptr);
        return false;
    }
    if (vovido::RefuseEquationProbabilityOfEvidence(*this) != kSuccess) {
        *result = -1.0;
        return false;
    }
    if (vovido::CheckTablesBuiltFromParameters(*this, true) != kSuccess) return false;
    const vovido::ScaledTables tables(*this);
    if (tables.GetStatus() != kSuccess) return false;
    std::vector<int> targets;
    try {
        targets.reserve(static_cast<size_t>(numTargets > 0 ? numTargets : 0));
        for (int h = GetFirstNode(); h >= 0 && numTargets > 0; h = GetNextNode(h)) {
            if (IsTarget(h) == 1) targets.push_back(h);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    bool ok = false;
    {
        // Virtual evidence counts as likelihood findings, the same for both methods.
        TemporaryEvidenceNodes findings(this, true);
        int status = kSuccess;
        // A join tree past the limit is refused at once: the chain rule's last step would need the
        // same tree, after as many updates as there are findings.
        ok = findings.GetStatus() == kSuccess &&
             (useChainRule ? ChainRuleProbEvidence(*result)
                           : ProbEvidenceByClustering(*result, &status) ||
                                 (status != kOutOfMemory && ChainRuleProbEvidence(*result)));
    }
    // Tables far from probabilities overflow the products.
    if (ok && vovido::CheckProbabilityOfEvidence(*this, *result) != kSuccess) ok = false;
    ClearAllTargets();
    for (int h : targets) (void)SetTarget(h);  // live nodes that were targets before
    return ok;
}

bool VRX_network::ProbEvidenceByClustering(double& result, int* status) {
    if (numTargets > 0) ClearAllTargets();
    // Only the findings and their ancestors are relevant. Without a target every node would count as one,
    // so a finding without parents is its own target (a part of itself, answered by its table), and no
    // finding at all has probability 1.
    bool anyFinding = false;
    for (int h = GetFirstNode(); h >= 0; h = GetNextNode(h)) {
        const VRX_nodeValue* value = ValueAt(*this, h);
        if (value == nullptr || !value->HasFlag(ValueFlags::kEvidence)) continue;
        anyFinding = true;
        const VRX_intArray& parents = GetParents(h);
        if (parents.GetCount() == 0 && IsTarget(h) == 0) (void)SetTarget(h);
        for (int k = 0; k < parents.GetCount(); k++) {
            if (IsTarget(parents[k]) == 0) (void)SetTarget(parents[k]);  // live and not a target: cannot fail
        }
    }
    if (status != nullptr) *status = kSuccess;
    if (!anyFinding && GetNumberOfNodes() > 0) {
        result = 1.0;
        return true;
    }
    result = ComputeProbEvidence(*this, status);
    return result != -1.0;
}

bool VRX_network::ChainRuleProbEvidence(double& result) {
    result = -1.0;
    // Every node counts in the estimate; the targets are cleared below in any case.
    if (numTargets > 0) ClearAllTargets();
    std::unique_ptr<ValueSnapshot> snapshot;
    try {
        if (CheckChainRuleWork(*this) != kSuccess) return false;
        snapshot = std::make_unique<ValueSnapshot>(*this);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const int savedMask = changeMask;
    const int savedFlags = propagationFlags;
    bool ok = true;
    double product = 1.0;
    try {
        const VRX_intArray order = GetTopologicalOrder();
        std::vector<std::pair<int, int>> findings;
        findings.reserve(static_cast<size_t>(order.GetCount()));
        propagationFlags &= ~PropagationFlags::kNotices;
        for (int i = 0; i < order.GetCount(); i++) {
            VRX_nodeValue* value = ValueAt(*this, order[i]);
            if (value == nullptr || !value->HasEvidence()) continue;
            if (value->HasFlag(ValueFlags::kEvidence)) findings.emplace_back(order[i], value->GetEvidence());
            value->SetValueFlag(
                ValueFlags::kEvidence | ValueFlags::kUpToDate | ValueFlags::kPropagatedEvidence, false);
        }
        ClearAllTargets();
        // Notices on, so that re-entered evidence propagates; the updates are run here, not by notices.
        propagationFlags = (savedFlags | PropagationFlags::kNotices) & ~PropagationFlags::kAutoUpdate;

        int previous = -1;
        for (const std::pair<int, int>& finding : findings) {
            const int h = finding.first;
            const int e = finding.second;
            VRX_nodeValue* value = ValueAt(*this, h);
            if (value->HasFlag(ValueFlags::kPropagatedEvidence)) {
                // Fixed by the evidence entered so far: a factor of 1, or 0 for another outcome.
                if (value->GetEvidence() == e) continue;
                product = 0.0;
                break;
            }
            // previous is the target set last time round, and h no target: neither can fail.
            if (previous >= 0) (void)UnsetTarget(previous);
            (void)SetTarget(h);
            previous = h;
            InvalidateValues();
            VRX_Dmatrix* beliefs = nullptr;
            if (UpdateBeliefs() != kSuccess || value->GetValue(beliefs) != kSuccess || beliefs == nullptr ||
                e >= beliefs->GetNumberOfElements()) {
                ok = false;
                break;
            }
            product *= (*beliefs)[e];
            // Evidence of probability zero: nothing later can change the product.
            if (product == 0.0) break;
            if (value->SetEvidence(e) != kSuccess) {
                ok = false;
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    ClearAllTargets();
    propagationFlags &= ~PropagationFlags::kNotices;
    snapshot->Restore();
    changeMask = savedMask;
    propagationFlags = savedFlags;
    if (ok) result = product;
    return ok;
}
