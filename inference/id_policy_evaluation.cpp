// Policy evaluation of influence diagrams by one belief update per scenario and a fold-back over the
// scenario nodes.
#include "inference/id_policy_evaluation.h"

#include <algorithm>
#include <cfloat>
#include <new>
#include <string>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/status_codes.h"
#include "definitions/mau_values.h"
#include "inference/ais_sampling.h"
#include "inference/exact_drivers.h"
#include "inference/expanded_tables.h"
#include "inference/impossible_evidence.h"
#include "inference/influence_diagram_support.h"
#include "inference/table_check.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_parts.h"
#include "model/node_value.h"

using vovido::IsUndefinedEntry;

PolicyEvaluator::PolicyEvaluator() = default;
PolicyEvaluator::~PolicyEvaluator() = default;

VRX_Dmatrix* PolicyEvaluator::CallerMatrix(int handle) const {
    VRX_Dmatrix* matrix = nullptr;
    if (network_->GetNode(handle)->GetValue()->GetValue(matrix) != kSuccess) return nullptr;
    return matrix;
}

int PolicyEvaluator::Fail(int rc, const char* what) {
    network_->InvalidateValues();
    // Memory that ran out where nothing said so is named by what the step allocates.
    if (rc == kOutOfMemory && errorLog.GetNumberOfEntries() == logStart_) {
        const std::string text = std::string("Not enough memory for ") + what;
        LogError(errorLog, rc, text.c_str(), nullptr);
    }
    return LogError(errorLog, rc, kCooperFailedText, nullptr);
}

int PolicyEvaluator::Run(VRX_network& network) {
    network_ = &network;
    maximumExpectedUtility_ = kUndefinedValue;
    updates_ = 0;
    // Nothing the run changes in the caller's network updates it again meanwhile.
    const int autoUpdate = network.propagationFlags & PropagationFlags::kAutoUpdate;
    network.propagationFlags &= ~PropagationFlags::kAutoUpdate;
    const int rc = Evaluate();
    network.propagationFlags |= autoUpdate;
    return rc;
}

int PolicyEvaluator::PlanWork(VRX_network& network, uint64_t& work) {
    network_ = &network;
    work = 0;
    logStart_ = errorLog.GetNumberOfEntries();
    const int autoUpdate = network.propagationFlags & PropagationFlags::kAutoUpdate;
    network.propagationFlags &= ~PropagationFlags::kAutoUpdate;
    int rc = Prepare();
    if (rc == kSuccess) rc = ConvertToBayesianNetwork();
    if (rc == kSuccess) rc = CheckUpdateSize();
    network.propagationFlags |= autoUpdate;
    if (rc != kSuccess) return Fail(rc, "the plan of the updates");
    work = plannedWork_;
    return kSuccess;
}

int PolicyEvaluator::Evaluate() {
    logStart_ = errorLog.GetNumberOfEntries();
    if (const int rc = Prepare()) return Fail(rc, "the working copy and what its values depend on");
    if (const int rc = ConvertToBayesianNetwork()) return Fail(rc, "the working copy's utility tables");
    // Decided before the caller's values are shaped to the scenarios, which takes time of their size.
    if (const int rc = CheckUpdateSize()) return Fail(rc, "the join tree's structure");
    if (const int rc = ShapeCallerValues()) return Fail(rc, "the values indexed by the scenario nodes");
    if (const int rc = EvaluateScenarios()) return Fail(rc, "the updates of the scenarios");
    if (const int rc = ComputeMauValues()) return Fail(rc, "the multi-attribute utilities");
    if (utilitiesSpecified_) {
        if (const int rc = ComputePolicies()) return Fail(rc, "the expected utilities of every scenario");
    }
    MarkWrittenUpToDate();
    return kSuccess;
}

int PolicyEvaluator::Prepare() {
    VRX_network& net = *network_;
    const size_t slots = static_cast<size_t>(net.GetNumberOfSlots());
    try {
        const VRX_intArray& order = net.GetTopologicalOrder();
        low_.assign(slots, 0.0);
        high_.assign(slots, 0.0);
        for (int i = 0; i < order.GetCount(); i++) {
            const int h = order[i];
            const int type = net.GetNodeType(h);
            if ((type & DefinitionBits::kUtility) == 0) continue;
            utilityNodes_.push_back(h);
            if (net.GetChildren(h).GetCount() == 0) terminals_.push_back(h);
            VRX_Dmatrix* table = nullptr;
            if (type == DefinitionType::kTable &&
                net.GetNode(h)->GetDefinition()->GetDefinition(table) == kSuccess && table != nullptr) {
                vovido::DefinedBounds(*table, low_[static_cast<size_t>(h)], high_[static_cast<size_t>(h)]);
            }
        }
        utilitiesSpecified_ = !utilityNodes_.empty();
        // A notice: should the update fail for another reason, its cause comes first.
        if (!utilitiesSpecified_)
            vovido::LogNotice(errorLog, kOutOfRange, "Utilities not specified. Policies cannot be evaluated",
                              nullptr, vovido::NoticeInstance{});
        if (const int rc = vovido::CollectDecisionSequence(net, sequence_)) return rc;
        vovido::AssumeDecisionOrder(net, sequence_);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }

    VRX_network* work = nullptr;
    if (const int rc = vovido::MakeWorkingCopy(net, work)) return rc;
    work_.reset(work);
    if (const int rc = FindIndexingParents()) return rc;
    // Within the limit of work, the scenarios also stay far below the table limit.
    if (const int rc = vovido::CheckScenarioCount(net, scenario_, sizes_, WorkBeforeTheTree())) return rc;
    for (int n : sizes_) {
        if (n < 1) return kOutOfRange;
    }
    return kSuccess;
}

vovido::ScenarioWork PolicyEvaluator::WorkBeforeTheTree() const {
    // A join tree stands for the tables, counted once its triangulation is known.
    vovido::ScenarioWork known;
    known.joinTree = vovido::IsJoinTreeAlgorithm(network_->bnAlgorithm);
    return known;
}

int PolicyEvaluator::ShapeCallerValues() {
    VRX_network& net = *network_;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        VRX_nodeValue* value = net.GetNode(h)->GetValue();
        if (value == nullptr || value->HasEvidence()) continue;
        if (const int rc = value->RebuildFromDefinition()) return rc;
        for (int p : indexing_[static_cast<size_t>(h)]) {
            if (const int rc = value->AddIndexingParent(p)) return rc;
        }
        VRX_Dmatrix* matrix = CallerMatrix(h);
        if (matrix == nullptr) return kWrongNodeType;
        matrix->FillWith(kUndefinedValue);
    }
    return kSuccess;
}

int PolicyEvaluator::ConvertToBayesianNetwork() {
    VRX_network& work = *work_;
    // MAU nodes are computed from their parents afterwards; the copy needs only the tables.
    for (int h : utilityNodes_) {
        if (work.GetNodeType(h) == DefinitionType::kMau) {
            if (const int rc = work.DeleteNode(h)) return rc;
        }
    }
    for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h)) {
        const int type = work.GetNodeType(h);
        int rc = kSuccess;
        if (type == DefinitionType::kTable)
            rc = vovido::ConvertUtilityNode(work, h, vovido::IdAt(*network_, h));
        // Every scenario sets the decision or leaves it uniform: what it observed is no part of the copy.
        if (type == DefinitionType::kList) rc = vovido::ConvertDecisionNode(work, h);
        if (rc != kSuccess) return rc;
    }
    return kSuccess;
}

// The planned updates times the work of each besides its tables: the join tree that the clustering
// algorithms build, from the triangulation alone, with every scenario node observed as in the leaves (an
// update that observes fewer builds one as large at least), or the draws of the samplers, a sample (and
// each learning sample) a node.
int PolicyEvaluator::CheckUpdateSize() {
    const int algorithm = network_->bnAlgorithm;
    VRX_network& work = *work_;
    try {
        PlanPasses();
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    vovido::ScenarioWork known;
    known.updates = CountPlannedUpdates();
    if (algorithm == BayesianAlgorithm::kLogicSampling ||
        algorithm == BayesianAlgorithm::kLikelihoodWeighting ||
        algorithm == BayesianAlgorithm::kSelfImportanceSampling ||
        algorithm == BayesianAlgorithm::kLikelihoodWeightingToo ||
        algorithm == BayesianAlgorithm::kBackwardSampling ||
        algorithm == BayesianAlgorithm::kAdaptiveImportanceSampling ||
        algorithm == BayesianAlgorithm::kPrepropagatedImportanceSampling) {
        const uint64_t samples =
            static_cast<uint64_t>(std::max(network_->numSamples, 0)) +
            (algorithm == BayesianAlgorithm::kAdaptiveImportanceSampling
                 ? static_cast<uint64_t>(vovido::AdaptiveSamplingSettings::kLearningSamples)
                 : 0);
        known.draws = samples * static_cast<uint64_t>(work.GetNumberOfNodes());
        return vovido::CheckScenarioCount(*network_, scenario_, sizes_, known, &plannedWork_);
    }
    if (algorithm != BayesianAlgorithm::kClusteringWithDecomposition &&
        algorithm != BayesianAlgorithm::kClusteringPerPart &&
        algorithm != BayesianAlgorithm::kRelevanceDecomposition &&
        algorithm != BayesianAlgorithm::kRelevanceDecomposition2)
        return vovido::CheckScenarioCount(*network_, scenario_, sizes_, known, &plannedWork_);
    known.joinTree = true;
    for (int h : scenario_) {
        if (const int rc = vovido::SetWorkEvidence(work, h, 0)) return rc;
    }
    known.treeEntries = EstimateClusteringEntries(work, &known.treeNodes, &known.passEntries);
    for (int h : scenario_) {
        if (const int rc = SetScenarioEvidence(h, -1)) return rc;
    }
    return vovido::CheckScenarioCount(*network_, scenario_, sizes_, known, &plannedWork_);
}

// The updates of the scenarios: first one per configuration of the leaves, the scenario nodes that some
// value read from them depends on; then each observation over the configurations of the earlier scenario
// nodes it depends on, observations that depend on the same nodes sharing the updates.
void PolicyEvaluator::PlanPasses() {
    passes_.clear();
    std::vector<char> needed(scenario_.size(), 0);
    for (int h : recorded_) {
        for (int x : indexing_[static_cast<size_t>(h)])
            needed[static_cast<size_t>(position_[static_cast<size_t>(x)])] = 1;
    }
    Pass leaves{{}, recorded_};
    for (size_t i = 0; i < scenario_.size(); i++) {
        if (needed[i]) leaves.varied.push_back(scenario_[i]);
    }
    passes_.push_back(std::move(leaves));
    std::vector<char> done(scenario_.size(), 0);
    for (size_t i = 0; i < scenario_.size(); i++) {
        const int h = scenario_[i];
        if (done[i] || network_->GetNodeType(h) == DefinitionType::kList) continue;
        const std::vector<int>& given = indexing_[static_cast<size_t>(h)];
        Pass pass{given, {h}};
        for (size_t j = i + 1; j < scenario_.size(); j++) {
            const int g = scenario_[j];
            if (done[j] || network_->GetNodeType(g) == DefinitionType::kList ||
                indexing_[static_cast<size_t>(g)] != given)
                continue;
            pass.recorded.push_back(g);
            done[j] = 1;
        }
        passes_.push_back(std::move(pass));
    }
}

uint64_t PolicyEvaluator::CountPlannedUpdates() const {
    uint64_t total = 0;
    for (const Pass& pass : passes_) {
        uint64_t updates = 1;
        for (int h : pass.varied) {
            const uint64_t n =
                static_cast<uint64_t>(sizes_[static_cast<size_t>(position_[static_cast<size_t>(h)])]);
            updates = n > 1 && updates > UINT64_MAX / n ? UINT64_MAX : updates * std::max<uint64_t>(n, 1);
        }
        total = updates > UINT64_MAX - total ? UINT64_MAX : total + updates;
    }
    return total;
}

int PolicyEvaluator::UpdateWork() {
    work_->InvalidateValues();
    const int mark = errorLog.GetNumberOfEntries();
    const int rc = work_->UpdateBeliefs();
    updates_++;
    // Evidence of probability zero: the scenario keeps the undefined sentinel, and what the exact update
    // logged about it is no failure of the run.
    if (rc == kConflictingEvidence) errorLog.Truncate(mark);
    return rc;
}

namespace {
const vovido::NoticeKind kUnevaluatedScenarioNotice = {"{count} could not be evaluated", "scenario", nullptr};
}  // namespace

// One entry per scenario, "The following scenario could not be evaluated: A = a, B = b", so that many
// fold into one.
void PolicyEvaluator::LogScenario(const std::vector<int>& varied) const {
    std::string scenario;
    for (int h : varied) {
        const char* id = network_->GetNode(h)->GetId();
        const VRX_idArray* names = network_->GetNode(h)->GetDefinition()->GetOutcomesNames();
        const int k = outcome_[static_cast<size_t>(h)];
        const char* name = names != nullptr && k < names->GetCount() ? (*names)[k] : nullptr;
        if (!scenario.empty()) scenario += ", ";
        scenario += std::string(id != nullptr ? id : "") + " = " + (name != nullptr ? name : "");
    }
    const std::string message = "The following scenario could not be evaluated: " + scenario;
    vovido::LogNotice(errorLog, kNoUsefulSamples, message.c_str(), nullptr,
                      {&kUnevaluatedScenarioNotice, std::string(), "(" + scenario + ")"});
}

// Every configuration of the varied scenario nodes, the other scenario nodes free; each that can be
// updated gives the recorded values at their coordinates.
int PolicyEvaluator::EvaluateOver(const std::vector<int>& varied, const std::vector<int>& recorded,
                                  long long& evaluated, int& impossible) {
    VRX_network& work = *work_;
    for (int h : scenario_) {
        if (const int rc = SetScenarioEvidence(h, -1)) return rc;
        outcome_[static_cast<size_t>(h)] = -1;
    }
    std::vector<int> digits(varied.size(), 0);
    for (;;) {
        for (size_t k = 0; k < varied.size(); k++) {
            if (const int rc = vovido::SetWorkEvidence(work, varied[k], digits[k])) return rc;
            outcome_[static_cast<size_t>(varied[k])] = digits[k];
        }
        // Hard scenario evidence takes the place of the node's likelihoods: an outcome they weigh nothing
        // is as impossible as one of prior zero.
        const int rc = RuledOutByLikelihoods(varied, digits) ? kConflictingEvidence : UpdateWork();
        if (rc == kSuccess) {
            evaluated++;
            for (int h : recorded) {
                if (const int recordRc = RecordNodeValue(h)) return recordRc;
            }
        } else if (rc == kNoUsefulSamples || rc == kConflictingEvidence) {
            if (rc == kNoUsefulSamples) LogScenario(varied);
            impossible = rc;
        } else {
            return rc;
        }
        int k = static_cast<int>(varied.size()) - 1;
        while (
            k >= 0 &&
            ++digits[static_cast<size_t>(k)] ==
                sizes_[static_cast<size_t>(position_[static_cast<size_t>(varied[static_cast<size_t>(k)])])]) {
            digits[static_cast<size_t>(k--)] = 0;
        }
        if (k < 0) return kSuccess;
    }
}

int PolicyEvaluator::EvaluateScenarios() {
    long long evaluated = 0;
    int impossible = kSuccess;
    for (size_t i = 0; i < passes_.size(); i++) {
        if (const int rc = EvaluateOver(passes_[i].varied, passes_[i].recorded, evaluated, impossible))
            return rc;
        // Not a single scenario of the leaves is possible: the evidence itself is not.
        if (i == 0 && evaluated == 0)
            return impossible == kNoUsefulSamples ? impossible : ExplainImpossibleEvidence();
    }
    return kSuccess;
}

bool PolicyEvaluator::RuledOutByLikelihoods(const std::vector<int>& varied,
                                            const std::vector<int>& digits) const {
    for (size_t k = 0; k < varied.size(); k++) {
        const VRX_doubleArray& weights = likelihoods_[static_cast<size_t>(varied[k])];
        if (digits[k] < weights.GetCount() && !(weights[digits[k]] > 0.0)) return true;
    }
    return false;
}

// The caller's evidence alone, every scenario node free: its update names where the probability is zero.
int PolicyEvaluator::ExplainImpossibleEvidence() {
    for (int h : scenario_) {
        if (const int rc = SetScenarioEvidence(h, -1)) return rc;
    }
    const int mark = errorLog.GetNumberOfEntries();
    work_->InvalidateValues();
    const int rc = work_->UpdateBeliefs();
    updates_++;
    if (rc == kConflictingEvidence && errorLog.GetNumberOfEntries() > mark) return rc;
    errorLog.Truncate(mark);
    LogError(errorLog, kConflictingEvidence,
             "Evidence is impossible: its probability is zero, so no beliefs can be computed.", nullptr);
    vovido::NameImpossibleEvidence(*network_, mark);
    return kConflictingEvidence;
}

long long PolicyEvaluator::RowOf(int handle) const {
    long long row = 0;
    for (int p : indexing_[static_cast<size_t>(handle)]) {
        const size_t at = static_cast<size_t>(p);
        row = row * sizes_[static_cast<size_t>(position_[at])] + outcome_[at];
    }
    return row;
}

int PolicyEvaluator::RecordNodeValue(int handle) {
    const VRX_Dmatrix* beliefs = vovido::WorkBeliefs(*work_, handle);
    VRX_Dmatrix* target = CallerMatrix(handle);
    if (beliefs == nullptr || target == nullptr) return kWrongNodeType;
    const long long row = RowOf(handle);
    if (network_->GetNodeType(handle) == DefinitionType::kTable) {
        if (row >= target->GetNumberOfElements() || beliefs->GetNumberOfElements() < 1) return kOutOfRange;
        const double lo = low_[static_cast<size_t>(handle)];
        const double hi = high_[static_cast<size_t>(handle)];
        (*target)[static_cast<int>(row)] = lo + (*beliefs)[0] * (hi - lo);
        return kSuccess;
    }
    const int n = beliefs->GetNumberOfElements();
    if ((row + 1) * n > target->GetNumberOfElements()) return kOutOfRange;
    for (int k = 0; k < n; k++) (*target)[static_cast<int>(row * n + k)] = (*beliefs)[k];
    return kSuccess;
}

int PolicyEvaluator::ComputeMauValues() {
    // Parents before children: a MAU node reads the expected utilities of the nodes above it.
    for (int h : utilityNodes_) {
        if (network_->GetNodeType(h) != DefinitionType::kMau) continue;
        if (network_->GetNode(h)->GetValue()->HasEvidence()) continue;
        if (const int rc = vovido::ComputeMauValue(*network_, h)) return rc;
    }
    return kSuccess;
}

// Total expected utility of every scenario: the sum of the terminal utility nodes, each read at the
// coordinates of the scenario nodes it is indexed by.
int PolicyEvaluator::SumTerminalWorths(std::vector<double>& w) {
    const size_t dims = scenario_.size();
    long long total = 1;
    for (int n : sizes_) total *= n;
    std::vector<int> digits(dims, 0);
    std::vector<long long> stride(dims, 0);
    try {
        w.assign(static_cast<size_t>(total), 0.0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    for (int t : terminals_) {
        const VRX_Dmatrix* eu = CallerMatrix(t);
        std::fill(stride.begin(), stride.end(), 0);
        long long rows = 1;
        const std::vector<int>& given = indexing_[static_cast<size_t>(t)];
        for (int k = static_cast<int>(given.size()) - 1; k >= 0; k--) {
            const size_t d =
                static_cast<size_t>(position_[static_cast<size_t>(given[static_cast<size_t>(k)])]);
            stride[d] = rows;
            rows *= sizes_[d];
        }
        if (eu == nullptr || eu->GetNumberOfElements() != rows) return kOutOfRange;
        std::fill(digits.begin(), digits.end(), 0);
        for (long long l = 0; l < total; l++) {
            long long at = 0;
            for (size_t d = 0; d < dims; d++) at += digits[d] * stride[d];
            const double v = (*eu)[static_cast<int>(at)];
            if (IsUndefinedEntry(v) || IsUndefinedEntry(w[static_cast<size_t>(l)])) {
                w[static_cast<size_t>(l)] = kUndefinedValue;
            } else {
                w[static_cast<size_t>(l)] += v;
            }
            for (int d = static_cast<int>(dims) - 1;
                 d >= 0 && ++digits[static_cast<size_t>(d)] == sizes_[static_cast<size_t>(d)]; d--)
                digits[static_cast<size_t>(d)] = 0;
        }
    }
    return kSuccess;
}

int PolicyEvaluator::ComputePolicies() {
    const size_t dims = scenario_.size();
    std::vector<double> w;
    if (const int rc = SumTerminalWorths(w)) return rc;
    // Fold back from the last scenario node: a decision takes its best choice, an observation averages
    // over its outcomes given the nodes before it. Undefined entries (impossible scenarios) take part in
    // neither.
    long long length = static_cast<long long>(w.size());
    if (const int rc = FillIndifferentDecisions(dims, w, length)) return rc;
    for (int i = static_cast<int>(dims) - 1; i >= 0; i--) {
        const int h = scenario_[static_cast<size_t>(i)];
        const int n = sizes_[static_cast<size_t>(i)];
        const long long outer = length / n;
        VRX_Dmatrix* m = CallerMatrix(h);
        const bool decision = network_->GetNodeType(h) == DefinitionType::kList;
        if (m == nullptr || (decision && m->GetNumberOfElements() != length)) return kOutOfRange;
        for (long long o = 0; o < outer; o++) {
            long long row = 0;
            if (!decision) {
                // The outcomes of the scenario nodes before this one, to read its distribution given them.
                long long rest = o;
                for (int d = i - 1; d >= 0; d--) {
                    outcome_[static_cast<size_t>(scenario_[static_cast<size_t>(d)])] =
                        static_cast<int>(rest % sizes_[static_cast<size_t>(d)]);
                    rest /= sizes_[static_cast<size_t>(d)];
                }
                row = RowOf(h);
                if ((row + 1) * n > m->GetNumberOfElements()) return kOutOfRange;
            }
            double result = kUndefinedValue;
            bool any = false;
            for (int k = 0; k < n; k++) {
                const long long at = o * n + k;
                const double v = w[static_cast<size_t>(at)];
                if (decision) {
                    (*m)[static_cast<int>(at)] = v;
                    if (IsUndefinedEntry(v)) continue;
                    if (!any || v > result) result = v;
                    any = true;
                } else {
                    const double p = (*m)[static_cast<int>(row * n + k)];
                    if (IsUndefinedEntry(p) || IsUndefinedEntry(v) || p == 0.0) continue;
                    result = any ? result + p * v : p * v;
                    any = true;
                }
            }
            w[static_cast<size_t>(o)] = result;
        }
        length = outer;
        if (const int rc = FillIndifferentDecisions(static_cast<size_t>(i), w, length)) return rc;
    }
    maximumExpectedUtility_ = w.empty() ? kUndefinedValue : w[0];
    try {
        return UndefineImpossibleRows();
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

// A decision's row whose earlier observations cannot occur together, by the tables or by the likelihoods,
// has no expected utility, though the worths it was folded from need not depend on all of them. Walks the
// configurations of the scenario nodes forward, keeping those of probability above zero.
int PolicyEvaluator::UndefineImpossibleRows() {
    const size_t dims = scenario_.size();
    std::vector<char> reach(1, 1);
    std::vector<char> next;
    for (size_t i = 0;; i++) {
        const long long rows = static_cast<long long>(reach.size());
        for (int h : sequence_) {
            if (network_->GetNodeType(h) != DefinitionType::kList) continue;
            const bool here = i < dims ? h == scenario_[i] : false;
            if (!here && (IsScenarioNode(h) || indexing_[static_cast<size_t>(h)].size() != i)) continue;
            VRX_Dmatrix* m = CallerMatrix(h);
            const int n = network_->GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
            if (m == nullptr || m->GetNumberOfElements() != rows * n) return kOutOfRange;
            for (long long o = 0; o < rows; o++) {
                if (reach[static_cast<size_t>(o)]) continue;
                for (int k = 0; k < n; k++) (*m)[static_cast<int>(o * n + k)] = kUndefinedValue;
            }
        }
        if (i == dims) return kSuccess;
        const int h = scenario_[i];
        const int n = sizes_[i];
        const bool decision = network_->GetNodeType(h) == DefinitionType::kList;
        const VRX_Dmatrix* m = decision ? nullptr : CallerMatrix(h);
        if (!decision && m == nullptr) return kOutOfRange;
        next.assign(reach.size() * static_cast<size_t>(n), 0);
        for (long long o = 0; o < rows; o++) {
            if (!reach[static_cast<size_t>(o)]) continue;
            char* out = &next[static_cast<size_t>(o * n)];
            if (decision) {
                std::fill(out, out + n, 1);
                continue;
            }
            long long rest = o;
            for (size_t d = i; d-- > 0;) {
                outcome_[static_cast<size_t>(scenario_[d])] = static_cast<int>(rest % sizes_[d]);
                rest /= sizes_[d];
            }
            const long long row = RowOf(h);
            if ((row + 1) * n > m->GetNumberOfElements()) return kOutOfRange;
            for (int k = 0; k < n; k++) {
                const double p = (*m)[static_cast<int>(row * n + k)];
                out[k] = !IsUndefinedEntry(p) && p > 0.0;
            }
        }
        reach.swap(next);
    }
}

// The decisions that no utility depends on and that follow the first `prefix` scenario nodes: every
// choice is worth what the fold-back gives for those nodes' outcomes.
int PolicyEvaluator::FillIndifferentDecisions(size_t prefix, const std::vector<double>& w, long long rows) {
    for (int h : sequence_) {
        if (IsScenarioNode(h) || network_->GetNodeType(h) != DefinitionType::kList ||
            indexing_[static_cast<size_t>(h)].size() != prefix)
            continue;
        VRX_Dmatrix* m = CallerMatrix(h);
        const int n = network_->GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
        if (m == nullptr || m->GetNumberOfElements() != rows * n) return kOutOfRange;
        for (long long o = 0; o < rows; o++) {
            for (int k = 0; k < n; k++) (*m)[static_cast<int>(o * n + k)] = w[static_cast<size_t>(o)];
        }
    }
    return kSuccess;
}

void PolicyEvaluator::MarkWrittenUpToDate() {
    for (int h = network_->GetFirstNode(); h >= 0; h = network_->GetNextNode(h)) {
        VRX_nodeValue* value = network_->GetNode(h)->GetValue();
        if (value == nullptr || value->HasEvidence()) continue;
        const bool decision = network_->GetNodeType(h) == DefinitionType::kList;
        value->SetValueFlag(ValueFlags::kUpToDate, !decision || utilitiesSpecified_);
    }
}
