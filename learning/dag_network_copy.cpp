// The learning graph as a network: nodes named after the variables, the learnt arcs, outcomes named
// after the states and the parameters as conditional probability tables; parameters written into and
// read back from a matched network; the parameter-learning driver that ends in such a network.
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/identifier.h"
#include "base/status_codes.h"
#include "learning/discretization.h"
#include "learning/learning_dag.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"

namespace {

// Restores an option on every way out of the driver, failures included.
class saved_flag {
public:
    saved_flag(option_set& options, int index) : options_(options), index_(index), value_(options.flag(index)) {}
    ~saved_flag() { (void)options_.set_bool(index_, value_); }

private:
    option_set& options_;
    int index_;
    bool value_;
};

}  // namespace

int dag::copy_to_network(VRX_network& network) {
    graph_network_map map;
    return copy_to_network(network, map);
}

int dag::copy_to_network(VRX_network& network, graph_network_map& map) {
    // What cannot be deleted shows as a failure of the steps below.
    (void)network.DeleteAllNodes();
    std::vector<int> handles(nodes_.size(), -1);
    for (int i = -1; next_active(i) == kSuccess;) {
        const hybrid_node& node = *nodes_[i];
        std::string id = node.name;
        if (IsValidIdentifier(id.c_str()) != 1 && SanitizeIdentifier(id) != kSuccess) id.clear();
        int h = id.empty() ? kOutOfRange : network.AddNode(DefinitionType::kCpt, id.c_str());
        // Taken or unusable: the network makes an identifier of its own.
        if (h < 0) h = network.AddNode(DefinitionType::kCpt, nullptr);
        if (h < 0) return kFailure;
        VRX_nodeInfo* info = network.GetNode(h)->GetInfo();
        if (info == nullptr || info->header.SetName(node.name.c_str()) != kSuccess) return kFailure;
        handles[i] = h;
    }
    map.bind(this, &network, &handles);
    for (int i = -1; next_active(i) == kSuccess;) {
        for (int p : nodes_[i]->parents) {
            if (network.AddArc(handles[p], handles[i], 0) != kSuccess) return kFailure;
        }
    }
    for (int i = -1; next_active(i) == kSuccess;) {
        if (const int rc = map.set_outcomes(i)) return rc;
    }
    return copy_parameters_to_network(map, 1);
}

int dag::copy_parameters_to_network(graph_network_map& map, int /*flag*/) {
    if (map.graph() != this || map.network() == nullptr || map.match_outcomes() != 1) return kFailure;
    // Every family is translated before any table is written, so a refusal leaves the network as it was.
    std::vector<graph_network_map::family_cells> plans(nodes_.size());
    for (int i = -1; next_active(i) == kSuccess;) {
        const hybrid_node& node = *nodes_[i];
        if (map.handle_of(i) < 0 || !(node.kind & hybrid_node::kDiscretePart)) continue;
        if (const int rc = map.plan_family(i, node.parents, plans[i])) return rc;
        if (const int rc = map.writable(plans[i], i, node.parameters)) return rc;
    }
    for (int i = -1; next_active(i) == kSuccess;) {
        if (plans[i].table == nullptr) continue;
        if (const int rc = map.transfer(plans[i], i, nodes_[i]->parameters, true)) return rc;
    }
    map.network()->InvalidateValues();
    return kSuccess;
}

int dag::take_parameters_from_network(graph_network_map& map) {
    if (map.graph() != this || map.network() == nullptr) return kFailure;
    std::vector<graph_network_map::family_cells> plans(nodes_.size());
    for (int i = -1; next_active(i) == kSuccess;) {
        const hybrid_node& node = *nodes_[i];
        if (!(node.kind & hybrid_node::kDiscretePart)) continue;
        if (map.plan_family(i, node.parents, plans[i]) != kSuccess) return kOutOfRange;
        // Every state matched an outcome of its own: equal sizes mean equal dimensions.
        if (plans[i].table->GetNumberOfElements() != static_cast<int>(plans[i].position.size())) return kOutOfRange;
    }
    for (int i = -1; next_active(i) == kSuccess;) {
        if (plans[i].table == nullptr) continue;
        if (const int rc = map.transfer(plans[i], i, nodes_[i]->parameters, false)) return rc;
    }
    return kSuccess;
}

int dag::commit_parameters() { return kSuccess; }

int dag::build_network(VRX_network& network) {
    graph_network_map map;
    if (const int rc = copy_to_network(network, map)) return rc;
    return take_parameters_from_network(map);
}

int dag::learn_parameters(graph_network_map& map) {
    if (map.network() == nullptr) return estimate_parameters();
    if (map.graph() != this) return kFailure;
    saved_flag preferContinuous(options_, learning_option::kPreferContData);
    (void)options_.set_bool(learning_option::kPreferContData, false);
    const int d = progress().depth();
    int result = progress().open_step(d, 0.05, "Discretizing");
    if (result != kSuccess) return result;
    for (int i = -1; next_active(i) == kSuccess;) {
        hybrid_node& node = *nodes_[i];
        const bool cut = (node.kind & hybrid_node::kDiscreteData) && node.used_method == node.discrete_method &&
                         node.num_states() == node.discrete_levels;
        if (node.values && !node.values->empty() && !cut) {
            if (discretize(node) == kFailure) return kFailure;
            // The node's families are counted anew over its states.
            count_cache_.clear();
            score_cache_.clear();
            touch(i);
            for (int c : node.children) touch(c);
        }
        // From here on the node is discrete.
        node.kind &= ~hybrid_node::kContinuousData;
    }
    map.outcomes_changed();
    if ((result = progress().close_step(d)) != kSuccess) return result;
    if ((result = progress().open_step(d, 0.8, "Calculating MAP Parameters")) != kSuccess) return result;
    if ((result = estimate_parameters()) != kSuccess) return result;
    if ((result = progress().close_step(d)) != kSuccess) return result;
    if ((result = progress().open_step(d, 0.15, "Copying Parameters to VRX network")) != kSuccess) return result;
    if ((result = copy_parameters_to_network(map, 1)) != kSuccess) return result;
    return progress().close_step(d);
}
