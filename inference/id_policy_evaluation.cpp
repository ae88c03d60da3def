// Policy evaluation of influence diagrams by one belief update per scenario and a fold-back over the
// decision sequence.
#include "inference/id_policy_evaluation.h"

#include <cfloat>
#include <new>

#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/mau_values.h"
#include "inference/influence_diagram_support.h"
#include "inference/table_check.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

using vovido::IsUndefinedEntry;

namespace {

constexpr char kCooperFailed[] = "Error when running Cooper's algorithm";

bool IsChanceKind(int type) {
    return (type & DefinitionBits::kDiscrete) != 0 && type != DefinitionType::kList;
}

}  // namespace

PolicyEvaluator::PolicyEvaluator() = default;
PolicyEvaluator::~PolicyEvaluator() = default;

VRX_Dmatrix* PolicyEvaluator::CallerMatrix(int handle) const {
    VRX_Dmatrix* matrix = nullptr;
    if (network_->GetNode(handle)->GetValue()->GetValue(matrix) != kSuccess) return nullptr;
    return matrix;
}

int PolicyEvaluator::Fail(int rc) {
    network_->InvalidateValues();
    return LogError(errorLog, rc, kCooperFailed, nullptr);
}

int PolicyEvaluator::Run(VRX_network& network) {
    network_ = &network;
    maximumExpectedUtility_ = kUndefinedValue;
    if (const int rc = Prepare()) return Fail(rc);
    if (const int rc = ShapeCallerValues()) return Fail(rc);
    if (const int rc = EvaluateLeaves()) return Fail(rc);
    if (const int rc = EvaluateObservedChances()) return Fail(rc);
    if (const int rc = ComputeMauValues()) return Fail(rc);
    if (utilitiesSpecified_) {
        if (const int rc = ComputePolicies()) return Fail(rc);
    }
    MarkWrittenUpToDate();
    return kSuccess;
}

int PolicyEvaluator::Prepare() {
    VRX_network& net = *network_;
    const VRX_intArray& order = net.GetTopologicalOrder();
    try {
        for (int i = 0; i < order.GetCount(); i++) {
            const int h = order[i];
            if ((net.GetNodeType(h) & DefinitionBits::kUtility) == 0) continue;
            utilityNodes_.push_back(h);
            if (net.GetChildren(h).GetCount() == 0) terminals_.push_back(h);
        }
        utilitiesSpecified_ = !utilityNodes_.empty();
        if (!utilitiesSpecified_) {
            LogError(errorLog, kOutOfRange, "Utilities not specified. Policies cannot be evaluated", nullptr);
        } else {
            std::vector<int> sequence;
            if (const int rc = vovido::CollectDecisionSequence(net, sequence)) return rc;
            vovido::ReportAssumedDecisionOrder(net, sequence);
            scenario_ = sequence;
        }
        for (int h : scenario_) sizes_.push_back(net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes());
        config_.assign(scenario_.size(), 0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    if (const int rc = vovido::CheckScenarioCount(net, scenario_, sizes_)) return rc;
    leaves_ = 1;
    for (int n : sizes_) {
        if (n < 1) return kOutOfRange;
        leaves_ *= n;
        if (leaves_ > kMaxTableCells) return LogError(errorLog, kOutOfMemory, "Too many scenarios", nullptr);
    }

    VRX_network* work = nullptr;
    if (const int rc = vovido::MakeWorkingCopy(net, work)) return rc;
    work_.reset(work);
    // MAU nodes are computed from their parents afterwards; the copy needs only the tables.
    for (int h : utilityNodes_) {
        if (work->GetNodeType(h) == DefinitionType::kMau) {
            if (const int rc = work->DeleteNode(h)) return rc;
        }
    }
    for (int h = work->GetFirstNode(); h >= 0; h = work->GetNextNode(h)) {
        const int type = work->GetNodeType(h);
        int rc = kSuccess;
        if (type == DefinitionType::kTable) rc = vovido::ConvertUtilityNode(*work, h);
        if (type == DefinitionType::kList) rc = vovido::ConvertDecisionNode(*work, h, false);
        if (rc != kSuccess) return rc;
    }
    return kSuccess;
}

int PolicyEvaluator::ShapeCallerValues() {
    VRX_network& net = *network_;
    std::vector<char> inScenario(static_cast<size_t>(net.GetNumberOfSlots()), 0);
    for (int h : scenario_) inScenario[h] = 1;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        VRX_nodeValue* value = net.GetNode(h)->GetValue();
        if (value == nullptr || value->HasEvidence()) continue;
        const int type = net.GetNodeType(h);
        if (const int rc = value->RebuildFromDefinition()) return rc;
        if (inScenario[h]) {
            // What precedes the node in the sequence.
            for (int s : scenario_) {
                if (s == h) break;
                if (const int rc = value->AddIndexingParent(s)) return rc;
            }
        } else if (type == DefinitionType::kList) {
            continue;
        } else {
            for (int s : scenario_) {
                if (const int rc = value->AddIndexingParent(s)) return rc;
            }
            if (IsChanceKind(type) || type == DefinitionType::kTable) recorded_.push_back(h);
        }
        VRX_Dmatrix* matrix = CallerMatrix(h);
        if (matrix == nullptr) return kWrongNodeType;
        matrix->FillWith(kUndefinedValue);
    }
    return kSuccess;
}

int PolicyEvaluator::ApplyScenario(int count) {
    for (size_t i = 0; i < scenario_.size(); i++) {
        const int outcome = static_cast<int>(i) < count ? config_[i] : -1;
        if (const int rc = vovido::SetWorkEvidence(*work_, scenario_[i], outcome)) return rc;
    }
    return kSuccess;
}

int PolicyEvaluator::UpdateWork(bool& possible) {
    work_->InvalidateValues();
    const int mark = errorLog.GetNumberOfEntries();
    const int rc = work_->UpdateBeliefs();
    possible = rc == kSuccess;
    if (vovido::IsImpossibleScenario(rc)) {
        // An impossible scenario keeps the undefined sentinel; what the update logged about it is no
        // failure of the run.
        errorLog.Truncate(mark);
        return kSuccess;
    }
    return rc;
}

int PolicyEvaluator::EvaluateLeaves() {
    std::fill(config_.begin(), config_.end(), 0);
    long long evaluated = 0;
    for (long long leaf = 0; leaf < leaves_; leaf++) {
        if (const int rc = ApplyScenario(static_cast<int>(scenario_.size()))) return rc;
        bool possible = false;
        if (const int rc = UpdateWork(possible)) return rc;
        if (possible) {
            evaluated++;
            for (int h : recorded_) {
                const VRX_Dmatrix* beliefs = vovido::WorkBeliefs(*work_, h);
                VRX_Dmatrix* target = CallerMatrix(h);
                if (beliefs == nullptr || target == nullptr) return kWrongNodeType;
                if (network_->GetNodeType(h) == DefinitionType::kTable) {
                    VRX_Dmatrix* table = nullptr;
                    if (const int rc = network_->GetNode(h)->GetDefinition()->GetDefinition(table)) return rc;
                    double lo = 0.0;
                    double hi = 0.0;
                    vovido::DefinedBounds(*table, lo, hi);
                    (*target)[static_cast<int>(leaf)] = lo + (*beliefs)[0] * (hi - lo);
                } else {
                    const int n = beliefs->GetNumberOfElements();
                    if (target->GetNumberOfElements() != n * leaves_) return kOutOfRange;
                    for (int k = 0; k < n; k++) (*target)[static_cast<int>(leaf) * n + k] = (*beliefs)[k];
                }
            }
        }
        for (int i = static_cast<int>(config_.size()) - 1; i >= 0; i--) {
            if (++config_[i] < sizes_[i]) break;
            config_[i] = 0;
        }
    }
    // Not a single scenario is possible: the evidence itself is.
    if (evaluated == 0) return kConflictingEvidence;
    return kSuccess;
}

int PolicyEvaluator::EvaluateObservedChances() {
    for (size_t i = 0; i < scenario_.size(); i++) {
        const int h = scenario_[i];
        if (network_->GetNodeType(h) == DefinitionType::kList) continue;
        VRX_Dmatrix* target = CallerMatrix(h);
        const int n = sizes_[i];
        long long prefixes = 1;
        for (size_t j = 0; j < i; j++) prefixes *= sizes_[j];
        if (target == nullptr || target->GetNumberOfElements() != prefixes * n) return kOutOfRange;
        std::fill(config_.begin(), config_.end(), 0);
        for (long long p = 0; p < prefixes; p++) {
            if (const int rc = ApplyScenario(static_cast<int>(i))) return rc;
            bool possible = false;
            if (const int rc = UpdateWork(possible)) return rc;
            const VRX_Dmatrix* beliefs = possible ? vovido::WorkBeliefs(*work_, h) : nullptr;
            if (beliefs != nullptr && beliefs->GetNumberOfElements() == n) {
                for (int k = 0; k < n; k++) (*target)[static_cast<int>(p) * n + k] = (*beliefs)[k];
            }
            for (int j = static_cast<int>(i) - 1; j >= 0; j--) {
                if (++config_[j] < sizes_[j]) break;
                config_[j] = 0;
            }
        }
    }
    return kSuccess;
}

int PolicyEvaluator::ComputeMauValues() {
    // Parents before children: a MAU node reads the expected utilities of the nodes above it.
    for (int h : utilityNodes_) {
        if (network_->GetNodeType(h) != DefinitionType::kMau) continue;
        if (const int rc = vovido::ComputeMauValue(*network_, h)) return rc;
    }
    return kSuccess;
}

int PolicyEvaluator::ComputePolicies() {
    // Total expected utility of every scenario: the sum of the terminal utility nodes.
    std::vector<double> w;
    try {
        w.assign(static_cast<size_t>(leaves_), 0.0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    for (int t : terminals_) {
        const VRX_Dmatrix* eu = CallerMatrix(t);
        if (eu == nullptr || eu->GetNumberOfElements() != leaves_) return kOutOfRange;
        for (long long l = 0; l < leaves_; l++) {
            const double v = (*eu)[static_cast<int>(l)];
            if (IsUndefinedEntry(v) || IsUndefinedEntry(w[l])) {
                w[l] = kUndefinedValue;
            } else {
                w[l] += v;
            }
        }
    }
    // Fold back from the last scenario node: a decision takes its best choice, a chance node averages
    // over its outcomes. Undefined entries (impossible scenarios) take part in neither.
    long long length = leaves_;
    for (int i = static_cast<int>(scenario_.size()) - 1; i >= 0; i--) {
        const int h = scenario_[i];
        const int n = sizes_[i];
        const long long outer = length / n;
        VRX_Dmatrix* m = CallerMatrix(h);
        if (m == nullptr || m->GetNumberOfElements() != length) return kOutOfRange;
        const bool decision = network_->GetNodeType(h) == DefinitionType::kList;
        for (long long o = 0; o < outer; o++) {
            double result = kUndefinedValue;
            bool any = false;
            for (int k = 0; k < n; k++) {
                const long long at = o * n + k;
                const double v = w[at];
                if (decision) {
                    (*m)[static_cast<int>(at)] = v;
                    if (IsUndefinedEntry(v)) continue;
                    if (!any || v > result) result = v;
                    any = true;
                } else {
                    const double p = (*m)[static_cast<int>(at)];
                    if (IsUndefinedEntry(p) || IsUndefinedEntry(v) || p == 0.0) continue;
                    result = any ? result + p * v : p * v;
                    any = true;
                }
            }
            w[o] = result;
        }
        length = outer;
    }
    maximumExpectedUtility_ = w.empty() ? kUndefinedValue : w[0];
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
