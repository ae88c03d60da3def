#pragma once
// The whole-network object behind the hybrid algorithms: one sample node per network node, the
// settlement of what observed deterministic nodes fix by inversion, forward and importance sampling,
// and loopy message passing with sample-based messages.

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/effective_sample_size.h"
#include "base/int_array.h"
#include "equations/hybrid_sample_node.h"
#include "equations/linear_gaussian.h"

class VRX_network;
class VRX_node;
class VRX_defHybrid;
class VRX_Helement;
namespace vovido {
class ElementTable;
}  // namespace vovido

// Read access to the network for the hybrid algorithms.
class HybridNetworkView {
public:
    explicit HybridNetworkView(VRX_network& network) : network_(network) {}
    int GetNumberOfNodes() const;
    // The network's sample count, read afresh by every test of a sampling loop.
    int GetNumberOfSamples() const;
    int GetDefinitionType(int handle) const;
    VRX_node* GetNode(int handle) const;
    std::string GetNodeId(int handle) const;
    // The observed nodes; 0.
    [[nodiscard]] int GetEvidenceNodes(VRX_intArray& out) const;
    int GetNumberOfOutcomes(int handle) const;
    // Evidence of either kind (observed or propagated).
    bool HasEvidence(int handle) const;
    // The observed state of a discrete node (-1 without evidence) and the observed value of a
    // continuous one (-1 when there is none, out unchanged).
    int GetDiscreteEvidence(int handle) const;
    [[nodiscard]] int GetContinuousEvidence(int handle, double& out) const;
    // The range of a continuous hybrid definition; 0, or -51 for other kinds (out unchanged).
    [[nodiscard]] int GetLowerBound(int handle, double& out) const;
    [[nodiscard]] int GetUpperBound(int handle, double& out) const;
    const VRX_intArray& GetParents(int handle) const;
    const VRX_intArray& GetChildren(int handle) const;
    // The hybrid definition's element at the coordinates (a pointer per table dimension); 0 or the
    // negative index result.
    [[nodiscard]] int GetElement(int handle, const int* const* coordinates, VRX_Helement*& out) const;
    // The element of the cell of that linear index (last dimension fastest); null for a node of another
    // kind or an index outside the table.
    VRX_Helement* GetElementAt(int handle, int index) const;
    // The definition's element table; null for a node of another kind.
    const vovido::ElementTable* GetElementTable(int handle) const;
    VRX_defHybrid* GetHybridDefinition(int handle) const;
    VRX_network& GetNetwork() const { return network_; }

private:
    VRX_network& network_;
};

namespace vovido {

// Estimates (or messages) of one run that rest on few effective samples, gathered so that the run warns
// of them in one entry: "the estimates of nodes a, b, c and 2 more rest on few effective samples, the
// fewest ..." (the single one's own text when there is one).
class FewEffectiveSamples {
public:
    // what: "of node x" or "from node a to node b" as one is named, listed as shortName among several;
    // counted when it is poor (as WarnOfFewEffectiveSamples decides).
    void Add(const std::string& what, const std::string& shortName, double sum, double squares, int count,
             bool fittedMessage = false);
    // Logs the warning (nothing when none was poor): "the " + kind + what for one, "the " + kinds + the
    // short names for several.
    void Warn(const char* kind, const char* kinds) const;
    // The fewest effective samples among those added that were poor (infinity when none was).
    double Fewest() const { return names_.empty() ? HUGE_VAL : fewest_; }

private:
    std::string first_;
    std::vector<std::string> names_;
    double fewest_ = 0.0, sum_ = 0.0, squares_ = 0.0;
    int count_ = 0;
    bool fitted_ = false;
};

}  // namespace vovido

class HybridSampleNet {
public:
    explicit HybridSampleNet(HybridNetworkView view);
    ~HybridSampleNet();
    HybridSampleNet(const HybridSampleNet&) = delete;
    HybridSampleNet& operator=(const HybridSampleNet&) = delete;

    // The expression terms one draw evaluates, which bound the attempts of a run (0: no bound but four a
    // sample).
    int64_t drawTerms = 0;

    // The sampling runs: 0, kOutOfRange when the network cannot be handled (runFlags 16), kNoUsefulSamples
    // when no sample of nonzero weight came out of the allowed attempts. Each writes the estimates into the
    // node values.
    [[nodiscard]] int RunWeightedSampling();
    [[nodiscard]] int RunImportanceSampling();
    // Message passing, then importance sampling from the proposals the messages give.
    [[nodiscard]] int RunMessagePassingSampling(bool planOnlyWhereNeeded);
    // Message passing alone; with writeResults the beliefs the messages give are written (0, kOutOfRange,
    // kNoUsefulSamples).
    [[nodiscard]] int RunMessagePassing(bool writeResults = false);

    // The links each node sends on in the first iteration of the message passing. Without runFlags 8
    // every unobserved node sends pi messages to all its children and lambda messages go to every
    // unobserved parent; with it only unobserved roots send, to children that are ancestors of
    // evidence (of any child while no run with evidence is under way), and only observed nodes send
    // lambda messages. Messages received open further links (MarkLinksReady).
    void PlanMessages();

    // How a node's belief takes each child's evidence: through the child's lambda message, or drawn
    // through the child itself where a fitted message would smooth what it stands for.
    enum class ChildKind : char { kMessage, kOwnEvidence, kAveraged, kThroughInverse };

    // Warns, once for the run, of the discrete nodes whose weights left [0, 1] under some draw, counted,
    // with the first instance.
    void WarnOfStrayWeights() const;
    // The stray-weight counts of every discrete element, and their return to such counts: the draws of
    // the messages are no witness of the model's weights.
    std::vector<long long> GetStrayCounts() const;
    void RestoreStrayCounts(const std::vector<long long>& counts) const;

    // Warns, naming them, of the caller's observed continuous nodes whose evidence lies past about the
    // 0.99 quantile of their prior, told by its draws: the beliefs then rest on the tail of the term the
    // run explained it by (prior_reach.cpp). Not where the messages were in closed form.
    void WarnOfEvidenceInFarTails();
    // The caller's observed nodes whose evidence the draws explain (some parent free).
    std::vector<VRX_hybridSampleNode*> ExplainedEvidence() const;

    // Why the network cannot be handled (empty when it can).
    const std::string& GetRefusal() const { return refusal_; }
    VRX_hybridSampleNode* GetSampleNode(int handle) const {
        return handle >= 0 && handle < static_cast<int>(sampleNodes.size())
                   ? sampleNodes[static_cast<size_t>(handle)].get()
                   : nullptr;
    }
    const HybridNetworkView& GetView() const { return view; }

    std::vector<std::unique_ptr<VRX_hybridSampleNode>> sampleNodes;  // by handle, null for free slots
    HybridNetworkView view;
    int nodeCount = 0;
    int runFlags = 0;
    int numSamplesPerMessage = 250;
    // Few: a message takes hundreds to thousands of samples, whose fit averages the draws out.
    int numInnerSamples = 3;
    int numIterations = 4;
    double mixtureTolerance = 0.01;
    int numMixtureComponents = 2;
    double mixtureVariancePrior = 10.0;
    int productSamplingMethod = 1;
    // No loop through the arcs, whatever their direction: the messages then give the exact beliefs.
    bool singlyConnected = false;
    // Every continuous node a linear-Gaussian family and no discrete one reading a continuous parent: a
    // message in closed form then rests on no fit of another distribution (a Lognormal root's, say).
    bool linearGaussian = false;

private:
    void Refuse(const std::string& why);
    void BuildNodes();
    void MarkAncestors(VRX_hybridSampleNode& node);
    [[nodiscard]] int PrepareInversion(VRX_hybridSampleNode& observed);
    // The parent the deterministic node's evidence is explained through (ranked as PrepareInversion
    // says), or null; anyFree when some free continuous parent could take a value, and how the chosen one
    // enters the equation. Every parent the cells can be solved for gets its inverse.
    VRX_hybridSampleNode* ChooseInversionParent(VRX_hybridSampleNode& node, bool& anyFree,
                                                bool& chosenAdditive, bool& chosenShared);
    // What the evidence fixes through equations: the one free continuous parent of an observed
    // equation (through its inverse), and equations whose parents are all observed; each becomes
    // observed in turn.
    void PropagateDeterministicEvidence(VRX_hybridSampleNode& observed);
    // The order of the draws: topological, with every inverted parent placed after the observed node
    // that fixes it and after that node's other parents.
    [[nodiscard]] int BuildDrawingOrder();
    // One sample: its weight is the result times e^logOffset (0 when the evidence is impossible under the
    // draws); the offset holds what would underflow or overflow a double.
    double DrawSample(bool useProposals, double& logOffset);
    // Marks the observed nodes whose weight every draw shares (no parent that a draw moves); false, the
    // network refused, when one of them lies outside its support.
    [[nodiscard]] bool FindConstantFactors();
    // Sets the parent of an observed deterministic node from its value; the factor of the weight
    // (the Jacobian of the inversion), 0 when it fails.
    double ApplyInversion(VRX_hybridSampleNode& node);
    // A node whose proposal after message passing rests on a message fitted to few effective samples,
    // the thinnest such message with its weights.
    struct ThinProposal {
        VRX_continuousSampleNode* node;
        const VRX_hybridSampleNode* sender;
        double sum, squares;
        int count;
    };
    // Weighted sampling, from the proposals of the messages (useProposals) or the conditionals; thin: the
    // proposals fitted to few samples, which the estimates must not silently rest on.
    [[nodiscard]] int RunSampling(bool useProposals, const std::vector<ThinProposal>& thin = {});
    // Its parts: the weighted draws into the estimates, the number accepted within limit attempts, with
    // the sum of their weights and of their squares; the chain in place of weights worth fewer than 10
    // draws, or of draws that missed mirrored regions of a belief (true where it answered); the warnings
    // of a short or poorly weighted run.
    int DrawWeightedSamples(bool useProposals, long long limit, double& sum, double& squares);
    bool ChainForFewWeights(int accepted, long long limit, double sum, double squares);
    bool ChainForMissedRegions();
    void WarnOfFewSamples(int accepted, long long limit, double sum, double squares);
    // Solutions of the observed node's equation for the parent within the parent's support, the other
    // parents at their evidence: 0, 1, or 2 for two or more; -1 where they cannot be counted (another
    // parent is free).
    int CountSolutionsInSupport(VRX_hybridSampleNode& node, VRX_hybridSampleNode& parent);
    // The interval a continuous node's values may take: its range, narrowed to its root support where
    // that is known.
    void SupportOf(const VRX_hybridSampleNode& node, double& lower, double& upper);
    // Nodes drawn from proposals whose draws reached only some of the solutions of a child's equation
    // for them, each solution holding a fair share of the belief: why their estimates cover some regions
    // of it only ("... the draws of node x reached only 1 of the 2 regions ..."), empty when none did
    // (region_coverage.cpp). Called with the estimates finished, their samples not yet written.
    // mirrored: each region missed is the reflection through 0 of one reached, which the chain reaches.
    std::string MissedRegions(bool& mirrored);
    // Where no draw had weight: searches for values of the free nodes that the evidence allows and, from
    // there, runs a Markov chain over them whose states are the samples of the estimates (written, with a
    // warning that begins with why, by default that no draw fitted); false when the search finds none
    // (chain_fallback.cpp). replacing: the draws left estimates whose weights look healthy, which a chain
    // replaces only at about their cost.
    [[nodiscard]] bool RunChainFallback(const std::string& why = "", bool replacing = false);
    // What a draw with weight does: fit the evidence, or without any keep the nodes within their bounds.
    const char* WhatDrawsFit() const;
    // ln of the joint density of the free nodes' current values and the evidence, the values the evidence
    // fixes set from them; -infinity where the evidence rules them out, with how far (violation) the
    // values lie outside what it allows.
    double LogTarget(double& violation);
    // Where no sample has weight: draws afresh from the model and, when none fits the evidence, refuses
    // it naming the node the caller observed and what rules it out.
    void ExplainImpossibleEvidence();
    // Refuses, before any draw, evidence that lies outside every value its node can take given where its
    // parents can lie (Tanh within [-1, 1], a sum of bounded terms), naming the node and the cause as
    // the draws would; false when refused (evidence_ranges.cpp).
    [[nodiscard]] bool EvidenceWithinRanges();
    // How a refusal names the node: a noise term the caller never made by the equation that holds it.
    static std::string RefusalName(const VRX_hybridSampleNode& node);
    // "it puts [x] outside its range", with the bounds set on the node where they cut values off.
    static std::string OutsideRangeText(const VRX_hybridSampleNode& node);
    // The identifier of the node whose evidence fixed the node (its own where it holds the evidence).
    const std::string& EvidenceOrigin(const VRX_hybridSampleNode& node) const;
    // With fromMessages, the estimates of the message passing (WriteMessageResults).
    void WriteAllResults(bool fromMessages = false);

    // Message passing (hybrid_message_passing.cpp).
    // The first pi messages: each node's prior, from forward samples.
    void InitialiseMessages();
    void SendPi(VRX_hybridSampleNode& node);
    // The exact pi message of a root (its probabilities, or the Gaussian of a Normal); false when the
    // root's distribution has no exact form here.
    bool SendExactPi(VRX_hybridSampleNode& node, VRX_hybridMessage& message);
    void SendLambda(VRX_hybridSampleNode& node);
    void SendLambdaFromObservedDeterministic(VRX_hybridSampleNode& node);
    // The new lambda message from node to its parent k (node at pos among its children), the other
    // parents drawn from their pi messages: a discrete parent's states in turn, each weighed by the mean
    // of weigh() over count / outcomes draws; count values of a continuous parent from a proposal, each
    // added with weigh() over the proposal density. A negative weight adds nothing.
    template <class Weigh>
    void SampleLambda(VRX_hybridSampleNode& node, size_t k, int pos, int count, Weigh weigh);
    // Messages in closed form through linear-Gaussian families (exact_messages.cpp). Each returns false
    // when the link's message has no closed form here (the caller samples it); a message that says what
    // the last one said is not written, so that settled links go quiet.
    void PrepareLinearNodes();
    bool SendLinearPi(VRX_hybridSampleNode& node, size_t child);
    bool SendLinearLambda(VRX_hybridSampleNode& node, size_t parent);
    // The node's prior given the messages about its parents (times the combined lambda with
    // withLambda: its belief); false without a closed form.
    bool LinearMarginal(VRX_hybridSampleNode& node, bool withLambda, vovido::Components& out);
    // The node's estimate drawn from its belief in closed form.
    void DrawLinearBelief(VRX_hybridSampleNode& node, const vovido::Components& belief);
    // Finishes the new messages and makes current those that changed beyond their noise, readying the
    // receivers' links; nodes that received a changed lambda message combine theirs again.
    void FinishIteration();
    // Every parent of the node draws its value from the node's pi message about it (but skip).
    void DrawParentsFromMessages(VRX_hybridSampleNode& node, const VRX_hybridSampleNode* skip);
    // The likelihood the child gives the parent's current value, averaged over `draws` draws of its other
    // parents from their messages (the first draw already made) and, when unobserved, of its own value
    // weighed by its lambda messages.
    double AverageLikelihood(VRX_hybridSampleNode& child, const VRX_hybridSampleNode* parent, int draws);
    // Iterations of the message passing: numIterations at least, and enough for the evidence to reach
    // the farthest node it is connected to.
    int IterationsNeeded() const;
    bool AnyLinkActive() const;
    // False once the sampled messages have taken the draws a run may spend on them.
    bool WithinBudget() const;
    // Samples drawn for one message: the network's sample count decides, within fixed limits.
    int SamplesPerMessage() const;
    // The beliefs the messages give, written into the node values (hybrid_message_estimates.cpp): 0, or
    // kNoUsefulSamples when the evidence is impossible or no draw of some node has weight.
    [[nodiscard]] int EstimateFromMessages();
    // False when some evidence is impossible given the messages (no message can tell it: a fitted message
    // is never zero).
    bool EvidenceIsPossible();
    std::vector<ChildKind> ClassifyChildren(VRX_hybridSampleNode& node);
    // The weighted estimate of one unobserved node, its children taken as kinds says; false when no draw
    // has weight.
    bool EstimateNode(VRX_hybridSampleNode& node, const std::vector<ChildKind>& kinds);
    // Holds (held_) the equations below the node that are functions of it, so that its draws give their
    // values: its children among them marked in functional, the ones further down in chain, in the order
    // they are drawn. False when there are none.
    bool HoldFunctionalFamily(VRX_hybridSampleNode& node, std::vector<char>& functional,
                              std::vector<VRX_hybridSampleNode*>& chain);
    // The positions of the held node's children outside the node's family and not held themselves.
    std::vector<size_t> OutsideMessages(const VRX_hybridSampleNode& held,
                                        const VRX_hybridSampleNode& node) const;
    // Lets the held nodes go, their estimates made from the node's draws.
    void ReleaseHeld(VRX_hybridSampleNode& node, const std::vector<char>& functional,
                     const std::vector<VRX_hybridSampleNode*>& chain);
    // The likelihood the observed equation child gives the node's current value: the density of target,
    // the parent it is inverted for (InverseTarget), at the inverse, the child's other parents drawn from
    // their messages.
    double InverseLikelihood(VRX_hybridSampleNode& child, const VRX_hybridSampleNode& node,
                             VRX_hybridSampleNode& target);
    // The parent of the observed equation child, other than node, through whose single inverse the child's
    // evidence is weighed; null when there is none.
    VRX_hybridSampleNode* InverseTarget(VRX_hybridSampleNode& child, const VRX_hybridSampleNode& node) const;
    // Warns, naming them, of the nodes whose beliefs rest on messages fitted to samples or passed round a
    // loop.
    void WarnOfApproximateBeliefs(const std::vector<std::vector<ChildKind>>& kinds);
    // Warns of every message in use that was fitted to too few effective samples.
    void WarnOfThinMessages() const;
    std::vector<ThinProposal> FindThinProposals() const;
    // Why the estimates of the nodes of thin proposals that draws of their own distribution did not
    // correct may sit on one value or one region of the belief; empty when there are none
    // (thin_proposals.cpp).
    std::string UncorrectedProposals(const std::vector<ThinProposal>& thin) const;
    void FindRootSupports();
    // True when the node is a continuous root whose distribution gives x no density: a message fitted to
    // samples reaches beyond the edges of a uniform, say, where the model never puts the node.
    bool OutsideRootSupport(VRX_hybridSampleNode& node, double x);

    std::vector<VRX_hybridSampleNode*> order_;
    // By handle: observed nodes whose weight is the same in every draw (FindConstantFactors).
    std::vector<char> constantFactor_;
    // The message estimates of few effective samples, warned of together.
    vovido::FewEffectiveSamples thinEstimates_;
    // The error log's entries when the run began.
    int firstEntry_ = 0;
    // By handle: nodes whose values DrawParentsFromMessages leaves as they are (the equations an estimate
    // evaluates from the node it draws), and nodes whose estimates an earlier node's estimate made.
    std::vector<char> held_, estimated_;
    // By handle: the interval where a continuous root's distribution has density, where it is known
    // (a Normal everywhere, a Uniform between its bounds): its draws need no look at the density to stay
    // within the support. NaN bounds where unknown.
    std::vector<std::pair<double, double>> rootSupport_;
    std::string refusal_;
    // By handle: the observed node whose evidence fixed the node, by inversion or from its parents (-1:
    // none, or the node's own).
    std::vector<int> origin_;
    // Why the last draw has no weight: the node where it fell to 0 and what happened there.
    enum class ZeroCause : char { kNone, kNoInverse, kOutsideRange, kOutsideSupport, kDrawFailed };
    const VRX_hybridSampleNode* zeroNode_ = nullptr;
    ZeroCause zeroCause_ = ZeroCause::kNone;
    // The beliefs came from the chain (RunChainFallback).
    bool chainRan_ = false;
    // The sampler warned that its estimates rest on few effective samples.
    bool weightsWarned_ = false;
    // Draws through the elements made for sampled messages so far.
    long long work_ = 0;
};

namespace vovido {

// Reseeds every generator the hybrid algorithms draw from (mixtures, sample nodes, messages and the
// distributions), for runs that repeat exactly.
void SeedHybridGenerators(unsigned int seed);
// Removes the reports of invalid distribution parameters ("Invalid parameters in a call of ...") logged
// since entry `first`, keeping the other entries in their order. Returns the call the first of them
// named, empty when there were none.
std::string DropInvalidParameterReports(int first);
// Logs a warning when an estimate of `count` weighted samples is poor: worth fewer than 100 equally
// weighted ones, or, for a message fitted to draws, less than a small share of them. "what" names the
// estimate (a node, a message), plural when it names several.
// True when it warned.
bool WarnOfFewEffectiveSamples(const std::string& what, bool plural, double sum, double squares, int count,
                               bool fittedMessage = false);
// The values of the named variable within [lower, upper] where the element crosses v: sign changes on a
// grid of that many points, fine near 0 and reaching wide, at most `most` of them; their number, each
// appended to roots (when given) as interpolated between the grid points around it. The variable keeps
// the last value tried.
int ScanCrossings(VRX_Helement& element, const std::string& name, double v, double lower, double upper,
                  int points, int most, std::vector<double>* roots);
// As above, of a function that gives its value at x (false where it has none).
int ScanCrossings(const std::function<bool(double, double&)>& f, double v, double lower, double upper,
                  int points, int most, std::vector<double>* roots);
// "the equation of node y has more than one solution for node x" ("for a distribution in it" where the
// parent is a term the caller never made).
std::string SeveralSolutionsText(const VRX_hybridSampleNode& equation, const VRX_hybridSampleNode& parent);
// The sum of the samples' weights and of their squares.
void SumWeights(const std::vector<WeightedSample>& samples, double& sum, double& squares);
// True for a message fitted to samples that are mostly the few of the largest weights (as above).
bool IsThinMessage(double sum, double squares, int count);
// A product of weights kept as a double between kSmall and 1 / kSmall times e^logOffset: a product of
// many small densities never underflows, and a density that underflows alone (far in a tail) joins as
// its logarithm. Weights of the same scale stay plain products (offset 0).
struct ScaledWeight {
    static constexpr double kSmall = 1e-150;
    double value = 1.0;
    double logOffset = 0.0;
    // False, and the weight 0, once a factor is 0 or not a number.
    bool Times(double factor) {
        value *= factor;
        if (!(value > 0.0) || !std::isfinite(value)) {
            value = 0.0;
            return false;
        }
        if (value < kSmall || value > 1.0 / kSmall) {
            logOffset += std::log(value);
            value = 1.0;
        }
        return true;
    }
    bool TimesExp(double logFactor) {
        if (!std::isfinite(logFactor)) return Times(0.0);
        logOffset += logFactor;
        return value > 0.0;
    }
};
// Multiplies w by the node's evidence weight (GetEvidenceWeight); false, w 0, where that is 0. Only a
// density can underflow far in a tail: it joins as its logarithm, while a probability or an equation's
// match of 0 is 0.
bool TimesEvidenceWeight(ScaledWeight& w, VRX_hybridSampleNode& node);
// The weight on the scale of the reference: plain while both offsets are 0, else through WeightOnScale;
// the reference starts at the first weight of a sum (summed, still 0).
template <class Rescale>
double WeightOnScale(const ScaledWeight& w, double summed, double& reference, Rescale rescale);
// A weight drawn as a logarithm, on the scale of the reference (set by the first): where it passes the
// reference by far, rescale(factor) takes what was summed so far down to the new reference, so that
// products of small densities never underflow to 0 and large ones never overflow.
template <class Rescale>
double WeightOnScale(double logWeight, double& reference, Rescale rescale) {
    constexpr double kLargestLogWeight = 300.0;
    if (std::isnan(reference)) reference = logWeight;
    if (logWeight > reference + kLargestLogWeight) {
        rescale(std::exp(reference - logWeight));
        reference = logWeight;
    }
    return std::exp(logWeight - reference);
}
template <class Rescale>
double WeightOnScale(const ScaledWeight& w, double summed, double& reference, Rescale rescale) {
    if (w.logOffset == 0.0 && reference == 0.0) return w.value;
    const double logWeight = w.logOffset + std::log(w.value);
    if (!(summed > 0.0)) reference = logWeight;
    return WeightOnScale(logWeight, reference, rescale);
}
// Position of child in node's child list (or parent in its parent list), -1 when absent.
int PositionIn(const std::vector<VRX_hybridSampleNode*>& list, const VRX_hybridSampleNode* node);
// Evaluates the element's inverse for the parent with the node's variable at v into out; returns the
// Jacobian |d inverse / dv| (0 when the inverse cannot be evaluated or, when checked, does not give v back).
double InvertElement(VRX_Helement& element, const std::string& nodeId, double v, const std::string& parentId,
                     double& out, bool checked);
// Probability (discrete) or density (continuous) of the value under the message.
double ProbabilityIn(VRX_hybridMessage& message, double value);
// The value of the continuous parent into y that the node's element, its other parents at their current
// values, gives the node's value v from; the Jacobian of that inverse, 0 where there is none or y lies
// outside the parent's range.
double InvertInto(VRX_hybridSampleNode& node, double v, const VRX_hybridSampleNode& parent, bool checked,
                  double& y);
// The nodes, parents before children, in one pass over the arcs.
std::vector<VRX_hybridSampleNode*> ParentsFirst(
    const std::vector<std::unique_ptr<VRX_hybridSampleNode>>& nodes);
// By handle: 1 for the ancestors of the nodes (through any number of arcs), 0 for the others.
std::vector<char> AncestorsOf(const std::vector<VRX_hybridSampleNode*>& nodes, size_t slots);
// "node a" or "nodes a, b, c and 2 more".
std::string NodeNames(const std::vector<std::string>& ids);
// Solves "id = text" for a variable and gives the right side as text; kOutOfRange when it cannot be solved.
[[nodiscard]] int SolveElementFor(const std::string& id, const std::string& text, const std::string& variable,
                                  std::string& out);

}  // namespace vovido
