// Parameters of the learning graph (Dirichlet estimates from the counts) and the copy of the graph
// into a network: nodes, outcomes named after the states, arcs and conditional probability tables.
#include <cstdio>
#include <set>
#include <string>

#include "base/dmatrix.h"
#include "base/identifier.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "learning/dag_em.h"
#include "learning/discretization.h"
#include "learning/learning_dag.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"

namespace {

constexpr int kCptType = 0x12;

// A name as an identifier: one that does not begin with a letter gets a prefix first.
std::string AsIdentifier(const std::string& name, const char* prefix) {
    std::string id = name;
    if (id.empty() || !vovido::IsAsciiLetter(id[0])) id = prefix + id;
    if (IsValidIdentifier(id.c_str()) != 1 && SanitizeIdentifier(id) != kSuccess) id = prefix;
    return id;
}

}  // namespace

int dag::learn_parameters() {
    const int d = progress().depth();
    int result = progress().open_step(d, 0.05, "Discretizing");
    if (result != kSuccess) return result;
    for (int i = -1; next_active(i) == kSuccess;) {
        hybrid_node& node = *nodes_[i];
        if (!(node.kind & hybrid_node::kContinuousData)) continue;
        if (discretize(node) != kSuccess) return kFailure;
        // The node's families are counted anew over its states.
        count_cache_.clear();
        score_cache_.clear();
        touch(i);
        for (int c : node.children) touch(c);
    }
    result = progress().close_step(d);
    if (result != kSuccess) return result;
    return estimate_parameters();
}

int dag::estimate_parameters() {
    if (!missing_data_) return estimate_complete();
    switch (options_.integer(learning_option::kIncompleteDataMethod)) {
        case 1: return run_graph_em(*this, nullptr);
        // Records with a missing family member are left out of that family's counts.
        case 2: return estimate_complete();
        default: return kFailure;
    }
}

int dag::estimate_complete() {
    const int d = progress().depth();
    int result = kSuccess;
    int done = 0;
    for (int i = -1; next_active(i) == kSuccess; ++done) {
        char text[64];
        std::snprintf(text, sizeof text, "Node: %d/%d", done, active_count_);
        result = progress().open_step(d, 1.0 / active_count_, text);
        if (result != kSuccess) return result;
        hybrid_node& node = *nodes_[i];
        if (node.kind & hybrid_node::kDiscreteData) {
            const std::vector<double>* counts = family_counts(i, node.parents);
            if (counts == nullptr || estimate_node(node, *counts) != kSuccess) return kFailure;
        }
        result = progress().close_step(d);
        if (result != kSuccess) return result;
    }
    return kSuccess;
}

int dag::estimate_node(hybrid_node& node, const std::vector<double>& counts) {
    const int r = node.num_states();
    if (r < 1) return kFailure;
    const int q = static_cast<int>(counts.size()) / r;
    const double alpha = prior_cell(node, q);
    if (alpha < 0.0) return kFailure;
    const int threshold = options_.integer(learning_option::kZeroCountThreshold);
    node.parameters.assign(counts.size(), 0.0);
    for (int j = 0; j < q; ++j) {
        double nj = 0.0;
        for (int s = 0; s < r; ++s) nj += counts[j * r + s];
        const bool dropped = nj < threshold;
        const double total = alpha * r + (dropped ? 0.0 : nj);
        for (int s = 0; s < r; ++s) {
            const double n = dropped ? 0.0 : counts[j * r + s];
            // A configuration without prior and without data gets the uniform distribution.
            node.parameters[j * r + s] = total > 0.0 ? (alpha + n) / total : 1.0 / r;
        }
    }
    return kSuccess;
}

double dag::joint_probability() const {
    double product = 1.0;
    for (int i = -1; next_active(i) == kSuccess;) {
        const hybrid_node& node = *nodes_[i];
        if (node.parameters.empty()) return -1.0;
        // A missing state sums the node out; for a node whose descendants are summed out too this is 1.
        if (node.state < 0) continue;
        int offset = 0;
        bool known = true;
        for (int p : node.parents) {
            const hybrid_node& parent = *nodes_[p];
            known = known && parent.state >= 0;
            offset = offset * parent.num_states() + (parent.state >= 0 ? parent.state : 0);
        }
        if (!known) continue;
        product *= node.parameters[static_cast<size_t>(offset) * node.num_states() + node.state];
    }
    return product;
}

int dag::copy_to_network(VRX_network& network) const {
    if (network.DeleteAllNodes() != kSuccess) return kFailure;
    std::vector<int> handle(nodes_.size(), -1);
    int generated = 0;
    for (int i = -1; next_active(i) == kSuccess;) {
        const hybrid_node& node = *nodes_[i];
        std::string id = AsIdentifier(node.name, "x");
        handle[i] = network.FindNode(id.c_str()) < 0 ? network.AddNode(kCptType, id.c_str()) : -1;
        while (handle[i] < 0 && generated < 1000000) {
            // An identifier of our own that no node of the network holds.
            id = "Node" + std::to_string(++generated);
            if (network.FindNode(id.c_str()) < 0) handle[i] = network.AddNode(kCptType, id.c_str());
        }
        if (handle[i] < 0) return kFailure;
        VRX_node* created = network.GetNode(handle[i]);
        if (created->GetInfo() != nullptr) (void)created->GetInfo()->header.SetName(node.name.c_str());
        VRX_stringArray names;
        std::set<std::string> taken;
        for (int s = 0; s < node.num_states(); ++s) {
            std::string state = AsIdentifier(node.state_names[s], "State_");
            if (!taken.insert(state).second) state += "_" + std::to_string(s);
            taken.insert(state);
            if (names.Add(state.c_str()) < 0) return kFailure;
        }
        if (created->GetDefinition()->SetOutcomes(names) != kSuccess) return kFailure;
    }
    for (int i = -1; next_active(i) == kSuccess;) {
        for (int p : nodes_[i]->parents) {
            if (network.AddArc(handle[p], handle[i], 0) != kSuccess) return kFailure;
        }
    }
    for (int i = -1; next_active(i) == kSuccess;) {
        const hybrid_node& node = *nodes_[i];
        VRX_Dmatrix* table = nullptr;
        if (network.GetNode(handle[i])->GetDefinition()->GetDefinition(table) != kSuccess || table == nullptr)
            return kFailure;
        const VRX_intArray& netParents = network.GetParents(handle[i]);
        const int k = static_cast<int>(node.parents.size());
        if (netParents.GetCount() != k) return kFailure;
        // Where each learning parent sits among the network node's parents.
        std::vector<int> stride(k, 0);
        for (int a = 0; a < k; ++a) {
            for (int b = 0; b < k; ++b) {
                if (netParents[b] == handle[node.parents[a]]) stride[a] = table->GetStrides()[b];
            }
        }
        const int r = node.num_states();
        const int last = table->GetStrides()[k];
        std::vector<int> config(k, 0);
        double* cells = table->GetData();
        for (size_t j = 0;; ++j) {
            int offset = 0;
            for (int a = 0; a < k; ++a) offset += stride[a] * config[a];
            for (int s = 0; s < r; ++s) {
                cells[offset + s * last] =
                    node.parameters.empty() ? 1.0 / r : node.parameters[j * r + s];
            }
            int a = k - 1;
            for (; a >= 0; --a) {
                if (++config[a] < nodes_[node.parents[a]]->num_states()) break;
                config[a] = 0;
            }
            if (a < 0) break;
        }
    }
    return kSuccess;
}
