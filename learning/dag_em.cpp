// Expectation maximisation over a learning graph (see dag_em.h).
#include "learning/dag_em.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "learning/graph_network_map.h"
#include "learning/learning_dag.h"
#include "learning/learning_statistics.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace {

constexpr double kRecordsPerStep = 100.0;

// Family cells of the node: parents' states times its own.
size_t FamilyCells(const dag& graph, const hybrid_node& node) {
    size_t cells = static_cast<size_t>(node.num_states());
    for (int p : node.parents) cells *= static_cast<size_t>(graph.node_at(p)->num_states());
    return cells;
}

}  // namespace

em_run::em_run(dag& graph) : graph_(graph) {}

// The counter reads the network: it goes first.
em_run::~em_run() {
    counter_.reset();
    network_.reset();
}

int em_run::set_up() {
    counter_.reset();
    network_ = std::make_unique<VRX_network>();
    VRX_network& net = *network_;
    graph_network_map map;
    if (graph_.copy_to_network(net, map) != kSuccess) return kFailure;
    // Evidence of a record is set as it is: a record that the tables make impossible adds nothing,
    // rather than being refused by propagation.
    net.propagationFlags = 0;
    net.EnableCaseSync(false);
    const int size = graph_.node_count();
    handle_of_.assign(size, -1);
    for (int i = -1; graph_.next_active(i) == kSuccess;) {
        handle_of_[i] = map.handle_of(i);
        if (handle_of_[i] < 0) return kFailure;
    }

    const int slots = std::max(net.GetLastNode() + 1, 0);
    tables_.counts.assign(static_cast<size_t>(slots), {});
    cells_.assign(size, {});
    expected_.assign(size, {});
    for (int i = -1; graph_.next_active(i) == kSuccess;) {
        if (const int rc = map_family_cells(i)) return rc;
    }
    counter_ = std::make_unique<vovido::EmRecordCounter>(net, tables_, true);
    group_records();
    return kSuccess;
}

int em_run::map_family_cells(int i) {
    VRX_network& net = *network_;
    const hybrid_node& node = *graph_.node_at(i);
    const int h = handle_of_[i];
    VRX_Dmatrix* table = nullptr;
    if (net.GetNode(h)->GetDefinition()->GetDefinition(table) != kSuccess || table == nullptr)
        return kFailure;
    const VRX_intArray& parents = net.GetParents(h);
    const int k = static_cast<int>(node.parents.size());
    const int r = node.num_states();
    const size_t cells = FamilyCells(graph_, node);
    if (parents.GetCount() != k || r < 1 || cells != static_cast<size_t>(table->GetNumberOfElements()))
        return kFailure;
    // The network's parents may come in another order than the node's: stride of each node parent.
    const int* strides = table->GetStrides().GetItems();
    std::vector<int> stride(k, -1), config(k, 0);
    for (int a = 0; a < k; ++a) {
        for (int b = 0; b < k; ++b) {
            if (parents[b] == handle_of_[node.parents[a]]) stride[a] = strides[b];
        }
        if (stride[a] < 0) return kFailure;
    }
    std::vector<int>& map = cells_[i];
    map.resize(cells);
    for (size_t j = 0; j < cells / r; ++j) {
        int offset = 0;
        for (int a = 0; a < k; ++a) offset += stride[a] * config[a];
        for (int s = 0; s < r; ++s) map[j * r + s] = offset + s * strides[k];
        for (int a = k - 1; a >= 0 && ++config[a] == graph_.node_at(node.parents[a])->num_states(); --a)
            config[a] = 0;
    }
    tables_.counts[h].emplace_back(*table);
    if (tables_.counts[h][0].GetNumberOfElements() != table->GetNumberOfElements()) return kOutOfMemory;
    expected_[i].assign(cells, 0.0);
    return kSuccess;
}

// Records with equal values need one inference per expectation.
void em_run::group_records() {
    const int width = graph_.active_count();
    std::unordered_map<std::string, int> index;
    std::vector<int> values(width);
    group_values_.clear();
    group_weight_.clear();
    group_steps_.clear();
    records_ = 0;
    for (int rec = 0; rec < graph_.record_count(); ++rec) {
        if (!graph_.record_in_use(rec)) continue;
        ++records_;
        int k = 0;
        for (int i = -1; graph_.next_active(i) == kSuccess; ++k) {
            const hybrid_node& node = *graph_.node_at(i);
            const int32_t v = node.data && rec < static_cast<int>(node.data->size()) ? (*node.data)[rec] : -1;
            values[k] = v >= 0 && v < node.num_states() ? v : -1;
        }
        std::string key(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(int));
        const auto found = index.emplace(std::move(key), static_cast<int>(group_weight_.size()));
        if (found.second) {
            group_values_.insert(group_values_.end(), values.begin(), values.end());
            group_weight_.push_back(0.0);
            group_steps_.push_back(0);
        }
        group_weight_[found.first->second] += 1.0;
        if (rec % 100 == 0) ++group_steps_[found.first->second];
    }
}

void em_run::draw_random_parameters() {
    int& seed = graph_.seed();
    for (int i = -1; graph_.next_active(i) == kSuccess;) {
        hybrid_node& node = *graph_.node_at(i);
        node.draw_coefficients(seed);
        const int r = node.num_states();
        if (!(node.kind & hybrid_node::kDiscretePart) || r < 1) continue;
        node.parameters.resize(FamilyCells(graph_, node));
        for (size_t j = 0; j + r <= node.parameters.size(); j += r) {
            double sum = 0.0;
            for (int s = 0; s < r; ++s) sum += node.parameters[j + s] = uniform_random(seed);
            for (int s = 0; s < r; ++s) node.parameters[j + s] /= sum;
        }
    }
}

int em_run::fill_missing_parameters() {
    for (int i = -1; graph_.next_active(i) == kSuccess;) {
        hybrid_node& node = *graph_.node_at(i);
        const size_t cells = FamilyCells(graph_, node);
        if (node.parameters.size() == cells) continue;
        // Without data of its own a node has nothing to estimate from.
        if (!(node.kind & hybrid_node::kDiscreteData)) {
            node.parameters.assign(cells, 1.0 / std::max(1, node.num_states()));
            continue;
        }
        const std::vector<double>* counts = graph_.family_counts(i, node.parents);
        if (counts == nullptr || graph_.estimate_node(node, *counts) != kSuccess) return kFailure;
    }
    return kSuccess;
}

int em_run::load_parameters() {
    for (int i = -1; graph_.next_active(i) == kSuccess;) {
        const hybrid_node& node = *graph_.node_at(i);
        const std::vector<int>& map = cells_[i];
        VRX_Dmatrix* table = nullptr;
        if (network_->GetNode(handle_of_[i])->GetDefinition()->GetDefinition(table) != kSuccess ||
            table == nullptr || node.parameters.size() != map.size())
            return kFailure;
        // Written in place: the counter's tree reads these tables.
        double* cells = table->GetData();
        for (size_t c = 0; c < map.size(); ++c) cells[map[c]] = node.parameters[c];
    }
    return kSuccess;
}

int em_run::set_group_evidence(size_t g) {
    VRX_network& net = *network_;
    (void)net.ClearAllEvidence();
    const size_t width = static_cast<size_t>(graph_.active_count());
    size_t k = 0;
    for (int i = -1; graph_.next_active(i) == kSuccess; ++k) {
        const int v = group_values_[g * width + k];
        if (v >= 0 && net.GetNode(handle_of_[i])->GetValue()->SetEvidence(v) != kSuccess) return kFailure;
    }
    return kSuccess;
}

int em_run::expectation() {
    if (graph_.active_count() == 0 || counter_ == nullptr) return kFailure;
    int result = load_parameters();
    if (result != kSuccess) return result;
    for (auto& table : tables_.counts) {
        if (!table.empty()) table[0].FillWith(0.0);
    }
    progress_tracker& progress = graph_.progress();
    const int d = progress.depth();
    const double weight = records_ > 0 ? kRecordsPerStep / records_ : 0.0;
    double log_likelihood = 0.0;
    impossible_ = 0;
    for (size_t g = 0; g < group_weight_.size(); ++g) {
        if (group_steps_[g] > 0 && (result = progress.open_step(d, weight, "Adding Record")) != kSuccess)
            return result;
        double p = 0.0;
        if (set_group_evidence(g) == kSuccess) {
            result = counter_->AddRecord(group_weight_[g], false, p);
            if (result != kSuccess) return result;
        }
        // A record of probability 0 (or a refused evidence) has no posterior and added nothing.
        if (p > 0.0) {
            log_likelihood += group_weight_[g] * std::log(p);
        } else {
            impossible_ += static_cast<int>(group_weight_[g]);
            log_likelihood = -HUGE_VAL;
        }
        for (int step = 0; step < group_steps_[g]; ++step) {
            if (step > 0 && (result = progress.open_step(d, weight, "Adding Record")) != kSuccess)
                return result;
            if ((result = progress.close_step(d)) != kSuccess) return result;
        }
    }
    (void)network_->ClearAllEvidence();
    for (int i = -1; graph_.next_active(i) == kSuccess;) {
        const VRX_Dmatrix& counts = tables_.counts[handle_of_[i]][0];
        const std::vector<int>& map = cells_[i];
        for (size_t c = 0; c < map.size(); ++c) expected_[i][c] = counts[map[c]];
    }
    log_likelihoods_.push_back(log_likelihood);
    return kSuccess;
}

int em_run::iterate() {
    progress_tracker& progress = graph_.progress();
    const int d = progress.depth();
    int result = progress.open_step(d, 0.95, "Calculating Expected Sufficient Statistics");
    if (result != kSuccess) return result;
    result = expectation();
    if (result != kSuccess) return result;
    if ((result = progress.close_step(d)) != kSuccess) return result;
    if ((result = progress.open_step(d, 0.05, "Calculating Parameters")) != kSuccess) return result;
    for (int i = -1; graph_.next_active(i) == kSuccess;) {
        hybrid_node& node = *graph_.node_at(i);
        if (!(node.kind & hybrid_node::kDiscreteData)) continue;
        if ((result = graph_.estimate_node(node, expected_[i])) != kSuccess) return result;
    }
    return progress.close_step(d);
}

double em_run::score() const {
    double sum = 0.0;
    for (int i = -1; graph_.next_active(i) == kSuccess;) {
        const double s = graph_.counts_score(i, graph_.node_at(i)->parents, &expected_[i], 0);
        if (s == kScoreNotComputed) return kScoreNotComputed;
        sum += s;
    }
    return sum;
}

int em_run::run() {
    if (graph_.active_count() == 0) {
        final_score_ = 0.0;
        return kSuccess;
    }
    const option_set& options = graph_.options();
    const bool fromPriorNetwork = options.flag(learning_option::kEmInitializeWithPriorNet);
    if (fromPriorNetwork) {
        if (graph_.prior_network() == nullptr) return kObjectNotValid;
        const int result = graph_.init_from_prior_network();
        if (result != kSuccess) return result;
    }
    // A start taken from the prior network is not thrown away for random parameters; nodes the prior
    // network leaves without a fitting table get the current estimate.
    if (fromPriorNetwork) {
        if (fill_missing_parameters() != kSuccess) return kFailure;
    } else if (options.flag(learning_option::kEmUseRandomInitParams)) {
        draw_random_parameters();
    } else if (fill_missing_parameters() != kSuccess) {
        return kFailure;
    }
    if (counter_ == nullptr && set_up() != kSuccess) return kFailure;
    convergence_tracker tracker;
    tracker.factor = options.real(learning_option::kEmConvFactor);
    // However the scores move, the run ends after this many iterations.
    const int limit = std::max(1, options.integer(learning_option::kEmMaxIterations));
    progress_tracker& progress = graph_.progress();
    const int d = progress.depth();
    for (int iteration = 0; iteration < limit; ++iteration) {
        int result = progress.open_step(d, 0.25, "EM Iteration");
        if (result != kSuccess) return result;
        if ((result = iterate()) != kSuccess) return result;
        final_score_ = score();
        if ((result = progress.close_step(d)) != kSuccess) return result;
        if (tracker.converged(final_score_)) break;
    }
    const int result = progress.open_step(d, 1.0, "Cleaning Up");
    return result != kSuccess ? result : progress.close_step(d);
}

int run_graph_em(dag& graph, double* final_score) {
    em_run run(graph);
    const int result = run.run();
    if (result == kSuccess && final_score != nullptr) *final_score = run.final_score();
    return result;
}
