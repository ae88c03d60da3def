#include "learning/learning_node.h"

#include <algorithm>

#include "base/status_codes.h"

bool hybrid_node::is_parent(int i) const { return std::find(parents.begin(), parents.end(), i) != parents.end(); }

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
