// Values of continuous nodes: equation evaluations and hybrid continuous values.
#include "definitions/continuous_values.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/status_codes.h"
#include "definitions/equation.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_label.h"

namespace {

constexpr uint32_t kEvidenceBits = ValueFlags::kEvidence | ValueFlags::kPropagatedEvidence;

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Equation evaluation

namespace {

// An observation must be a value the node can take: NaN and the infinities are refused naming the node,
// and nothing changes.
int RefuseObservedValue(const VRX_network* network, int handle, double value) {
    const VRX_node* node = network != nullptr ? network->GetNode(handle) : nullptr;
    const char* text = std::isnan(value) ? "NaN" : value > 0.0 ? "infinity" : "-infinity";
    if (node == nullptr) return kOutOfRange;
    return vovido::ReportNodeFault(
        *node, std::string("its evidence must be a finite number, not ") + text + ".", kOutOfRange);
}

}  // namespace

VRX_valEqEvaluation::VRX_valEqEvaluation(int nodeHandle, VRX_network* net) : VRX_nodeValue(nodeHandle, net) {}

VRX_valEqEvaluation::VRX_valEqEvaluation(VRX_nodeValue& source) : VRX_nodeValue(source) {
    (void)CopyFrom(source);  // out of memory leaves the value empty
}

// CopyFrom only reads its source, so the const copy goes the same way.
VRX_valEqEvaluation::VRX_valEqEvaluation(const VRX_valEqEvaluation& source)
    : VRX_valEqEvaluation(static_cast<VRX_nodeValue&>(const_cast<VRX_valEqEvaluation&>(source))) {}

VRX_valEqEvaluation::~VRX_valEqEvaluation() = default;

void VRX_valEqEvaluation::CleanUp(int deep) {
    if (deep) {
        samples.clear();
        intervalBeliefs.clear();
        sampleCount = 0;
        mean = -1.0;
        stdDev = -1.0;
    }
    VRX_nodeValue::CleanUp(deep);
}

int VRX_valEqEvaluation::CopyFrom(VRX_nodeValue& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    CleanUp(1);
    if (const int rc = CopyBaseFrom(source)) return rc;
    auto* other = dynamic_cast<VRX_valEqEvaluation*>(&source);
    if (other == nullptr) {
        RemoveValueFlags(kEvidenceBits | ValueFlags::kVirtualEvidence);
    } else {
        contEvidence = other->contEvidence;
        if (other->HasFlag(ValueFlags::kEvidence)) (void)SetContEvidence(other->contEvidence);
        samples = other->samples;
        mean = other->mean;
        stdDev = other->stdDev;
        shift_ = other->shift_;
        intervalBeliefs = other->intervalBeliefs;
        sampleCount = other->sampleCount;
        keepSamples = other->keepSamples;
    }
    CheckValidity(1);
    CheckConsistency(1);
    return kSuccess;
}

int VRX_valEqEvaluation::GetType() const {
    return ValueType::kEqEvaluation;
}

int VRX_valEqEvaluation::GetSize() {
    return 0;
}

int VRX_valEqEvaluation::AddIndexingParent(int /*parent*/) {
    return kSuccess;
}

int VRX_valEqEvaluation::GetContEvidence(double& out) {
    out = contEvidence;
    return kSuccess;
}

int VRX_valEqEvaluation::SetContEvidence(double value) {
    if (!std::isfinite(value)) return RefuseObservedValue(GetNetwork(), GetHandle(), value);
    contEvidence = value;
    RemoveValueFlags(ValueFlags::kPropagatedEvidence);
    AddValueFlags(ValueFlags::kEvidence | ValueFlags::kUpToDate);
    return kSuccess;
}

int VRX_valEqEvaluation::SetPropagatedContEvidence(double value) {
    contEvidence = value;
    AddValueFlags(ValueFlags::kEvidence | ValueFlags::kUpToDate | ValueFlags::kPropagatedEvidence);
    return kSuccess;
}

int VRX_valEqEvaluation::ClearEvidence() {
    if (!HasEvidence()) return kOutOfRange;
    RemoveValueFlags(kEvidenceBits | ValueFlags::kUpToDate);
    return kSuccess;
}

int VRX_valEqEvaluation::ClearPropagatedEvidence() {
    if (!HasFlag(ValueFlags::kPropagatedEvidence)) return kOutOfRange;
    RemoveValueFlags(kEvidenceBits | ValueFlags::kUpToDate);
    return kSuccess;
}

void VRX_valEqEvaluation::ClearSamples() {
    samples.clear();
    intervalBeliefs.clear();
    RemoveValueFlags(ValueFlags::kUpToDate);
    sampleCount = 0;
    mean = 0.0;
    stdDev = 0.0;
}

void VRX_valEqEvaluation::AddSample(double x) {
    if (keepSamples) samples.push_back({x, 1.0});
    if (sampleCount == 0) {
        shift_ = x;
        mean = 0.0;
        stdDev = 0.0;
    }
    const double d = x - shift_;
    sampleCount++;
    mean += d;
    stdDev += d * d;
}

bool VRX_valEqEvaluation::ComputeStatistics() {
    if (sampleCount <= 0) return true;
    const double n = sampleCount;
    const double m = mean / n;
    const double variance = stdDev / n - m * m;
    mean = shift_ + m;
    stdDev = variance > 0.0 ? std::sqrt(variance) : 0.0;
    if (!std::isfinite(mean) || !std::isfinite(variance)) {
        ClearSamples();  // no answer
        return false;
    }
    AddValueFlags(ValueFlags::kUpToDate);
    return true;
}

void VRX_valEqEvaluation::SetWeightedSamples(const std::vector<WeightedSample>& pairs) {
    if (pairs.empty()) {
        ClearSamples();
        return;
    }
    samples = pairs;
    bool allZero = true;
    for (const WeightedSample& s : samples) allZero = allZero && s.weight == 0.0;
    double total = 0.0;
    double weighted = 0.0;
    for (WeightedSample& s : samples) {
        if (allZero) s.weight = 1.0;
        total += s.weight;
        weighted += s.weight * s.value;
    }
    sampleCount = static_cast<int>(samples.size());
    if (total == 0.0) {
        mean = samples.front().value;
        stdDev = 0.0;
    } else {
        mean = weighted / total;
        // The weighted population deviation: a mean without its spread says little about a posterior.
        double scatter = 0.0;
        for (const WeightedSample& s : samples) scatter += s.weight * (s.value - mean) * (s.value - mean);
        stdDev = scatter > 0.0 ? std::sqrt(scatter / total) : 0.0;
    }
    intervalBeliefs.clear();
    AddValueFlags(ValueFlags::kUpToDate);
}

int VRX_valEqEvaluation::SetDiscretizedBeliefs(const std::vector<double>& probabilities) {
    const VRX_node* node = network != nullptr ? network->GetNode(handle) : nullptr;
    const auto* equation =
        node != nullptr ? dynamic_cast<const VRX_equation*>(node->GetDefinition()) : nullptr;
    if (equation == nullptr || equation->GetIntervals().empty()) return kWrongNodeType;
    if (probabilities.size() != equation->GetIntervals().size()) return kOutOfRange;
    intervalBeliefs = probabilities;
    samples.clear();
    mean = -1.0;
    stdDev = -1.0;
    AddValueFlags(ValueFlags::kUpToDate);
    return kSuccess;
}

void VRX_valEqEvaluation::SetSolvedValue(double x) {
    samples.clear();
    intervalBeliefs.clear();
    sampleCount = 0;
    mean = x;
    stdDev = 0.0;
    AddValueFlags(ValueFlags::kUpToDate);
}

// ---------------------------------------------------------------------------------------------------
// Hybrid continuous value

VRX_valcontinuous::VRX_valcontinuous(int nodeHandle, VRX_network* net) : VRX_nodeValue(nodeHandle, net) {
    const VRX_node* node = net != nullptr ? net->GetNode(nodeHandle) : nullptr;
    SetFlag(kValid, node != nullptr && node->GetDefinition() != nullptr);
}

VRX_valcontinuous::VRX_valcontinuous(VRX_nodeValue& source) : VRX_nodeValue(source) {
    (void)CopyFrom(source);  // out of memory leaves the value empty
}

// CopyFrom only reads its source, so the const copy goes the same way.
VRX_valcontinuous::VRX_valcontinuous(const VRX_valcontinuous& source)
    : VRX_valcontinuous(static_cast<VRX_nodeValue&>(const_cast<VRX_valcontinuous&>(source))) {}

VRX_valcontinuous::~VRX_valcontinuous() = default;

int VRX_valcontinuous::CopyFrom(VRX_nodeValue& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    if (const int rc = CopyBaseFrom(source)) return rc;
    if (const auto* other = dynamic_cast<const VRX_valcontinuous*>(&source)) {
        sampleCount = other->sampleCount;
        samples = other->samples;
        evidenceMark = other->evidenceMark;
        mixture = other->mixture;
        mean = other->mean;
        stdDev = other->stdDev;
        contEvidence = other->contEvidence;
    } else {
        // Evidence of another kind of value meant an outcome, not a number.
        RemoveValueFlags(kEvidenceBits | ValueFlags::kVirtualEvidence);
    }
    return kSuccess;
}

int VRX_valcontinuous::GetType() const {
    return ValueType::kContinuous;
}

int VRX_valcontinuous::GetSize() {
    return 0;
}

int VRX_valcontinuous::AddIndexingParent(int /*parent*/) {
    return kSuccess;
}

int VRX_valcontinuous::SetContEvidence(double value) {
    if (!std::isfinite(value)) return RefuseObservedValue(GetNetwork(), GetHandle(), value);
    contEvidence = value;
    RemoveValueFlags(ValueFlags::kPropagatedEvidence);
    AddValueFlags(ValueFlags::kEvidence);
    return kSuccess;
}

int VRX_valcontinuous::SetPropagatedContEvidence(double value) {
    contEvidence = value;
    RemoveValueFlags(ValueFlags::kEvidence);
    AddValueFlags(ValueFlags::kPropagatedEvidence);
    return kSuccess;
}

int VRX_valcontinuous::ClearEvidence() {
    RemoveValueFlags(ValueFlags::kEvidence);
    evidenceMark = 0;
    return kSuccess;
}

int VRX_valcontinuous::ClearPropagatedEvidence() {
    RemoveValueFlags(ValueFlags::kPropagatedEvidence);
    evidenceMark = 0;
    return kSuccess;
}

int VRX_valcontinuous::GetContEvidence(double& out) {
    if (!HasEvidence()) return kOutOfRange;
    out = contEvidence;
    return kSuccess;
}

void VRX_valcontinuous::SetWeightedSamples(std::vector<WeightedSample> drawn) {
    samples = std::move(drawn);
    sampleCount = static_cast<int>(samples.size());
    double total = 0.0, sum = 0.0;
    for (const WeightedSample& s : samples) {
        total += s.weight;
        sum += s.weight * s.value;
    }
    if (!(total > 0.0) || !std::isfinite(total)) {
        mean = stdDev = -1.0;
        return;
    }
    mean = sum / total;
    double scatter = 0.0;
    for (const WeightedSample& s : samples) scatter += s.weight * (s.value - mean) * (s.value - mean);
    stdDev = std::sqrt(std::max(scatter / total, 0.0));
    AddValueFlags(ValueFlags::kUpToDate);
}
