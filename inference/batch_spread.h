#pragma once
// The spread of a sampling run's estimates between batches of its samples, taken in the order drawn: a
// standard error of each belief that does not rest on the weights looking even. Weights that look even
// can still come from a proposal that reaches the heavy part of the space seldom, and estimates that
// are far off then differ from batch to batch.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vovido {

class BatchSpread {
public:
    // Fifty batches make a standard error good to some 10%; a batch of fewer than twenty samples would cost
    // its closing a share of the draws' time.
    static constexpr int kMostBatches = 50;
    static constexpr int kLeastBatchSamples = 20;
    // The batches of a run of n samples: 1 (no spread) below two batches' worth.
    static int BatchCount(int n) {
        const int batches = n / kLeastBatchSamples;
        return batches < 1 ? 1 : batches > kMostBatches ? kMostBatches : batches;
    }
    // The end of batch b of `batches` of a run of n samples: the batches part the samples as evenly as whole
    // samples allow.
    static int BatchEnd(int b, int batches, int n) {
        return static_cast<int>(int64_t{n} * (b + 1) / batches);
    }

    // Room for the weighted counts of `cells` outcomes, every sum 0; throws std::bad_alloc.
    void Assign(size_t cells);
    // Closes a batch: total is the run's sum of weights so far, and CloseCell then takes each cell's
    // weighted count so far, on the same scale.
    void CloseBatch(double total);
    void CloseCell(size_t cell, double count) {
        const double added = count - last_[cell];
        last_[cell] = count;
        squares_[cell] += added * added;
        cross_[cell] += added * batchTotal_;
    }
    // Every sum multiplied by 2^shift, as the counts are when their scale changes.
    void Rescale(int shift);
    // The standard error of a cell's estimate (its count over total, the sums of the whole run) from the
    // spread of the batches' ratio estimates; 0 before two batches.
    double StandardError(size_t cell, double estimate, double total) const;

private:
    // Per cell: its count at the last close, and over the batches the sums of the squared counts added
    // and of those counts times their batch's weight: three numbers a cell, however many batches.
    std::vector<double> last_, squares_, cross_;
    double lastTotal_ = 0.0;
    double batchTotal_ = 0.0;
    double totalSquares_ = 0.0;
    int batches_ = 0;
};

}  // namespace vovido
