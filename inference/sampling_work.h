#pragma once
// The work of a sampling run of a discrete network, counted before its first draw, so that a sample count
// far beyond what can be drawn in seconds is refused at once instead of running for hours.

#include <cstdint>
#include <vector>

class PartView;
class RelevanceGraph;
class VRX_network;

namespace vovido {

int64_t SaturatingProduct(int64_t a, int64_t b);
int64_t SaturatingSum(int64_t a, int64_t b);

// The steps of one sample over the records it draws or weighs: each record's outcomes, parents,
// kSampleRecordSteps, kSampleUncertainSteps times its draws' uncertainty and extra steps of the sampler's
// own, and a share of kSampleMissSteps a record as the tables its draws read outgrow the caches (sooner for
// a record that waits for the draw just before it).
class SampleSteps {
public:
    // tablesRead: the tables of a record's shape that its draws read (table, importance, learning table).
    explicit SampleSteps(int tablesRead) : tablesRead_(tablesRead) {}
    // uncertainty: DrawUncertainty of the table a record is drawn from, 0 for a record weighed; waits: a
    // parent of the record is drawn right before it; reach: the most a sample can reach it, below 1 where a
    // sample may be rejected before it.
    void AddRecord(int outcomes, int parents, int64_t cells, double uncertainty, int64_t extraSteps = 0,
                   bool waits = false, double reach = 1.0);
    // Steps a sample spends besides its records' draws.
    void AddSteps(int64_t steps) { steps_ = SaturatingSum(steps_, steps); }
    int64_t PerSample() const;
    int64_t Cells() const { return cells_; }

private:
    int tablesRead_;
    int64_t steps_ = 0;
    double records_ = 0.0;  // each weighed by its reach
    double waiting_ = 0.0;
    int64_t cells_ = 0;
};

// The share of a table's draws that do not take their column's likeliest outcome, columns weighed
// alike: a draw the processor cannot foresee costs it a wrong guess, and tables of even columns draw
// slower than tables of near-certain ones.
double DrawUncertainty(const double* table, int64_t cells, int outcomes);

// The draws of a sampling run over its parts, refused as a whole before any part is sampled.
class SamplingWork {
public:
    // limit: the steps the run may take (SamplingStepLimit).
    explicit SamplingWork(int64_t limit) : limit_(limit) {}
    // samples draws of the part, work steps in all, over tables of cells cells, copied cells of which are
    // copied into working tables.
    void AddPart(RelevanceGraph& part, int64_t samples, int64_t work, int64_t cells, int64_t copied);
    // 0 within its limit of steps and kMaxSampleCopyCells; else kOutOfMemory, logged naming the part of
    // most work (or most copies) with its nodes, samples and table cells.
    [[nodiscard]] int Check() const;
    // Whether Check would pass.
    bool Within() const;

private:
    int64_t limit_;
    int64_t total_ = 0;
    int64_t copied_ = 0;
    int parts_ = 0;
    RelevanceGraph* mostCopied_ = nullptr;
    int64_t mostCopies_ = -1;
    int64_t mostCopiedCells_ = 0;
    RelevanceGraph* largest_ = nullptr;
    int64_t largestWork_ = -1;
    int64_t largestSamples_ = 0;
    int64_t largestCells_ = 0;
};

// The steps a run of the discrete sampling algorithm may take: some 10 s on the reference network where
// its steps are quickest.
int64_t SamplingStepLimit(int algorithm);

// The steps of one backward draw of a record's free parents from the row of its outcome in a table of
// `cells` cells: the row is read twice (its sum, then the draw), its entries an outcome count apart, so
// that a table past the processor's caches waits for memory at every entry, four times as long as one
// within them (measured: DeMorgan nodes of 19 to 23 parents, 6 to 7.5 ns a row cell), and the draw costs
// kBackwardDrawSteps besides.
int64_t BackwardRowSteps(int64_t cells, int outcomes);
inline constexpr int64_t kBackwardDrawSteps = 20;

// Whether a parent of record i of the view is record i - 1.
bool WaitsForPrevious(const PartView& view, int i);

// Per record of the view: whether it is an unobserved ancestor of an observed record.
std::vector<char> FindEvidenceAncestors(const PartView& view);

// Per handle: whether the node is one of those listed or an ancestor of one.
std::vector<char> NodesAndAncestors(const VRX_network& network, const std::vector<int>& handles);

// The steps of one belief update by the network's discrete sampling algorithm, the nodes marked in read
// (every node when read is empty) counted in one part; 0 under the other algorithms.
int64_t EstimateSamplingUpdateSteps(const VRX_network& network, const std::vector<char>& read);

}  // namespace vovido
