// Searches that look past the first local optimum: greedy search restarted from random graphs (a
// number of rounds or a wall-clock budget), and a best-first search that records, at every step
// of an ascent, the branch of the second-best move, and after each ascent goes back to the branch taken
// a fixed number of steps earlier.
#include <chrono>
#include <functional>

#include "base/size_limits.h"
#include "base/status_codes.h"
#include "learning/learning_dag.h"

namespace {

// A round of completion that is no progress step of its own.
int RunRound(const std::function<int()>& run) {
    return run();
}

}  // namespace

namespace vovido {

// The last G alternative branches of an ascent: slot tail is written by the current step, head is the
// oldest slot still held.
struct BestFirstRing {
    explicit BestFirstRing(int size) : snapshots(size), scores(size, 0.0) {}
    int size() const { return static_cast<int>(scores.size()); }
    std::vector<std::vector<int>> snapshots;
    std::vector<double> scores;
    int head = 0;
    int tail = 0;
};

}  // namespace vovido

namespace {

constexpr double kLowest = -1e308;

learning_move NoMove(double delta) {
    learning_move move;
    move.move_type = 3;
    move.move_delta = delta;
    return move;
}

// The arcs of the snapshot after the move.
void ApplyToSnapshot(const learning_move& move, int n, std::vector<int>& matrix) {
    const size_t forward = static_cast<size_t>(move.move_from) * n + move.move_to;
    if (move.move_type == dag::kRemove) {
        matrix[forward] = 0;
    } else if (move.move_type == dag::kAdd) {
        matrix[forward] = 1;
    } else if (move.move_type == dag::kReverse) {
        matrix[forward] = 0;
        matrix[static_cast<size_t>(move.move_to) * n + move.move_from] = 1;
    }
}

}  // namespace

int dag::best_two_moves(int i, learning_move& best, learning_move& second) {
    hybrid_node* node = node_at(i);
    if (node == nullptr || !node->active) return kFailure;
    const double s0 = local_score(i);
    if (s0 == kScoreNotComputed) return kFailure;
    auto consider = [&](int kind, int from, double delta) {
        learning_move candidate{from, i, kind, delta, 0, 0};
        if (delta > best.move_delta) {
            if (best.move_type < 3) second = best;
            best = candidate;
        } else if (delta > second.move_delta) {
            second = candidate;
        }
    };
    const std::vector<int> parents = node->parents;
    std::vector<int> trial;
    // Removals (a forced parent cannot leave, so it offers no move), then reversals, parents last first.
    for (auto it = parents.rbegin(); it != parents.rend(); ++it) {
        if (node->forced_parents.test(*it)) continue;
        trial.clear();
        for (int p : parents) {
            if (p != *it) trial.push_back(p);
        }
        const double s = family_score(i, trial);
        if (s != kScoreNotComputed) consider(kRemove, *it, s - s0 - arc_gain(*it, i));
    }
    for (auto it = parents.rbegin(); it != parents.rend(); ++it) {
        const int p = *it;
        hybrid_node& parent = *nodes_[p];
        if (node->forced_parents.test(p) || !parent.may_keep(i)) continue;
        mark_descendants(p, i);
        if (mark_[i] == stamp_) continue;  // another path p -> ... -> i: reversing closes a cycle
        const double sp = local_score(p);
        trial = parent.parents;
        trial.push_back(i);
        const double a = family_score(p, trial);
        trial.clear();
        for (int q : parents) {
            if (q != p) trial.push_back(q);
        }
        const double b = family_score(i, trial);
        if (sp != kScoreNotComputed && a != kScoreNotComputed && b != kScoreNotComputed)
            consider(kReverse, p, a - sp + b - s0 - arc_gain(p, i) + arc_gain(i, p));
    }
    mark_descendants(i, -1);
    const int stamp = stamp_;
    for (int j = -1; next_active(j) == kSuccess;) {
        if (j == i || mark_[j] == stamp || node->is_parent(j) || !node->may_keep(j)) continue;
        const double s = addition_score(i, j);
        if (s != kScoreNotComputed) consider(kAdd, j, s - s0 + arc_gain(j, i));
    }
    return kSuccess;
}

int dag::best_two_moves_of_graph(learning_move& best, learning_move& second) {
    for (int i = -1; next_active(i) == kSuccess;) {
        if (best_two_moves(i, best, second) != kSuccess) return kFailure;
    }
    return kSuccess;
}

int dag::best_first_ascent(vovido::BestFirstRing& ring) {
    if (score() == kScoreNotComputed) return kFailure;
    const int n = node_count();
    const int d = progress().depth();
    learning_move previous = NoMove(0.0);
    for (;;) {
        // Each step walks every node's candidates and descendants (four times kSearchStepsPerCell steps each,
        // measured) besides the families it scores.
        search_work_ +=
            static_cast<int64_t>(active_count_) * (active_count_ + arc_count()) * 4 * kSearchStepsPerCell;
        if (search_work_spent()) return kSuccess;
        const int opened = progress().open_step(d, 0.0, "Best-first step");
        if (opened != kSuccess) return opened;
        learning_move best = NoMove(0.0), second = NoMove(kLowest);
        if (best_two_moves_of_graph(best, second) != kSuccess) return kFailure;
        // The branch not taken: this graph changed by the second-best move.
        std::vector<int>& branch = ring.snapshots[ring.tail];
        snapshot(branch);
        ring.scores[ring.tail] = criterion_score_;
        if (second.move_type < 3) {
            ApplyToSnapshot(second, n, branch);
            ring.scores[ring.tail] += second.move_delta;
        }
        const int closed = progress().close_step(d);
        if (closed != kSuccess) return closed;
        if (best.move_type >= 3) return kSuccess;
        int result = kFailure;
        if (best.move_type == kRemove) {
            result = remove_arc(best.move_from, best.move_to);
        } else if (best.move_type == kAdd) {
            result = add_arc(best.move_from, best.move_to);
        } else {
            result = reverse_arc(best.move_from, best.move_to);
        }
        if (result != 1) return kFailure;
        criterion_score_ += best.move_delta;
        score_valid_ = true;
        ++search_changes_;
        // Reversing back the arc the previous step reversed ends the ascent.
        const bool undoes = best.move_type == kReverse && previous.move_type == kReverse &&
                            previous.move_from == best.move_to && previous.move_to == best.move_from;
        previous = best;
        if (undoes) return kSuccess;
        ring.tail = (ring.tail + 1) % ring.size();
        if (ring.tail == ring.head) ring.head = (ring.head + 1) % ring.size();
    }
}

int dag::search_best_first() {
    const int rounds = options_.integer(learning_option::kNumRestarts);
    const int go_back = options_.integer(learning_option::kBestFirstGoBack);
    if (rounds < 1 || go_back < 1 || records_in_use() < kMinSearchRecords) return kFailure;
    if (check_first_round() != kSuccess) return kFailure;
    return search_completed([&] { return best_first_rounds(rounds, go_back); }, RunRound);
}

int dag::best_first_rounds(int rounds, int go_back) {
    start_search_work();
    if (score() == kScoreNotComputed) return kFailure;
    if (apply_knowledge() != kSuccess) return kFailure;
    vovido::BestFirstRing ring(go_back);
    std::vector<int> best_arcs;
    double best = kLowest;
    for (int round = 0; round < rounds; ++round) {
        const int result = best_first_ascent(ring);
        if (result != kSuccess) return result;
        if (criterion_score_ > best) {
            best = criterion_score_;
            snapshot(best_arcs);
        }
        int slot = ring.tail;
        for (int k = 0; k < go_back && slot != ring.head; ++k) slot = (slot + go_back - 1) % go_back;
        if (restore_snapshot(ring.snapshots[slot]) != kSuccess) return kFailure;
        criterion_score_ = ring.scores[slot];
        score_valid_ = true;
        ring.head = ring.tail = 0;
    }
    if (restore_snapshot(best_arcs) != kSuccess) return kFailure;
    criterion_score_ = best;
    score_valid_ = true;
    return kSuccess;
}

template <class More>
int dag::restart_rounds(More more) {
    // Fewer records than a dependence needs to show (as PC requires) support no arc, and every round
    // would still score a family for every pair of nodes from a random graph.
    if (records_in_use() < kMinSearchRecords) return kFailure;
    std::vector<int> best_arcs;
    double best = kLowest;
    start_search_work();
    allowed_moves_ = kAllowRemove | kAllowAdd | kAllowReverse;
    min_gain_ = options_.real(learning_option::kMinGreedyDelta);
    // Rounds after the scoring passed its limit would each start a search that stops at once.
    for (int done = 0; more(done) && !search_stopped_; ++done) {
        // A graph too small for the mean (answer kOutOfRange) starts the round from the graph it has.
        if (done > 0 && random_graph(3.0) == kFailure) return kFailure;
        const int result = greedy_search();
        if (result != kSuccess) return result;
        const double s = score();
        if (s == kScoreNotComputed) return kFailure;
        if (s > best) {
            best = s;
            snapshot(best_arcs);
        }
    }
    if (restore_snapshot(best_arcs) != kSuccess) return kFailure;
    criterion_score_ = best;
    score_valid_ = true;
    return kSuccess;
}

int dag::search_restarts(int count) {
    // No round: the graph and its score stay as they are.
    if (count < 1) return kSuccess;
    return search_completed([&] { return restart_rounds([count](int done) { return done < count; }); },
                            RunRound);
}

int dag::search_timed(double milliseconds) {
    // Wall-clock time: processor time would stretch the budget while the process waits. Over completed
    // records every round of completion has its share of the budget.
    using Clock = std::chrono::steady_clock;
    const double budget = milliseconds / (has_missing_cells() ? kCompletionRounds : 1);
    return search_completed(
        [&] {
            const Clock::time_point start = Clock::now();
            return restart_rounds([&](int done) {
                const double spent = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                return done == 0 || spent < budget;
            });
        },
        RunRound);
}
