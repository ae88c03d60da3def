// Sample-based messages of the hybrid message passing.
#include "equations/hybrid_message.h"

#include <cmath>

#include "base/random_generator.h"

VRX_discreteMessage::VRX_discreteMessage(int outcomeCount, int* current)
    : probabilities(static_cast<size_t>(outcomeCount > 0 ? outcomeCount : 0),
                    outcomeCount > 0 ? 1.0 / outcomeCount : 0.0),
      current_(current != nullptr ? current : &ownState_) {}

void VRX_discreteMessage::Finish() {
    double sum = 0.0;
    for (double p : probabilities) sum += p;
    // Samples that all weigh 0 say the evidence is impossible: the message stays 0, never uniform.
    for (double& p : probabilities) p = sum > 0.0 && std::isfinite(sum) ? p / sum : 0.0;
    SetFlag(MessageFlags::kUniform | MessageFlags::kChanged, false);
}

void VRX_discreteMessage::Reset() {
    for (double& p : probabilities) p = 0.0;
    SetFlag(MessageFlags::kUniform | MessageFlags::kChanged | MessageFlags::kUpdated | MessageFlags::kSampled,
            false);
    if (IsFixed()) SetEvidenceState(fixedState);
}

void VRX_discreteMessage::SetEvidenceState(int state) {
    fixedState = *current_ = state;
    for (size_t i = 0; i < probabilities.size(); ++i)
        probabilities[i] = static_cast<int>(i) == state ? 1.0 : 0.0;
    SetFlag(MessageFlags::kFixed, true);
    SetFlag(MessageFlags::kUniform | MessageFlags::kChanged, false);
}

double VRX_discreteMessage::GetProbability(int state) const {
    return state >= 0 && state < GetOutcomeCount() ? probabilities[static_cast<size_t>(state)] : 0.0;
}

void VRX_discreteMessage::AddStateSample(int state, double weight) {
    if (IsFixed() || state < 0 || state >= GetOutcomeCount() || !(weight >= 0.0) || !std::isfinite(weight))
        return;
    if (IsUniform()) {
        for (double& p : probabilities) p = 0.0;
        SetFlag(MessageFlags::kUniform, false);
    }
    SetFlag(MessageFlags::kChanged, true);
    probabilities[static_cast<size_t>(state)] += weight;
}

int VRX_discreteMessage::SampleState() {
    if (IsFixed()) return fixedState;
    if (HasFlag(MessageFlags::kChanged)) Finish();
    const double u = messageGenerator.NextFraction();
    double sum = 0.0;
    for (size_t i = 0; i < probabilities.size(); ++i) {
        sum += probabilities[i];
        if (u < sum) return static_cast<int>(i);
    }
    return GetOutcomeCount() - 1;
}

VRX_continuousMessage::VRX_continuousMessage(double lower, double upper, int components, double tolerance,
                                             double variancePrior, double* current)
    : lowerBound(lower),
      upperBound(upper),
      fitComponents_(components),
      mixture(lower, upper, components, tolerance, variancePrior),
      current_(current != nullptr ? current : &ownValue_) {}

VRX_continuousMessage::VRX_continuousMessage(const VRX_continuousMessage& other)
    : VRX_hybridMessage(other),
      lowerBound(other.lowerBound),
      upperBound(other.upperBound),
      fitComponents_(other.fitComponents_),
      fixedValue(other.fixedValue),
      samples(other.samples),
      mixture(other.mixture),
      ownValue_(other.ownValue_),
      current_(other.current_ == &other.ownValue_ ? &ownValue_ : other.current_) {}

std::unique_ptr<VRX_hybridMessage> VRX_continuousMessage::Clone() const {
    return std::make_unique<VRX_continuousMessage>(*this);
}

void VRX_continuousMessage::Finish() {
    double total = 0.0;
    for (const WeightedSample& s : samples) total += s.weight;
    if (total > 0.0 && std::isfinite(total)) {
        mixture.count = fitComponents_;
        // A fit of a few components needs a few hundred samples; its cost grows with the samples times
        // its steps, and a message of thousands would make the fits the whole cost of a small network.
        // The fit takes kFittedSamples of them at even steps of their cumulative weight (so a few heavy
        // samples are never skipped); the message keeps them all for the noise of its changes.
        constexpr size_t kFittedSamples = 500;
        if (samples.size() > kFittedSamples) {
            std::vector<WeightedSample> share;
            share.reserve(kFittedSamples);
            const double step = total / kFittedSamples;
            double reached = 0.0, next = 0.5 * step;
            for (const WeightedSample& s : samples) {
                reached += s.weight > 0.0 ? s.weight : 0.0;
                for (; next < reached && share.size() < kFittedSamples; next += step)
                    share.push_back({s.value, 1.0});
            }
            mixture.Fit(share);
        } else {
            mixture.Fit(samples);
        }
    } else if (!samples.empty()) {
        // Samples that all weigh 0 say the evidence is impossible: density 0 everywhere.
        mixture.components.clear();
        mixture.count = 0;
    }
    SetFlag(MessageFlags::kUniform | MessageFlags::kChanged, false);
}

void VRX_continuousMessage::Reset() {
    samples.clear();
    SetFlag(MessageFlags::kChanged | MessageFlags::kUpdated | MessageFlags::kSampled, false);
}

void VRX_continuousMessage::SetEvidenceValue(double value) {
    fixedValue = *current_ = value;
    SetFlag(MessageFlags::kFixed, true);
    SetFlag(MessageFlags::kUniform, false);
}

double VRX_continuousMessage::GetDensity(double value) {
    if (IsFixed()) return value == fixedValue ? 1.0 : 0.0;
    if (HasFlag(MessageFlags::kChanged)) Finish();
    if (IsUniform()) return upperBound > lowerBound ? 1.0 / (upperBound - lowerBound) : 0.0;
    return mixture.Density(value);
}

void VRX_continuousMessage::AddValueSample(double value, double weight) {
    if (IsFixed() || !std::isfinite(value) || !(weight >= 0.0) || !std::isfinite(weight)) return;
    SetFlag(MessageFlags::kUniform, false);
    SetFlag(MessageFlags::kChanged, true);
    samples.push_back({value, weight});
}

double VRX_continuousMessage::SampleValue() {
    if (IsFixed()) return fixedValue;
    if (HasFlag(MessageFlags::kChanged)) Finish();
    if (IsUniform()) return lowerBound + messageGenerator.NextFraction() * (upperBound - lowerBound);
    return mixture.Sample();
}

void VRX_continuousMessage::AssignMixture(const GaussianMixture& other) {
    mixture.AssignComponents(other);
    SetFlag(MessageFlags::kUniform | MessageFlags::kChanged, false);
}
