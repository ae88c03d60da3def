// Dirichlet priors of a family, by method: uniform ones from the equivalent sample size, and ones read
// from a prior network (its table of the node, or the joint probability of the family under the
// network's own evidence), with the holder of that network.
#include <cstdint>
#include <vector>

#include "base/dmatrix.h"
#include "base/status_codes.h"
#include "learning/learning_dag.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"

namespace {

constexpr int64_t kMaxPriorCells = 1 << 22;

}  // namespace

dag::dag() = default;

dag::~dag() = default;

void dag::set_prior_network(VRX_network* network) {
    prior_network_ = network;
    prior_engine_.reset();
    prior_map_nodes_ = -1;
    // Priors 1, 4 and 5 come from this network: no score made with another one may be reused.
    clear_score_caches();
    invalidate_scores();
}

graph_network_map& dag::prior_map() {
    if (prior_map_nodes_ != node_count() || prior_map_.network() != prior_network_) {
        prior_map_.bind(this, prior_network_);
        prior_map_nodes_ = node_count();
    }
    return prior_map_;
}

int dag::ensure_prior_engine() {
    if (prior_engine_) return kSuccess;
    if (prior_network_ == nullptr) return kFailure;
    // A copy keeps the evidence of the prior network; the evidence set here never reaches the caller's.
    auto engine = std::make_unique<VRX_network>(*prior_network_, VRX_network::ModelOnly{});
    if (!engine->IsValid()) return kFailure;
    engine->ClearAllTargets();
    engine->propagationFlags &= ~PropagationFlags::kAutoUpdate;
    prior_engine_ = std::move(engine);
    return kSuccess;
}

int dag::init_from_prior_network() {
    graph_network_map& map = prior_map();
    if (map.match_outcomes() != 1) return kObjectNotValid;
    for (int i = -1; next_active(i) == kSuccess;) {
        if (map.handle_of(i) >= 0 && map.copy_parameters(i, false) != kSuccess) return kFailure;
    }
    return kSuccess;
}

int dag::family_priors(int i, const std::vector<int>& parents, std::vector<double>& alpha) {
    hybrid_node* node = node_at(i);
    if (node == nullptr) return kOutOfRange;
    const int method = options_.integer(learning_option::kParamPriorsMethod);
    if (method == 1) node->equivalent_sample_size = options_.real(learning_option::kEquivSampleSize);
    const double ess = node->equivalent_sample_size;
    const int r = node->num_states();
    int64_t cells = r;
    for (int p : parents) {
        if (node_at(p) == nullptr) return kOutOfRange;
        cells *= node_at(p)->num_states();
        if (cells > kMaxPriorCells) return kFailure;
    }
    alpha.assign(static_cast<size_t>(cells), 0.0);
    if (method < 0 || method > 5) return method;
    if (method != 2 && !(ess >= 0.0)) return kFailure;
    const double q = static_cast<double>(cells / r);
    switch (method) {
        case 0:
            alpha.assign(alpha.size(), ess / (r * q));
            return kSuccess;
        case 2:
            alpha.assign(alpha.size(), 1.0);
            return kSuccess;
        case 3:
            alpha.assign(alpha.size(), ess / r);
            return kSuccess;
        case 5: {
            if (prior_network_ == nullptr || prior_map().read_family_table(i, parents, alpha) != kSuccess) {
                alpha.assign(alpha.size(), 0.0);
                return kFailure;
            }
            for (double& a : alpha) a *= ess;
            return kSuccess;
        }
        default: {
            const int rc = network_family_prior(i, parents, ess, alpha);
            if (rc != kSuccess) alpha.assign(alpha.size(), 0.0);
            return rc;
        }
    }
}

namespace {

// Evidence this computation puts on the working copy, taken off again on every way out.
class added_evidence {
public:
    explicit added_evidence(VRX_network& network) : network_(network) {}
    ~added_evidence() { clear(); }
    // False when the outcome contradicts the network's own evidence on the node.
    bool set(int handle, int outcome) {
        VRX_nodeValue* value = network_.GetNode(handle)->GetValue();
        if (value->HasEvidence()) return value->GetEvidence() == outcome;
        if (value->SetEvidence(outcome) != kSuccess) return false;
        set_.push_back(handle);
        return true;
    }
    void clear() {
        for (auto it = set_.rbegin(); it != set_.rend(); ++it)
            (void)network_.GetNode(*it)->GetValue()->ClearEvidence();
        set_.clear();
    }

private:
    VRX_network& network_;
    std::vector<int> set_;
};

}  // namespace

int dag::network_family_prior(int i, const std::vector<int>& parents, double ess,
                              std::vector<double>& alpha) {
    if (ensure_prior_engine() != kSuccess) return kFailure;
    graph_network_map& map = prior_map();
    VRX_network& work = *prior_engine_;
    // The family's variables are found by name in the prior network, whatever its handle order.
    const int k = static_cast<int>(parents.size());
    const int r = nodes_[i]->num_states();
    const int own = map.handle_of(i);
    if (own < 0) return kFailure;
    std::vector<int> handle(k);
    std::vector<std::vector<int>> outcome(k + 1);
    for (int a = 0; a <= k; ++a) {
        const int node = a < k ? parents[a] : i;
        if (a < k && (handle[a] = map.handle_of(node)) < 0) return kFailure;
        for (int s = 0; s < nodes_[node]->num_states(); ++s) {
            outcome[a].push_back(map.outcome_of(node, s));
            if (outcome[a].back() < 0) return kFailure;
        }
    }
    double evidence = 0.0;
    if (!work.CalcPropEvidence(&evidence, false) || !(evidence > 0.0)) return kFailure;
    // P(pa = j, x | e) = P(pa = j, e) / P(e) * P(x | pa = j, e): one probability of evidence and one
    // belief update per parent configuration.
    std::vector<int> config(k, 0);
    for (size_t j = 0;; ++j) {
        added_evidence added(work);
        bool possible = true;
        for (int a = 0; a < k && possible; ++a) possible = added.set(handle[a], outcome[a][config[a]]);
        double joint = 0.0;
        if (possible && k > 0 && !work.CalcPropEvidence(&joint, false)) return kFailure;
        if (k == 0) joint = evidence;
        if (possible && joint > 0.0) {
            VRX_Dmatrix* beliefs = nullptr;
            if (work.UpdateBeliefs() != kSuccess ||
                work.GetNode(own)->GetValue()->GetValue(beliefs) != kSuccess || beliefs == nullptr ||
                beliefs->GetNumberOfElements() <= 0)
                return kFailure;
            for (int s = 0; s < r; ++s) {
                const int o = outcome[k][s];
                alpha[j * r + s] =
                    o < beliefs->GetNumberOfElements() ? ess * joint / evidence * (*beliefs)[o] : 0.0;
            }
        }
        if (!vovido::NextConfiguration(config, outcome)) break;
    }
    return kSuccess;
}
