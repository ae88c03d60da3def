#pragma once
// Pairs the nodes of a learning graph with the nodes of a network (by name against identifier) and
// each node's states with the network node's outcomes (by name in identifier form), and moves
// parameters between the graph's family tables and the network's conditional probability tables,
// translating the parent order and the outcome order of either side.

#include <string>
#include <vector>

class structure;
class hybrid_node;
class VRX_network;

namespace vovido {

// Steps a family configuration, the last position fastest, where position a ranges over the entries of
// lists[a]; false, with every position back at 0, after the last configuration.
inline bool NextConfiguration(std::vector<int>& config, const std::vector<std::vector<int>>& lists) {
    for (int a = static_cast<int>(config.size()) - 1; a >= 0; --a) {
        if (++config[a] < static_cast<int>(lists[a].size())) return true;
        config[a] = 0;
    }
    return false;
}

}  // namespace vovido
class VRX_node;
class VRX_Dmatrix;

class graph_network_map {
public:
    enum flag_bits {
        kOwnedMap = 1,
        kNodeMapCurrent = 2,
        kOutcomesCurrent = 8,
        kAllStatesMatched = 32,
        kAllNodesMatched = 64,
    };

    // Where each cell of a learning family's table lies in the matched network node's table.
    struct family_cells {
        int handle = -1;
        VRX_Dmatrix* table = nullptr;
        std::vector<int> position;
    };

    graph_network_map() = default;
    // With handles (one per graph node index, -1 unmatched) the map is taken as given; otherwise it is
    // computed from the names on first use.
    graph_network_map(structure* graph, VRX_network* network, const std::vector<int>* handles = nullptr);
    void bind(structure* graph, VRX_network* network, const std::vector<int>* handles = nullptr);

    structure* graph() const { return graph_; }
    VRX_network* network() const { return network_; }
    int flags() const { return flags_; }

    // Network handle of graph node i; -1 when unmatched, out of range or without graph and network.
    int handle_of(int i);
    // The matched network node, null when there is none.
    VRX_node* network_node_of(int i);
    // Matches the states of every node to outcomes once: 1 when every state matched, else 0.
    int match_outcomes();
    // Outcome of state s of node i; -1 when unmatched.
    int outcome_of(int i, int s);
    // The graph's states changed (discretisation): the outcome maps are made again on next use.
    void outcomes_changed() { flags_ &= ~(kOutcomesCurrent | kAllStatesMatched); }

    // Gives the matched network node the node's states as outcomes (two continuous outcomes for a node
    // without discrete part). 0; kOutOfRange unmatched; -1 for a definition that is no probability table.
    [[nodiscard]] int set_outcomes(int i);
    // Copies node i's parameters into (or from) its network table. Nothing is written unless the whole
    // family translates: kOutOfRange for an unmatched node, a definition of another kind, a family of another
    // size or a learning parent that is no parent of the network node; -1 for an unmatched state.
    [[nodiscard]] int copy_parameters(int i, bool to_network);
    // The network table of node i read in the layout of the family (parents as given, own state last).
    [[nodiscard]] int read_family_table(int i, const std::vector<int>& parents, std::vector<double>& out);
    // The cell positions of node i's family with the given parents; codes as copy_parameters.
    [[nodiscard]] int plan_family(int i, const std::vector<int>& parents, family_cells& cells);
    // Whether values (learning layout; empty: uniform) can be written into the planned cells: kOutOfRange for
    // another size, -1 when network outcomes would be left without a value.
    [[nodiscard]] int writable(const family_cells& cells, int i, const std::vector<double>& values) const;
    // Writes values into the planned cells (when writable), or reads them.
    [[nodiscard]] int transfer(const family_cells& cells, int i, std::vector<double>& values,
                               bool to_network);

    // The node's state names as distinct identifiers, the outcome names a network node is given.
    static std::vector<std::string> state_ids(const hybrid_node& node);

private:
    void compute_node_map();
    bool ready() const { return graph_ != nullptr && network_ != nullptr; }

    structure* graph_ = nullptr;
    VRX_network* network_ = nullptr;
    int flags_ = 0;
    std::vector<int> node_map_;
    std::vector<std::vector<int>> outcome_maps_;
};
