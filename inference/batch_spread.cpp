// The spread of a sampling run's estimates between batches of its samples.
#include "inference/batch_spread.h"

#include <cmath>

namespace vovido {

void BatchSpread::Assign(size_t cells) {
    last_.assign(cells, 0.0);
    squares_.assign(cells, 0.0);
    cross_.assign(cells, 0.0);
    lastTotal_ = batchTotal_ = totalSquares_ = 0.0;
    batches_ = 0;
}

void BatchSpread::CloseBatch(double total) {
    batchTotal_ = total - lastTotal_;
    lastTotal_ = total;
    totalSquares_ += batchTotal_ * batchTotal_;
    batches_++;
}

void BatchSpread::Rescale(int shift) {
    for (size_t cell = 0; cell < last_.size(); cell++) {
        last_[cell] = std::ldexp(last_[cell], shift);
        squares_[cell] = std::ldexp(squares_[cell], 2 * shift);
        cross_[cell] = std::ldexp(cross_[cell], 2 * shift);
    }
    lastTotal_ = std::ldexp(lastTotal_, shift);
    batchTotal_ = std::ldexp(batchTotal_, shift);
    totalSquares_ = std::ldexp(totalSquares_, 2 * shift);
}

double BatchSpread::StandardError(size_t cell, double estimate, double total) const {
    if (batches_ < 2 || cell >= squares_.size() || !(total > 0.0)) return 0.0;
    // The sum over batches of (added - estimate * batch total)^2, expanded: one pass, no per-batch arrays.
    const double residual =
        squares_[cell] - 2.0 * estimate * cross_[cell] + estimate * estimate * totalSquares_;
    if (!(residual > 0.0)) return 0.0;
    const double error = std::sqrt(batches_ / (batches_ - 1.0) * residual) / total;
    return std::isfinite(error) ? error : 0.0;
}

}  // namespace vovido
