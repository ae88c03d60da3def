// The node and state pairing of a learning graph with a network, and parameter transfer.
#include "learning/graph_network_map.h"

#include <cstdint>
#include <string>
#include <unordered_map>

#include "base/dmatrix.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "learning/learning_structure.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace {

// Matches names to candidates: each name takes the first equal candidate no earlier name took.
class first_untaken {
public:
    void add(const std::string& candidate, int value) { free_[candidate].push_back(value); }
    int take(const std::string& name) {
        auto found = free_.find(name);
        if (found == free_.end() || next_[name] >= found->second.size()) return -1;
        return found->second[next_[name]++];
    }

private:
    std::unordered_map<std::string, std::vector<int>> free_;
    std::unordered_map<std::string, size_t> next_;
};

bool IsTableKind(int type) {
    return type == DefinitionType::kCpt || type == DefinitionType::kTruthTable;
}

}  // namespace

graph_network_map::graph_network_map(structure* graph, VRX_network* network,
                                     const std::vector<int>* handles) {
    bind(graph, network, handles);
}

void graph_network_map::bind(structure* graph, VRX_network* network, const std::vector<int>* handles) {
    graph_ = graph;
    network_ = network;
    flags_ = 0;
    node_map_.clear();
    outcome_maps_.clear();
    if (handles != nullptr) {
        node_map_ = *handles;
        flags_ = kNodeMapCurrent | kAllNodesMatched;
        if (graph_ != nullptr) node_map_.resize(graph_->node_count(), -1);
        for (int i = -1; graph_ != nullptr && graph_->next_active(i) == kSuccess;) {
            if (node_map_[i] < 0) flags_ &= ~kAllNodesMatched;
        }
    } else if (ready()) {
        compute_node_map();
    }
}

void graph_network_map::compute_node_map() {
    flags_ |= kOwnedMap;
    node_map_.assign(graph_->node_count(), -1);
    first_untaken ids;
    for (int h = network_->GetFirstNode(); h >= 0; h = network_->GetNextNode(h)) {
        const char* id = network_->GetNode(h)->GetId();
        if (id != nullptr) ids.add(id, h);
    }
    // The names come in the order of the active nodes; the map is kept by node index.
    VRX_stringArray names;
    bool all = graph_->collect_names(names) == kSuccess;
    int k = 0;
    for (int i = -1; all && graph_->next_active(i) == kSuccess; ++k) {
        node_map_[i] = ids.take(names[k] != nullptr ? names[k] : "");
    }
    for (int i = -1; graph_->next_active(i) == kSuccess;) all = all && node_map_[i] >= 0;
    flags_ = (flags_ | kNodeMapCurrent) & ~(kOutcomesCurrent | kAllStatesMatched | kAllNodesMatched);
    if (all) flags_ |= kAllNodesMatched;
}

int graph_network_map::handle_of(int i) {
    if (!ready()) {
        node_map_.clear();
        return -1;
    }
    if (!(flags_ & kNodeMapCurrent)) compute_node_map();
    return i >= 0 && i < static_cast<int>(node_map_.size()) ? node_map_[i] : -1;
}

VRX_node* graph_network_map::network_node_of(int i) {
    const int h = handle_of(i);
    return h >= 0 && network_->IsLiveHandle(h) ? network_->GetNode(h) : nullptr;
}

std::vector<std::string> graph_network_map::state_ids(const hybrid_node& node) {
    // Two names that repair to one identifier are told apart by a number, as a network would.
    VRX_idArray taken;
    std::vector<std::string> ids;
    for (const std::string& state : node.state_names) {
        std::string id = state;
        structure::node_names_to_ids(id);
        std::string unique;
        if (taken.MakeValidId(id.c_str(), -1, unique) != kSuccess || taken.Add(unique.c_str()) != kSuccess)
            unique = id;
        ids.push_back(unique);
    }
    return ids;
}

int graph_network_map::match_outcomes() {
    if (!ready()) return (flags_ & kAllStatesMatched) ? 1 : 0;
    if (flags_ & kOutcomesCurrent) return (flags_ & kAllStatesMatched) ? 1 : 0;
    if (!(flags_ & kNodeMapCurrent)) compute_node_map();
    flags_ |= kAllStatesMatched;
    outcome_maps_.assign(graph_->node_count(), std::vector<int>());
    for (int i = -1; graph_->next_active(i) == kSuccess;) {
        const hybrid_node& node = *graph_->node_at(i);
        std::vector<int>& map = outcome_maps_[i];
        map.assign(node.state_names.size(), -1);
        VRX_node* matched = network_node_of(i);
        const VRX_idArray* outcomes =
            matched != nullptr ? matched->GetDefinition()->GetOutcomesNames() : nullptr;
        first_untaken names;
        for (int o = 0; outcomes != nullptr && o < outcomes->GetCount(); ++o) {
            if ((*outcomes)[o] != nullptr) names.add((*outcomes)[o], o);
        }
        const std::vector<std::string> ids = state_ids(node);
        for (size_t s = 0; s < ids.size(); ++s) {
            map[s] = names.take(ids[s]);
            if (map[s] < 0) flags_ &= ~kAllStatesMatched;
        }
    }
    flags_ |= kOutcomesCurrent;
    return (flags_ & kAllStatesMatched) ? 1 : 0;
}

int graph_network_map::outcome_of(int i, int s) {
    if (!ready()) return -1;
    (void)match_outcomes();
    if (i < 0 || i >= static_cast<int>(outcome_maps_.size())) return -1;
    const std::vector<int>& map = outcome_maps_[i];
    return s >= 0 && s < static_cast<int>(map.size()) ? map[s] : -1;
}

int graph_network_map::set_outcomes(int i) {
    VRX_node* matched = network_node_of(i);
    if (matched == nullptr) return kOutOfRange;
    const hybrid_node& node = *graph_->node_at(i);
    VRX_nodeDefinition& def = *matched->GetDefinition();
    std::vector<std::string> ids{"Continuous0", "Continuous1"};
    if (node.kind & hybrid_node::kDiscretePart) {
        if (def.GetType() != DefinitionType::kCpt) return kFailure;
        ids = state_ids(node);
    }
    // Outcomes are added and removed at the end and then renamed, which keeps the tables of the
    // network node's children in step (replacing the whole set is refused while it has children).
    const int count = static_cast<int>(ids.size());
    VRX_stringArray names;
    for (const std::string& id : ids) {
        if (const int rc = names.Add(id.c_str())) return rc;
    }
    // Without children the set is replaced at once: one outcome at a time would rebuild the node's
    // tables at every step, which is quadratic in the number of states.
    if (network_->GetChildren(node_map_[i]).GetCount() == 0 && def.GetNumberOfOutcomes() != count) {
        if (const int rc = def.SetOutcomes(names)) return rc;
    }
    while (def.GetNumberOfOutcomes() < count) {
        if (const int rc = def.AddOutcome(ids[def.GetNumberOfOutcomes()].c_str())) return rc;
    }
    while (def.GetNumberOfOutcomes() > count) {
        if (const int rc = def.RemoveOutcome(def.GetNumberOfOutcomes() - 1)) return rc;
    }
    if (const int rc = def.RenameOutcomes(names)) return rc;
    flags_ &= ~(kOutcomesCurrent | kAllStatesMatched);
    return kSuccess;
}

int graph_network_map::plan_family(int i, const std::vector<int>& parents, family_cells& cells) {
    VRX_node* matched = network_node_of(i);
    if (matched == nullptr) return kOutOfRange;
    VRX_nodeDefinition& def = *matched->GetDefinition();
    VRX_Dmatrix* table = nullptr;
    if (!IsTableKind(def.GetType()) || def.GetDefinition(table) != kSuccess || table == nullptr)
        return kOutOfRange;
    const int h = node_map_[i];
    const VRX_intArray& netParents = network_->GetParents(h);
    const int k = static_cast<int>(parents.size());
    if (netParents.GetCount() != k || table->GetNumberOfDimensions() != k + 1) return kOutOfRange;
    // A learning parent must be one of the network node's parents, so that it has a coordinate.
    std::vector<int> stride(k, -1);
    for (int a = 0; a < k; ++a) {
        const int hp = handle_of(parents[a]);
        for (int b = 0; b < k && hp >= 0; ++b) {
            if (netParents[b] == hp) stride[a] = table->GetStrides()[b];
        }
        if (stride[a] < 0) return kOutOfRange;
    }
    (void)match_outcomes();
    const hybrid_node& node = *graph_->node_at(i);
    const int r = node.num_states();
    std::vector<int> own(r);
    int64_t size = r;
    for (int s = 0; s < r; ++s) {
        own[s] = outcome_of(i, s);
        if (own[s] < 0) return kFailure;
        own[s] *= table->GetStrides()[k];
    }
    std::vector<std::vector<int>> offsets(k);
    for (int a = 0; a < k; ++a) {
        const int states = graph_->node_at(parents[a])->num_states();
        size *= states;
        if (size > kMaxFamilyCells) return kOutOfRange;
        for (int s = 0; s < states; ++s) {
            const int o = outcome_of(parents[a], s);
            if (o < 0) return kFailure;
            offsets[a].push_back(o * stride[a]);
        }
    }
    cells.handle = h;
    cells.table = table;
    cells.position.clear();
    cells.position.reserve(static_cast<size_t>(size));
    std::vector<int> config(k, 0);
    for (;;) {
        int base = 0;
        for (int a = 0; a < k; ++a) base += offsets[a][config[a]];
        for (int s = 0; s < r; ++s) cells.position.push_back(base + own[s]);
        if (!vovido::NextConfiguration(config, offsets)) break;
    }
    return kSuccess;
}

int graph_network_map::writable(const family_cells& cells, int i, const std::vector<double>& values) const {
    if (!values.empty() && values.size() != cells.position.size()) return kOutOfRange;
    // Network outcomes that no state fills would keep old values in every distribution.
    const int k = cells.table->GetNumberOfDimensions() - 1;
    return cells.table->GetDimensions()[k] == graph_->node_at(i)->num_states() ? kSuccess : kFailure;
}

int graph_network_map::transfer(const family_cells& cells, int i, std::vector<double>& values,
                                bool to_network) {
    const int r = graph_->node_at(i)->num_states();
    const size_t n = cells.position.size();
    double* data = cells.table->GetData();
    if (!to_network) {
        values.resize(n);
        for (size_t c = 0; c < n; ++c) values[c] = data[cells.position[c]];
        return kSuccess;
    }
    if (const int rc = writable(cells, i, values)) return rc;
    for (size_t c = 0; c < n; ++c) data[cells.position[c]] = values.empty() ? 1.0 / r : values[c];
    return kSuccess;
}

int graph_network_map::copy_parameters(int i, bool to_network) {
    hybrid_node* node = ready() ? graph_->node_at(i) : nullptr;
    if (node == nullptr) return kOutOfRange;
    if (!(node->kind & hybrid_node::kDiscretePart)) return kSuccess;
    family_cells cells;
    if (const int rc = plan_family(i, node->parents, cells)) return rc;
    if (const int rc = transfer(cells, i, node->parameters, to_network)) return rc;
    if (to_network) network_->InvalidateValues();
    return kSuccess;
}

int graph_network_map::read_family_table(int i, const std::vector<int>& parents, std::vector<double>& out) {
    if (!ready() || graph_->node_at(i) == nullptr) return kOutOfRange;
    family_cells cells;
    if (const int rc = plan_family(i, parents, cells)) return rc;
    return transfer(cells, i, out, false);
}
