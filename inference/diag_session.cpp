// Diagnosis session: fault and test lists from the nodes' roles, observations, pursued faults, and the
// dispatch of the test ranking.
#include "inference/diag_session.h"

#include <cmath>
#include <string>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "inference/diag_engine.h"
#include "model/extra_definition.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_parts.h"
#include "model/node_value.h"

namespace vovido {

namespace {

constexpr const char* kAlphaProperty = "DIAG_alphaValue";
constexpr const char* kDefaultAlphaText = "1.00000000";

uint64_t Mix(uint64_t digest, int64_t value) {
    // FNV-1a over the value's eight bytes.
    for (int i = 0; i < 8; ++i) {
        digest ^= static_cast<uint64_t>(value >> (8 * i)) & 0xffu;
        digest *= 1099511628211ull;
    }
    return digest;
}

}  // namespace

uint64_t NetworkStructureDigest(const VRX_network& network) {
    uint64_t digest = Mix(14695981039346656037ull, network.GetNumberOfSlots());
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        VRX_nodeDefinition* definition = network.GetNode(h)->GetDefinition();
        digest = Mix(digest, h);
        digest = Mix(digest, network.GetNodeType(h));
        digest = Mix(digest, definition != nullptr ? definition->GetNumberOfOutcomes() : -1);
        for (int kind = 0; kind < 2; ++kind) {
            const VRX_intArray& parents = network.GetParents(h, kind);
            digest = Mix(digest, -1 - parents.GetCount());
            for (int i = 0; i < parents.GetCount(); ++i) digest = Mix(digest, parents[i]);
        }
    }
    return digest;
}

}  // namespace vovido

using vovido::DiagFault;
using vovido::ExtraDefinitionAt;

DiagSession::DiagSession() : engine(std::make_unique<DiagEngine>(this)) {}

DiagSession::~DiagSession() = default;

int DiagSession::SetNetwork(VRX_network* net) {
    if (net == nullptr) return kOutOfRange;
    vovido::NoticeCall call;  // one record per kind of notice over the updates it runs
    if (const int rc = engine->SetNetwork(*net)) return call.Result(rc);
    network = net;
    structure_ = vovido::NetworkStructureDigest(*net);
    return kSuccess;
}

bool DiagSession::NetworkUnchanged() const {
    return network != nullptr && vovido::NetworkStructureDigest(*network) == structure_;
}

int DiagSession::CheckNetwork() const {
    if (NetworkUnchanged()) return kSuccess;
    return LogError(errorLog, kObjectNotValid, vovido::kDiagNetworkChangedText, nullptr);
}

bool DiagSession::HoldsEvidence(int node) const {
    const VRX_node* n = network->GetNode(node);
    return n != nullptr && n->GetValue() != nullptr && n->GetValue()->HasEvidence();
}

int DiagSession::CollectFaultsAndObservations() {
    if (const int rc = CheckNetwork()) return rc;
    unperformedTests.Flush();
    results.clear();
    faults.clear();
    for (int h = network->GetFirstNode(); h >= 0; h = network->GetNextNode(h)) {
        const VRX_extraDefinition* extra = ExtraDefinitionAt(*network, h);
        if (extra == nullptr) continue;
        if (extra->diagType == DiagnosisType::kTarget) {
            const int outcomes = extra->GetFaultOutcomes().GetCount();
            for (int i = 0; i < outcomes; ++i) {
                if (extra->IsFaultOutcome(i) != 0) faults.push_back(DiagFault{h, i});
            }
        } else if (extra->diagType == DiagnosisType::kObservation && extra->ranked && !HoldsEvidence(h)) {
            if (const int rc = unperformedTests.Add(h)) return rc;
        }
    }
    return kSuccess;
}

void DiagSession::InstantiateDefaultObservations() {
    if (CheckNetwork() != kSuccess) return;
    for (int h = network->GetFirstNode(); h >= 0; h = network->GetNextNode(h)) {
        const VRX_extraDefinition* extra = ExtraDefinitionAt(*network, h);
        if (extra == nullptr || extra->diagType != DiagnosisType::kObservation || !extra->setAsDefault)
            continue;
        if (HoldsEvidence(h)) continue;
        // A default the network refuses (impossible given the other evidence) is simply not set; one
        // that is set makes the test performed.
        if (network->GetNode(h)->GetValue()->SetEvidence(extra->GetDefaultOutcome()) != kSuccess) continue;
        if (unperformedTests.IsInList(h)) (void)unperformedTests.DeleteByValue(h);  // present: cannot fail
    }
}

int DiagSession::UpdateFaultBeliefs() {
    if (const int rc = CheckNetwork()) return rc;
    network->ClearAllTargets();
    network->InvalidateValues();
    // An observed fault's value is its evidence, which no update rewrites: a ranking under d-separation
    // that left it out marked it out of date, and only d-separation again may.
    for (const DiagFault& fault : faults) {
        if (HoldsEvidence(fault.node))
            network->GetNode(fault.node)->GetValue()->SetValueFlag(ValueFlags::kUpToDate, true);
    }
    if (dSeparation) {
        std::vector<unsigned char> marked(static_cast<size_t>(network->GetNumberOfSlots()), 0);
        bool observed = false;
        for (int h = network->GetFirstNode(); h >= 0; h = network->GetNextNode(h)) {
            const VRX_extraDefinition* extra = ExtraDefinitionAt(*network, h);
            if (extra == nullptr || extra->diagType != DiagnosisType::kObservation || !HoldsEvidence(h))
                continue;
            observed = true;
            VRX_intArray ancestors;
            if (const int rc = network->GetAncestors(h, ancestors)) return rc;
            for (int i = 0; i < ancestors.GetCount(); ++i) marked[ancestors[i]] = 1;
        }
        if (observed) {
            bool any = false;
            for (const DiagFault& fault : faults) {
                if (!marked[fault.node]) continue;
                any = true;
                (void)network->SetTarget(fault.node);  // refused only for a node that is a target already
            }
            if (!any && !faults.empty()) (void)network->SetTarget(faults.front().node);
            const int rc = network->UpdateBeliefs();
            for (const DiagFault& fault : faults) {
                if (!marked[fault.node])
                    network->GetNode(fault.node)->GetValue()->SetValueFlag(ValueFlags::kUpToDate, false);
            }
            return rc;
        }
    }
    for (const DiagFault& fault : faults) (void)network->SetTarget(fault.node);
    return network->UpdateBeliefs();
}

int DiagSession::FindMostLikelyFault() const {
    if (faults.empty() || network == nullptr || CheckNetwork() != kSuccess) return kOutOfRange;
    int best = 0;
    double bestProbability = 0.0;
    for (size_t i = 0; i < faults.size(); ++i) {
        const double p = vovido::DiagBelief(*network, faults[i].node, faults[i].outcome);
        if (p >= bestProbability) {
            bestProbability = p;
            best = static_cast<int>(i);
        }
    }
    return best;
}

int DiagSession::GetFaultIndex(int node, int outcome) const {
    for (size_t i = 0; i < faults.size(); ++i) {
        if (faults[i].node == node && faults[i].outcome == outcome) return static_cast<int>(i);
    }
    return kOutOfRange;
}

int DiagSession::SetPursuedFault(int index) {
    pursuedFaults.Flush();
    if (index < 0 || index >= static_cast<int>(faults.size())) return kOutOfRange;
    return pursuedFaults.Add(index);
}

int DiagSession::SetPursuedFaults(const VRX_intArray& indices) {
    if (indices.GetCount() == 0)
        return LogError(errorLog, kOutOfRange, "No fault is given to pursue", nullptr);
    for (int i = 0; i < indices.GetCount(); ++i) {
        if (indices[i] < 0 || indices[i] >= static_cast<int>(faults.size())) {
            const std::string text = "Invalid fault index " + std::to_string(indices[i]) +
                                     "; valid indices are 0.." +
                                     std::to_string(static_cast<int>(faults.size()) - 1);
            return LogError(errorLog, kOutOfRange, text.c_str(), nullptr);
        }
        // A fault listed twice would weigh twice in the marginal measures.
        for (int j = 0; j < i; ++j) {
            if (indices[j] != indices[i]) continue;
            const std::string text =
                "Fault index " + std::to_string(indices[i]) + " is given twice; each fault is pursued once";
            return LogError(errorLog, kOutOfRange, text.c_str(), nullptr);
        }
    }
    VRX_intArray copy;
    for (int i = 0; i < indices.GetCount(); ++i) {
        if (const int rc = copy.Add(indices[i])) return rc;
    }
    pursuedFaults.Swap(copy);
    return kSuccess;
}

int DiagSession::GetPursuedFault() const {
    return pursuedFaults.GetCount() == 1 ? pursuedFaults[0] : kOutOfRange;
}

int DiagSession::InstantiateObservation(int node, int outcome) {
    if (const int rc = CheckNetwork()) return rc;
    if (!network->IsLiveHandle(node) || network->GetNode(node)->GetValue() == nullptr) return kOutOfRange;
    // Whatever the node's role: a fault seen directly is evidence like any other.
    if (const int rc = network->GetNode(node)->GetValue()->SetEvidence(outcome)) return rc;
    if (unperformedTests.IsInList(node)) (void)unperformedTests.DeleteByValue(node);  // present: cannot fail
    results.clear();
    return kSuccess;
}

int DiagSession::ReleaseObservation(int node) {
    if (const int rc = CheckNetwork()) return rc;
    if (!network->IsLiveHandle(node) || network->GetNode(node)->GetValue() == nullptr) return kOutOfRange;
    VRX_nodeValue& value = *network->GetNode(node)->GetValue();
    if (const int rc = value.ClearEvidence()) {
        if (rc != kOutOfRange || value.HasFlag(ValueFlags::kEvidence)) return rc;
        return vovido::ReportNodeFault(*network->GetNode(node),
                                       "it is not observed: there is no observation to release", rc);
    }
    const VRX_extraDefinition* extra = ExtraDefinitionAt(*network, node);
    // A test listed twice would be ranked twice, so a node already waiting stays where it is.
    if (extra != nullptr && extra->diagType == DiagnosisType::kObservation && extra->ranked &&
        !HoldsEvidence(node) && !unperformedTests.IsInList(node)) {
        return unperformedTests.Add(node);
    }
    return kSuccess;
}

int vovido::RefuseLostFault(int index) {
    const std::string text = "Pursued fault " + std::to_string(index) +
                             " is no longer among the faults, which were listed again from the nodes' roles: "
                             "choose the pursued faults again";
    return LogError(errorLog, kOutOfRange, text.c_str(), nullptr);
}

bool DiagSession::MandatoriesInstantiated() const {
    return FirstMissingMandatory() < 0;
}

int DiagSession::FirstMissingMandatory() const {
    if (network == nullptr) return -1;
    for (int h = network->GetFirstNode(); h >= 0; h = network->GetNextNode(h)) {
        const VRX_extraDefinition* extra = ExtraDefinitionAt(*network, h);
        if (extra != nullptr && extra->diagType == DiagnosisType::kObservation && extra->mandatory &&
            !HoldsEvidence(h)) {
            return h;
        }
    }
    return -1;
}

int DiagSession::ComputeTestStrengths(int flags) {
    if (const int rc = CheckNetwork()) return rc;
    const int pursued = pursuedFaults.GetCount();
    if (pursued == 0) return LogError(errorLog, kOutOfRange, vovido::kNoFaultPursuedText, nullptr);
    const int missing = FirstMissingMandatory();
    if (missing >= 0) {
        const std::string text = "Mandatory observation [" + vovido::NodeLabel(*network, missing) +
                                 "] has not been made: the tests are ranked once it is";
        return LogError(errorLog, kOutOfRange, text.c_str(), nullptr);
    }
    constexpr int kModes = vovido::DiagMode::kMarginal | vovido::DiagMode::kConfigurationsIndependent |
                           vovido::DiagMode::kConfigurationsJoint;
    // Several ranking bits choose by bit order (1, then 2, then 4); other bits choose nothing.
    if (pursued > 1 && (flags & kModes) == 0) {
        const std::string text = std::to_string(pursued) + " faults are pursued and mode " +
                                 std::to_string(flags) +
                                 " chooses no ranking of several: add 1 (marginal probabilities), 2 "
                                 "(independent configurations) or 4 (joint configurations)";
        return LogError(errorLog, kOutOfRange, text.c_str(), nullptr);
    }
    vovido::NoticeCall call;  // one record per kind of notice over every test's updates
    if (pursued == 1) return call.Result(engine->RankSingleFault());
    if (flags & vovido::DiagMode::kMarginal) return call.Result(engine->RankMarginal(flags));
    if (flags & vovido::DiagMode::kConfigurationsIndependent)
        return call.Result(engine->RankConfigurationsIndependent(flags));
    return call.Result(engine->RankConfigurationsJoint(flags));
}

double DiagSession::GetAlphaValue() {
    if (network == nullptr) return 1.0;
    VRX_userProperties& properties = network->userProperties;
    const int index = properties.FindProperty(vovido::kAlphaProperty);
    if (index < 0) {
        (void)properties.AddProperty(vovido::kAlphaProperty, vovido::kDefaultAlphaText);  // 1.0 either way
        return 1.0;
    }
    double alpha = 1.0;
    // A text that is no finite number would turn every score into NaN: the default weight holds then.
    if (ParseDouble(properties.GetPropertyValue(index), alpha) != kSuccess || !std::isfinite(alpha))
        return 1.0;
    return alpha;
}

void DiagSession::AddTestResult(int test, double strength, double cost) {
    if (cost < 0.0) cost = 0.0;
    if (strength >= -1e-6 && strength < 0.0) strength = 0.0;
    double score = strength;
    if (cost > 0.0) score = strength - GetAlphaValue() * cost;
    results.push_back(TestResult{test, strength, cost, score});
}

void DiagSession::AddUnavailableResult(int code) {
    const double s = code == kOutOfRange ? kExcludedValue : kNotAvailableValue;
    results.push_back(TestResult{code, s, s, s});
}
