// Greedy structure search of the learning graph: each node's best arc change, a heap of the nodes'
// best moves, greedy steps with an incrementally maintained score, thickening, thinning and the
// parent limit.
#include <algorithm>
#include <climits>

#include "base/status_codes.h"
#include "learning/learning_dag.h"
#include "learning/learning_statistics.h"

namespace {

// Strict weak order on moves: the larger gain first, ties broken by head, tail and kind, so that
// the search is deterministic.
bool LowerPriority(const learning_move& a, const learning_move& b) {
    if (a.move_delta != b.move_delta) return a.move_delta < b.move_delta;
    if (a.move_to != b.move_to) return a.move_to > b.move_to;
    if (a.move_from != b.move_from) return a.move_from > b.move_from;
    return a.move_type > b.move_type;
}

std::vector<int> Without(const std::vector<int>& list, int item) {
    std::vector<int> out;
    out.reserve(list.size());
    for (int v : list) {
        if (v != item) out.push_back(v);
    }
    return out;
}

std::vector<int> With(const std::vector<int>& list, int item) {
    std::vector<int> out = list;
    out.push_back(item);
    return out;
}

}  // namespace

learning_move dag::best_move(int i) {
    learning_move best;
    hybrid_node& node = *nodes_[i];
    best.move_to = i;
    best.move_delta = -1000000.0;
    best.version = node.family_version;
    best.stamp = ++node.move_stamp;
    const double s0 = local_score(i);
    if (s0 == kScoreNotComputed) {
        best.move_type = 3;
        return best;
    }
    auto consider = [&](int kind, int from, double delta) {
        if (delta > best.move_delta) {
            best.move_type = kind;
            best.move_from = from;
            best.move_delta = delta;
            best.version_from = nodes_[from]->family_version;
        }
    };
    const std::vector<int> parents = node.parents;
    if (allowed_moves_ & kAllowRemove) {
        for (auto it = parents.rbegin(); it != parents.rend(); ++it) {
            if (node.forced_parents.test(*it)) continue;  // a removal the graph refuses changes nothing
            const double s = family_score(i, Without(parents, *it));
            if (s != kScoreNotComputed) consider(kRemove, *it, s - s0 - arc_gain(*it, i));
        }
    }
    if (allowed_moves_ & kAllowReverse) {
        for (auto it = parents.rbegin(); it != parents.rend(); ++it) {
            const int p = *it;
            hybrid_node& parent = *nodes_[p];
            if (node.forced_parents.test(p) || !parent.may_keep(i)) continue;
            if (static_cast<int>(parent.parents.size()) >= parent_limit_) continue;
            mark_descendants(p, i);
            if (mark_[i] == stamp_) continue;  // another path p -> ... -> i: reversing closes a cycle
            const double sp = local_score(p);
            const double a = family_score(p, With(parent.parents, i));
            const double b = family_score(i, Without(parents, p));
            if (sp != kScoreNotComputed && a != kScoreNotComputed && b != kScoreNotComputed)
                consider(kReverse, p, a - sp + b - s0 - arc_gain(p, i) + arc_gain(i, p));
        }
    }
    if ((allowed_moves_ & kAllowAdd) && static_cast<int>(parents.size()) < parent_limit_) {
        mark_descendants(i, -1);
        std::vector<char> descendant(nodes_.size(), 0);
        for (size_t j = 0; j < nodes_.size(); ++j) descendant[j] = mark_[j] == stamp_;
        for (int j = -1; next_active(j) == kSuccess;) {
            if (j == i || descendant[j] || node.is_parent(j) || !node.may_keep(j)) continue;
            const double s = addition_score(i, j);
            if (s != kScoreNotComputed) consider(kAdd, j, s - s0 + arc_gain(j, i));
        }
    }
    if (best.move_from < 0) best.move_type = 3;
    node.move_from = best.move_from;
    node.move_to = best.move_to;
    node.move_type = best.move_type;
    node.move_delta = best.move_delta;
    return best;
}

void dag::push_move(const learning_move& move) {
    if (move.move_type >= 3 || !(move.move_delta > min_gain_)) return;
    heap_.push_back(move);
    std::push_heap(heap_.begin(), heap_.end(), LowerPriority);
}

bool dag::pop_move(learning_move& move) {
    while (!heap_.empty()) {
        std::pop_heap(heap_.begin(), heap_.end(), LowerPriority);
        move = heap_.back();
        heap_.pop_back();
        if (!is_current(move)) continue;  // the head was evaluated again since
        if (move.move_type == kReverse && nodes_[move.move_from]->family_version != move.version_from) {
            // The tail's family changed under a queued reversal: evaluate the head again.
            push_move(best_move(move.move_to));
            continue;
        }
        return true;
    }
    return false;
}

bool dag::is_current(const learning_move& move) const {
    const hybrid_node& head = *nodes_[move.move_to];
    return head.family_version == move.version && head.move_stamp == move.stamp;
}

void dag::refresh_moves(const learning_move& move, bool made) {
    push_move(best_move(move.move_to));
    if (!made) return;
    const bool reversed = move.move_type == kReverse;
    if (reversed) push_move(best_move(move.move_from));
    for (int changed : {move.move_to, reversed ? move.move_from : -1}) {
        if (changed < 0) continue;
        for (int c : nodes_[changed]->children) {
            if (c != move.move_to && c != move.move_from) push_move(best_move(c));
        }
    }
}

void dag::fill_move_queue() {
    heap_.clear();
    for (int i = -1; next_active(i) == kSuccess;) push_move(best_move(i));
}

double dag::greedy_step() {
    stopped_on_undo_ = false;
    learning_move move;
    while (pop_move(move)) {
        if (!(move.move_delta > min_gain_)) return -1e308;
        int result = 0;
        if (move.move_type == kRemove) {
            result = remove_arc(move.move_from, move.move_to);
        } else if (move.move_type == kAdd) {
            result = add_arc_acyclic(move.move_from, move.move_to);
        } else {
            result = reverse_arc_acyclic(move.move_from, move.move_to);
        }
        if (result == kFailure) return kScoreNotComputed;
        refresh_moves(move, result == 1);
        if (result == 0) continue;
        ++search_changes_;
        criterion_score_ += move.move_delta;
        score_valid_ = true;
        // A pending move that would undo this one ends the ascent instead of oscillating.
        while (!heap_.empty() && !is_current(heap_.front())) {
            std::pop_heap(heap_.begin(), heap_.end(), LowerPriority);  // evaluated again since
            heap_.pop_back();
        }
        if (!heap_.empty()) {
            const learning_move& top = heap_.front();
            const bool same = top.move_from == move.move_from && top.move_to == move.move_to;
            if ((move.move_type == kAdd && top.move_type == kRemove && same) ||
                (move.move_type == kRemove && top.move_type == kAdd && same) ||
                (move.move_type == kReverse && top.move_type == kReverse && top.move_from == move.move_to &&
                 top.move_to == move.move_from)) {
                stopped_on_undo_ = true;
                return -1e308;  // whatever the smallest gain accepted, no back and forth
            }
        }
        return move.move_delta;
    }
    return -1e308;
}

int dag::apply_knowledge() {
    const int n = node_count();
    for (int y = 0; y < n; ++y) {
        hybrid_node& node = *nodes_[y];
        if (!node.active) continue;
        for (int x = 0; x < n; ++x) {
            if (node.forced_parents.test(x) && !node.is_parent(x) && add_arc_acyclic(x, y) == kFailure)
                return kFailure;
            if (node.forbidden_parents.test(x) && node.is_parent(x) && remove_arc(x, y) == kFailure)
                return kFailure;
        }
    }
    return kSuccess;
}

int dag::greedy_search() {
    const bool adds = (allowed_moves_ & kAllowAdd) != 0;
    if (adds && check_first_round() != kSuccess) return kFailure;
    // A search whose scoring passed its limit keeps the graph it found.
    if (adds && search_work_spent()) return kSuccess;
    // Background knowledge first, so that the score and the moves are those of the constrained graph.
    if (apply_knowledge() != kSuccess) return kFailure;
    if (score() == kScoreNotComputed) return kFailure;
    fill_move_queue();
    const double min_delta = options_.real(learning_option::kMinGreedyDelta);
    const int d = progress().depth();
    // Moves are evaluated again only where a change touched their families, but a change elsewhere can
    // open a path that made a move cyclic, or close one: before stopping, every node is evaluated anew.
    bool fresh = true;
    for (;;) {
        const int opened = progress().open_step(d, 0.0, "Greedy step");
        if (opened != kSuccess) return opened;
        const double gain = greedy_step();
        const int closed = progress().close_step(d);
        if (closed != kSuccess) return closed;
        if (gain == kScoreNotComputed) return kFailure;
        if (adds && search_work_spent()) return kSuccess;
        if (gain >= min_delta) {
            fresh = false;
        } else if (fresh || stopped_on_undo_) {
            return kSuccess;
        } else {
            fill_move_queue();
            fresh = true;
        }
    }
}

int dag::thicken(int parent_limit) {
    parent_limit_ = parent_limit < 0 ? INT_MAX : parent_limit;
    allowed_moves_ = kAllowAdd;
    min_gain_ = options_.real(learning_option::kMinGreedyDelta);
    start_search_work();
    return greedy_search();
}

int dag::add_gaining_arcs_from(int c) {
    if (check_class_arcs(c) != kSuccess) return kFailure;
    for (int i = -1; next_active(i) == kSuccess;) {
        if (i == c) continue;
        const std::vector<int> parents = nodes_[i]->parents;
        for (int p : parents) {
            if (p != c && !nodes_[i]->forced_parents.test(p) && remove_arc(p, i) == kFailure) return kFailure;
        }
    }
    if (score() == kScoreNotComputed) return kFailure;
    const double min_gain = options_.real(learning_option::kMinGreedyDelta);
    std::vector<learning_move> moves;
    // Rounds over completed records share one budget: past it, the gains found so far are kept.
    start_search_work();
    for (int i = -1; next_active(i) == kSuccess && !search_work_spent();) {
        if (i == c || nodes_[i]->is_parent(c) || !nodes_[i]->may_keep(c)) continue;
        const double s0 = local_score(i);
        const double s = addition_score(i, c);
        if (s0 == kScoreNotComputed || s == kScoreNotComputed) continue;
        learning_move move;
        move.move_from = c;
        move.move_to = i;
        move.move_type = kAdd;
        move.move_delta = s - s0 + arc_gain(c, i);
        if (move.move_delta > min_gain) moves.push_back(move);
    }
    std::sort(moves.begin(), moves.end(),
              [](const learning_move& a, const learning_move& b) { return LowerPriority(b, a); });
    for (const learning_move& move : moves) {
        const int added = add_arc_acyclic(c, move.move_to);
        if (added == kFailure) return kFailure;
        if (added == 0) continue;  // a path from the node to c: the arc would close a cycle
        ++search_changes_;
        criterion_score_ += move.move_delta;
        score_valid_ = true;
    }
    return kSuccess;
}

int dag::thin(int parent_limit) {
    if (parent_limit == 0) return remove_all_arcs();
    allowed_moves_ = kAllowRemove;
    min_gain_ = options_.real(learning_option::kMinGreedyDelta);
    const int result = greedy_search();
    if (result != kSuccess || parent_limit < 0) return result;
    return enforce_parent_limit(parent_limit);
}

int dag::enforce_parent_limit(int limit) {
    if (score() == kScoreNotComputed) return kFailure;
    // Each round removes the best-scoring removable arc into an over-limit node, even when it lowers the
    // score; a round that finds none (only forced parents are left) ends the loop.
    for (;;) {
        learning_move best;
        for (int i = -1; next_active(i) == kSuccess;) {
            hybrid_node& node = *nodes_[i];
            if (static_cast<int>(node.parents.size()) <= limit) continue;
            const double s0 = local_score(i);
            for (auto it = node.parents.rbegin(); it != node.parents.rend(); ++it) {
                if (node.forced_parents.test(*it)) continue;
                const double s = family_score(i, Without(node.parents, *it));
                if (s0 == kScoreNotComputed || s == kScoreNotComputed) return kFailure;
                const learning_move candidate{*it, i, kRemove, s - s0 - arc_gain(*it, i), 0, 0};
                if (best.move_type >= 3 || LowerPriority(best, candidate)) best = candidate;
            }
        }
        if (best.move_type >= 3) return kSuccess;
        if (remove_arc(best.move_from, best.move_to) != 1) return kFailure;
        criterion_score_ += best.move_delta;
        score_valid_ = true;
    }
}
