// Counting the tables built from parameters before an update builds them: a noisy node of many parents
// holds a few numbers a parent, but its table, and the join tree cluster over its family, are the
// product of its parents' outcome counts.
#include "inference/expanded_tables.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "inference/sampling_work.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_parts.h"
#include "model/node_value.h"

namespace {

bool BuiltFromParameters(int type) {
    return type == DefinitionType::kNoisyMax || type == DefinitionType::kNoisyAdder ||
           type == DefinitionType::kDeMorgan || type == DefinitionType::kCast;
}

int64_t SaturatingTimes(int64_t a, int64_t b) {
    return b > 0 && a > INT64_MAX / b ? INT64_MAX : a * b;
}

// Observed by the user or by propagation, not virtual evidence, which keeps every outcome.
bool Observed(const VRX_network& network, int h) {
    const VRX_nodeValue* value = network.GetNode(h)->GetValue();
    return value != nullptr && value->HasEvidence() && !value->HasFlag(ValueFlags::kVirtualEvidence);
}

// Nodes an update reads: every node when none is a target, else the targets and the nodes with evidence
// of any kind, with their ancestors.
std::vector<char> ReadNodes(const VRX_network& network) {
    std::vector<char> read(static_cast<size_t>(network.GetNumberOfSlots()), 0);
    const bool all = network.GetNumberOfTargets() == 0;
    std::vector<int> stack;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const VRX_nodeValue* value = network.GetNode(h)->GetValue();
        const bool evidence =
            value != nullptr && (value->HasEvidence() || value->HasFlag(ValueFlags::kVirtualEvidence));
        if (all || evidence || network.IsTarget(h) == 1) {
            read[static_cast<size_t>(h)] = 1;
            stack.push_back(h);
        }
    }
    while (!stack.empty()) {
        const VRX_intArray& parents = network.GetParents(stack.back());
        stack.pop_back();
        for (int i = 0; i < parents.GetCount(); ++i) {
            if (read[static_cast<size_t>(parents[i])] != 0) continue;
            read[static_cast<size_t>(parents[i])] = 1;
            stack.push_back(parents[i]);
        }
    }
    return read;
}

}  // namespace

namespace vovido {

bool IsObservedOutright(const VRX_network& network, int h) {
    return Observed(network, h);
}

std::vector<char> NodesAnUpdateReads(const VRX_network& network) {
    return ReadNodes(network);
}

bool IsJoinTreeAlgorithm(int algorithm) {
    return algorithm == BayesianAlgorithm::kClusteringWithDecomposition ||
           algorithm == BayesianAlgorithm::kClusteringPerPart ||
           algorithm == BayesianAlgorithm::kRelevanceDecomposition ||
           algorithm == BayesianAlgorithm::kRelevanceDecomposition2;
}

int CheckTablesBuiltFromParameters(const VRX_network& network, bool updated, int copies) {
    const std::vector<char> read = ReadNodes(network);
    int64_t built = 0;
    int64_t readCount = 0;
    int largest = -1;
    int64_t largestCells = 0;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (read[static_cast<size_t>(h)] == 0) continue;
        ++readCount;
        if (!BuiltFromParameters(network.GetNodeType(h))) continue;
        const int64_t cells = DefinitionSupport::TableCellsWithParents(network, h, nullptr, 0);
        built = built > INT64_MAX - cells ? INT64_MAX : built + cells;
        if (cells > largestCells) {
            largest = h;
            largestCells = cells;
        }
    }
    if (largest < 0) return kSuccess;
    // The least join tree: a cluster over the largest node's family (observed members count once), and
    // at least one entry more for any other node the update reads.
    int64_t tree = 0;
    if (updated && IsJoinTreeAlgorithm(network.GetBayesianAlgorithm())) {
        const VRX_intArray& parents = network.GetParents(largest);
        tree = Observed(network, largest) ? 1 : DefinitionSupport::OutcomeCountOf(&network, largest);
        for (int i = 0; i < parents.GetCount(); ++i) {
            if (!Observed(network, parents[i]))
                tree = SaturatingTimes(tree, DefinitionSupport::OutcomeCountOf(&network, parents[i]));
        }
        if (readCount > parents.GetCount() + 1) ++tree;
    }
    // Every route reads a scaled copy of each table besides the table itself, and keeps some records a
    // node.
    const int64_t copied = SaturatingTimes(built, copies);
    const int64_t records = readCount * kCellsPerNodeUpdate;
    const int64_t both = copied > INT64_MAX - records ? INT64_MAX : copied + records;
    const int64_t work = both > INT64_MAX - tree ? INT64_MAX : both + tree;
    if (work <= kDefaultJoinTreeLimit) return kSuccess;
    const std::string text =
        "ERROR: Node [" + std::string(IdAt(network, largest)) + "] : its table of " +
        std::to_string(largestCells) +
        " cells, built from its parameters with those of the other such nodes (" + std::to_string(built) +
        " cells in all, " +
        (copies == 2 ? std::string("twice with the scaled copy the update reads")
                     : std::to_string(copies) + " times with the copies the search reads") +
        ", and " + std::to_string(kCellsPerNodeUpdate) + " a node of the " + std::to_string(readCount) +
        " it reads)" +
        (tree > 0 ? ", and a join tree of at least " + std::to_string(tree) + " entries over its family,"
                  : std::string()) +
        " would pass the limit of " + std::to_string(kDefaultJoinTreeLimit) + " table entries";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

namespace {

// What a sampler spends on the tables built from parameters, counted node by node before they are built.
struct SamplingCount {
    int64_t copied = 0;     // cells copied into working tables
    int64_t rows = 0;       // cells of the rows backward sampling reads every sample
    int64_t rowSteps = 0;   // the steps of reading them
    int64_t passSteps = 0;  // steps of one loopy pass
    int64_t passes = 0;
    int largest = -1;  // the largest table built from parameters
    int64_t largestCells = 0;

    void NoteBuilt(const VRX_network& network, int h, int64_t cells) {
        if (!BuiltFromParameters(network.GetNodeType(h)) || cells <= largestCells) return;
        largest = h;
        largestCells = cells;
    }
};

int64_t SaturatingPlus(int64_t a, int64_t b) {
    return a > INT64_MAX - b ? INT64_MAX : a + b;
}

// Each loopy pass walks the node's parent configurations; the network is at least as high as the node's
// parents above it and its children below.
void CountLoopyPasses(const VRX_network& network, int h, SamplingCount& count) {
    if (!BuiltFromParameters(network.GetNodeType(h))) return;
    const int64_t cells = DefinitionSupport::TableCellsWithParents(network, h, nullptr, 0);
    count.NoteBuilt(network, h, cells);
    const int outcomes = std::max(DefinitionSupport::OutcomeCountOf(&network, h), 1);
    const int parents = network.GetParents(h).GetCount();
    count.passSteps =
        SaturatingPlus(count.passSteps, SaturatingTimes(cells / outcomes, 2 * int64_t{parents} + outcomes));
    count.passes =
        std::max<int64_t>(count.passes, (parents > 0 ? 1 : 0) + (network.GetChildren(h).GetCount() > 0));
}

// The walk up from an observed node of one parent starts at that parent, whose free parents are drawn
// from its row.
void CountBackwardRows(const VRX_network& network, int h, std::vector<char>& walked, SamplingCount& count) {
    const VRX_intArray& parents = network.GetParents(h);
    if (!Observed(network, h) || parents.GetCount() != 1) return;
    const int x = parents[0];
    if (walked[static_cast<size_t>(x)] != 0 || network.GetParents(x).GetCount() == 0) return;
    walked[static_cast<size_t>(x)] = 1;
    const int64_t table = DefinitionSupport::TableCellsWithParents(network, x, nullptr, 0);
    count.NoteBuilt(network, x, table);
    const int outcomes = std::max(DefinitionSupport::OutcomeCountOf(&network, x), 1);
    count.rows = SaturatingPlus(count.rows, table / outcomes);
    count.rowSteps = SaturatingPlus(count.rowSteps, BackwardRowSteps(table, outcomes));
}

std::string BuiltNodeText(const VRX_network& network, const SamplingCount& count) {
    return "ERROR: Node [" + std::string(IdAt(network, count.largest)) + "] : its table of " +
           std::to_string(count.largestCells) + " cells, built from its parameters, ";
}

int CheckLoopyPasses(const VRX_network& network, SamplingCount& count) {
    const int algorithm = network.GetBayesianAlgorithm();
    count.passes = std::min<int64_t>(count.passes, std::max(network.GetEpisParams().proplen, 0));
    const int64_t steps = SaturatingTimes(SaturatingTimes(count.passSteps, count.passes),
                                          kMaxSamplingWorkSteps / kMaxLoopyWorkSteps);
    if (steps <= SamplingStepLimit(algorithm)) return kSuccess;
    const std::string text =
        BuiltNodeText(network, count) + "would make the " + std::to_string(count.passes) +
        " loopy passes of importance sampling walk its parent configurations in " + std::to_string(steps) +
        " steps, past the limit of " + std::to_string(SamplingStepLimit(algorithm)) + " steps";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

int CheckBackwardRows(const VRX_network& network, const SamplingCount& count) {
    const int64_t limit = SamplingStepLimit(network.GetBayesianAlgorithm());
    const int64_t steps = SaturatingTimes(count.rowSteps, std::max(network.numSamples, 0));
    if (steps <= limit) return kSuccess;
    const std::string text = BuiltNodeText(network, count) + "would make backward sampling read rows of " +
                             std::to_string(count.rows) + " cells twice for each of " +
                             std::to_string(network.numSamples) + " samples, " + std::to_string(steps) +
                             " steps with their waits for memory, past the limit of " +
                             std::to_string(limit) + " steps";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

int CheckCopiedTables(const VRX_network& network, const SamplingCount& count) {
    if (count.copied <= kMaxSampleCopyCells) return kSuccess;
    const std::string text =
        BuiltNodeText(network, count) + "and the network's other unobserved tables would be copied into " +
        "working tables, " + std::to_string(count.copied) + " cells in all, past the limit of " +
        std::to_string(kMaxSampleCopyCells) + " cells";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

}  // namespace

int CheckSamplingBeforeBuilding(const VRX_network& network) {
    const int algorithm = network.GetBayesianAlgorithm();
    const bool adaptive = algorithm == BayesianAlgorithm::kAdaptiveImportanceSampling;
    const bool backward = algorithm == BayesianAlgorithm::kBackwardSampling;
    const bool prepropagated = algorithm == BayesianAlgorithm::kPrepropagatedImportanceSampling;
    // Each unobserved table once more for each importance table, and adaptive sampling's learning table
    // for each unobserved ancestor of the evidence.
    const int64_t copies = algorithm == BayesianAlgorithm::kSelfImportanceSampling ? 2 : adaptive ? 1 : 0;
    if ((copies == 0 && !backward && !prepropagated) || network.GetNumberOfTargets() != 0) return kSuccess;
    std::vector<int> observed;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (Observed(network, h)) observed.push_back(h);
    }
    const std::vector<char> learned = adaptive ? NodesAndAncestors(network, observed) : std::vector<char>();
    std::vector<char> walked(backward ? static_cast<size_t>(network.GetNumberOfSlots()) : 0, 0);
    SamplingCount count;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (prepropagated) {
            CountLoopyPasses(network, h, count);
        } else if (backward) {
            CountBackwardRows(network, h, walked, count);
        } else if (!Observed(network, h)) {
            const int64_t cells = DefinitionSupport::TableCellsWithParents(network, h, nullptr, 0);
            count.NoteBuilt(network, h, cells);
            const bool learns = adaptive && learned[static_cast<size_t>(h)] != 0;
            count.copied = SaturatingPlus(count.copied, SaturatingTimes(cells, copies + (learns ? 1 : 0)));
        }
    }
    if (count.largest < 0) return kSuccess;
    if (prepropagated) return CheckLoopyPasses(network, count);
    return backward ? CheckBackwardRows(network, count) : CheckCopiedTables(network, count);
}

int CheckLoopyWork(const VRX_network& network) {
    const std::vector<char> read = ReadNodes(network);
    const int64_t passes = network.GetEpisParams().proplen;
    int64_t work = 0;
    int widest = -1;
    int64_t widestConfigurations = 0;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (read[static_cast<size_t>(h)] == 0) continue;
        const VRX_intArray& parents = network.GetParents(h);
        int64_t configurations = 1;
        for (int i = 0; i < parents.GetCount(); ++i)
            configurations =
                SaturatingTimes(configurations, DefinitionSupport::OutcomeCountOf(&network, parents[i]));
        const int64_t steps = SaturatingTimes(
            SaturatingTimes(configurations,
                            2 * int64_t{parents.GetCount()} + DefinitionSupport::OutcomeCountOf(&network, h)),
            passes);
        work = work > INT64_MAX - steps ? INT64_MAX : work + steps;
        if (configurations > widestConfigurations) {
            widest = h;
            widestConfigurations = configurations;
        }
    }
    if (work <= kMaxLoopyWorkSteps) return kSuccess;
    const std::string text =
        "ERROR: Node [" + std::string(IdAt(network, widest)) + "] : its " +
        std::to_string(widestConfigurations) + " parent configurations, with those of the " +
        "other nodes over " + std::to_string(passes) + " passes of loopy propagation, would take " +
        std::to_string(work) + " steps, past the limit of " + std::to_string(kMaxLoopyWorkSteps);
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

}  // namespace vovido
