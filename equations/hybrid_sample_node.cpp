// Sample nodes of the hybrid algorithms: draws, proposals, estimates and lambda combination.
#include "equations/hybrid_sample_node.h"

#include <cmath>
#include <limits>

#include "base/counted_notices.h"
#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/number_text.h"
#include "base/random_generator.h"
#include "definitions/continuous_values.h"
#include "definitions/hybrid_definition.h"
#include "definitions/hybrid_element.h"
#include "equations/distribution_support.h"
#include "equations/hybrid_sampling_network.h"
#include "model/node.h"
#include "model/node_info.h"
#include "model/node_value.h"

namespace {

// Share of a proposal drawn from the element alone: the proposal then covers the whole conditional,
// whatever the messages say, and the importance weights stay bounded.
constexpr double kDefensiveShare = 0.2;
constexpr int kMaxRangeDraws = 1000;

const vovido::NoticeKind kCutValuesNotice = {
    "Warning: the bounds set on {count} cut off values their definitions give: their beliefs are "
    "conditional on lying within them",
    "node", nullptr};

bool Matches(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(a));
}

}  // namespace

VRX_hybridSampleNode::VRX_hybridSampleNode(HybridSampleNet& owner, int nodeHandle, VRX_defHybrid& definition)
    : handle(nodeHandle), id(owner.GetView().GetNodeId(nodeHandle)), owner_(owner), definition_(definition) {
    const VRX_nodeInfo* info = owner.GetView().GetNode(nodeHandle)->GetInfo();
    const int property = info != nullptr ? info->userProperties.FindProperty(kInternalNodeProperty) : -1;
    internal = property >= 0;
    if (internal && info->userProperties.GetPropertyValue(property) != nullptr)
        ownerId = info->userProperties.GetPropertyValue(property);
}

VRX_hybridSampleNode::~VRX_hybridSampleNode() = default;

bool VRX_hybridSampleNode::IsDeterministic() const {
    return definition_.GetType() == DefinitionType::kHEquation;
}

void VRX_hybridSampleNode::SetParentValues(VRX_Helement& element) const {
    for (size_t i = static_cast<size_t>(discreteParentCount); i < parents.size(); ++i)
        element.SetVariableValue(parents[i]->id, parents[i]->GetValue());
}

VRX_Helement* VRX_hybridSampleNode::TakeElement() {
    // The node's own definition: a draw looks its element up many times, never through the network.
    VRX_Helement* element = nullptr;
    if (definition_.GetElement(parentStates.data(), element) != kSuccess || element == nullptr)
        return nullptr;
    SetParentValues(*element);
    return element;
}

void VRX_hybridSampleNode::MarkLinksReady(const VRX_hybridSampleNode& sender, bool fromParent) {
    readyToParent.resize(parents.size(), 0);
    readyToChild.resize(children.size(), 0);
    const int runFlags = owner_.runFlags;
    const bool planned = (runFlags & 8) != 0;
    const bool informed = combinedLambda && !combinedLambda->IsUniform();
    // A pi message moves lambda messages towards the other parents only once the node has a lambda
    // of its own and stands in the evidence's way (planned runs).
    const bool toParents =
        !fromParent || !planned ||
        (informed && (nodeFlags & (SampleNodeFlags::kObserved | SampleNodeFlags::kEvidenceAncestor)));
    if (toParents) {
        for (size_t k = 0; k < parents.size(); ++k) {
            if (!parents[k]->IsObserved() && !(fromParent && planned && parents[k] == &sender))
                readyToParent[k] = 1;
        }
    }
    if (fromParent && IsObserved()) return;
    for (size_t m = 0; m < children.size(); ++m) {
        const VRX_hybridSampleNode& child = *children[m];
        // An observed child still needs the node's new pi message when it sends lambda messages to
        // other parents: in a loop, those carry the change back round.
        if (child.IsObserved() && !child.HasFreeParentOtherThan(this)) continue;
        if (planned && (&child == &sender ||
                        (!(child.nodeFlags & SampleNodeFlags::kEvidenceAncestor) && (runFlags & 2))))
            continue;
        readyToChild[m] = 1;
    }
}

bool VRX_hybridSampleNode::HasFreeParentOtherThan(const VRX_hybridSampleNode* parent) const {
    for (const VRX_hybridSampleNode* p : parents) {
        if (p != parent && !p->IsObserved()) return true;
    }
    return false;
}

void VRX_hybridSampleNode::RefreshLinkFlags() {
    activeToParent.assign(readyToParent.begin(), readyToParent.end());
    activeToChild.assign(readyToChild.begin(), readyToChild.end());
    activeToParent.resize(parents.size(), 0);
    activeToChild.resize(children.size(), 0);
    readyToParent.assign(parents.size(), 0);
    readyToChild.assign(children.size(), 0);
}

double VRX_hybridSampleNode::DrawFrom(VRX_hybridMessage& message) {
    if (message.IsDiscrete()) return static_cast<VRX_discreteMessage&>(message).SampleState();
    return static_cast<VRX_continuousMessage&>(message).SampleValue();
}

// ---------------------------------------------------------------------------------------------------
// Discrete

VRX_discreteSampleNode::VRX_discreteSampleNode(HybridSampleNet& owner, int nodeHandle,
                                               VRX_defHybrid& definition, int evidence)
    : VRX_hybridSampleNode(owner, nodeHandle, definition),
      outcomeCount(owner.view.GetNumberOfOutcomes(nodeHandle)) {
    if (evidence >= 0) {
        evidenceState = currentState = evidence;
        nodeFlags |= SampleNodeFlags::kObserved;
    }
}

double VRX_discreteSampleNode::GetEvidenceWeight() {
    VRX_Helement* element = TakeElement();
    return element != nullptr ? element->GetStateProbability(currentState) : 0.0;
}

double VRX_discreteSampleNode::SampleFromConditional() {
    if (IsObserved()) return 1.0;
    VRX_Helement* element = TakeElement();
    return element != nullptr && element->SampleState(currentState) == kSuccess ? 1.0 : 0.0;
}

double VRX_discreteSampleNode::SampleFromProposal() {
    if (IsObserved()) return GetEvidenceWeight();
    if (!combinedLambda || combinedLambda->IsUniform()) return SampleFromConditional();
    VRX_Helement* element = TakeElement();
    if (element == nullptr) return 0.0;
    auto& lambda = static_cast<VRX_discreteMessage&>(*combinedLambda);
    std::vector<double>& prior = prior_;
    std::vector<double>& q = proposal_;
    prior.assign(static_cast<size_t>(outcomeCount), 0.0);
    q.assign(static_cast<size_t>(outcomeCount), 0.0);
    double z = 0.0;
    for (int s = 0; s < outcomeCount; ++s) {
        prior[s] = element->GetStateProbability(s);
        z += prior[s] * lambda.GetProbability(s);
    }
    for (int s = 0; s < outcomeCount; ++s) {
        q[s] = kDefensiveShare * prior[s] +
               (1.0 - kDefensiveShare) * (z > 0.0 ? prior[s] * lambda.GetProbability(s) / z : prior[s]);
    }
    const double u = sampleNodeGenerator.NextFraction();
    double sum = 0.0;
    currentState = outcomeCount - 1;
    for (int s = 0; s < outcomeCount; ++s) {
        sum += q[s];
        if (u < sum) {
            currentState = s;
            break;
        }
    }
    while (currentState > 0 && q[currentState] <= 0.0) --currentState;
    return q[currentState] > 0.0 ? prior[currentState] / q[currentState] : 0.0;
}

void VRX_discreteSampleNode::ResetEstimate() {
    weightedSum = weightedSquareSum = 0.0;
    estimate.assign(static_cast<size_t>(outcomeCount), 0.0);
    if (IsObserved() && evidenceState >= 0 && evidenceState < outcomeCount)
        estimate[static_cast<size_t>(evidenceState)] = 1.0;
}

void VRX_discreteSampleNode::AddSampleToEstimate(double weight) {
    if (currentState < 0 || currentState >= outcomeCount) return;
    estimate[static_cast<size_t>(currentState)] += weight;
    const double x = currentState;
    weightedSum += x * weight;
    weightedSquareSum += x * x * weight;
}

void VRX_discreteSampleNode::ScaleEstimate(double factor) {
    for (double& e : estimate) e *= factor;
    weightedSum *= factor;
    weightedSquareSum *= factor;
}

void VRX_discreteSampleNode::FinishEstimate() {
    double sum = 0.0;
    for (double e : estimate) sum += e;
    if (!(sum > 0.0)) return;
    for (double& e : estimate) e /= sum;
    weightedSum /= sum;
    weightedSquareSum = weightedSquareSum / sum - weightedSum * weightedSum;
}

namespace {

double Hellinger(const std::vector<double>& a, const std::vector<double>& b, size_t count) {
    double sum = 0.0;
    for (size_t i = 0; i < count && i < a.size(); ++i) {
        const double d = std::sqrt(a[i]) - std::sqrt(i < b.size() ? b[i] : 0.0);
        sum += d * d;
    }
    return std::sqrt(sum);
}

}  // namespace

double VRX_discreteSampleNode::Distance(const VRX_hybridSampleNode& other) const {
    if (other.IsContinuous()) return 0.0;
    return Hellinger(estimate, static_cast<const VRX_discreteSampleNode&>(other).estimate,
                     static_cast<size_t>(outcomeCount));
}

void VRX_discreteSampleNode::WriteResults(VRX_node& node) {
    VRX_nodeValue* value = node.GetValue();
    VRX_Dmatrix* beliefs = nullptr;
    if (IsObserved() || value == nullptr || value->GetValue(beliefs) != kSuccess || beliefs == nullptr)
        return;
    if (beliefs->GetNumberOfElements() != outcomeCount) return;
    for (int s = 0; s < outcomeCount; ++s) (*beliefs)[s] = estimate[static_cast<size_t>(s)];
    value->SetValueFlag(ValueFlags::kUpToDate, true);
}

namespace {

// A message about the node's value, bound to it.
std::unique_ptr<VRX_hybridMessage> MessageAbout(VRX_hybridSampleNode& node, const HybridSampleNet& owner) {
    if (!node.IsContinuous()) {
        auto& d = static_cast<VRX_discreteSampleNode&>(node);
        auto m = std::make_unique<VRX_discreteMessage>(d.outcomeCount, &d.currentState);
        if (node.IsObserved()) m->SetEvidenceState(d.evidenceState);
        return m;
    }
    auto& c = static_cast<VRX_continuousSampleNode&>(node);
    auto m = std::make_unique<VRX_continuousMessage>(c.lowerBound, c.upperBound, owner.numMixtureComponents,
                                                     owner.mixtureTolerance, owner.mixtureVariancePrior,
                                                     &c.currentValue);
    if (node.IsObserved()) m->SetEvidenceValue(c.evidenceValue);
    return m;
}

}  // namespace

void VRX_discreteSampleNode::CreateMessages() {
    parentMessages.clear();
    newParentMessages.clear();
    for (VRX_hybridSampleNode* p : parents) {
        parentMessages.push_back(MessageAbout(*p, owner_));
        newParentMessages.push_back(MessageAbout(*p, owner_));
    }
    childMessages.clear();
    newChildMessages.clear();
    for (size_t m = 0; m < children.size(); ++m) {
        childMessages.push_back(std::make_unique<VRX_discreteMessage>(outcomeCount, &currentState));
        newChildMessages.push_back(std::make_unique<VRX_discreteMessage>(outcomeCount, &currentState));
    }
    combinedLambda = std::make_unique<VRX_discreteMessage>(outcomeCount, &currentState);
}

double VRX_discreteSampleNode::LambdaProduct(double v, int skip) {
    double p = 1.0;
    for (size_t m = 0; m < childMessages.size(); ++m) {
        if (static_cast<int>(m) == skip || childMessages[m]->IsUniform()) continue;
        p *= static_cast<VRX_discreteMessage&>(*childMessages[m]).GetProbability(static_cast<int>(v));
    }
    return p;
}

void VRX_discreteSampleNode::CombineLambdaMessages() {
    auto combined = std::make_unique<VRX_discreteMessage>(outcomeCount, &currentState);
    bool informative = false;
    for (const auto& m : childMessages) informative = informative || !m->IsUniform();
    if (informative) {
        for (int s = 0; s < outcomeCount; ++s) combined->AddStateSample(s, LambdaProduct(s, -1));
        combined->Finish();
    }
    combinedLambda = std::move(combined);
}

// ---------------------------------------------------------------------------------------------------
// Continuous

namespace {

// The product of the mixtures component by component, the closest components merged as it grows;
// false (message untouched) when it would grow too large or has no mass.
bool ExactProduct(const std::vector<const GaussianMixture*>& mixtures, VRX_continuousMessage& message) {
    constexpr size_t kMostTerms = 64, kKept = 8;
    vovido::Components product, next, factor;
    for (const GaussianMixture* m : mixtures) {
        if (!vovido::UsableComponents(*m, factor)) return false;
        if (product.empty()) {
            product = factor;
            continue;
        }
        if (!vovido::MultiplyComponents(product, factor, kMostTerms, next)) return false;
        vovido::ReduceComponents(next, kKept);
        product.swap(next);
    }
    GaussianMixture result(0.0, 0.0, 0, mixtures[0]->tolerance, mixtures[0]->variancePrior);
    result.components = product;
    result.count = static_cast<int>(product.size());
    message.AssignMixture(result);
    return true;
}

}  // namespace

VRX_continuousSampleNode::VRX_continuousSampleNode(HybridSampleNet& owner, int nodeHandle,
                                                   VRX_defHybrid& definition, bool observed, double evidence)
    : VRX_hybridSampleNode(owner, nodeHandle, definition), lowerBound(-1e6), upperBound(1e6) {
    (void)owner.view.GetLowerBound(nodeHandle, lowerBound);  // continuous kinds: always 0
    (void)owner.view.GetUpperBound(nodeHandle, upperBound);
    const VRX_nodeInfo* info = owner.GetView().GetNode(nodeHandle)->GetInfo();
    const auto* ranged = dynamic_cast<const VRX_defContinuousHybrid*>(&definition);
    if (ranged != nullptr && (info == nullptr || info->userProperties.FindProperty(kOpenRangeProperty) < 0)) {
        if (ranged->IsLowerBoundSet()) cutLower = lowerBound;
        if (ranged->IsUpperBoundSet()) cutUpper = upperBound;
    }
    if (observed) {
        evidenceValue = currentValue = evidence;
        nodeFlags |= SampleNodeFlags::kObserved;
    }
}

double VRX_continuousSampleNode::GetEvidenceWeight() {
    VRX_Helement* element = TakeElement();
    if (element == nullptr) return 0.0;
    if (element->IsEquation()) {
        double result = 0.0;
        return element->Evaluate(result) == kSuccess && Matches(result, currentValue) ? 1.0 : 0.0;
    }
    return element->GetDensity(currentValue);
}

double VRX_continuousSampleNode::LogEvidenceWeight() {
    VRX_Helement* element = TakeElement();
    if (element == nullptr) return -std::numeric_limits<double>::infinity();
    if (element->IsEquation()) return std::log(GetEvidenceWeight());
    return element->GetLogDensity(currentValue);
}

bool VRX_continuousSampleNode::DrawInRange(VRX_Helement& element, double& value) const {
    for (int attempt = 0; attempt < kMaxRangeDraws; ++attempt) {
        if (element.Sample(value) != kSuccess) return false;
        if (InSupport(value)) return true;
    }
    return false;
}

double VRX_continuousSampleNode::SampleFromConditional() {
    if (IsObserved()) return 1.0;
    VRX_Helement* element = TakeElement();
    if (element == nullptr) return 0.0;
    if (element->IsEquation()) {
        if (element->Evaluate(currentValue) != kSuccess) return 0.0;
        return InSupport(currentValue) ? 1.0 : 0.0;
    }
    return DrawInRange(*element, currentValue) ? 1.0 : 0.0;
}

bool VRX_continuousSampleNode::BuildProduct(VRX_Helement& element, GaussianMixture& product) const {
    double a = 0.0, s = 0.0;
    product.components.clear();
    product.count = 0;
    // A Gaussian draws no whole numbers: a call of them (Bernoulli) is drawn from itself.
    const auto* call = dynamic_cast<const VRX_distributionElement*>(&element);
    if (element.GetMeanAndVariance(a, s) != kSuccess || !(s > 0.0) || !combinedLambda ||
        combinedLambda->IsUniform() || (call != nullptr && IsWholeNumberCall(call->GetExpression())))
        return false;
    const GaussianMixture& lambda = static_cast<VRX_continuousMessage&>(*combinedLambda).GetMixture();
    // The fields set one by one: the components keep their storage from draw to draw.
    product.lowerBound = lowerBound;
    product.upperBound = upperBound;
    product.tolerance = 0.001;
    product.variancePrior = 10.0;
    double total = 0.0;
    for (int k = 0; k < lambda.count && k < static_cast<int>(lambda.components.size()); ++k) {
        MixtureComponent c;
        const MixtureComponent& l = lambda.components[static_cast<size_t>(k)];
        if (l.weight > 1e-7 && l.variance > 1e-7) {
            vovido::MultiplyComponent(l, a, s, c);
            total += c.weight;
            product.components.push_back(c);
        }
    }
    product.count = static_cast<int>(product.components.size());
    if (!(total > 0.0)) {
        product.components.clear();
        product.count = 0;
        return false;
    }
    for (MixtureComponent& c : product.components) c.weight /= total;
    return true;
}

void VRX_continuousSampleNode::FinishMessagePassing() {
    // The product of a cell's Gaussian and the lambda mixture depends on the cell alone when no parent
    // is continuous: one proposal per cell, built once for every draw that follows.
    cellProposals_.clear();
    for (const VRX_hybridSampleNode* p : parents) {
        if (p->IsContinuous()) return;
    }
    if (!combinedLambda || combinedLambda->IsUniform()) return;
    cellProposals_.resize(owner_.view.GetElementTable(handle)->cells.size());
    for (size_t i = 0; i < cellProposals_.size(); ++i) {
        if (VRX_Helement* cell = owner_.view.GetElementAt(handle, static_cast<int>(i)))
            (void)BuildProduct(*cell, cellProposals_[i]);
    }
}

double VRX_continuousSampleNode::SampleValueFromElement(VRX_Helement& element, double& value,
                                                        double& density) {
    const GaussianMixture* product = nullptr;
    if (!cellProposals_.empty()) {
        const int cell = GetDefinition().GetElementTable().IndexOf(parentStates.data());
        if (cell >= 0 && cell < static_cast<int>(cellProposals_.size()))
            product = &cellProposals_[static_cast<size_t>(cell)];
    } else if (BuildProduct(element, proposal_)) {
        product = &proposal_;
    }
    drewOwn_ = true;
    if (product == nullptr || product->components.empty()) {
        if (!DrawInRange(element, value)) return 0.0;
        density = element.GetDensity(value);
        return density;
    }
    // A Normal family times lambda messages known in closed form, in a network without loops, is the
    // exact conditional: no share of the proposal needs to cover for a message that missed.
    const double share =
        exactLambda_ && !linearCells.empty() && owner_.singlyConnected && owner_.linearGaussian
            ? 0.0
            : kDefensiveShare;
    if (share > 0.0 && sampleNodeGenerator.NextFraction() < share) {
        if (!DrawInRange(element, value)) return 0.0;
    } else {
        value = product->Sample();
        drewOwn_ = false;
    }
    density = element.GetDensity(value);
    return share > 0.0 ? share * density + (1.0 - share) * product->Density(value) : product->Density(value);
}

double VRX_continuousSampleNode::SampleFromProposal() {
    double offset = 0.0;
    const double w = ScaledSampleFromProposal(offset);
    return offset == 0.0 ? w : w * std::exp(offset);
}

double VRX_continuousSampleNode::ScaledSampleFromProposal(double& logOffset) {
    // Far in a tail a density underflows: its logarithm joins the offset instead.
    auto underflowed = [&](double logDensity) {
        if (!std::isfinite(logDensity)) return 0.0;
        logOffset += logDensity;
        return 1.0;
    };
    if (IsObserved()) {
        const double e = GetEvidenceWeight();
        return e > 0.0 ? e : underflowed(LogEvidenceWeight());
    }
    if (!combinedLambda || combinedLambda->IsUniform()) return SampleFromConditional();
    VRX_Helement* element = TakeElement();
    if (element == nullptr) return 0.0;
    if (element->IsEquation()) {
        if (element->Evaluate(currentValue) != kSuccess) return 0.0;
        return InSupport(currentValue) ? 1.0 : 0.0;
    }
    double density = 0.0;
    const double q = SampleValueFromElement(*element, currentValue, density);
    if (!(q > 0.0) || !InSupport(currentValue)) return 0.0;
    if (density > 0.0) return density / q;
    return underflowed(element->GetLogDensity(currentValue) - std::log(q));
}

void VRX_continuousSampleNode::ResetEstimate() {
    weightedSum = weightedSquareSum = 0.0;
    drawnWeight = ownWeight = 0.0;
    samples.clear();
    histogram.assign(kHistogramBins, 0.0);
}

int VRX_continuousSampleNode::BinOf(double x) const {
    const double b = (x - lowerBound) * kHistogramBins / (upperBound - lowerBound);
    if (!(b >= 0.0)) return 0;  // below the range, or not a number
    return b >= kHistogramBins ? kHistogramBins - 1 : static_cast<int>(b);
}

void VRX_continuousSampleNode::AddSampleToEstimate(double weight) {
    samples.push_back({currentValue, weight});
    drawnWeight += weight;
    if (drewOwn_) ownWeight += weight;
    if (histogram.size() != static_cast<size_t>(kHistogramBins)) histogram.assign(kHistogramBins, 0.0);
    histogram[static_cast<size_t>(BinOf(currentValue))] += weight;
    weightedSum += currentValue * weight;
    weightedSquareSum += currentValue * currentValue * weight;
}

void VRX_continuousSampleNode::ScaleEstimate(double factor) {
    for (WeightedSample& s : samples) s.weight *= factor;
    for (double& h : histogram) h *= factor;
    weightedSum *= factor;
    weightedSquareSum *= factor;
    drawnWeight *= factor;
    ownWeight *= factor;
}

void VRX_continuousSampleNode::FinishEstimate() {
    // No samples: 0 / 0 everywhere, NaN entries, mean and variance.
    double sum = 0.0;
    for (double h : histogram) sum += h;
    for (double& h : histogram) h /= sum;
    weightedSum /= sum;
    weightedSquareSum = weightedSquareSum / sum - weightedSum * weightedSum;
}

double VRX_continuousSampleNode::Distance(const VRX_hybridSampleNode& other) const {
    if (!other.IsContinuous()) return 0.0;
    return Hellinger(histogram, static_cast<const VRX_continuousSampleNode&>(other).histogram,
                     histogram.size());
}

std::string VRX_continuousSampleNode::BoundsText() const {
    if (!std::isfinite(cutLower) && !std::isfinite(cutUpper)) return "";
    std::string text;
    AppendDouble(cutLower, text);
    text += " to ";
    AppendDouble(cutUpper, text);
    return text;
}

void VRX_continuousSampleNode::WarnOfCutValues() {
    if (!cutValues_) return;
    cutValues_ = false;
    const std::string text = "Warning: the bounds set on node [" + id + "], " + BoundsText() +
                             ", cut off values its definition gives: its belief is conditional on lying "
                             "within them.";
    (void)vovido::LogNotice(errorLog, kNoUsefulSamples, text.c_str(), nullptr, {&kCutValuesNotice, id, id});
}

void VRX_continuousSampleNode::WriteResults(VRX_node& node) {
    WarnOfCutValues();
    auto* value = dynamic_cast<VRX_valcontinuous*>(node.GetValue());
    if (value == nullptr) return;
    if (IsObserved()) {
        if (!value->HasEvidence()) (void)value->SetPropagatedContEvidence(evidenceValue);  // always 0
        return;
    }
    value->SetWeightedSamples(std::move(samples));
    samples.clear();
}

void VRX_continuousSampleNode::WriteMessageResults(VRX_node& node) {
    auto* value = dynamic_cast<VRX_valcontinuous*>(node.GetValue());
    if (value == nullptr || IsObserved() || samples.empty()) {
        WriteResults(node);
        return;
    }
    if (resultMixture.count > 0) {
        WriteResults(node);
        value->mixture.AssignComponents(resultMixture);
        return;
    }
    VRX_continuousMessage result(lowerBound, upperBound, owner_.numMixtureComponents, owner_.mixtureTolerance,
                                 owner_.mixtureVariancePrior);
    // The fit takes an even share of the draws, at most kFittedSamples: the mean and the deviation
    // come from all of them, and a fit's cost grows with its samples times its steps.
    constexpr size_t kFittedSamples = 2000;
    const size_t step = (samples.size() + kFittedSamples - 1) / kFittedSamples;
    for (size_t i = 0; i < samples.size(); i += step)
        result.AddValueSample(samples[i].value, samples[i].weight);
    result.Finish();
    WriteResults(node);
    value->mixture.AssignComponents(result.GetMixture());
}

void VRX_continuousSampleNode::CreateMessages() {
    parentMessages.clear();
    newParentMessages.clear();
    for (VRX_hybridSampleNode* p : parents) {
        parentMessages.push_back(MessageAbout(*p, owner_));
        newParentMessages.push_back(MessageAbout(*p, owner_));
    }
    childMessages.clear();
    newChildMessages.clear();
    for (size_t m = 0; m < children.size(); ++m) {
        childMessages.push_back(MessageAbout(*this, owner_));
        newChildMessages.push_back(MessageAbout(*this, owner_));
    }
    combinedLambda = MessageAbout(*this, owner_);
}

double VRX_continuousSampleNode::LambdaProduct(double v, int skip) {
    double p = 1.0;
    for (size_t m = 0; m < childMessages.size(); ++m) {
        if (static_cast<int>(m) == skip || childMessages[m]->IsUniform()) continue;
        p *= static_cast<VRX_continuousMessage&>(*childMessages[m]).GetDensity(v);
    }
    return p;
}

void VRX_continuousSampleNode::CombineLambdaMessages() {
    std::vector<const GaussianMixture*> mixtures;
    exactLambda_ = true;
    for (const auto& m : childMessages) {
        if (m->IsUniform()) continue;
        mixtures.push_back(&static_cast<VRX_continuousMessage&>(*m).GetMixture());
        exactLambda_ = exactLambda_ && static_cast<VRX_continuousMessage&>(*m).GetSampleCount() == 0;
    }
    auto combined = MessageAbout(*this, owner_);
    auto& message = static_cast<VRX_continuousMessage&>(*combined);
    if (mixtures.size() == 1) {
        message.AssignMixture(*mixtures[0]);
    } else if (mixtures.size() > 1 && !ExactProduct(mixtures, message)) {
        exactLambda_ = false;
        for (int i = 0; i < owner_.numSamplesPerMessage; ++i) {
            double weight = 0.0;
            const double v = SampleProduct(owner_.productSamplingMethod, mixtures, weight);
            message.AddValueSample(v, weight);
        }
        message.Finish();
    }
    combinedLambda = std::move(combined);
}
