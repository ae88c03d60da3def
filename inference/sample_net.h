#pragma once
// The working copy of one relevant part on which adaptive importance sampling, importance sampling after
// loopy pre-propagation and loopy propagation run: one node per record of the part in topological
// order, with its table, evidence, importance and learning tables and loopy-propagation messages.

#include <memory>
#include <vector>

#include "base/dmatrix.h"
#include "inference/batch_spread.h"
#include "inference/sampling_draws.h"

class PartView;
class RandomGenerator;

class SampleNode {
public:
    explicit SampleNode(int outcomes);
    SampleNode(const SampleNode&) = delete;
    SampleNode& operator=(const SampleNode&) = delete;

    bool IsObserved() const { return evidence >= 0; }
    // Offset of the column of the parents' current states in table (and the tables of its shape).
    int ColumnOffset() const {
        int offset = 0;
        for (int j = 0; j < numParents; j++) offset += *coordinatePointers[j] * tableStrides[j];
        return offset;
    }
    int GetNumberOfConfigurations() const { return parentStrides[0]; }

    // Sum of the beliefs; when positive the beliefs are divided by it.
    double NormalizeBeliefs();
    void CopyBeliefsTo(double* buffer) const;
    // Draws the node's state from its importance column and returns table over importance entry at the
    // drawn outcome; 0 when the column has no positive entry.
    double DrawFromImportanceTable(RandomGenerator& random);

    // Loopy propagation: every message 1, beliefs 0, the evidence indicator of the observation.
    void InitMessages();
    // Each received message and the node's pi and lambda divided by its sum; a zero sum gives uniform.
    void NormalizeMessages();

    int state = -1;
    std::vector<double> beliefs;
    // Where the node's outcomes start among the net's batch cells (unobserved nodes only).
    size_t firstBatchCell = 0;
    // The parents' states in parent order, then the node's own state: the coordinates of the current
    // sample in the node's tables.
    std::unique_ptr<const int*[]> coordinatePointers;
    int numOutcomes = 0;
    int evidence = -1;
    bool isEvidenceAncestor = false;
    // Borrowed from the part.
    const VRX_Dmatrix* table = nullptr;
    VRX_Dmatrix importanceTable;
    // Per column of the table, the summed learning weights of its outcomes, then the sum of their squares:
    // with the column's sum, how many samples its frequencies are worth. Kept next to the weights, so
    // that a learning sample reaches no further memory for them.
    std::vector<double> learningTable;
    // Offset of the learned column at the sample's coordinates.
    int LearningOffset() const { return ColumnOffset() / numOutcomes * (numOutcomes + 1); }
    int numChildren = 0;
    int numParents = 0;
    std::vector<int> childOutcomeCounts;
    std::vector<int> parentOutcomeCounts;
    std::vector<int> childIndices;
    std::vector<int> parentIndices;
    // numParents + 1 entries: the last 1, entry j = parentOutcomeCounts[j] * entry j + 1; entry 0 is the
    // number of parent configurations (first parent varying slowest, as in the table).
    std::vector<int> parentStrides;
    // Strides of the parents' dimensions in table.
    std::vector<int> tableStrides;
    // Where this node stands in each parent's child list and in each child's parent list.
    std::vector<int> rowInParent;
    std::vector<int> rowInChild;

    // Loopy propagation.
    std::vector<double> lambda, lambdaNext, evidenceIndicator, pi, piNext, belief, beliefNext;
    std::vector<double> parentPiProduct, parentPiProductNext;
    // Per configuration: the sum over outcomes of table entry times lambdaNext.
    std::vector<double> configurationLambda;
    // Row c = the message from child c (numOutcomes entries); row j = the message from parent j (its
    // first parentOutcomeCounts[j] of piRowLength entries).
    std::vector<double> lambdaFromChildren, lambdaFromChildrenNext;
    std::vector<double> piFromParents, piFromParentsNext;
    int piRowLength = 0;
};

class SampleNet {
public:
    // Puts the part's records in topological order through the view, which must outlive the net.
    // GetStatus() is kOutOfRange when a table does not fit its node, kOutOfMemory without memory.
    explicit SampleNet(PartView& view);
    SampleNet(const SampleNet&) = delete;
    SampleNet& operator=(const SampleNet&) = delete;
    ~SampleNet();

    int GetStatus() const { return status_; }
    PartView& GetView() const { return *view; }
    int GetNumberOfNodes() const { return numNodes; }
    SampleNode& GetNode(int i) const { return *nodes[i]; }

    // The working tables a body reads besides the messages: importance tables of the unobserved nodes,
    // learning tables of the evidence ancestors.
    static constexpr int kImportanceTables = 1;
    static constexpr int kLearningTables = 2;
    // Those working tables, message vectors and matrices, and the batch sums of the beliefs. 0 or
    // kOutOfMemory.
    [[nodiscard]] int PrepareTables(int tables = kImportanceTables | kLearningTables);
    void ReleaseTables();
    // Beliefs 0, and 1 at the observed outcome of an observed node.
    void ResetBeliefs();
    void ClearLearningTables();
    // After every learning table was emptied (by the updates of the importance tables): the next weights
    // set their own scale.
    void RestartLearningScale() { learningScale_ = WeightScale(); }
    // Draws one sample in position order and returns its weight: 0 as soon as a factor makes it 0.
    vovido::SampleWeight DrawSample(RandomGenerator& random);
    // The same over the evidence ancestors and the observed nodes only: the importance table of every other
    // node is its table, so that its draw weighs 1 and reaches no learned column.
    vovido::SampleWeight DrawLearningSample(RandomGenerator& random);
    // Adds a kept sample's weight to every evidence ancestor's learning table at the sample's coordinates.
    void AccumulateLearning(const vovido::SampleWeight& weight);
    // Adds a kept sample's weight to every unobserved node's belief at its state.
    void AccumulateBeliefs(const vovido::SampleWeight& weight);
    // Draws numSamples samples into the beliefs, closing each batch of them (BatchSpread).
    void DrawBeliefSamples(RandomGenerator& random, int numSamples);
    // After WriteSampledBeliefs: the largest standard error between batches over node i's outcomes; 0 for an
    // observed node, or without batches.
    double BeliefStandardError(int i) const;
    // The weights added to the beliefs since ResetBeliefs, and their squares, on the beliefs' scale.
    double BeliefWeightSum() const { return beliefWeights_; }
    double BeliefWeightSquares() const { return beliefSquares_; }
    // Adaptive importance sampling: an evidence ancestor's importance table set to its table; the learning
    // step.
    void StartImportanceTable(SampleNode& node);
    void UpdateImportanceTable(SampleNode& node);
    // Importance sampling after loopy propagation: small importance entries raised to the cut-off.
    void ApplyEpisCutoff(SampleNode& node);
    // Normalised beliefs of every position into its node's value, marked up to date; records without a
    // node are skipped. kNoUsefulSamples at the first node whose beliefs sum to 0.
    [[nodiscard]] int WriteSampledBeliefs();

    double learningRate = 0.4;

private:
    // What was added of the kept weights is kept divided by 2^exponent, set with some headroom above the
    // first of them and raised, with what was added, when a heavier one comes: a product of thousands of
    // factors leaves the range of a double long before the sample stops counting.
    struct WeightScale {
        int exponent = 0;
        bool set = false;
    };
    // The weight over the scale; scaled(shift) divides what was added by 2^shift when the scale is raised.
    template <typename Rescale>
    static double Scaled(const vovido::SampleWeight& weight, WeightScale& scale, Rescale&& rescale);

    int Build();
    void MarkEvidenceAncestors();

    WeightScale learningScale_;
    WeightScale beliefScale_;
    double beliefWeights_ = 0.0;
    double beliefSquares_ = 0.0;
    vovido::BatchSpread beliefSpread_;

    std::vector<std::unique_ptr<SampleNode>> nodes;
    // Positions of the evidence ancestors and the observed nodes, in position order.
    std::vector<SampleNode*> learned;
    PartView* view;
    int numNodes = 0;
    int status_ = 0;
};

namespace vovido {

// Makes each column (numOutcomes entries) of an importance table a distribution: an entry that is not
// positive or not finite takes the mask's entry (the node's table, null for none), so that no outcome
// the table allows becomes impossible, and the column is divided by its sum; a column without positive
// entries becomes uniform over the outcomes the mask allows (all outcomes without a mask or when the
// mask allows none).
void NormalizeColumns(double* values, int size, int numOutcomes, const double* mask);

}  // namespace vovido
