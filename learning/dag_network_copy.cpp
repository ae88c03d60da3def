// The learning graph as a network: nodes named after the variables, the learnt arcs, outcomes named
// after the states and the parameters as conditional probability tables; parameters written into and
// read back from a matched network; the parameter-learning driver that ends in such a network.
#include <string>
#include <unordered_set>
#include <vector>

#include "base/dmatrix.h"
#include "base/id_array.h"
#include "base/identifier.h"
#include "base/status_codes.h"
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
    saved_flag(option_set& options, int index)
        : options_(options), index_(index), value_(options.flag(index)) {}
    ~saved_flag() { (void)options_.set_bool(index_, value_); }

private:
    option_set& options_;
    int index_;
    bool value_;
};

}  // namespace

int dag::add_node_like(const VRX_node* source) {
    VRX_nodeDefinition* definition = source != nullptr ? source->GetDefinition() : nullptr;
    if (definition == nullptr) return kFailure;
    auto node = std::make_unique<hybrid_node>();
    node->name = source->GetId();
    const VRX_idArray* outcomes =
        definition->GetType() == DefinitionType::kEquation ? nullptr : definition->GetOutcomesNames();
    for (int k = 0; outcomes != nullptr && k < outcomes->GetCount(); ++k)
        node->state_names.emplace_back((*outcomes)[k]);
    node->kind = hybrid_node::kDiscretePart | hybrid_node::kDiscreteData;
    node->data = std::make_shared<const std::vector<int32_t>>(total_records_, kMissingLearningValue);
    return add_node(std::move(node));
}

std::vector<std::string> dag::network_identifiers() const {
    // Names that are identifiers already are kept first, so a repaired or generated identifier never
    // takes the name of a later node.
    std::vector<std::string> ids(nodes_.size());
    std::unordered_set<std::string> taken;
    for (int i = -1; next_active(i) == kSuccess;) {
        const std::string& name = nodes_[i]->name;
        if (IsValidIdentifier(name.c_str()) == 1 && taken.insert(name).second) ids[i] = name;
    }
    int generated = 0;
    for (int i = -1; next_active(i) == kSuccess;) {
        if (!ids[i].empty()) continue;
        std::string id = nodes_[i]->name;
        if (IsValidIdentifier(id.c_str()) == 1 || SanitizeIdentifier(id) != kSuccess ||
            !taken.insert(id).second) {
            do {
                id = "Node" + std::to_string(generated++);
            } while (!taken.insert(id).second);
        }
        ids[i] = id;
    }
    return ids;
}

int dag::copy_to_network(VRX_network& network) {
    graph_network_map map;
    return copy_to_network(network, map);
}

int dag::copy_to_network(VRX_network& network, graph_network_map& map) {
    // What cannot be deleted shows as a failure of the steps below.
    (void)network.DeleteAllNodes();
    const std::vector<std::string> ids = network_identifiers();
    std::vector<int> handles(nodes_.size(), -1);
    for (int i = -1; next_active(i) == kSuccess;) {
        const int h = network.AddNode(DefinitionType::kCpt, ids[i].c_str());
        if (h < 0) return kFailure;
        VRX_nodeInfo* info = network.GetNode(h)->GetInfo();
        if (info == nullptr || info->header.SetName(nodes_[i]->name.c_str()) != kSuccess) return kFailure;
        handles[i] = h;
    }
    map.bind(this, &network, &handles);
    // Outcomes before arcs: each table is then built once, at its final size.
    for (int i = -1; next_active(i) == kSuccess;) {
        if (const int rc = map.set_outcomes(i)) return rc;
    }
    for (int i = -1; next_active(i) == kSuccess;) {
        for (int p : nodes_[i]->parents) {
            if (network.AddArc(handles[p], handles[i], 0) != kSuccess) return kFailure;
        }
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
        if (plans[i].table->GetNumberOfElements() != static_cast<int>(plans[i].position.size()))
            return kOutOfRange;
    }
    for (int i = -1; next_active(i) == kSuccess;) {
        if (plans[i].table == nullptr) continue;
        if (const int rc = map.transfer(plans[i], i, nodes_[i]->parameters, false)) return rc;
    }
    return kSuccess;
}

int dag::commit_parameters() {
    return kSuccess;
}

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
    int result = discretize_step(d);
    if (result != kSuccess) return result;
    map.outcomes_changed();
    if ((result = progress().open_step(d, 0.8, "Calculating MAP Parameters")) != kSuccess) return result;
    if ((result = estimate_parameters()) != kSuccess) return result;
    if ((result = progress().close_step(d)) != kSuccess) return result;
    if ((result = progress().open_step(d, 0.15, "Copying Parameters to VRX network")) != kSuccess)
        return result;
    if ((result = copy_parameters_to_network(map, 1)) != kSuccess) return result;
    return progress().close_step(d);
}
