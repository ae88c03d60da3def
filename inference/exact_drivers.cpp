// Exact discrete inference drivers: clustering per relevant part, relevance decomposition and the
// probability of the evidence.
#include "inference/exact_drivers.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "inference/clique_tree.h"
#include "inference/decomposition_order.h"
#include "inference/impossible_evidence.h"
#include "inference/join_tree.h"
#include "inference/part_view.h"
#include "inference/relevant_parts.h"
#include "inference/update_memory.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

using vovido::RelevantPartList;

using vovido::CheckEvidencePossible;

using vovido::DecompositionAttempt;
using vovido::DecompositionContext;
using vovido::MemoryShortfall;

namespace DecompositionSettings = vovido::DecompositionSettings;

namespace {

// The trees of belief updating, their probes and estimates leave out the childless nodes whose beliefs can
// be read from their parents' marginal afterwards, so that a probe sizes the very tree a run builds.
constexpr JoinTree::ChildlessNodes kBeliefTree = JoinTree::ChildlessNodes::kLeftOut;

// atoi of the named network property; fallback when it is absent or below 1.
int ReadPositiveProperty(const VRX_network& network, const char* name, int fallback) {
    const int i = network.userProperties.FindProperty(name);
    if (i < 0) return fallback;
    const char* text = network.userProperties.GetPropertyValue(i);
    const int value = text != nullptr ? std::atoi(text) : 0;
    return value >= 1 ? value : fallback;
}

// Failure of a join tree reported as a status; a tree that failed without saying why could not be built.
int StatusOf(const JoinTree& tree) {
    const int status = tree.GetLastStatus();
    return status != kSuccess ? status : kOutOfMemory;
}

// Clears the network's targets for the time of a decomposition run and sets them again afterwards, also
// after a failure. The requested mask starts as the targets (every node while none is set), less the
// nodes whose evidence already fixes their beliefs; the nodes with evidence become the runs' seeds.
class TargetScope {
public:
    TargetScope(VRX_network& network, DecompositionContext& context) : network_(network) {
        const int slots = network.GetNumberOfSlots();
        std::vector<unsigned char>& requested = context.requested;
        requested.assign(static_cast<size_t>(slots), 0);
        context.seeds.position.assign(static_cast<size_t>(slots), -1);
        context.seeds.identifierRank = vovido::IdentifierRanks(network);
        const bool all = network.GetNumberOfTargets() < 1;
        for (int h = 0; h < slots; h++) {
            if (!network.IsLiveHandle(h)) continue;
            const VRX_nodeValue* value = network.GetNode(h)->GetValue();
            if (value != nullptr && value->HasFlag(ValueFlags::kEvidence | ValueFlags::kVirtualEvidence |
                                                   ValueFlags::kPropagatedEvidence))
                context.seeds.evidence.push_back(h);
            const bool target = network.IsTarget(h) == 1;
            if (target) saved_.push_back(h);
            if (!all && !target) continue;
            requested[h] = value != nullptr && value->HasEvidence() ? 0 : 1;
        }
        network.ClearAllTargets();
    }
    TargetScope(const TargetScope&) = delete;
    TargetScope& operator=(const TargetScope&) = delete;
    ~TargetScope() {
        network_.ClearAllTargets();
        for (int h : saved_) (void)network_.SetTarget(h);  // a node deleted meanwhile stays gone
    }

private:
    VRX_network& network_;
    std::vector<int> saved_;
};

// Ends a decomposition whose clustering runs have read too many nodes, before its next run.
int StopOverBudget(VRX_network& network, DecompositionContext& context) {
    context.overBudget = true;
    int64_t unanswered = 0;
    for (unsigned char r : context.requested) unanswered += r;
    const std::string text =
        "ERROR: Exact inference refused: relevance decomposition has made " + std::to_string(context.runs) +
        " clustering runs over the network of " + std::to_string(network.GetNumberOfNodes()) +
        " nodes, whose work came to " + std::to_string(context.nodesWalked) + " nodes read (" +
        std::to_string(kDecompositionReadsPerJoinedNode) + " a node of a join tree built, 1 each " +
        std::to_string(kDecompositionEntriesPerRead) + " entries of its tables), and " +
        std::to_string(unanswered) + " requested nodes are still unanswered: past the limit of " +
        std::to_string(kMaxDecompositionNodeVisits) + " nodes read";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

// The largest join tree of some parts, in table entries: in the order each part is found in, and in the
// order each run would choose (see TriangulatePart).
struct TreeSizes {
    uint64_t found = 0;
    uint64_t chosen = 0;
};

bool SingleTargetFits(VRX_network& network, int target, DecompositionContext& context,
                      TreeSizes* largest = nullptr);

// Table entries whose filling costs about as much as finding, by triangulation alone, whether one more
// target can be solved alone: its part read and triangulated in two orders, some 1 to 2 ms on link's 724
// nodes, where an entry takes some 10 ns.
constexpr uint64_t kProbeEntriesPerNode = 256;

// Whether every unanswered target can be solved alone (the refusal logged, naming the first that cannot).
// Each is probed once a decomposition; the run's own targets are set again afterwards.
bool UnansweredTargetsFit(VRX_network& network, DecompositionContext& context) {
    const std::vector<int> running = context.seeds.targets;
    for (int h : running) (void)network.UnsetTarget(h);
    bool fit = true;
    for (size_t h = 0; h < context.requested.size() && fit; h++) {
        if (context.requested[h] != 0) fit = SingleTargetFits(network, static_cast<int>(h), context);
    }
    for (int h : running) (void)network.SetTarget(h);
    context.targetsConfirmed = fit;
    return fit;
}

// A run of one target is its last chance: where it would fill a tree that costs more than probing every
// unanswered target alone, the plan is confirmed first, so that a decomposition doomed by a later target
// is refused before it fills the tree (link under three findings and a likelihood: a tree of 241 million
// entries by identifiers, then a target that fits in neither order).
uint64_t ConfirmationEntries(const VRX_network& network, const DecompositionContext& context) {
    if (context.targetsConfirmed) return 0;
    uint64_t unanswered = 0;
    for (unsigned char r : context.requested) unanswered += r;
    return unanswered * static_cast<uint64_t>(network.GetNumberOfNodes()) * kProbeEntriesPerNode;
}

// Runs clustering with the targets currently set (the unanswered nodes of the list) and records it.
int TracedClustering(VRX_network& network, DecompositionContext& context, const int* list, int count,
                     uint32_t limit) {
    if (context.nodesWalked > kMaxDecompositionNodeVisits) return StopOverBudget(network, context);
    context.shortfall = {};
    int read = 0;
    vovido::TreesBuilt built;
    context.seeds.confirmAbove = ConfirmationEntries(network, context);
    int status = RunClustering(network, context.requested.data(), limit, &context.shortfall, &read,
                               &context.seeds, &built);
    if (context.seeds.unconfirmed) {
        context.seeds.unconfirmed = false;
        context.nodesWalked += read;
        if (!UnansweredTargetsFit(network, context)) return kOutOfMemory;
        context.seeds.confirmAbove = 0;
        status = RunClustering(network, context.requested.data(), limit, &context.shortfall, &read,
                               &context.seeds, &built);
    }
    context.runs++;
    // A run that fails its limit leaves its nodes to smaller groups, which read them again: it is counted
    // for the whole network besides. Joining a node costs some reads of it, and propagating a tree some
    // passes over its tables.
    const int64_t nodes = network.GetNumberOfNodes();
    context.nodesWalked += read + (status == kOutOfMemory ? nodes : 0) +
                           built.nodes * kDecompositionReadsPerJoinedNode +
                           built.entries / kDecompositionEntriesPerRead;
    if (context.trace != nullptr) context.trace->push_back({list[0], count, limit, status});
    return status;
}

// Sets as targets the nodes of the list whose beliefs are still requested; returns how many.
int SetUnansweredTargets(VRX_network& network, DecompositionContext& context, const int* list, int count) {
    std::vector<int>& targets = context.seeds.targets;
    targets.clear();
    for (int i = 0; i < count; i++) {
        if (context.requested[list[i]] && network.SetTarget(list[i]) == kSuccess) targets.push_back(list[i]);
    }
    return static_cast<int>(targets.size());
}

// Clears the targets of the last run, and only them.
void ClearRunTargets(VRX_network& network, DecompositionContext& context) {
    for (int h : context.seeds.targets) (void)network.UnsetTarget(h);
    context.seeds.targets.clear();
}

// The entry of the node's table at its parents' outcomes and the given outcome; -1.0 when a parent has no
// outcome or the table does not have one dimension per parent and one for the node.
double FamilyEntry(VRX_network& network, int handle, int outcome) {
    VRX_node* node = network.GetNode(handle);
    VRX_nodeDefinition* definition = node->GetDefinition();
    VRX_Dmatrix* table = nullptr;
    if (definition == nullptr || definition->GetDefinition(table) != kSuccess || table == nullptr)
        return -1.0;
    const VRX_intArray& parents = network.GetParents(handle);
    const int numParents = parents.GetCount();
    if (table->GetNumberOfDimensions() != numParents + 1) return -1.0;
    const VRX_intArray& strides = table->GetStrides();
    const VRX_intArray& sizes = table->GetDimensions();
    long long index = 0;
    for (int k = 0; k < numParents; k++) {
        const VRX_nodeValue* value = network.GetNode(parents[k])->GetValue();
        const int e = value != nullptr ? const_cast<VRX_nodeValue*>(value)->GetEvidence() : kOutOfRange;
        if (e < 0 || e >= sizes[k]) return -1.0;
        index += static_cast<long long>(e) * strides[k];
    }
    if (outcome < 0 || outcome >= sizes[numParents]) return -1.0;
    index += static_cast<long long>(outcome) * strides[numParents];
    return (*table)[static_cast<int>(index)];
}

bool EveryParentFixed(const VRX_network& network, int handle) {
    const VRX_intArray& parents = network.GetParents(handle);
    for (int k = 0; k < parents.GetCount(); k++) {
        const VRX_nodeValue* value = network.GetNode(parents[k])->GetValue();
        if (value == nullptr || !value->HasEvidence()) return false;
    }
    return true;
}

// The factor of an observed node that ended in no part (and of its parents with propagated evidence);
// -1.0 when it cannot be read.
double OutsideFactor(VRX_network& network, int handle) {
    VRX_nodeValue* value = network.GetNode(handle)->GetValue();
    const VRX_intArray& parents = network.GetParents(handle);
    double factor = 1.0;
    for (int k = 0; k < parents.GetCount(); k++) {
        const int p = parents[k];
        VRX_nodeValue* parentValue = network.GetNode(p)->GetValue();
        if (parentValue == nullptr || !parentValue->HasFlag(ValueFlags::kPropagatedEvidence)) continue;
        // A parent fixed by propagation contributes its own entry when its parents are all fixed too.
        if (!EveryParentFixed(network, p)) continue;
        const double entry = FamilyEntry(network, p, parentValue->GetEvidence());
        if (entry < 0.0) return -1.0;
        factor *= entry;
    }
    const double entry = FamilyEntry(network, handle, value->GetEvidence());
    return entry < 0.0 ? -1.0 : factor * entry;
}

// The join tree of a decomposition's part, from the triangulation only.
struct PartTree {
    bool viewFailed = false;
    bool built = false;
    bool ranOutOfMemory = false;
    bool triangulated = false;  // some cluster made, if not all
    uint64_t entries = UINT64_MAX;
    bool byIdentifier = false;
    // Whether a run may fill it: Run refuses any other before allocating a table.
    bool Passes() const { return built && entries <= kDefaultJoinTreeLimit; }
};

// A part's join tree in one order of the part, triangulated, not filled; valid while the part is in that
// order.
struct OrderedTree {
    std::unique_ptr<PartView> view;
    std::unique_ptr<JoinTree> tree;
    PartTree shape;
};

// Throws bad_alloc.
void TriangulateInOrder(RelevanceGraph& part, uint32_t limit, OrderedTree& into) {
    into.view = std::make_unique<PartView>(part);
    if (into.view->GetStatus() != kSuccess) {
        into.shape.viewFailed = true;
        return;
    }
    into.tree = std::make_unique<JoinTree>(*into.view, kBeliefTree);
    JoinTree& tree = *into.tree;
    into.shape.built = tree.Build(limit);
    into.shape.ranOutOfMemory = !into.shape.built && tree.BuildRanOutOfMemory();
    into.shape.triangulated = tree.GetNumberOfClusters() > 0;
    into.shape.entries = tree.EstimateTableEntries();
}

// Whether a run would rather build tree a than b: one within the limits, then one built, then the fewer
// entries.
bool BuildsBetter(const PartTree& a, const PartTree& b) {
    if (a.Passes() != b.Passes()) return a.Passes();
    if (a.built != b.built) return a.built;
    return a.entries < b.entries;
}

// Below this many table entries a node of the part, a smaller tree would save little more than triangulating
// the part again costs: a tree that passes its limits in the found order is then taken as it is.
constexpr uint64_t kEntriesPerNodeForASecondOrder = 1024;

// The part's tree in the order the part is found in, as algorithm 0 builds it, and, unless that tree passes
// its limits and is small, in the order of identifiers: trees[0] is the better of the two, the found one on
// a tie, and the part is left in its order; trees[1] the other, if tried, and found then holds the found
// order. Neither order is the better for every network: a grid's tree by identifiers is twice as large, a
// pedigree's is half as large under some findings and fits only so under others. Where the found tree
// fails its limits, the tree by identifiers is taken only within `halvedLimit` entries: the caller's
// smaller groups would build trees within it instead, and a tree by identifiers that merely passes the
// limit may be hundreds of times their size (link under six findings: 70 million entries where halving
// built trees of some thousands). Throws bad_alloc.
const PartTree& TriangulatePart(RelevanceGraph& part, const std::vector<int>& identifierRank, uint32_t limit,
                                uint32_t halvedLimit, vovido::RelevanceOrder& found,
                                OrderedTree (&trees)[2]) {
    TriangulateInOrder(part, limit, trees[0]);
    const PartTree& inFound = trees[0].shape;
    const uint64_t records = static_cast<uint64_t>(part.GetNumberOfRecords());
    if (identifierRank.empty() || inFound.viewFailed || inFound.ranOutOfMemory ||
        (inFound.Passes() && inFound.entries <= records * kEntriesPerNodeForASecondOrder))
        return trees[0].shape;
    // Limits as Triangulation reads them: 0 is the default one.
    const uint32_t own = limit == 0 ? kDefaultJoinTreeLimit : limit;
    const uint32_t second = inFound.Passes() || halvedLimit == 0 ? own : std::min(own, halvedLimit);
    part.SaveOrder(found);
    part.SortByIdentifier(identifierRank);
    TriangulateInOrder(part, second, trees[1]);
    PartTree& byIdentifier = trees[1].shape;
    byIdentifier.byIdentifier = true;
    if (byIdentifier.viewFailed || byIdentifier.ranOutOfMemory || BuildsBetter(byIdentifier, inFound)) {
        std::swap(trees[0], trees[1]);
        return trees[0].shape;
    }
    part.RestoreOrder(found);
    return trees[0].shape;
}

// Whether the join trees of the target alone fit the limits, from the triangulation only: nothing is
// allocated or written. Decomposition ends with every unanswered target alone unless a group holding it
// succeeds first, and such a group needs a tree over a part that holds the target's own. A run of more
// targets than one group holds probes the target last in topological order, whose part is as a rule the
// largest, so that a hopeless run is refused at once, not after solving every easier target first.
// largest, when given, is raised to the target's largest trees.
bool SingleTargetFits(VRX_network& network, int target, DecompositionContext& context, TreeSizes* largest) {
    if (network.SetTarget(target) != kSuccess) return true;
    int status = kSuccess;
    std::unique_ptr<RelevantPartList> parts = FindRelevantParts(network, true, true, &status);
    network.ClearAllTargets();
    // Whatever stops the parts stops the run too, which reports it.
    if (parts == nullptr) return true;
    for (std::unique_ptr<RelevanceGraph>& part : *parts) {
        if (part->GetNumberOfRecords() < 2) continue;
        vovido::RelevanceOrder found;
        OrderedTree trees[2];
        const PartTree tree = TriangulatePart(*part, context.seeds.identifierRank, 0, 0, found, trees);
        // Memory that runs out here is reported by the run, naming the tree.
        if (tree.viewFailed || tree.ranOutOfMemory) return true;
        const bool built = tree.built;
        const uint64_t entries = tree.entries;
        if (largest != nullptr) {
            const PartTree& inFound = tree.byIdentifier ? trees[1].shape : trees[0].shape;
            largest->found = std::max(largest->found, inFound.entries);
            largest->chosen = std::max(largest->chosen, entries);
        }
        if (built && entries <= kDefaultJoinTreeLimit) continue;
        // Said here, naming the part and its size: the decomposition's end does not say it again.
        context.refusalLogged = true;
        const char* id = network.GetNode(target)->GetId();
        const std::string text =
            "ERROR: Exact inference refused: the join tree this engine triangulates for the part of [" +
            std::string(id != nullptr ? id : "") + "] alone, " + std::to_string(part->GetNumberOfRecords()) +
            " nodes, needs " +
            (entries > kDefaultJoinTreeLimit ? (built ? "" : "at least ") + std::to_string(entries) +
                                                   " table entries, past the limit of " +
                                                   std::to_string(JoinTree::kDefaultLimit) + " entries a tree"
                                             : std::string("a cluster of more than 30 nodes"));
        LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
        return false;
    }
    return true;
}

// The largest join trees of the parts of one run over the targets now set, from the triangulation only:
// nothing is allocated for tables. Where the run would choose the order, that tree is sized in both orders
// (bothOrders), else in the order found only (then chosen is found). UINT64_MAX where a part's tree passes
// what can be counted; 0 where the parts cannot be found or memory ran out (the run reports it).
TreeSizes LargestPartTree(VRX_network& network, DecompositionContext& context, bool bothOrders) {
    int status = kSuccess;
    std::unique_ptr<RelevantPartList> parts =
        FindRelevantParts(network, true, true, &status, true, nullptr, &context.seeds);
    if (parts == nullptr) return {};
    TreeSizes largest;
    const std::vector<int> none;
    for (std::unique_ptr<RelevanceGraph>& part : *parts) {
        if (part->GetNumberOfRecords() < 2) continue;
        vovido::RelevanceOrder found;
        OrderedTree trees[2];
        const PartTree tree = TriangulatePart(*part, bothOrders ? context.seeds.identifierRank : none,
                                              JoinTree::kNoLimit, context.seeds.halvedLimit, found, trees);
        if (tree.viewFailed || tree.ranOutOfMemory) return {};
        const PartTree& inFound = tree.byIdentifier ? trees[1].shape : trees[0].shape;
        largest.found = std::max(largest.found, inFound.built ? inFound.entries : UINT64_MAX);
        largest.chosen = std::max(largest.chosen, tree.built ? tree.entries : UINT64_MAX);
        part.reset();
    }
    return largest;
}

// Whether a run of one target leaves the tree it chose unfilled for its caller to confirm its plan first
// (see RelevanceSeeds::confirmAbove); sets `unconfirmed` then.
bool LeftUnconfirmed(vovido::RelevanceSeeds& seeds, const PartTree& chosen) {
    if (seeds.confirmAbove == 0 || seeds.targets.size() != 1 || chosen.entries <= seeds.confirmAbove)
        return false;
    seeds.unconfirmed = true;
    return true;
}

// Adds a run's tree to what the run built; a tree refused for its size was triangulated, never filled.
void CountTreeBuilt(vovido::TreesBuilt* treesBuilt, const JoinTree& tree, int records, bool ran) {
    if (treesBuilt == nullptr || tree.GetNumberOfClusters() == 0) return;
    treesBuilt->nodes += records;
    const uint64_t entries = ran ? tree.EstimateTableEntries() : 0;
    treesBuilt->entries +=
        entries > static_cast<uint64_t>(INT64_MAX / 2) ? INT64_MAX / 2 : static_cast<int64_t>(entries);
}

// Whether a run of the built tree fits the memory of an update beside the network's tables (counted once
// into held); else the refusal's text goes to the shortfall. A tree past its own limit is refused as such.
bool FitsBesideTables(const VRX_network& network, const RelevanceGraph& part, const JoinTree& tree,
                      vovido::HeldTables& held, MemoryShortfall* shortfall) {
    if (tree.EstimateTableEntries() > kDefaultJoinTreeLimit) return true;
    const uint64_t entries = vovido::HeldTreeEntries(tree);
    if (!held.counted) held = vovido::CountHeldTables(network);
    std::string refusal = vovido::UpdateMemoryRefusal(network, held, vovido::PartOwnedCells(part), entries,
                                                      part.GetNumberOfRecords(), "join tree");
    if (refusal.empty()) return true;
    if (shortfall != nullptr) shortfall->planRefusal = std::move(refusal);
    return false;
}

// Records that memory stopped a run over the given nodes; entries 0 when the tree's size is not known.
int ShortOfMemory(MemoryShortfall* shortfall, int nodes, uint64_t entries) {
    if (shortfall != nullptr) *shortfall = {true, nodes, entries, {}};
    return kOutOfMemory;
}

// Whether the last attempt built a join tree within its limit whose tables memory could not hold: smaller
// groups would fail alike. Memory that ran out before the tree's size was known may be a part too large
// for the memory left, which smaller groups do cure.
bool TablesOutOfMemory(const DecompositionContext& context) {
    return context.shortfall.happened && context.shortfall.entries != 0;
}

// The end of a driver whose join trees did not fit: said once, however many attempts decomposition made.
int Refused(int status, const MemoryShortfall& shortfall = {}) {
    if (status != kOutOfMemory) return status;
    if (shortfall.happened) {
        const std::string tree =
            "ERROR: Exact inference refused: memory ran out while the join tree of a part of " +
            std::to_string(shortfall.nodes) + " nodes was built";
        const std::string text = shortfall.entries == 0
                                     ? tree + ", before its size was known"
                                     : tree + ": its tables of " + std::to_string(shortfall.entries) +
                                           " entries fit the limit of " +
                                           std::to_string(JoinTree::kDefaultLimit) +
                                           " entries a tree, but not the memory left";
        return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
    }
    if (!shortfall.planRefusal.empty())
        return LogError(errorLog, kOutOfMemory, shortfall.planRefusal.c_str(), nullptr);
    const std::string text =
        "ERROR: Exact inference refused: no join tree of the network fits the limits of " +
        std::to_string(JoinTree::kDefaultLimit) + " table entries, 30 nodes per cluster and " +
        std::to_string(kMaxJoinTreePassEntries) + " table entries walked by its propagation";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

// Whether no smaller group can help: memory stopped a tree within its limit, or the work passed its own.
bool Hopeless(const DecompositionContext& context) {
    return TablesOutOfMemory(context) || context.overBudget;
}

// The end of a decomposition: its refusal, logged once.
int Concluded(int status, const DecompositionContext& context) {
    return context.overBudget || context.refusalLogged ? status : Refused(status, context.shortfall);
}

// Algorithm 11's run over every target before its groups, where its groups would read more than
// kDecompositionWholeFirstReads nodes or where the tree of every target fits the first limit and is at most
// four times the tree its last target needs alone, which every group holding that target builds anyway:
// 21 dense nodes with 4,000 leaves below them, observed every 50th, answer in one run of 1 s, not in 126
// groups of 32 each propagating the same cluster of 2^21 entries (22 s). kOutOfMemory where no such run is
// made or it fails its limit; probed tells whether the last target was probed alone (then it fits, or the
// refusal is logged).
int WholeRunFirst(VRX_network& network, DecompositionContext& context, const std::vector<int>& list,
                  int groupSize, uint32_t firstLimit, bool& probed) {
    const int count = static_cast<int>(list.size());
    bool whole = vovido::EstimateGroupReads(network, list, groupSize, context.seeds.evidence) >
                 kDecompositionWholeFirstReads;
    if (!whole) {
        TreeSizes alone;
        probed = true;
        if (!SingleTargetFits(network, list[0], context, &alone)) return kOutOfMemory;
        if (SetUnansweredTargets(network, context, list.data(), count) == 0) return kSuccess;
        const TreeSizes largest = LargestPartTree(network, context, true);
        ClearRunTargets(network, context);
        // In either order: a tree of every target that is small only in the order found would replace
        // groups whose own trees are smaller still (link under seven findings: 1.5 GB, not 0.7).
        const uint64_t limit = firstLimit != 0 ? firstLimit : JoinTree::kDefaultLimit;
        const auto fits = [limit](uint64_t all, uint64_t last) {
            return all > 0 && all <= limit && all / 4 <= last;
        };
        whole = fits(largest.found, alone.found) && fits(largest.chosen, alone.chosen);
    }
    if (!whole) return kOutOfMemory;
    if (SetUnansweredTargets(network, context, list.data(), count) == 0) return kSuccess;
    const int status = TracedClustering(network, context, list.data(), count, firstLimit);
    ClearRunTargets(network, context);
    return status;
}

}  // namespace

// Algorithm 11 once the evidence is known to be possible; the context tells what stopped it. wholeFirst:
// one run for every target first, within the first limit.
static int DecomposeInGroups(VRX_network& network, DecompositionContext& context, bool wholeFirst = false);

uint64_t EstimateClusteringEntries(VRX_network& network, uint64_t* treeNodes, uint64_t* passEntries) {
    int status = kSuccess;
    std::unique_ptr<RelevantPartList> parts;
    try {
        parts = FindRelevantParts(network, true, true, &status);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (parts == nullptr) return 0;
    uint64_t total = 0;
    for (std::unique_ptr<RelevanceGraph>& part : *parts) {
        if (part->GetNumberOfRecords() < 2) continue;
        if (treeNodes != nullptr) *treeNodes += static_cast<uint64_t>(part->GetNumberOfRecords());
        PartView view(*part);
        if (view.GetStatus() != kSuccess) return 0;
        JoinTree tree(view, kBeliefTree);
        if (!tree.Build(JoinTree::kNoLimit)) return tree.BuildRanOutOfMemory() ? 0 : UINT64_MAX;
        const uint64_t entries = tree.EstimateTableEntries();
        total = entries > UINT64_MAX - total ? UINT64_MAX : total + entries;
        if (passEntries == nullptr) continue;
        if (tree.AssignFamilies() != kSuccess) return 0;
        const uint64_t walked = tree.EstimatePassEntries(nullptr);
        *passEntries = walked > UINT64_MAX - *passEntries ? UINT64_MAX : *passEntries + walked;
    }
    return total;
}

// ---------------------------------------------------------------------------------------------------
// Clustering

int RunClustering(VRX_network& network, unsigned char* requested, uint32_t limit, MemoryShortfall* shortfall,
                  int* recordsRead, vovido::RelevanceSeeds* seeds, vovido::TreesBuilt* treesBuilt) {
    int status = kSuccess;
    std::unique_ptr<RelevantPartList> parts =
        FindRelevantParts(network, true, true, &status, true, recordsRead, seeds);
    if (parts == nullptr)
        return status == kOutOfMemory ? ShortOfMemory(shortfall, network.GetNumberOfNodes(), 0) : status;
    vovido::HeldTables counted;
    vovido::HeldTables& held = seeds != nullptr ? seeds->held : counted;
    for (std::unique_ptr<RelevanceGraph>& part : *parts) {
        if (part->GetNumberOfRecords() == 1) {
            RelevanceNode* only = part->GetRecord(0);
            if (const int rc = only->WriteBeliefs()) return rc;
            const int handle = only->GetHandle();
            if (requested != nullptr && handle >= 0) requested[handle] = 0;
        } else {
            // A decomposition's run fills the better of its part's trees (see TriangulatePart) as it was
            // triangulated, and the other order's where that one is refused for its size or work. A tree
            // whose triangulation passes no limit is not triangulated again only to be refused.
            const int records = part->GetNumberOfRecords();
            const bool decomposing = seeds != nullptr && !seeds->identifierRank.empty();
            const int orders = decomposing ? 2 : 1;
            // A run of one target has no smaller group to leave its part to.
            const uint32_t halvedLimit = decomposing && seeds->targets.size() > 1 ? seeds->halvedLimit : 0;
            OrderedTree trees[2];
            vovido::RelevanceOrder found;
            try {
                if (decomposing &&
                    TriangulatePart(*part, seeds->identifierRank, limit, halvedLimit, found, trees)
                        .ranOutOfMemory)
                    return ShortOfMemory(shortfall, records, 0);
            } catch (const std::bad_alloc&) {
                return ShortOfMemory(shortfall, records, 0);
            }
            for (int pass = 0; pass < orders; pass++) {
                OrderedTree& order = trees[pass];
                if (order.tree != nullptr && !order.shape.Passes()) {
                    // Counted as the run that refused it would count it.
                    if (treesBuilt != nullptr && order.shape.triangulated) treesBuilt->nodes += records;
                    if (pass + 1 == orders) return kOutOfMemory;
                    continue;
                }
                if (pass == 1 && trees[0].shape.byIdentifier) part->RestoreOrder(found);
                if (pass == 1 && !trees[0].shape.byIdentifier) part->SortByIdentifier(seeds->identifierRank);
                const bool prebuilt = order.tree != nullptr;
                if (prebuilt && LeftUnconfirmed(*seeds, order.shape)) return kOutOfMemory;
                try {
                    if (order.view == nullptr) order.view = std::make_unique<PartView>(*part);
                    if (order.view->GetStatus() == kSuccess && !prebuilt)
                        order.tree = std::make_unique<JoinTree>(*order.view, kBeliefTree);
                } catch (const std::bad_alloc&) {
                    return ShortOfMemory(shortfall, records, 0);
                }
                const int viewStatus = order.view->GetStatus();
                if (viewStatus == kOutOfMemory) return ShortOfMemory(shortfall, records, 0);
                if (viewStatus != kSuccess) return viewStatus;
                JoinTree& tree = *order.tree;
                const bool built = prebuilt || tree.Build(limit);
                // One that would not fit beside the network's tables fails as a tree past its limit.
                const bool fits = built && FitsBesideTables(network, *part, tree, held, shortfall);
                const bool ran = fits && tree.RunBuilt(requested);
                CountTreeBuilt(treesBuilt, tree, records, ran);
                if (ran) break;
                if (!fits) {
                    if (!built && tree.BuildRanOutOfMemory()) return ShortOfMemory(shortfall, records, 0);
                    if (pass + 1 == orders) return kOutOfMemory;
                    continue;
                }
                if (tree.RanOutOfMemory())
                    return ShortOfMemory(shortfall, records,
                                         tree.BuildRanOutOfMemory() ? 0 : tree.EstimateTableEntries());
                const int failed = StatusOf(tree);
                if (failed != kOutOfMemory || pass + 1 == orders) return failed;
            }
        }
        part.reset();
    }
    return kSuccess;
}

int RunClusteringWithDecomposition(VRX_network& network, std::vector<DecompositionAttempt>* trace) {
    if (const int rc = CheckEvidencePossible(network)) return rc;
    if (const int rc = vovido::CheckUpdateMemory(network)) return rc;
    MemoryShortfall shortfall;
    const int status = RunClustering(network, nullptr, 0, &shortfall);
    // Only a tree too large for its limit can be cured by smaller groups of targets: trees within it that
    // did not fit in memory would fail again for every group, each finding the relevant parts anew.
    if (status != kOutOfMemory || shortfall.happened) return Refused(status, shortfall);
    if (network.GetNumberOfTargets() == 1) return Refused(status, shortfall);
    if (network.userProperties.FindProperty(DecompositionSettings::kDisableFallbackProperty) >= 0)
        return Refused(status, shortfall);
    DecompositionContext context;
    context.trace = trace;
    const int decomposed = DecomposeInGroups(network, context);
    return Concluded(decomposed, context);
}

int RunClusteringPerPart(VRX_network& network) {
    if (const int rc = CheckEvidencePossible(network)) return rc;
    if (const int rc = vovido::CheckUpdateMemory(network)) return rc;
    int status = kSuccess;
    std::unique_ptr<RelevantPartList> parts = FindRelevantParts(network, true, true, &status);
    if (parts == nullptr) return status;
    vovido::HeldTables held;
    for (std::unique_ptr<RelevanceGraph>& part : *parts) {
        if (part->GetNumberOfRecords() == 1) {
            if (const int rc = part->GetRecord(0)->WriteBeliefs()) return rc;
        } else if (const int rc = RunCliqueTreeOnPart(*part, held)) {
            return rc;
        }
        part.reset();
    }
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Relevance decomposition

int RunRelevanceDecomposition(VRX_network& network, std::vector<DecompositionAttempt>* trace) {
    if (const int rc = CheckEvidencePossible(network)) return rc;
    if (const int rc = vovido::CheckUpdateMemory(network)) return rc;
    DecompositionContext context;
    context.trace = trace;
    const int status = DecomposeInGroups(network, context, true);
    return Concluded(status, context);
}

static int DecomposeInGroups(VRX_network& network, DecompositionContext& context, bool wholeFirst) {
    using namespace DecompositionSettings;
    const int groupSize = ReadPositiveProperty(network, kGroupSizeProperty, kDefaultGroupSize);
    const uint32_t firstLimit = static_cast<uint32_t>(ReadPositiveProperty(network, kFirstLimitProperty, 0));
    const uint32_t halvedLimit =
        firstLimit != 0 ? firstLimit
                        : static_cast<uint32_t>(ReadPositiveProperty(network, kHalvedLimitProperty,
                                                                     static_cast<int>(kDefaultHalvedLimit)));
    try {
        TargetScope targets(network, context);
        context.seeds.halvedLimit = halvedLimit;
        const std::vector<int> list =
            vovido::RequestedFromTheEnd(network, context.requested, context.seeds.identifierRank);
        const int count = static_cast<int>(list.size());
        // Groups are for a join tree of every target too large for its limit: where one fits, a long network
        // whose groups would each read much of it is read once instead of once a group, and so is one whose
        // every group would build much of the same tree (see WholeRunFirst).
        bool probed = false;
        if (wholeFirst && count > groupSize) {
            const int status = WholeRunFirst(network, context, list, groupSize, firstLimit, probed);
            if (status != kOutOfMemory || Hopeless(context) || context.refusalLogged) return status;
        }
        if (count > groupSize && !probed && !SingleTargetFits(network, list[0], context)) return kOutOfMemory;
        for (int start = 0; start < count; start += groupSize) {
            const int size = count - start < groupSize ? count - start : groupSize;
            if (const int rc =
                    SolveTargetGroup(network, context, list.data() + start, size, firstLimit, halvedLimit))
                return rc;
        }
    } catch (const std::bad_alloc&) {
        return ShortOfMemory(&context.shortfall, network.GetNumberOfNodes(), 0);
    }
    return kSuccess;
}

int RunRelevanceDecomposition2(VRX_network& network, std::vector<DecompositionAttempt>* trace) {
    using namespace DecompositionSettings;
    if (const int rc = CheckEvidencePossible(network)) return rc;
    if (const int rc = vovido::CheckUpdateMemory(network)) return rc;
    const uint32_t limit = static_cast<uint32_t>(
        ReadPositiveProperty(network, kHalvedLimitProperty, static_cast<int>(kDefaultHalvedLimit)));
    DecompositionContext context;
    context.trace = trace;
    try {
        TargetScope targets(network, context);
        context.seeds.halvedLimit = limit;
        const std::vector<int> list =
            vovido::RequestedFromTheEnd(network, context.requested, context.seeds.identifierRank);
        const int groupSize = ReadPositiveProperty(network, kGroupSizeProperty, kDefaultGroupSize);
        const int count = static_cast<int>(list.size());
        TreeSizes alone;  // the largest tree of the target last in order, alone
        if (count > groupSize && !SingleTargetFits(network, list[0], context, &alone)) return kOutOfMemory;
        // Under the default limit, targets whose trees pass it together but fit algorithm 0's are answered
        // by one run, as algorithm 0 would, where halving would do much of that run's work again and again:
        // where the tree is not much larger than the one halving would build for the last target alone
        // (halving would end in a run a target, each building much of the same tree again: a band of 200
        // nodes of 18 parents, 200 trees of 10^8 entries), and, as algorithm 11 does, where groups would each
        // read much of a long network (a chain observed at its end: every run of two targets or more reads
        // it all and passes the limit, down to a run a target).
        if (count > groupSize && network.userProperties.FindProperty(kHalvedLimitProperty) < 0 &&
            SetUnansweredTargets(network, context, list.data(), count) > 0) {
            int status = kOutOfMemory;
            if (vovido::EstimateGroupReads(network, list, groupSize, context.seeds.evidence) >
                kDecompositionWholeFirstReads) {
                status = TracedClustering(network, context, list.data(), count, 0);
            } else {
                // Measured on the trees of the order each part is found in.
                const uint64_t largest = LargestPartTree(network, context, false).found;
                if (largest > limit && largest <= JoinTree::kDefaultLimit && largest / 4 <= alone.found)
                    status = TracedClustering(network, context, list.data(), count, 0);
            }
            ClearRunTargets(network, context);
            if (status != kOutOfMemory || Hopeless(context)) return Concluded(status, context);
        }
        const int status = SolveTargetsByHalving(network, context, list.data(), count, limit);
        return Concluded(status, context);
    } catch (const std::bad_alloc&) {
        MemoryShortfall shortfall;
        return Refused(ShortOfMemory(&shortfall, network.GetNumberOfNodes(), 0), shortfall);
    }
}

int SolveTargetGroup(VRX_network& network, DecompositionContext& context, const int* group, int count,
                     uint32_t firstLimit, uint32_t halvedLimit) {
    // Nodes answered as by-products of earlier groups are not computed again.
    if (SetUnansweredTargets(network, context, group, count) == 0) return kSuccess;
    const int status = TracedClustering(network, context, group, count, count == 1 ? 0 : firstLimit);
    ClearRunTargets(network, context);
    if (status != kOutOfMemory || count == 1 || Hopeless(context)) return status;
    const int h = count / 2;
    if (const int rc = SolveTargetsByHalving(network, context, group + h, count - h, halvedLimit)) return rc;
    return SolveTargetsByHalving(network, context, group, h, halvedLimit);
}

int SolveTargetsByHalving(VRX_network& network, DecompositionContext& context, const int* targets, int count,
                          uint32_t limit) {
    struct Range {
        int start;
        int count;
    };
    std::vector<Range> stack;
    try {
        // Halving never holds more than one pending range per level.
        stack.reserve(64);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    stack.push_back({0, count});
    while (!stack.empty()) {
        const Range range = stack.back();
        stack.pop_back();
        if (range.count < 1) continue;
        const int* list = targets + range.start;
        if (SetUnansweredTargets(network, context, list, range.count) == 0) continue;
        const int status =
            TracedClustering(network, context, list, range.count, range.count == 1 ? 0 : limit);
        ClearRunTargets(network, context);
        if (status == kSuccess) continue;
        if (status != kOutOfMemory || range.count < 2 || Hopeless(context)) return status;
        // The second half is solved first: pushed last, it is popped first.
        const int h = range.count / 2;
        stack.push_back({range.start, h});
        stack.push_back({range.start + h, range.count - h});
    }
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Probability of evidence

double ComputeProbEvidence(VRX_network& network, int* status) {
    int ignored = kSuccess;
    int& failure = status != nullptr ? *status : ignored;
    failure = kSuccess;
    int partStatus = kSuccess;
    // Without the per-parent split of observed noisy-MAX nodes, whose factors are not normalised.
    std::unique_ptr<RelevantPartList> parts = FindRelevantParts(network, true, false, &partStatus, false);
    // Evidence found impossible while the parts were made has probability zero.
    if (parts == nullptr) {
        if (partStatus == kSuccess || partStatus == kConflictingEvidence) return 0.0;
        failure = partStatus;
        return -1.0;
    }

    std::vector<unsigned char> observed;
    try {
        observed.assign(static_cast<size_t>(network.GetNumberOfSlots()), 0);
    } catch (const std::bad_alloc&) {
        failure = kOutOfMemory;
        return -1.0;
    }
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const VRX_nodeValue* value = network.GetNode(h)->GetValue();
        if (value != nullptr && value->HasFlag(ValueFlags::kEvidence)) observed[h] = 1;
    }

    double probability = 1.0;
    for (std::unique_ptr<RelevanceGraph>& part : *parts) {
        for (int i = 0; i < part->GetNumberOfRecords(); i++) {
            const int handle = part->GetRecord(i)->GetHandle();
            if (handle >= 0) observed[handle] = 0;
        }
        if (part->GetNumberOfRecords() == 1) {
            if (const int rc = part->GetRecord(0)->WriteBeliefs()) {
                failure = rc;
                return -1.0;
            }
        } else {
            PartView view(*part);
            if (view.GetStatus() != kSuccess) {
                failure = view.GetStatus();
                return -1.0;
            }
            JoinTree tree(view);
            const double p = tree.ComputeProbEvidence();
            if (p < 0.0) {
                MemoryShortfall shortfall;
                if (tree.RanOutOfMemory())
                    ShortOfMemory(&shortfall, part->GetNumberOfRecords(),
                                  tree.BuildRanOutOfMemory() ? 0 : tree.EstimateTableEntries());
                failure = Refused(StatusOf(tree), shortfall);
                return -1.0;
            }
            probability *= p;
        }
        part.reset();
    }

    // Observed nodes that ended in no part: their parents are fixed, so their factor is one table entry.
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (!observed[h]) continue;
        const double factor = OutsideFactor(network, h);
        if (factor < 0.0) {
            failure = kOutOfRange;
            return -1.0;
        }
        probability *= factor;
    }
    return probability;
}
