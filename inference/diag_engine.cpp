// Diagnostic test ranking: preparation of the working networks, test costs with test groups, and the
// single-fault ranking by the expected reduction of the fault's binary entropy.
#include "inference/diag_engine.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/dmatrix.h"
#include "base/number_text.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/node_cost.h"
#include "inference/diag_measures.h"
#include "inference/diag_session.h"
#include "inference/table_check.h"
#include "model/extra_definition.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_value.h"

namespace vovido {

double DiagBelief(const VRX_network& network, int node, int outcome) {
    const VRX_node* n = network.GetNode(node);
    VRX_nodeValue* value = n != nullptr ? n->GetValue() : nullptr;
    VRX_Dmatrix* matrix = nullptr;
    if (value == nullptr || value->GetValue(matrix) != kSuccess || matrix == nullptr) return 0.0;
    return outcome >= 0 && outcome < matrix->GetNumberOfElements() ? (*matrix)[outcome] : 0.0;
}

int UpdateWorkingNetwork(VRX_network& network) {
    network.InvalidateValues();
    return network.UpdateBeliefs();
}

namespace {

int OutcomeCount(const VRX_network& network, int node) {
    const VRX_node* n = network.GetNode(node);
    VRX_nodeDefinition* definition = n != nullptr ? n->GetDefinition() : nullptr;
    return definition != nullptr ? definition->GetNumberOfOutcomes() : 0;
}

// The observed (or propagated) outcome of a live node; -1 without evidence.
int EvidenceOutcome(const VRX_network& network, int node) {
    const VRX_node* n = network.GetNode(node);
    VRX_nodeValue* value = n != nullptr ? n->GetValue() : nullptr;
    if (value == nullptr || !value->HasEvidence()) return -1;
    const int outcome = value->GetEvidence();
    return outcome >= 0 ? outcome : -1;
}

// The cost table of the node: its cost parents' dimensions and one of size 1; null when it has none.
const VRX_Dmatrix* CostTable(const VRX_network& network, int node) {
    const VRX_node* n = network.GetNode(node);
    return n != nullptr && n->GetCost() != nullptr ? n->GetCost()->GetCosts() : nullptr;
}

}  // namespace

}  // namespace vovido

using vovido::DiagBelief;
using vovido::UpdateWorkingNetwork;

DiagEngine::DiagEngine(DiagSession* session) : owner(session) {}

int DiagEngine::SetNetwork(VRX_network& network) {
    // The copies take the tables as an update reads them, columns off 1 scaled and named here once.
    const vovido::ScaledTables scaled(network);
    if (const int refused = scaled.GetStatus()) return refused;
    for (VRX_network* copy : {&beliefNetwork, &whatIfNetwork}) {
        // Evidence set on the copies stays where it is put: no propagation through deterministic nodes.
        copy->propagationFlags &= ~PropagationFlags::kNotices;
        if (const int rc = copy->CopyModelOnly(network)) return rc;
        copy->propagationFlags &= ~PropagationFlags::kNotices;
    }
    return kSuccess;
}

int DiagEngine::CopyEvidence(VRX_network& target) const {
    const VRX_network& source = *owner->GetNetwork();
    target.ClearAllEvidence();
    target.ClearAllPropagatedEvidence();
    for (int h = source.GetFirstNode(); h >= 0; h = source.GetNextNode(h)) {
        const int outcome = vovido::EvidenceOutcome(source, h);
        if (outcome < 0) continue;
        if (const int rc = target.GetNode(h)->GetValue()->SetEvidence(outcome)) return rc;
    }
    target.InvalidateValues();
    return kSuccess;
}

int DiagEngine::GetTestCost(const VRX_network& network, int t, double& cost) {
    cost = 0.0;
    const VRX_Dmatrix* table = vovido::CostTable(network, t);
    if (table == nullptr || table->GetNumberOfElements() == 0) return kFailure;
    const VRX_intArray& parents = network.GetParents(t, 1);
    const int dims = table->GetNumberOfDimensions();
    if (dims != parents.GetCount() + 1) return kFailure;
    // Offset of the fixed coordinates; the open dimensions are walked by an odometer.
    int base = 0;
    std::vector<int> openSize;
    std::vector<int> openStride;
    for (int i = 0; i < parents.GetCount(); ++i) {
        const int size = table->GetDimensions()[i];
        const int outcome = vovido::EvidenceOutcome(network, parents[i]);
        if (outcome >= 0 && outcome < size) {
            base += outcome * table->GetStrides()[i];
        } else {
            openSize.push_back(size);
            openStride.push_back(table->GetStrides()[i]);
        }
    }
    std::vector<int> at(openSize.size(), 0);
    double sum = 0.0;
    int available = 0;
    for (;;) {
        int offset = base;
        for (size_t i = 0; i < at.size(); ++i) offset += at[i] * openStride[i];
        const double item = (*table)[offset];
        if (item != kNotAvailableValue) {
            sum += item;
            ++available;
        }
        size_t d = at.size();
        while (d > 0 && ++at[d - 1] == openSize[d - 1]) at[--d] = 0;
        if (d == 0) break;
    }
    if (available == 0) return kFailure;
    cost = sum / available;
    return kSuccess;
}

int DiagEngine::PrepareTests(VRX_intArray& tests) {
    if (!owner->MandatoriesInstantiated()) return kOutOfRange;
    if (const int rc = owner->CollectFaultsAndObservations()) return rc;
    owner->ClearResults();
    // Fresh copies, so that tables edited since the last ranking count.
    if (const int rc = SetNetwork(*owner->GetNetwork())) return rc;
    if (const int rc = CopyEvidence(beliefNetwork)) return rc;
    if (const int rc = CopyEvidence(whatIfNetwork)) return rc;
    if (const int rc = tests.Copy(owner->GetUnperformedTests())) return rc;
    for (int i = 0; i < tests.GetCount(); ++i) {
        const int t = tests[i];
        const VRX_Dmatrix* table = vovido::CostTable(whatIfNetwork, t);
        const VRX_intArray& parents = whatIfNetwork.GetParents(t, 1);
        if (table == nullptr || table->GetNumberOfDimensions() != parents.GetCount() + 1) {
            tests[i] = kFailure;
            continue;
        }
        VRX_intArray coords;
        if (const int rc = coords.SetSize(parents.GetCount() + 1)) return rc;
        for (int p = 0; p < parents.GetCount(); ++p)
            coords[p] = vovido::EvidenceOutcome(whatIfNetwork, parents[p]);
        coords[parents.GetCount()] = 0;
        if (table->SubTableEquals(kNotAvailableValue, coords) == 1) tests[i] = kFailure;
    }
    beliefNetwork.ClearAllTargets();
    whatIfNetwork.ClearAllTargets();
    return kSuccess;
}

int DiagEngine::ExcludeUnreachableTests(const std::vector<int>& faultNodes, VRX_intArray& tests) {
    VRX_network& network = *owner->GetNetwork();
    std::vector<unsigned char> reached(static_cast<size_t>(network.GetNumberOfSlots()), 0);
    for (int f : faultNodes) {
        VRX_intArray descendants;
        if (const int rc = network.GetDescendants(f, descendants)) return rc;
        for (int i = 0; i < descendants.GetCount(); ++i) reached[descendants[i]] = 1;
    }
    for (int i = 0; i < tests.GetCount(); ++i) {
        if (tests[i] >= 0 && !reached[tests[i]]) tests[i] = kOutOfRange;
    }
    return kSuccess;
}

int DiagEngine::ApplyGroupCosts() {
    VRX_network& network = *owner->GetNetwork();
    VRX_intArray groups;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (network.IsGroupCostNode(h) && network.GetNumberOfChildren(h, 1) > 0) {
            if (const int rc = groups.Add(h)) return rc;
        }
    }
    if (groups.GetCount() == 0) return kSuccess;
    if (const int rc = network.SortByCostArcOrder(groups)) return rc;
    // The what-if network is a fresh copy, so its cost tables hold the diagnosed network's items.
    for (int i = 0; i < groups.GetCount(); ++i) {
        const int g = groups[i];
        // A group of one outcome cannot be set up; it adds nothing then.
        if (whatIfNetwork.GetNode(g)->GetValue()->SetEvidence(1) != kSuccess) continue;
        VRX_intArray members;
        if (const int rc = network.GetCostDescendants(g, members)) return rc;
        bool started = false;
        for (int m = 0; m < members.GetCount() && !started; ++m) {
            const VRX_extraDefinition* extra = network.GetNode(members[m])->GetExtraDefinition();
            started = extra != nullptr && extra->diagType == DiagnosisType::kObservation &&
                      vovido::EvidenceOutcome(whatIfNetwork, members[m]) >= 0;
        }
        double setup = 0.0;
        if (started || GetTestCost(whatIfNetwork, g, setup) != kSuccess) continue;
        const VRX_intArray& children = whatIfNetwork.GetChildren(g, 1);
        for (int c = 0; c < children.GetCount(); ++c) {
            VRX_Dmatrix* table = whatIfNetwork.GetNode(children[c])->GetCost()->GetCosts();
            for (int k = 0; k < table->GetNumberOfElements(); ++k) {
                if ((*table)[k] != kNotAvailableValue) (*table)[k] += setup;
            }
        }
    }
    return kSuccess;
}

int DiagEngine::UpdateTestBeliefs(const VRX_intArray& tests) {
    testBeliefs_.clear();
    testOffset_.assign(static_cast<size_t>(beliefNetwork.GetNumberOfSlots()), 0);
    std::vector<int> faults;
    bool any = false;
    for (int h = beliefNetwork.GetFirstNode(); h >= 0; h = beliefNetwork.GetNextNode(h)) {
        if (beliefNetwork.IsTarget(h) != 1) continue;
        if (tests.IsInList(h)) {
            any = true;
        } else {
            faults.push_back(h);
        }
    }
    if (!testsOneByOne_ || !any) {
        if (const int rc = UpdateWorkingNetwork(beliefNetwork)) return rc;
    }
    for (int i = 0; i < tests.GetCount(); ++i) {
        const int t = tests[i];
        if (t < 0) continue;
        if (testsOneByOne_) {
            // The faults stay targets, so that their beliefs are those of the last update.
            beliefNetwork.ClearAllTargets();
            for (int f : faults) (void)beliefNetwork.SetTarget(f);  // targets were cleared: cannot be refused
            (void)beliefNetwork.SetTarget(t);
            if (const int rc = UpdateWorkingNetwork(beliefNetwork)) return rc;
        }
        testOffset_[static_cast<size_t>(t)] = testBeliefs_.size();
        const int outcomes = vovido::OutcomeCount(beliefNetwork, t);
        for (int k = 0; k < outcomes; ++k) testBeliefs_.push_back(DiagBelief(beliefNetwork, t, k));
    }
    return kSuccess;
}

double DiagEngine::TestProbability(int t, int k) const {
    const size_t at = testOffset_[static_cast<size_t>(t)] + static_cast<size_t>(k);
    return at < testBeliefs_.size() ? testBeliefs_[at] : 0.0;
}

int DiagEngine::TestBeliefsGiven(int node, int outcome, int target, const VRX_intArray& tests,
                                 std::vector<double>& beliefs) {
    beliefs.clear();
    VRX_nodeValue* value = node >= 0 ? whatIfNetwork.GetNode(node)->GetValue() : nullptr;
    if (value != nullptr) {
        if (const int rc = value->SetEvidence(outcome)) return rc;
    }
    whatIfNetwork.ClearAllTargets();
    if (target >= 0) (void)whatIfNetwork.SetTarget(target);  // targets were cleared: cannot be refused
    for (int i = 0; i < tests.GetCount(); ++i) {
        if (tests[i] >= 0) (void)whatIfNetwork.SetTarget(tests[i]);
    }
    const int rc = UpdateWorkingNetwork(whatIfNetwork);
    for (int i = 0; i < tests.GetCount() && rc == kSuccess; ++i) {
        const int t = tests[i];
        if (t < 0) continue;
        const int outcomes = vovido::OutcomeCount(whatIfNetwork, t);
        for (int k = 0; k < outcomes; ++k) beliefs.push_back(DiagBelief(whatIfNetwork, t, k));
    }
    if (value != nullptr) (void)value->ClearEvidence();  // set just above
    return rc;
}

double vovido::FaultGivenTest(double fault, double testGivenFault, double test) {
    if (!(fault > 0.0) || fault >= 1.0) return fault;
    if (!(test > 0.0)) return 0.0;
    return std::min(1.0, std::max(0.0, testGivenFault * fault / test));
}

// A group node set up in the what-if network with ordinary arcs changes its beliefs, not only its costs.
bool DiagEngine::GroupSetUpsMoveBeliefs() const {
    const VRX_network& network = *owner->GetNetwork();
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (network.IsGroupCostNode(h) && network.GetNumberOfChildren(h, 1) > 0 &&
            (network.GetNumberOfChildren(h) > 0 || network.GetNumberOfParents(h) > 0))
            return true;
    }
    return false;
}

int DiagEngine::RankSingleFault() {
    const int pursued = owner->GetPursuedFault();
    // An index the fault list no longer holds would leave the tests without results.
    if (pursued < 0 || pursued >= static_cast<int>(owner->GetFaults().size()))
        return vovido::RefuseLostFault(pursued);
    const vovido::DiagFault fault = owner->GetFaults()[static_cast<size_t>(pursued)];
    VRX_intArray tests;
    if (const int rc = PrepareTests(tests)) return rc;
    if (owner->GetDSeparation()) {
        if (const int rc = ExcludeUnreachableTests({fault.node}, tests)) return rc;
    }
    if (const int rc = ApplyGroupCosts()) return rc;
    (void)beliefNetwork.SetTarget(fault.node);  // targets were cleared: cannot be refused
    int64_t cases = 0;
    for (int i = 0; i < tests.GetCount(); ++i) {
        if (tests[i] < 0) continue;
        (void)beliefNetwork.SetTarget(tests[i]);
        cases += vovido::OutcomeCount(whatIfNetwork, tests[i]);
    }
    (void)whatIfNetwork.SetTarget(fault.node);
    // One update a test outcome with the fault a target, or, where that is less work, the beliefs of every
    // test with the fault observed (and before it, where group set-ups change beliefs), which give the
    // fault's after each outcome by Bayes' rule.
    const bool moved = GroupSetUpsMoveBeliefs();
    const UpdateWork each = WorkOfUpdate(whatIfNetwork);
    const UpdateWork first = BeliefWork(each);
    const int64_t byOutcome = each.Total(cases, first);
    const int64_t byBayes = first.Total(moved ? 2 : 1, first);
    // With the tests taken one by one, so would they be with the fault observed.
    const bool bayes = !testsOneByOne_ && byBayes < byOutcome;
    if ((bayes ? byBayes : byOutcome) > kMaxDiagnosisWorkCells) {
        const std::string what =
            "the pursued fault [" + vovido::NodeLabel(*owner->GetNetwork(), fault.node) + "]";
        return RefuseRanking(what, cases, each, first);
    }
    if (const int rc = UpdateTestBeliefs(tests)) return rc;

    const double h0 = vovido::BinaryEntropy(DiagBelief(beliefNetwork, fault.node, fault.outcome));
    std::vector<double> before;
    std::vector<double> given;
    double prior = DiagBelief(beliefNetwork, fault.node, fault.outcome);
    if (bayes && h0 > 0.0) {
        if (moved) {
            if (const int rc = TestBeliefsGiven(-1, -1, fault.node, tests, before)) return rc;
            prior = DiagBelief(whatIfNetwork, fault.node, fault.outcome);
        } else {
            for (int i = 0; i < tests.GetCount(); ++i) {
                for (int k = 0; tests[i] >= 0 && k < vovido::OutcomeCount(whatIfNetwork, tests[i]); ++k)
                    before.push_back(TestProbability(tests[i], k));
            }
        }
        if (prior > 0.0 && prior < 1.0) {
            if (const int rc = TestBeliefsGiven(fault.node, fault.outcome, -1, tests, given)) return rc;
        }
    }
    size_t at = 0;
    for (int i = 0; i < tests.GetCount(); ++i) {
        const int t = tests[i];
        if (t < 0) {
            owner->AddUnavailableResult(t);
            continue;
        }
        VRX_nodeValue& value = *whatIfNetwork.GetNode(t)->GetValue();
        double h = 0.0;
        const int outcomes = vovido::OutcomeCount(whatIfNetwork, t);
        for (int k = 0; k < outcomes; ++k, ++at) {
            const double p = TestProbability(t, k);
            // An outcome that cannot occur adds nothing, and its evidence could not be propagated.
            if (!(p > 0.0)) continue;
            double q = 0.0;
            if (bayes) {
                if (h0 > 0.0)
                    q = vovido::FaultGivenTest(prior, at < given.size() ? given[at] : 0.0, before[at]);
            } else {
                if (const int rc = value.SetEvidence(k)) return rc;
                const int rc = UpdateWorkingNetwork(whatIfNetwork);
                q = DiagBelief(whatIfNetwork, fault.node, fault.outcome);
                (void)value.ClearEvidence();  // set just above
                if (rc != kSuccess) return rc;
            }
            h += p * vovido::BinaryEntropy(q);
        }
        const double strength = h0 > 0.0 ? std::fabs(h0 - h) / h0 : 0.0;
        double cost = 0.0;
        (void)GetTestCost(whatIfNetwork, t, cost);  // an unavailable cost was excluded above; 0 otherwise
        owner->AddTestResult(t, strength, cost);
    }
    return kSuccess;
}
