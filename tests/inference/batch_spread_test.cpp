// The standard error of a ratio estimate from batch sums, against the formula applied to the batches
// directly, with a change of scale between batches.
#include "inference/batch_spread.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(BatchSpread, StandardErrorIsThatOfTheBatchRatios) {
    // Per batch: the weight added and the count added to the one cell.
    const double weights[] = {2.0, 1.0, 4.0, 3.0};
    const double counts[] = {1.0, 1.0, 1.0, 2.5};
    vovido::BatchSpread spread;
    spread.Assign(1);
    double total = 0.0, count = 0.0;
    for (int b = 0; b < 4; b++) {
        // Halfway the sums are kept on a scale eight times smaller, as the samplers do for a heavier weight.
        const double scale = b < 2 ? 1.0 : 0.125;
        if (b == 2) spread.Rescale(-3);
        total += weights[b];
        count += counts[b];
        spread.CloseBatch(total * scale);
        spread.CloseCell(0, count * scale);
    }
    const double estimate = count / total;
    double squares = 0.0;
    for (int b = 0; b < 4; b++) squares += std::pow(counts[b] - estimate * weights[b], 2);
    EXPECT_NEAR(spread.StandardError(0, estimate, total * 0.125), std::sqrt(4.0 / 3.0 * squares) / total,
                1e-12);
    EXPECT_EQ(vovido::BatchSpread::BatchCount(1000), 50);
    EXPECT_EQ(vovido::BatchSpread::BatchCount(39), 1);         // no spread
    EXPECT_EQ(spread.StandardError(1, estimate, total), 0.0);  // no such cell
}

}  // namespace
