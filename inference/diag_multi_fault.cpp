// Diagnostic test ranking for several pursued faults: the marginal measures (mode 1), the entropy of
// the fault configurations with independent marginals (mode 2) and with the joint table built by the
// chain rule (mode 4).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "definitions/node_cost.h"
#include "inference/diag_engine.h"
#include "inference/diag_measures.h"
#include "inference/diag_session.h"
#include "inference/exact_drivers.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

using vovido::DiagBelief;
using vovido::UpdateWorkingNetwork;

int DiagEngine::PrepareMultiFault(VRX_intArray& tests) {
    if (const int rc = PrepareTests(tests)) return rc;
    const std::vector<vovido::DiagFault>& faults = owner->GetFaults();
    const VRX_intArray& pursued = owner->GetPursuedFaults();
    std::vector<int> nodes;
    for (int i = 0; i < pursued.GetCount(); ++i) {
        // The fault list was just rebuilt from the nodes' roles, which may have changed since.
        if (pursued[i] < 0 || pursued[i] >= static_cast<int>(faults.size()))
            return vovido::RefuseLostFault(pursued[i]);
        nodes.push_back(faults[static_cast<size_t>(pursued[i])].node);
    }
    if (owner->GetDSeparation()) {
        if (const int rc = ExcludeUnreachableTests(nodes, tests)) return rc;
    }
    for (int node : nodes) {
        (void)beliefNetwork.SetTarget(node);  // a node of several faults is a target already
        (void)whatIfNetwork.SetTarget(node);
    }
    for (int i = 0; i < tests.GetCount(); ++i) {
        if (tests[i] >= 0) (void)beliefNetwork.SetTarget(tests[i]);
    }
    return kSuccess;
}

bool DiagEngine::RankedUnavailableOnly(const VRX_intArray& tests) {
    for (int i = 0; i < tests.GetCount(); ++i) {
        if (tests[i] >= 0) return false;
    }
    for (int i = 0; i < tests.GetCount(); ++i) owner->AddUnavailableResult(tests[i]);
    return true;
}

template <typename Measure>
int DiagEngine::RankWithMeasure(const VRX_intArray& tests, double m0, Measure&& measure) {
    for (int i = 0; i < tests.GetCount(); ++i) {
        const int t = tests[i];
        if (t < 0) {
            owner->AddUnavailableResult(t);
            continue;
        }
        const int outcomes = whatIfNetwork.GetNode(t)->GetDefinition()->GetNumberOfOutcomes();
        double expected = 0.0;
        for (int k = 0; k < outcomes; ++k) {
            const double p = TestProbability(t, k);
            if (!(p > 0.0)) continue;
            double m = 0.0;
            if (const int rc = measure(t, k, m)) return rc;
            expected += p * m;
        }
        const double strength = m0 != 0.0 ? (m0 - expected) / m0 : 0.0;
        const VRX_Dmatrix* costs = beliefNetwork.GetNode(t)->GetCost()->GetCosts();
        owner->AddTestResult(t, strength, costs->GetNumberOfElements() > 0 ? (*costs)[0] : 0.0);
    }
    return kSuccess;
}

std::vector<DiagEngine::FaultNode> DiagEngine::PursuedFaultNodes() const {
    std::vector<FaultNode> nodes;
    const VRX_intArray& pursued = owner->GetPursuedFaults();
    for (int i = 0; i < pursued.GetCount(); ++i) {
        const vovido::DiagFault& fault = owner->GetFaults()[static_cast<size_t>(pursued[i])];
        auto it = std::find_if(nodes.begin(), nodes.end(),
                               [&](const FaultNode& n) { return n.node == fault.node; });
        if (it == nodes.end()) {
            const int outcomes = whatIfNetwork.GetNode(fault.node)->GetDefinition()->GetNumberOfOutcomes();
            nodes.push_back(
                FaultNode{fault.node, outcomes, std::vector<char>(static_cast<size_t>(outcomes), 0)});
            it = nodes.end() - 1;
        }
        if (fault.outcome < it->outcomes) it->pursued[static_cast<size_t>(fault.outcome)] = 1;
    }
    return nodes;
}

namespace {

int64_t SaturatedProduct(int64_t a, int64_t b) {
    return b != 0 && a > INT64_MAX / b ? INT64_MAX : a * b;
}

int64_t SaturatedSum(int64_t a, int64_t b) {
    return a > INT64_MAX - b ? INT64_MAX : a + b;
}

// Walks the configurations (last node fastest) and gives each one's outcomes to visit.
template <typename Visit>
void ForEachConfiguration(const std::vector<int>& sizes, Visit&& visit) {
    std::vector<int> at(sizes.size(), 0);
    for (;;) {
        visit(at);
        size_t d = at.size();
        while (d > 0 && ++at[d - 1] == sizes[d - 1]) at[--d] = 0;
        if (d == 0) return;
    }
}

}  // namespace

double DiagEngine::IndependentMeasure(const VRX_network& net, const std::vector<FaultNode>& nodes,
                                      int flags) const {
    std::vector<int> sizes;
    std::vector<std::vector<double>> marginals;
    for (const FaultNode& n : nodes) {
        sizes.push_back(n.outcomes);
        marginals.emplace_back();
        for (int k = 0; k < n.outcomes; ++k) marginals.back().push_back(DiagBelief(net, n.node, k));
    }
    std::vector<double> matching;
    ForEachConfiguration(sizes, [&](const std::vector<int>& at) {
        int count = 0;
        double p = 1.0;
        for (size_t i = 0; i < at.size(); ++i) {
            count += nodes[i].pursued[static_cast<size_t>(at[i])];
            p *= marginals[i][static_cast<size_t>(at[i])];
        }
        if (vovido::ConfigurationMatches(count, static_cast<int>(nodes.size()), flags)) matching.push_back(p);
    });
    return vovido::DistributionEntropy(matching);
}

double DiagEngine::JointMeasure(const VRX_Dmatrix& table, const std::vector<FaultNode>& nodes, int flags) {
    std::vector<int> sizes;
    for (const FaultNode& n : nodes) sizes.push_back(n.outcomes);
    std::vector<double> matching;
    int index = 0;
    ForEachConfiguration(sizes, [&](const std::vector<int>& at) {
        int count = 0;
        for (size_t i = 0; i < at.size(); ++i) count += nodes[i].pursued[static_cast<size_t>(at[i])];
        if (vovido::ConfigurationMatches(count, static_cast<int>(nodes.size()), flags))
            matching.push_back(table[index]);
        ++index;
    });
    return vovido::DistributionEntropy(matching);
}

DiagEngine::UpdateWork DiagEngine::WorkOfUpdate(VRX_network& network) {
    UpdateWork work;
    work.nodes = network.GetNumberOfNodes();
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h))
        work.cells = SaturatedSum(work.cells,
                                  vovido::DefinitionSupport::TableCellsWithParents(network, h, nullptr, 0));
    // The clustering algorithms build a join tree for the targets and evidence: sized from its
    // triangulation alone.
    const int algorithm = network.bnAlgorithm;
    if (algorithm == BayesianAlgorithm::kClusteringWithDecomposition ||
        algorithm == BayesianAlgorithm::kClusteringPerPart ||
        algorithm == BayesianAlgorithm::kRelevanceDecomposition ||
        algorithm == BayesianAlgorithm::kRelevanceDecomposition2) {
        const uint64_t entries = EstimateClusteringEntries(network);
        work.tree = entries > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(entries);
    }
    work.each =
        SaturatedSum(std::max(work.cells, work.tree), SaturatedProduct(work.nodes, kCellsPerNodeUpdate));
    return work;
}

DiagEngine::UpdateWork DiagEngine::WorkWithFaultsObserved(const std::vector<FaultNode>& nodes,
                                                          const VRX_intArray& tests) {
    std::vector<int> targets;
    for (int h = whatIfNetwork.GetFirstNode(); h >= 0; h = whatIfNetwork.GetNextNode(h)) {
        if (whatIfNetwork.IsTarget(h) == 1) targets.push_back(h);
    }
    whatIfNetwork.ClearAllTargets();
    for (int i = 0; i < tests.GetCount(); ++i) {
        if (tests[i] >= 0)
            (void)whatIfNetwork.SetTarget(tests[i]);  // targets were cleared: cannot be refused
    }
    std::vector<int> observed;
    for (const FaultNode& f : nodes) {
        VRX_nodeValue* value = whatIfNetwork.GetNode(f.node)->GetValue();
        if (!value->HasEvidence() && value->SetEvidence(0) == kSuccess) observed.push_back(f.node);
    }
    const UpdateWork work = WorkOfUpdate(whatIfNetwork);
    for (int h : observed) (void)whatIfNetwork.GetNode(h)->GetValue()->ClearEvidence();  // set above
    whatIfNetwork.ClearAllTargets();
    for (int h : targets) (void)whatIfNetwork.SetTarget(h);  // as they were
    return work;
}

DiagEngine::UpdateWork DiagEngine::BeliefWork(const UpdateWork& each) {
    UpdateWork work = WorkOfUpdate(beliefNetwork);
    // Past the limit of one tree the update would take its targets in smaller and smaller groups, each
    // tree as large as the limit allows: the tests are then updated one by one, like the test outcomes.
    testsOneByOne_ = work.tree > static_cast<int64_t>(kDefaultJoinTreeLimit);
    if (!testsOneByOne_) return work;
    int64_t tests = 0;
    for (int h = beliefNetwork.GetFirstNode(); h >= 0; h = beliefNetwork.GetNextNode(h))
        tests += beliefNetwork.IsTarget(h) == 1 ? 1 : 0;
    work.tree = SaturatedProduct(tests, each.tree);
    work.each = SaturatedProduct(tests, each.each);
    return work;
}

int64_t DiagEngine::UpdateWork::Total(int64_t updates, const UpdateWork& first) const {
    return SaturatedSum(first.each, SaturatedProduct(updates, each));
}

std::string DiagEngine::UpdateWork::Describe(int64_t updates, const UpdateWork& first,
                                             const std::string& instead) const {
    const bool trees = tree > cells || first.tree > first.cells;
    return std::to_string(updates) + " belief updates of " + std::to_string(nodes) +
           " nodes with tables of " + std::to_string(cells) + " cells" +
           (tree > cells ? " and a join tree of " + std::to_string(tree) + " entries" : std::string()) +
           " besides the beliefs of every test" +
           (first.tree > first.cells ? " with join trees of " + std::to_string(first.tree) + " entries"
                                     : std::string()) +
           ": the work of " + std::to_string(Total(updates, first)) + " cells (" +
           std::to_string(kCellsPerNodeUpdate) + " a node besides its table" + (trees ? " or tree" : "") +
           ")" + instead + ", past the limit of " + std::to_string(kMaxDiagnosisWorkCells) + " cells";
}

int DiagEngine::RefuseRanking(const std::string& what, int64_t updates, const UpdateWork& each,
                              const UpdateWork& first, const std::string& instead) const {
    const std::string text =
        "Ranking the tests for " + what + " would take " + each.Describe(updates, first, instead);
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

std::string DiagEngine::PursuedFaultsText(const char* how) const {
    return std::to_string(owner->GetPursuedFaults().GetCount()) + " pursued faults " + how;
}

int DiagEngine::CheckRankingWork(const std::vector<FaultNode>& nodes, const VRX_intArray& tests, bool joint,
                                 bool* byConfiguration) {
    // Cases: the present evidence, then each outcome of each test that can inform the faults.
    int64_t cases = 1;
    int informative = 0;
    for (int i = 0; i < tests.GetCount(); ++i) {
        if (tests[i] < 0) continue;
        ++informative;
        cases += whatIfNetwork.GetNode(tests[i])->GetDefinition()->GetNumberOfOutcomes();
    }
    // Combinations of the fault nodes, and the updates the chain walk makes: one per prefix of the chain
    // (every node but the last), walked from the second last down.
    int64_t combinations = 1;
    int64_t prefix = 1;
    int64_t walked = 1;
    for (size_t i = 0; i < nodes.size(); ++i) {
        combinations = SaturatedProduct(combinations, nodes[i].outcomes);
        if (i + 1 == nodes.size()) continue;
        prefix = SaturatedProduct(prefix, nodes[nodes.size() - 2 - i].outcomes);
        walked = SaturatedSum(walked, prefix);
    }
    const UpdateWork each = WorkOfUpdate(whatIfNetwork);
    const UpdateWork first = BeliefWork(each);
    // The independent measure takes a product of one marginal per fault node for each combination.
    const int64_t updates = SaturatedProduct(cases, joint ? walked : 1);
    const int64_t work = SaturatedSum(
        each.Total(updates, first),
        joint ? 0
              : SaturatedProduct(SaturatedProduct(cases, combinations), static_cast<int64_t>(nodes.size())) /
                    kMarginalProductsPerCell);
    // Jointly, the chain walk once and one update of every test's beliefs a combination, each fault node
    // observed, give the joint after each test outcome by Bayes' rule, where that is less work.
    const UpdateWork observed = joint ? WorkWithFaultsObserved(nodes, tests) : UpdateWork();
    const int64_t byBayes = joint
                                ? SaturatedSum(each.Total(walked, first),
                                               SaturatedProduct(SaturatedProduct(combinations, observed.each),
                                                                kFaultsObservedUpdateWeight))
                                : INT64_MAX;
    const bool bayes = joint && !testsOneByOne_ && byBayes < work &&
                       SaturatedProduct(combinations, cases) <= kMaxDiagnosisBeliefCells;
    if (byConfiguration != nullptr) *byConfiguration = bayes;
    if ((bayes ? byBayes : work) <= kMaxDiagnosisWorkCells) return kSuccess;
    UpdateWork shown = each;
    // The products of the independent measure count with the updates.
    if (!joint)
        shown.each =
            SaturatedSum(each.each, SaturatedProduct(combinations, static_cast<int64_t>(nodes.size())) /
                                        kMarginalProductsPerCell);
    return RefuseRanking(PursuedFaultsText(joint ? "by their joint probabilities" : "taken as independent") +
                             ", weighing " + std::to_string(combinations) + " combinations of their " +
                             std::to_string(nodes.size()) + " fault nodes in each of " +
                             std::to_string(cases) + " cases (the present evidence and each outcome of " +
                             std::to_string(informative) + (informative == 1 ? " test)," : " tests),"),
                         updates, shown, first,
                         bayes ? ", or by Bayes' rule from " + std::to_string(combinations) +
                                     " updates of every test's beliefs with the fault nodes observed (" +
                                     std::to_string(observed.each) + " cells each, counted " +
                                     std::to_string(kFaultsObservedUpdateWeight) +
                                     " times) after the walk, " + std::to_string(byBayes) + " cells"
                               : std::string());
}

int DiagEngine::SetBaseEvidence(int t, int k) {
    if (const int rc = CopyEvidence(whatIfNetwork)) return rc;
    if (t >= 0 && k >= 0) return whatIfNetwork.GetNode(t)->GetValue()->SetEvidence(k);
    return kSuccess;
}

int DiagEngine::ComputeJointTable(const std::vector<FaultNode>& nodes, VRX_Dmatrix& table, int t, int k) {
    const int n = static_cast<int>(nodes.size());
    VRX_intArray sizes;
    for (const FaultNode& f : nodes) {
        if (const int rc = sizes.Add(f.outcomes)) return rc;
    }
    if (const int rc = table.Setup(sizes)) return rc;
    table.FillWith(0.0);
    if (const int rc = SetBaseEvidence(t, k)) return rc;
    if (const int rc = UpdateWorkingNetwork(whatIfNetwork)) return rc;
    const FaultNode& leaf = nodes[static_cast<size_t>(n - 1)];
    if (n == 1) {
        for (int z = 0; z < leaf.outcomes; ++z) table[z] = DiagBelief(whatIfNetwork, leaf.node, z);
        return kSuccess;
    }
    // The chain runs from f_{n-2} down to f_0, each node conditioned on those before it; f_{n-1} comes
    // last, given all of them. Level j of the walk holds node f_{n-2-j}: its beliefs given the outcomes
    // chosen above it, the probability of that prefix, and its own current outcome. Outcomes of
    // probability 0 are passed over (their entries stay 0; their evidence could not be propagated).
    const int levels = n - 1;
    auto nodeAt = [&](int level) -> const FaultNode& { return nodes[static_cast<size_t>(n - 2 - level)]; };
    std::vector<std::vector<double>> beliefs(static_cast<size_t>(levels));
    std::vector<double> prefix(static_cast<size_t>(levels), 1.0);
    std::vector<int> choice(static_cast<size_t>(levels), -1);
    std::vector<int> base(static_cast<size_t>(levels), -1);
    auto readBeliefs = [&](int level) {
        const FaultNode& f = nodeAt(level);
        std::vector<double>& b = beliefs[static_cast<size_t>(level)];
        b.assign(static_cast<size_t>(f.outcomes), 0.0);
        for (int z = 0; z < f.outcomes; ++z) b[static_cast<size_t>(z)] = DiagBelief(whatIfNetwork, f.node, z);
        VRX_nodeValue* value = whatIfNetwork.GetNode(f.node)->GetValue();
        base[static_cast<size_t>(level)] = value->HasEvidence() ? value->GetEvidence() : -1;
    };
    const VRX_intArray& strides = table.GetStrides();
    readBeliefs(0);
    int level = 0;
    while (level >= 0) {
        const size_t l = static_cast<size_t>(level);
        const FaultNode& f = nodeAt(level);
        VRX_nodeValue* value = whatIfNetwork.GetNode(f.node)->GetValue();
        int c = choice[l] + 1;
        while (c < f.outcomes && !(beliefs[l][static_cast<size_t>(c)] > 0.0)) ++c;
        if (c >= f.outcomes) {
            // Exhausted: the node gets back the evidence it had before the walk reached it.
            if (base[l] >= 0) {
                if (const int rc = value->SetEvidence(base[l])) return rc;
            } else if (value->HasEvidence()) {
                (void)value->ClearEvidence();  // held evidence: cannot be refused
            }
            choice[l] = -1;
            --level;
            continue;
        }
        choice[l] = c;
        if (const int rc = value->SetEvidence(c)) return rc;
        if (const int rc = UpdateWorkingNetwork(whatIfNetwork)) return rc;
        const double p = prefix[l] * beliefs[l][static_cast<size_t>(c)];
        if (level + 1 < levels) {
            ++level;
            prefix[l + 1] = p;
            readBeliefs(level);
            continue;
        }
        // Every chain node has its outcome: the entries of this configuration over f_{n-1}.
        int offset = 0;
        for (int j = 0; j < levels; ++j) offset += choice[static_cast<size_t>(j)] * strides[n - 2 - j];
        for (int z = 0; z < leaf.outcomes; ++z) {
            table[offset + z * strides[n - 1]] = p * DiagBelief(whatIfNetwork, leaf.node, z);
        }
    }
    return kSuccess;
}

int DiagEngine::RankMarginal(int flags) {
    VRX_intArray tests;
    if (const int rc = PrepareMultiFault(tests)) return rc;
    if (RankedUnavailableOnly(tests)) return kSuccess;
    const std::vector<vovido::DiagFault>& faults = owner->GetFaults();
    const VRX_intArray& pursued = owner->GetPursuedFaults();
    const auto measure = [flags](const std::vector<double>& p) {
        return (flags & vovido::DiagMode::kQuadratic) != 0 ? vovido::QuadraticMeasure(p)
                                                           : vovido::DistanceMeasure(p);
    };
    const size_t n = static_cast<size_t>(pursued.GetCount());
    int64_t cases = 0;
    for (int i = 0; i < tests.GetCount(); ++i) {
        if (tests[i] >= 0) cases += whatIfNetwork.GetNode(tests[i])->GetDefinition()->GetNumberOfOutcomes();
    }
    // One update a test outcome, or one a pursued fault, observed, whose beliefs of every test give the
    // fault's after each outcome by Bayes' rule: whichever is less work.
    const UpdateWork each = WorkOfUpdate(whatIfNetwork);
    const UpdateWork first = BeliefWork(each);
    const int64_t byOutcome = each.Total(cases, first);
    const int64_t byFault = first.Total(static_cast<int64_t>(n), first);
    const bool bayes = !testsOneByOne_ && byFault < byOutcome &&
                       SaturatedProduct(static_cast<int64_t>(n), cases) <= kMaxDiagnosisBeliefCells;
    if ((bayes ? byFault : byOutcome) > kMaxDiagnosisWorkCells) {
        return RefuseRanking(PursuedFaultsText("by their marginal probabilities"), cases, each, first);
    }
    if (const int rc = UpdateTestBeliefs(tests)) return rc;
    std::vector<double> prior(n);
    for (size_t i = 0; i < n; ++i) {
        const vovido::DiagFault& fault = faults[static_cast<size_t>(pursued[static_cast<int>(i)])];
        prior[i] = DiagBelief(beliefNetwork, fault.node, fault.outcome);
    }
    if (bayes) {
        // The test outcomes in list order, each with its place among them.
        std::vector<size_t> offset(static_cast<size_t>(beliefNetwork.GetNumberOfSlots()), 0);
        std::vector<double> before;
        for (int i = 0; i < tests.GetCount(); ++i) {
            const int t = tests[i];
            if (t < 0) continue;
            offset[static_cast<size_t>(t)] = before.size();
            const int outcomes = beliefNetwork.GetNode(t)->GetDefinition()->GetNumberOfOutcomes();
            for (int k = 0; k < outcomes; ++k) before.push_back(TestProbability(t, k));
        }
        std::vector<double> after(n * before.size());
        std::vector<double> given;
        for (size_t i = 0; i < n; ++i) {
            const vovido::DiagFault& fault = faults[static_cast<size_t>(pursued[static_cast<int>(i)])];
            given.clear();
            if (prior[i] > 0.0 && prior[i] < 1.0) {
                if (const int rc = TestBeliefsGiven(fault.node, fault.outcome, -1, tests, given)) return rc;
            }
            for (size_t c = 0; c < before.size(); ++c) {
                after[c * n + i] =
                    vovido::FaultGivenTest(prior[i], c < given.size() ? given[c] : 0.0, before[c]);
            }
        }
        std::vector<double> p(n);
        return RankWithMeasure(tests, measure(prior), [&](int t, int k, double& m) {
            const size_t c = offset[static_cast<size_t>(t)] + static_cast<size_t>(k);
            std::copy(after.begin() + static_cast<std::ptrdiff_t>(c * n),
                      after.begin() + static_cast<std::ptrdiff_t>((c + 1) * n), p.begin());
            m = measure(p);
            return kSuccess;
        });
    }
    std::vector<double> p(n);
    return RankWithMeasure(tests, measure(prior), [&](int t, int k, double& m) {
        VRX_nodeValue& value = *whatIfNetwork.GetNode(t)->GetValue();
        if (const int rc = value.SetEvidence(k)) return rc;
        const int rc = UpdateWorkingNetwork(whatIfNetwork);
        for (size_t i = 0; i < n; ++i) {
            const vovido::DiagFault& fault = faults[static_cast<size_t>(pursued[static_cast<int>(i)])];
            p[i] = DiagBelief(whatIfNetwork, fault.node, fault.outcome);
        }
        m = measure(p);
        (void)value.ClearEvidence();  // set just above
        return rc;
    });
}

int DiagEngine::RankConfigurationsIndependent(int flags) {
    VRX_intArray tests;
    if (const int rc = PrepareMultiFault(tests)) return rc;
    if (RankedUnavailableOnly(tests)) return kSuccess;
    const std::vector<FaultNode> nodes = PursuedFaultNodes();
    if (const int rc = CheckRankingWork(nodes, tests, false, nullptr)) return rc;
    if (const int rc = UpdateTestBeliefs(tests)) return rc;
    return RankWithMeasure(tests, IndependentMeasure(beliefNetwork, nodes, flags),
                           [&](int t, int k, double& m) {
                               if (const int rc = SetBaseEvidence(t, k)) return rc;
                               if (const int rc = UpdateWorkingNetwork(whatIfNetwork)) return rc;
                               m = IndependentMeasure(whatIfNetwork, nodes, flags);
                               return kSuccess;
                           });
}

int DiagEngine::RankConfigurationsJoint(int flags) {
    VRX_intArray tests;
    if (const int rc = PrepareMultiFault(tests)) return rc;
    if (RankedUnavailableOnly(tests)) return kSuccess;
    std::vector<FaultNode> nodes = PursuedFaultNodes();
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const FaultNode& a, const FaultNode& b) { return a.outcomes < b.outcomes; });
    bool bayes = false;
    if (const int rc = CheckRankingWork(nodes, tests, true, &bayes)) return rc;
    if (const int rc = UpdateTestBeliefs(tests)) return rc;
    VRX_Dmatrix table;
    if (const int rc = ComputeJointTable(nodes, table, -1, -1)) return rc;
    const double m0 = JointMeasure(table, nodes, flags);
    if (!bayes) {
        return RankWithMeasure(tests, m0, [&](int t, int k, double& m) {
            if (const int rc = ComputeJointTable(nodes, table, t, k)) return rc;
            m = JointMeasure(table, nodes, flags);
            return kSuccess;
        });
    }
    std::vector<double> likelihood;
    if (const int rc = TestBeliefsPerConfiguration(nodes, table, tests, likelihood)) return rc;
    VRX_Dmatrix after;
    if (const int rc = after.Copy(table)) return rc;
    const size_t cases = testBeliefs_.size();
    return RankWithMeasure(tests, m0, [&](int t, int k, double& m) {
        const size_t j = testOffset_[static_cast<size_t>(t)] + static_cast<size_t>(k);
        const double p = testBeliefs_[j];
        for (int c = 0; c < table.GetNumberOfElements(); ++c)
            after[c] = table[c] * likelihood[static_cast<size_t>(c) * cases + j] / p;
        m = JointMeasure(after, nodes, flags);
        return kSuccess;
    });
}

int DiagEngine::TestBeliefsPerConfiguration(const std::vector<FaultNode>& nodes, const VRX_Dmatrix& joint,
                                            const VRX_intArray& tests, std::vector<double>& likelihood) {
    const size_t cases = testBeliefs_.size();
    likelihood.assign(static_cast<size_t>(joint.GetNumberOfElements()) * cases, 0.0);
    whatIfNetwork.ClearAllTargets();
    for (int i = 0; i < tests.GetCount(); ++i) {
        if (tests[i] >= 0)
            (void)whatIfNetwork.SetTarget(tests[i]);  // targets were cleared: cannot be refused
    }
    std::vector<int> sizes;
    for (const FaultNode& f : nodes) sizes.push_back(f.outcomes);
    int c = 0;
    int status = kSuccess;
    ForEachConfiguration(sizes, [&](const std::vector<int>& at) {
        const int index = c++;
        // A combination the evidence rules out weighs nothing after any outcome.
        if (status != kSuccess || !(joint[index] > 0.0)) return;
        status = CopyEvidence(whatIfNetwork);
        for (size_t i = 0; i < nodes.size() && status == kSuccess; ++i)
            status = whatIfNetwork.GetNode(nodes[i].node)->GetValue()->SetEvidence(at[i]);
        if (status == kSuccess) status = UpdateWorkingNetwork(whatIfNetwork);
        for (int i = 0; i < tests.GetCount() && status == kSuccess; ++i) {
            const int t = tests[i];
            if (t < 0) continue;
            const size_t from = static_cast<size_t>(index) * cases + testOffset_[static_cast<size_t>(t)];
            const int outcomes = whatIfNetwork.GetNode(t)->GetDefinition()->GetNumberOfOutcomes();
            for (int k = 0; k < outcomes; ++k)
                likelihood[from + static_cast<size_t>(k)] = DiagBelief(whatIfNetwork, t, k);
        }
    });
    return status;
}
