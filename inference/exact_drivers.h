#pragma once
// Exact discrete inference drivers: clustering per relevant part, relevance decomposition of the targets
// into groups when one join tree is too large, and the probability of the evidence.

#include <cstdint>
#include <string>
#include <vector>

#include "inference/relevance_graph.h"

class VRX_network;

namespace vovido {

// Settings of relevance decomposition, read as user properties of the network.
namespace DecompositionSettings {
constexpr char kGroupSizeProperty[] = "VRX_REL_DECOMP_THRESHOLD";
constexpr char kHalvedLimitProperty[] = "VRX_REL_DECOMP_THRESHOLD2";
constexpr char kFirstLimitProperty[] = "VRX_REL_DECOMP_THRESHOLD3";
constexpr char kDisableFallbackProperty[] = "VRX_REL_DECOMP_DISABLE_FALLBACK";
constexpr int kDefaultGroupSize = 32;
constexpr uint32_t kDefaultHalvedLimit = 65536;
}  // namespace DecompositionSettings

// One clustering run made by relevance decomposition: the first node of its list, the length of the
// list, the size limit it was given and its status.
struct DecompositionAttempt {
    int first;
    int count;
    uint32_t limit;
    int status;
};

// A clustering run that memory, not a size limit, stopped: the nodes of the part it was solving (of the
// network, when its parts could not be found) and the table entries of its join tree (0 when memory ran
// out before the triangulation gave them). Smaller groups of targets are no cure for it.
// A run whose tree, within its limit, would not fit the memory of an update beside the network's tables
// keeps the refusal's text in planRefusal, which the driver logs where no smaller group is left to try.
struct MemoryShortfall {
    bool happened = false;
    int nodes = 0;
    uint64_t entries = 0;
    std::string planRefusal;
};

// Working state of one relevance-decomposition run.
// The join trees a clustering run built: their nodes and the entries of their tables.
struct TreesBuilt {
    int64_t nodes = 0;
    int64_t entries = 0;
};

struct DecompositionContext {
    // Indexed by network handle: 1 while the node's beliefs are still to be computed.
    std::vector<unsigned char> requested;
    // When given, every clustering run is appended to it.
    std::vector<DecompositionAttempt>* trace = nullptr;
    MemoryShortfall shortfall;
    // The nodes with evidence, gathered once, and the targets of the current run: no run scans the network.
    RelevanceSeeds seeds;
    // Clustering runs made, their work (the nodes their relevance steps read and the join trees they built,
    // as DecompositionWork counts them), and whether that work passed its limit before all were answered
    // (logged).
    int runs = 0;
    int64_t nodesWalked = 0;
    bool overBudget = false;
    // Whether the decomposition's refusal was logged where it was found (a target alone past the limit).
    bool refusalLogged = false;
    // Whether every unanswered target was found solvable alone, by triangulation, before a large tree.
    bool targetsConfirmed = false;
};

}  // namespace vovido

// Every driver answers a status rather than a bare success flag, so that a join tree too large for its
// limit (kOutOfMemory, the only failure that smaller target groups can cure) is told apart from impossible
// evidence (kConflictingEvidence, logged) and from a table that does not fit its node (kOutOfRange).

// Beliefs of the targets (every node while none is set) by one join tree per relevant part. requested is
// null or a byte array indexed by handle; entries of nodes whose beliefs are written are cleared. limit is
// the join tree's size limit (0: the default). Beliefs written for earlier parts stay after a failure.
// shortfall, when given, is filled when memory rather than the limit stopped the run (kOutOfMemory, not
// logged).
// recordsRead, when given, receives the nodes the relevance step read; seeds as for FindRelevantParts;
// treesBuilt, when given, is added the nodes and table entries of the join trees the run built.
[[nodiscard]] int RunClustering(VRX_network& network, unsigned char* requested, uint32_t limit,
                                vovido::MemoryShortfall* shortfall = nullptr, int* recordsRead = nullptr,
                                vovido::RelevanceSeeds* seeds = nullptr,
                                vovido::TreesBuilt* treesBuilt = nullptr);

// Table entries of the join trees that clustering builds for the network under its evidence and targets,
// from the triangulation alone: nothing proportional to a table is allocated. UINT64_MAX when a tree
// cannot be built (a cluster of more than 30 members); 0 when the parts cannot be found or memory runs out
// (the update reports why). With `treeNodes`, the nodes of those trees are added to it; with `passEntries`,
// the entries their runs walk (JoinTree::EstimatePassEntries, saturating).
uint64_t EstimateClusteringEntries(VRX_network& network, uint64_t* treeNodes = nullptr,
                                   uint64_t* passEntries = nullptr);

// Algorithm 0: clustering; when a join tree is too large, relevance decomposition, unless exactly one
// target is set or the network has the property VRX_REL_DECOMP_DISABLE_FALLBACK.
[[nodiscard]] int RunClusteringWithDecomposition(VRX_network& network,
                                                 std::vector<vovido::DecompositionAttempt>* trace = nullptr);
// Algorithm 11: the requested nodes in groups from the end of the topological order, a failing group
// halved. Targets are restored afterwards.
[[nodiscard]] int RunRelevanceDecomposition(VRX_network& network,
                                            std::vector<vovido::DecompositionAttempt>* trace = nullptr);
// Algorithm 12: all requested nodes as one list, halved until each piece fits.
// For 0, 11 and 12: kOutOfMemory when no join tree fits, logged once as "ERROR: Exact inference refused:
// ...". A run of more requested nodes than one group holds first checks, by triangulation alone, that the
// node last in topological order can be solved alone, and is refused at once when it cannot. A join tree
// within its limit that memory cannot hold ends the run at once, naming the tree, without smaller groups.
// So does a run whose clustering runs have done more than kMaxDecompositionNodeVisits units of work in all
// with nodes still unanswered (each run reads its targets' ancestors to find its parts, then joins them).
[[nodiscard]] int RunRelevanceDecomposition2(VRX_network& network,
                                             std::vector<vovido::DecompositionAttempt>* trace = nullptr);
// Algorithm 10: one clique tree per relevant part, without size limit or fallback. kConflictingEvidence
// (logged) for evidence of probability zero, kOutOfMemory (logged) when a clique table does not fit in
// memory; beliefs written for earlier parts stay after a failure.
[[nodiscard]] int RunClusteringPerPart(VRX_network& network);

// Solves one group: all its unanswered nodes as targets with firstLimit, then halves with halvedLimit.
[[nodiscard]] int SolveTargetGroup(VRX_network& network, vovido::DecompositionContext& context,
                                   const int* group, int count, uint32_t firstLimit, uint32_t halvedLimit);
// Solves the unanswered nodes of the list as targets; a list that does not fit is split in two, the second
// half first. Walks an explicit stack of ranges.
[[nodiscard]] int SolveTargetsByHalving(VRX_network& network, vovido::DecompositionContext& context,
                                        const int* targets, int count, uint32_t limit);

// The probability of the current evidence (value flag 1), given the current targets: 0.0 for a network
// without nodes, -1.0 when it cannot be computed (a join tree cannot be built within the default limit,
// or an observed node left out of every part has a parent without an outcome). Observed noisy-MAX nodes
// are never decomposed here. status, when given, receives 0 or why it failed: kOutOfMemory for a join tree
// that passes the limit (logged), else kOutOfRange or the status of the parts.
double ComputeProbEvidence(VRX_network& network, int* status = nullptr);
