// Which scenario nodes each value of a diagram depends on. In the working copy every node of the decision
// sequence is observed; clearing the evidence of one of them starts the walk that marks out of date the
// values that this evidence could change, and the values that lose their up-to-date flag depend on it.
#include <new>

#include "inference/id_policy_evaluation.h"
#include "inference/influence_diagram_support.h"
#include "inference/table_check.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace {

bool IsDecision(const VRX_network& network, int handle) {
    return network.GetNodeType(handle) == DefinitionType::kList;
}

}  // namespace

int PolicyEvaluator::SetScenarioEvidence(int handle, int outcome) {
    VRX_network& work = *work_;
    if (const int rc = vovido::SetWorkEvidence(work, handle, outcome)) return rc;
    const VRX_doubleArray& likelihoods = likelihoods_[static_cast<size_t>(handle)];
    if (outcome >= 0 || likelihoods.GetCount() == 0) return kSuccess;
    return work.GetNode(handle)->GetValue()->SetVirtualEvidence(likelihoods);
}

int PolicyEvaluator::SetSilently(int handle, int outcome) {
    VRX_network& work = *work_;
    const int mask = work.changeMask;
    work.changeMask = 0;
    const int rc = SetScenarioEvidence(handle, outcome);
    work.changeMask = mask;
    return rc;
}

int PolicyEvaluator::Touches(int x, const std::vector<int>& watched, std::vector<char>& reached) {
    VRX_network& work = *work_;
    for (int h : watched) work.GetNode(h)->GetValue()->SetValueFlag(ValueFlags::kUpToDate, true);
    if (const int rc = vovido::SetWorkEvidence(work, x, -1)) return rc;
    reached.assign(watched.size(), 0);
    for (size_t i = 0; i < watched.size(); i++)
        reached[i] = work.GetNode(watched[i])->GetValue()->IsUpToDate() ? 0 : 1;
    return SetSilently(x, 0);
}

int PolicyEvaluator::FindIndexingParents() {
    VRX_network& work = *work_;
    const size_t slots = static_cast<size_t>(network_->GetNumberOfSlots());
    try {
        indexing_.assign(slots, {});
        position_.assign(slots, -1);
        outcome_.assign(slots, -1);
        // Likelihoods on a node of the sequence weigh its outcomes wherever it is free: they come back
        // whenever its scenario evidence goes.
        likelihoods_.assign(slots, VRX_doubleArray());
        for (int h : sequence_) {
            VRX_nodeValue* value = work.GetNode(h)->GetValue();
            if (!value->HasFlag(ValueFlags::kVirtualEvidence)) continue;
            if (const int rc = value->GetVirtualEvidence(likelihoods_[static_cast<size_t>(h)])) return rc;
        }
        std::vector<char> relevant(sequence_.size(), 0);
        // Only the notice of cleared evidence acts. It is on here whatever the caller's setting: without
        // it nothing would be found to depend on anything, and one update would pass for the solution.
        work.propagationFlags = PropagationFlags::kNotices;
        work.changeMask = 0;
        for (int h : sequence_) {
            if (const int rc = vovido::SetWorkEvidence(work, h, 0)) return rc;
        }
        work.changeMask = ChangeKind::kEvidenceCleared;
        if (const int rc = FindTerminalIndexing(relevant)) return rc;
        if (const int rc = CloseOverObservations(relevant)) return rc;
        for (size_t i = 0; i < sequence_.size(); i++) {
            const int h = sequence_[i];
            // A decision's policy is folded back over every scenario node before it; one that no utility
            // depends on gets the same worth for every choice, indexed alike.
            if (IsDecision(*network_, h)) indexing_[static_cast<size_t>(h)] = scenario_;
            if (!relevant[i]) continue;
            position_[static_cast<size_t>(h)] = static_cast<int>(scenario_.size());
            scenario_.push_back(h);
            sizes_.push_back(OutcomesOf(h));
        }
        if (const int rc = FindOtherIndexing()) return rc;
        FindMauIndexing();
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    work.propagationFlags = 0;
    work.changeMask = 0;
    return kSuccess;
}

// The terminal utilities, with every node of the sequence observed: the scenario nodes that a leaf's
// expected utility depends on.
int PolicyEvaluator::FindTerminalIndexing(std::vector<char>& relevant) {
    std::vector<char> reached;
    for (size_t i = 0; i < sequence_.size(); i++) {
        const int x = sequence_[i];
        if (const int rc = Touches(x, terminals_, reached)) return rc;
        for (size_t t = 0; t < terminals_.size(); t++) {
            if (!reached[t]) continue;
            indexing_[static_cast<size_t>(terminals_[t])].push_back(x);
            relevant[i] = 1;
        }
    }
    return kSuccess;
}

// An observation that matters is averaged over by its distribution given what was known before it, so
// whatever that distribution depends on matters as well, even when the utilities, given the observation,
// no longer do (a decision that only steers what a later decision sees). From the last node of the
// sequence to the first, each is tested with the nodes before it observed and those after it free, as the
// scenarios will be updated. Each test walks the network once for every node before it: the scenarios of
// the nodes found so far are counted first and whenever their outcomes grow, so that a sequence that
// cannot be evaluated is refused before those walks.
int PolicyEvaluator::CloseOverObservations(std::vector<char>& relevant) {
    if (const int rc = CheckFoundScenarios(relevant)) return rc;
    std::vector<char> reached;
    for (int i = static_cast<int>(sequence_.size()) - 1; i >= 0; i--) {
        const int s = sequence_[static_cast<size_t>(i)];
        if (const int rc = SetSilently(s, -1)) return rc;
        if (!relevant[static_cast<size_t>(i)] || IsDecision(*network_, s)) continue;
        const std::vector<int> watched{s};
        bool grown = false;
        for (int j = 0; j < i; j++) {
            const int x = sequence_[static_cast<size_t>(j)];
            if (const int rc = Touches(x, watched, reached)) return rc;
            if (!reached[0]) continue;
            indexing_[static_cast<size_t>(s)].push_back(x);
            grown = grown || (!relevant[static_cast<size_t>(j)] && OutcomesOf(x) > 1);
            relevant[static_cast<size_t>(j)] = 1;
        }
        if (!grown) continue;
        if (const int rc = CheckFoundScenarios(relevant)) return rc;
    }
    return kSuccess;
}

int PolicyEvaluator::OutcomesOf(int handle) const {
    return network_->GetNode(handle)->GetDefinition()->GetNumberOfOutcomes();
}

// The scenarios of the nodes of the sequence found relevant so far: as many as those of the whole run or
// fewer, so that a refusal here is one that the run would meet.
int PolicyEvaluator::CheckFoundScenarios(const std::vector<char>& relevant) const {
    std::vector<int> nodes;
    std::vector<int> sizes;
    for (size_t i = 0; i < sequence_.size(); i++) {
        if (!relevant[i]) continue;
        nodes.push_back(sequence_[i]);
        sizes.push_back(OutcomesOf(sequence_[i]));
    }
    return vovido::CheckScenarioCount(*network_, nodes, sizes, WorkBeforeTheTree());
}

// Every other value read from the leaf scenarios, with the scenario nodes observed and every other node
// of the sequence free, as the leaves will be updated.
int PolicyEvaluator::FindOtherIndexing() {
    VRX_network& net = *network_;
    std::vector<char> terminal(static_cast<size_t>(net.GetNumberOfSlots()), 0);
    for (int t : terminals_) terminal[static_cast<size_t>(t)] = 1;
    std::vector<int> others;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        const VRX_nodeValue* value = net.GetNode(h)->GetValue();
        if (value == nullptr || value->HasEvidence() || IsScenarioNode(h)) continue;
        const int type = net.GetNodeType(h);
        const bool chance = (type & DefinitionBits::kDiscrete) != 0 && type != DefinitionType::kList;
        if (!chance && type != DefinitionType::kTable) continue;
        recorded_.push_back(h);
        if (!terminal[static_cast<size_t>(h)]) others.push_back(h);
    }
    for (int x : scenario_) {
        if (const int rc = SetSilently(x, 0)) return rc;
    }
    std::vector<char> reached;
    for (int x : scenario_) {
        if (const int rc = Touches(x, others, reached)) return rc;
        for (size_t k = 0; k < others.size(); k++) {
            if (reached[k]) indexing_[static_cast<size_t>(others[k])].push_back(x);
        }
    }
    for (int x : scenario_) {
        if (const int rc = SetSilently(x, -1)) return rc;
    }
    return kSuccess;
}

// A multi-attribute utility is computed from its parents' expected utilities, cell by cell: it is indexed
// by what they are, and by its decision parents that are scenario nodes.
void PolicyEvaluator::FindMauIndexing() {
    VRX_network& net = *network_;
    for (int m : utilityNodes_) {
        const VRX_nodeValue* value = net.GetNode(m)->GetValue();
        if (net.GetNodeType(m) != DefinitionType::kMau || value == nullptr || value->HasEvidence()) continue;
        std::vector<char> marked(scenario_.size(), 0);
        const VRX_intArray& parents = net.GetParents(m);
        for (int k = 0; k < parents.GetCount(); k++) {
            const int p = parents[k];
            if (IsScenarioNode(p)) marked[static_cast<size_t>(position_[static_cast<size_t>(p)])] = 1;
            if ((net.GetNodeType(p) & DefinitionBits::kUtility) == 0) continue;
            for (int x : indexing_[static_cast<size_t>(p)])
                marked[static_cast<size_t>(position_[static_cast<size_t>(x)])] = 1;
        }
        std::vector<int>& indexing = indexing_[static_cast<size_t>(m)];
        indexing.clear();
        for (size_t i = 0; i < scenario_.size(); i++) {
            if (marked[i]) indexing.push_back(scenario_[i]);
        }
    }
}
