#pragma once
// The relative test that ends expectation maximisation over a learning graph: a run has converged
// once a score changes by less than `factor` times the change between its first two scores.

#include <cmath>

#include "learning/learning_node.h"

struct convergence_tracker {
    double factor = 0.1;
    // Change between the first two scores, kept for the whole run.
    double first_change = kScoreNotComputed;
    double last_value = kScoreNotComputed;

    // Takes the next score; true once the run has converged. The first two scores never converge.
    bool converged(double value) {
        // A score that is not a finite number gives no change to compare (NaN compares false with
        // everything): the run cannot go on sensibly.
        if (!std::isfinite(value)) return true;
        if (first_change == kScoreNotComputed && last_value == kScoreNotComputed) {
            last_value = value;
            return false;
        }
        if (first_change == kScoreNotComputed) {
            first_change = last_value - value;
            last_value = value;
            return false;
        }
        const double change = last_value - value;
        last_value = value;
        // Scores that did not move between the first two give no scale for a relative change: the
        // run has settled (the quotient would be infinite or undefined and never pass the test).
        if (first_change == 0.0) return true;
        return factor > std::fabs(change / first_change);
    }
};
