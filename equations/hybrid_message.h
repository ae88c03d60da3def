#pragma once
// Messages of the hybrid message passing: a distribution over one variable's values built from weighted
// samples. A discrete message normalises a weight per state; a continuous one fits a Gaussian mixture to
// its samples. A message is uniform until it receives samples, or fixed to an observed value.

#include <memory>
#include <vector>

#include "definitions/gaussian_mixture.h"

namespace MessageFlags {
constexpr int kUniform = 1;
constexpr int kChanged = 2;
constexpr int kFixed = 4;
constexpr int kUpdated = 8;
constexpr int kSampled = 16;  // built from random draws, not in closed form
}  // namespace MessageFlags

class VRX_hybridMessage {
public:
    virtual ~VRX_hybridMessage() = default;
    // A copy bound to the same variable; null for a discrete message, which has none.
    virtual std::unique_ptr<VRX_hybridMessage> Clone() const { return nullptr; }
    virtual bool IsDiscrete() const = 0;
    // Turns the samples received into the distribution (normalise or fit).
    virtual void Finish() = 0;
    // Ready to be written again: no samples, flags 1, 2 and 8 cleared (a fixed message stays fixed).
    virtual void Reset() = 0;
    // The message is bound to the current value of the variable it describes (kept by its sample
    // node): a draw sets it, and the probability and the samples below read it.
    virtual void DrawCurrent() = 0;
    // Probability (discrete) or density (continuous) of the current value.
    virtual double GetCurrentProbability() = 0;
    // Adds the current value as a sample of the weight.
    virtual void AddCurrentSample(double weight) = 0;
    bool IsUniform() const { return (flags & MessageFlags::kUniform) != 0; }
    bool IsFixed() const { return (flags & MessageFlags::kFixed) != 0; }
    bool HasFlag(int bit) const { return (flags & bit) != 0; }
    void SetFlag(int bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); }

protected:
    int flags = MessageFlags::kUniform;
};

class VRX_discreteMessage : public VRX_hybridMessage {
public:
    // Uniform over the states; bound to the state current points at (null: a state of its own).
    explicit VRX_discreteMessage(int outcomeCount, int* current = nullptr);
    VRX_discreteMessage(const VRX_discreteMessage&) = delete;
    VRX_discreteMessage& operator=(const VRX_discreteMessage&) = delete;
    bool IsDiscrete() const override { return true; }
    void DrawCurrent() override { *current_ = SampleState(); }
    double GetCurrentProbability() override { return GetProbability(*current_); }
    void AddCurrentSample(double weight) override { AddStateSample(*current_, weight); }
    void Finish() override;
    void Reset() override;
    void SetEvidenceState(int state);
    // The stored entry of the state (after Finish, a probability); 0 outside the states.
    double GetProbability(int state) const;
    void AddStateSample(int state, double weight);
    // A state drawn in proportion to the entries (the fixed state when fixed).
    int SampleState();
    int GetOutcomeCount() const { return static_cast<int>(probabilities.size()); }

private:
    std::vector<double> probabilities;
    int fixedState = -1;
    int ownState_ = 0;
    int* current_;
};

class VRX_continuousMessage : public VRX_hybridMessage {
public:
    // Bound to the value current points at (null: a value of its own).
    VRX_continuousMessage(double lower, double upper, int components, double tolerance, double variancePrior,
                          double* current = nullptr);
    // Flags, bounds, fixed value, samples and mixture; bound to the same variable (a message with a
    // value of its own gets its own copy of it).
    VRX_continuousMessage(const VRX_continuousMessage& other);
    VRX_continuousMessage& operator=(const VRX_continuousMessage&) = delete;
    std::unique_ptr<VRX_hybridMessage> Clone() const override;
    bool IsDiscrete() const override { return false; }
    // A fixed message leaves the current value as it is.
    void DrawCurrent() override {
        if (!IsFixed()) *current_ = SampleValue();
    }
    double GetCurrentProbability() override { return GetDensity(*current_); }
    void AddCurrentSample(double weight) override { AddValueSample(*current_, weight); }
    void Finish() override;
    void Reset() override;
    void SetEvidenceValue(double value);
    // Fixed: 1 at the fixed value, else 0; uniform: 1 / (upper - lower); else the mixture's density
    // (refitted first when samples came in).
    double GetDensity(double value);
    void AddValueSample(double value, double weight);
    // The fixed value, a uniform draw between the bounds, or a draw from the mixture.
    double SampleValue();
    // Takes another mixture's components: no longer uniform.
    void AssignMixture(const GaussianMixture& other);
    const GaussianMixture& GetMixture() const { return mixture; }
    double GetFixedValue() const { return fixedValue; }
    int GetSampleCount() const { return static_cast<int>(samples.size()); }
    const std::vector<WeightedSample>& GetSamples() const { return samples; }

private:
    double lowerBound;
    double upperBound;
    int fitComponents_;  // a mixture assigned whole may hold more
    double fixedValue = 0.0;
    std::vector<WeightedSample> samples;
    GaussianMixture mixture;
    double ownValue_ = 0.0;
    double* current_;
};
