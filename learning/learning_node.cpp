// One variable of a learning graph: arcs, data column, states and parameters.
#include "learning/learning_node.h"

#include <algorithm>

#include "base/status_codes.h"
#include "learning/learning_statistics.h"

bool hybrid_node::is_parent(int i) const {
    return std::find(parents.begin(), parents.end(), i) != parents.end();
}

bool hybrid_node::may_keep(int x) const {
    if (x == index) return true;
    return !all_successors.test(x) && !forbidden_parents.test(x);
}

int hybrid_node::set_state(int s) {
    // The highest state index is num_states() - 1: one past it names no state.
    if (s < 0 || s >= num_states()) return kFailure;
    state = s;
    return kSuccess;
}

int hybrid_node::representation(bool prefer_continuous) const {
    if (!prefer_continuous) return (kind & kDiscreteData) || !(kind & kContinuousData) ? 1 : 2;
    return (kind & kContinuousData) || !(kind & kDiscreteData) ? 2 : 1;
}

int hybrid_node::active_part(bool prefer_continuous) const {
    if (!(kind & (kDiscretePart | kContinuousPart))) return -1;
    if (prefer_continuous) return (kind & kContinuousPart) ? 2 : 1;
    return (kind & kDiscretePart) ? 1 : 2;
}

void hybrid_node::parents_changed() {
    if (!(kind & kContinuousPart)) return;
    // A new parent's coefficient starts at 0; the rest keep theirs.
    coefficients.resize(parents.size(), 0.0);
    continuous_score = kScoreNotComputed;
}

void hybrid_node::draw_coefficients(int& seed) {
    for (double& c : coefficients) {
        do {
            c = uniform_random(seed);
        } while (c < 0.1);
    }
}
