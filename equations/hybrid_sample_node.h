#pragma once
// Sample nodes of the hybrid algorithms: one per network node, holding the variable's current value,
// its evidence, its parents and children, the messages of the message passing and the estimate built
// from weighted samples. A discrete node draws states, a continuous node values.

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "definitions/gaussian_mixture.h"
#include "equations/hybrid_message.h"
#include "equations/linear_gaussian.h"

class HybridSampleNet;
class VRX_defHybrid;
class VRX_Helement;
class VRX_node;

// The user property that marks a node of a working network the caller never made.
constexpr const char* kInternalNodeProperty = "working_term";
// The user property that marks a node of a working network whose range only frames its values (the
// histogram, the first messages): a noise term or a converted equation, which no range cuts off.
constexpr const char* kOpenRangeProperty = "open_range";

namespace SampleNodeFlags {
constexpr int kObserved = 1;
constexpr int kEvidenceAncestor = 2;  // unobserved ancestor of evidence
constexpr int kInverted = 4;          // value fixed through an inversion
constexpr int kChildrenObserved = 8;
constexpr int kParentsObserved = 0x10;
constexpr int kInverts = 0x20;            // the observed value fixes a parent by inversion
constexpr int kInvertsAdditively = 0x40;  // through sums and differences: the inverse always holds
}  // namespace SampleNodeFlags

class VRX_hybridSampleNode {
public:
    VRX_hybridSampleNode(HybridSampleNet& owner, int handle, VRX_defHybrid& definition);
    virtual ~VRX_hybridSampleNode();
    VRX_hybridSampleNode(const VRX_hybridSampleNode&) = delete;
    VRX_hybridSampleNode& operator=(const VRX_hybridSampleNode&) = delete;

    virtual bool IsContinuous() const = 0;
    // The current value as a double (a discrete node's state index).
    virtual double GetValue() const = 0;
    virtual void SetValue(double value) = 0;
    // Makes the node observed at the value (settled from the evidence before any sampling).
    virtual void Fix(double value) = 0;
    // The discrete node's current state (null for a continuous node), for its children's coordinates.
    virtual const int* GetStatePointer() const { return nullptr; }
    const int* GetZeroCoordinate() const { return &zeroCoordinate; }

    // The element of the current discrete parent states with the continuous parents' current values.
    VRX_Helement* TakeElement();
    // Probability or density of the node's current value given its parents (an equation: 1 when the
    // value matches its result, else 0).
    virtual double GetEvidenceWeight() = 0;
    // ln GetEvidenceWeight, finite far in a tail where the density underflows; -infinity for none.
    virtual double LogEvidenceWeight() = 0;
    // A draw from the node's conditional distribution; weight 1 (0 when the draw fails or leaves the
    // node's range).
    virtual double SampleFromConditional() = 0;
    // An importance draw from the proposal the messages left (the conditional without them); returns
    // conditional / proposal.
    virtual double SampleFromProposal() = 0;
    // The same draw, its weight the result times e^logOffset, the offset increased where a density
    // underflows.
    virtual double ScaledSampleFromProposal(double& /*logOffset*/) { return SampleFromProposal(); }

    // The estimate: a weight per state, or a histogram of kHistogramBins bins over the node's range
    // together with the samples; with either the weighted sums of x and x^2 (x a state's index), which
    // FinishEstimate turns into the mean and the variance as it normalises the weights.
    virtual void ResetEstimate() = 0;
    virtual void AddSampleToEstimate(double weight) = 0;
    virtual void FinishEstimate() = 0;
    // Multiplies every weight added so far by the factor (the sampler's weights taken to a new scale).
    virtual void ScaleEstimate(double factor) = 0;
    // sqrt of the sum over the bins (states) of (sqrt(a) - sqrt(b))^2, b from the other node's estimate
    // (0 for an entry the other lacks); 0 between nodes of different kinds.
    virtual double Distance(const VRX_hybridSampleNode& other) const = 0;
    // Writes the estimate into the network node's value. An observed node writes nothing, except that a
    // continuous one whose value was fixed here (by an inversion or by its observed parents) and does not
    // hold the evidence itself gets it as propagated evidence.
    virtual void WriteResults(VRX_node& node) = 0;
    // Writes the estimate of the message passing: as WriteResults, and a continuous node also hands its
    // value the mixture fitted to the weighted samples.
    virtual void WriteMessageResults(VRX_node& node) { WriteResults(node); }

    // Message passing: the messages are created once; the node combines its children's lambda messages.
    virtual void CreateMessages() = 0;
    // After the last iteration: readies what the proposals of the sampling that follows need.
    virtual void FinishMessagePassing() {}
    virtual void CombineLambdaMessages() = 0;
    // Probability or density of value v under the product of the lambda messages except the one from
    // child `skip` (-1 for none); 1 without informative messages.
    virtual double LambdaProduct(double v, int skip) = 0;
    // Draws the current value from the message about this node held by `message`.
    static double DrawFrom(VRX_hybridMessage& message);

    static constexpr int kHistogramBins = 50;

    int handle;
    std::string id;
    // A node the caller never made (a distribution term of a converted equation): warnings leave it out.
    bool internal = false;
    // Of such a node: the equation its term was taken from.
    std::string ownerId;
    double weightedSum = 0.0;
    double weightedSquareSum = 0.0;
    int nodeFlags = 0;
    int invertedParent = -2;
    // Parents: the discrete ones first (in the order of the definition's dimensions), then the
    // continuous ones; children likewise.
    std::vector<VRX_hybridSampleNode*> parents;
    int discreteParentCount = 0;
    std::vector<VRX_hybridSampleNode*> children;
    int discreteChildCount = 0;
    // Coordinates of the current element: each discrete parent's state, then 0.
    std::vector<const int*> parentStates;
    // Of an observed equation, by parent: 1 where every cell has an inverse for that parent that is the
    // only solution (empty for other nodes).
    std::vector<char> singleInverse;

    // Messages: from each parent (about the parent's value) and from each child (about this node's
    // value), current and new generation; the combination of the current lambda messages.
    std::vector<std::unique_ptr<VRX_hybridMessage>> parentMessages, newParentMessages;
    std::vector<std::unique_ptr<VRX_hybridMessage>> childMessages, newChildMessages;
    std::unique_ptr<VRX_hybridMessage> combinedLambda;
    // The cells in closed form when every cell is a linear-Gaussian family (else empty).
    std::vector<vovido::LinearGaussianCell> linearCells;

    // Links of the message passing, one flag per parent and per child: a node sends on its active
    // links; a message received readies links for the next iteration.
    std::vector<char> activeToParent, readyToParent, activeToChild, readyToChild;
    // Called on the node that sender has just sent a message to (fromParent: a pi message).
    void MarkLinksReady(const VRX_hybridSampleNode& sender, bool fromParent);
    // True when a parent other than the given one (null: any parent) is unobserved.
    bool HasFreeParentOtherThan(const VRX_hybridSampleNode* parent) const;
    // The ready links become the active ones and are cleared.
    void RefreshLinkFlags();

    bool IsObserved() const { return (nodeFlags & SampleNodeFlags::kObserved) != 0; }
    bool IsFixed() const {
        return (nodeFlags & (SampleNodeFlags::kObserved | SampleNodeFlags::kInverted)) != 0;
    }
    bool IsDeterministic() const;
    // True for an equation of the parent alone (its other parents observed): its value follows from the
    // parent's, so it is drawn with it.
    bool FollowsFrom(const VRX_hybridSampleNode& parent) const {
        return !IsFixed() && IsDeterministic() && !HasFreeParentOtherThan(&parent);
    }
    VRX_defHybrid& GetDefinition() const { return definition_; }

protected:
    // Gives the element the continuous parents' current values.
    void SetParentValues(VRX_Helement& element) const;
    HybridSampleNet& owner_;
    VRX_defHybrid& definition_;

private:
    int zeroCoordinate = 0;
};

class VRX_discreteSampleNode : public VRX_hybridSampleNode {
public:
    VRX_discreteSampleNode(HybridSampleNet& owner, int handle, VRX_defHybrid& definition, int evidence);
    bool IsContinuous() const override { return false; }
    double GetValue() const override { return currentState; }
    void SetValue(double value) override { currentState = static_cast<int>(value); }
    void Fix(double value) override {
        evidenceState = currentState = static_cast<int>(value);
        nodeFlags |= SampleNodeFlags::kObserved;
    }
    const int* GetStatePointer() const override { return &currentState; }
    double GetEvidenceWeight() override;
    double LogEvidenceWeight() override { return std::log(GetEvidenceWeight()); }
    double SampleFromConditional() override;
    double SampleFromProposal() override;
    void ResetEstimate() override;
    void AddSampleToEstimate(double weight) override;
    void FinishEstimate() override;
    void ScaleEstimate(double factor) override;
    double Distance(const VRX_hybridSampleNode& other) const override;
    void WriteResults(VRX_node& node) override;
    void CreateMessages() override;
    void CombineLambdaMessages() override;
    double LambdaProduct(double v, int skip) override;

    int outcomeCount;
    int currentState = 0;
    int evidenceState = -1;
    std::vector<double> estimate;

private:
    // The prior and the proposal of SampleFromProposal, kept from draw to draw.
    std::vector<double> prior_, proposal_;
};

class VRX_continuousSampleNode : public VRX_hybridSampleNode {
public:
    VRX_continuousSampleNode(HybridSampleNet& owner, int handle, VRX_defHybrid& definition, bool observed,
                             double evidence);
    bool IsContinuous() const override { return true; }
    double GetValue() const override { return currentValue; }
    void SetValue(double value) override { currentValue = value; }
    void Fix(double value) override {
        evidenceValue = currentValue = value;
        nodeFlags |= SampleNodeFlags::kObserved;
    }
    double GetEvidenceWeight() override;
    double LogEvidenceWeight() override;
    double SampleFromConditional() override;
    double SampleFromProposal() override;
    double ScaledSampleFromProposal(double& logOffset) override;
    void ResetEstimate() override;
    void AddSampleToEstimate(double weight) override;
    void FinishEstimate() override;
    void ScaleEstimate(double factor) override;
    double Distance(const VRX_hybridSampleNode& other) const override;
    void WriteResults(VRX_node& node) override;
    void WriteMessageResults(VRX_node& node) override;
    void CreateMessages() override;
    void CombineLambdaMessages() override;
    double LambdaProduct(double v, int skip) override;
    // Per-cell proposals for the sampling that follows the message passing (see SampleValueFromElement).
    void FinishMessagePassing() override;
    // The histogram bin of x: values below the range fall into the first, values at or above its upper
    // end into the last.
    int BinOf(double x) const;
    // Draws from the element times the combined lambda (a Gaussian approximation of the element
    // multiplied into the lambda mixture, mixed with the element itself so that the proposal covers
    // it); the proposal density of the draw, 0 when it failed. density takes the element's own density
    // at the draw (computed for the proposal anyway; the caller weighs the draw by it).
    double SampleValueFromElement(VRX_Helement& element, double& value, double& density);
    // The belief of the message passing when it is known in closed form (no components: fitted to the
    // samples when the results are written).
    GaussianMixture resultMixture{0.0, 0.0, 0, 0.001, 10.0};

    // True where the node may take the value: anywhere finite within the bounds the caller set (its
    // distribution's density decides the rest).
    bool InSupport(double x) const {
        if (!std::isfinite(x)) return false;
        if (x >= cutLower && x <= cutUpper) return true;
        cutValues_ = true;
        return false;
    }
    // Logs, once per node and run, that the bounds the caller set cut values off.
    void WarnOfCutValues();
    // The bounds that cut values off as "a to b"; empty where none does.
    std::string BoundsText() const;

    double currentValue = 0.0;
    double evidenceValue = -1.0;
    // The range that frames the node's values (messages, histogram).
    double lowerBound;
    double upperBound;
    // The bounds that cut values off: those the caller set; infinite where a bound was not set or the
    // range only frames the values (kOpenRangeProperty).
    double cutLower = -std::numeric_limits<double>::infinity();
    double cutUpper = std::numeric_limits<double>::infinity();
    std::vector<WeightedSample> samples;
    std::vector<double> histogram;
    // The weight added to the estimate, and the part of it from draws of the node's own distribution
    // rather than of its product with the lambda messages: what corrects a proposal that missed.
    double drawnWeight = 0.0;
    double ownWeight = 0.0;

private:
    // The last draw came from the node's own distribution.
    bool drewOwn_ = false;
    // Some value was refused for lying outside the bounds the caller set.
    mutable bool cutValues_ = false;
    // A draw of the element kept within the range, up to a bounded number of tries; false when none.
    bool DrawInRange(VRX_Helement& element, double& value) const;
    // The normalised product of the element's Gaussian and the combined lambda's components; false (and
    // no components) when the element has no Gaussian form or the lambda says nothing.
    bool BuildProduct(VRX_Helement& element, GaussianMixture& product) const;
    GaussianMixture proposal_;
    // Every lambda message combined is known in closed form (none fitted to samples).
    bool exactLambda_ = false;
    // One product per cell of the definition, built by FinishMessagePassing (empty: built per draw).
    std::vector<GaussianMixture> cellProposals_;
};
