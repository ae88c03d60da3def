#pragma once
// Values of continuous nodes: the evaluation of an equation node (samples, mean and deviation, or one
// probability per discretisation interval) and the value of a hybrid continuous node. Both hold a number
// as evidence and neither has a value matrix or takes discrete evidence.

#include <vector>

#include "definitions/gaussian_mixture.h"
#include "model/node_value.h"

class VRX_valEqEvaluation : public VRX_nodeValue {
public:
    VRX_valEqEvaluation(int handle, VRX_network* network);
    // A copy of a value of any kind (see CopyFrom).
    explicit VRX_valEqEvaluation(VRX_nodeValue& source);
    VRX_valEqEvaluation(const VRX_valEqEvaluation& source);
    ~VRX_valEqEvaluation() override;

    void CleanUp(int deep) override;
    // Another equation evaluation is copied whole; a value of another kind gives its flags without its
    // evidence, which meant an outcome.
    [[nodiscard]] int CopyFrom(VRX_nodeValue& source) override;
    [[nodiscard]] int GetType() const override;
    // No matrix: no size, and no parent adds a dimension.
    [[nodiscard]] int GetSize() override;
    [[nodiscard]] int AddIndexingParent(int parent) override;

    [[nodiscard]] int GetContEvidence(double& out) override;
    // Evidence and up to date (bits 0 and 1), no longer propagated.
    [[nodiscard]] int SetContEvidence(double value) override;
    // Evidence, up to date and propagated (bits 0, 1 and 2).
    [[nodiscard]] int SetPropagatedContEvidence(double value) override;
    // kOutOfRange without evidence of either kind; clears bits 0, 1 and 2 without a notice to the network.
    [[nodiscard]] int ClearEvidence() override;
    // kOutOfRange without propagated evidence; clears bits 0, 1 and 2.
    [[nodiscard]] int ClearPropagatedEvidence() override;

    // Samples: emptied (the value no longer up to date), added one by one, then turned into the mean and
    // the population standard deviation (0 when the variance is not positive), which marks the value up
    // to date. Without keepSamples only the sums are kept.
    void ClearSamples();
    void AddSample(double x);
    // False where the mean or the variance of the samples is beyond the doubles.
    [[nodiscard]] bool ComputeStatistics();
    // The weighted mean of the pairs (deviation -1); weights that are all 0 count as 1, and a total
    // weight of 0 gives the first value with deviation 0.
    void SetWeightedSamples(const std::vector<WeightedSample>& pairs);
    // One probability per discretisation interval of the node's equation: kWrongNodeType without intervals,
    // kOutOfRange for another count.
    [[nodiscard]] int SetDiscretizedBeliefs(const std::vector<double>& probabilities);
    // The value a deterministic solution fixed: mean x, deviation 0, no samples, up to date.
    void SetSolvedValue(double x);

    double GetMean() const { return mean; }
    double GetStdDev() const { return stdDev; }
    int GetSampleCount() const { return sampleCount; }
    const std::vector<WeightedSample>& GetSamples() const { return samples; }
    const std::vector<double>& GetIntervalBeliefs() const { return intervalBeliefs; }
    bool KeepsSamples() const { return keepSamples; }
    void SetKeepSamples(bool on) { keepSamples = on; }

private:
    double contEvidence = 0.0;
    std::vector<WeightedSample> samples;
    bool keepSamples = true;
    int sampleCount = 0;
    // Running sums while samples are added (of the samples less the first one, which keeps the variance
    // of samples far from 0 exact), then the statistics; -1 when not computed.
    double mean = -1.0;
    double stdDev = -1.0;
    double shift_ = 0.0;
    std::vector<double> intervalBeliefs;
};

// The value of a hybrid continuous node: its evidence and the weighted samples the hybrid algorithms
// write.
class VRX_valcontinuous : public VRX_nodeValue {
public:
    // Valid only when the node has a definition.
    VRX_valcontinuous(int handle, VRX_network* network);
    // A copy of a value of any kind (see CopyFrom).
    explicit VRX_valcontinuous(VRX_nodeValue& source);
    VRX_valcontinuous(const VRX_valcontinuous& source);
    ~VRX_valcontinuous() override;

    // The base copy, then everything of a source of the same kind.
    [[nodiscard]] int CopyFrom(VRX_nodeValue& source) override;
    [[nodiscard]] int GetType() const override;
    [[nodiscard]] int GetSize() override;
    [[nodiscard]] int AddIndexingParent(int parent) override;

    // Evidence (bit 0) and no propagated evidence (bit 2), or the other way round.
    [[nodiscard]] int SetContEvidence(double value) override;
    [[nodiscard]] int SetPropagatedContEvidence(double value) override;
    // Each clears its bit and the evidence mark; never refused.
    [[nodiscard]] int ClearEvidence() override;
    [[nodiscard]] int ClearPropagatedEvidence() override;

    [[nodiscard]] int GetContEvidence(double& out) override;
    // The weighted samples a hybrid algorithm drew, with their weighted mean and deviation, up to date.
    // A total weight that is not positive keeps the samples and gives mean and deviation -1.
    void SetWeightedSamples(std::vector<WeightedSample> drawn);
    double GetMean() const { return mean; }
    double GetStdDev() const { return stdDev; }

    // Read and written directly by the hybrid algorithms.
    GaussianMixture mixture;
    double mean = -1.0;
    double stdDev = -1.0;
    int sampleCount = 0;
    std::vector<WeightedSample> samples;
    double contEvidence = 0.0;
    unsigned char evidenceMark = 0;
};
