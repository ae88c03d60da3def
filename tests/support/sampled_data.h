#pragma once
// Records drawn forward from a discrete network (the engine's generator and outcome draw, seeded), as
// a data set with one state-named column per node, or as a data file; and the network's skeleton and
// pattern for comparing learnt structures.

#include <cstdio>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/random_generator.h"
#include "base/status_codes.h"
#include "inference/sampling_draws.h"
#include "learning/data_set.h"
#include "learning/pattern.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace vovido::test {

// The nodes of the network in an order that puts every parent before its children.
inline std::vector<int> TopologicalOrder(const VRX_network& net) {
    VRX_intArray all;
    if (net.GetAllNodes(all) != kSuccess) return {};
    std::vector<int> order, pending(net.GetNumberOfSlots(), 0);
    for (int i = 0; i < all.GetCount(); ++i) pending[all[i]] = net.GetParents(all[i]).GetCount();
    for (int i = 0; i < all.GetCount(); ++i) {
        if (pending[all[i]] == 0) order.push_back(all[i]);
    }
    for (size_t k = 0; k < order.size(); ++k) {
        const VRX_intArray& children = net.GetChildren(order[k]);
        for (int c = 0; c < children.GetCount(); ++c) {
            if (--pending[children[c]] == 0) order.push_back(children[c]);
        }
    }
    return order;
}

// The nodes in handle order become the columns, named by identifier with the outcome names as states.
inline bool SampleRecords(VRX_network& net, int records, uint32_t seed, DataSet& data) {
    VRX_intArray all;
    if (net.GetAllNodes(all) != kSuccess) return false;
    const int n = all.GetCount();
    std::vector<int> column(net.GetNumberOfSlots(), -1);
    for (int i = 0; i < n; ++i) {
        VRX_nodeDefinition* def = net.GetNode(all[i])->GetDefinition();
        VRX_idArray* names = def->GetOutcomesNames();
        std::vector<std::string> states;
        for (int k = 0; k < names->GetCount(); ++k) states.emplace_back((*names)[k]);
        if (data.AddIntVariable(net.GetNode(all[i])->GetId(), -1) != kSuccess) return false;
        if (data.SetStateNames(i, states) != kSuccess) return false;
        column[all[i]] = i;
    }
    const std::vector<int> order = TopologicalOrder(net);
    std::vector<int> state(net.GetNumberOfSlots(), 0);
    RandomGenerator random(seed);
    for (int r = 0; r < records; ++r) {
        data.AddEmptyRecord();
        for (int h : order) {
            VRX_Dmatrix* table = nullptr;
            if (net.GetNode(h)->GetDefinition()->GetDefinition(table) != kSuccess) return false;
            const int* strides = table->GetStrides().GetItems();
            const VRX_intArray& parents = net.GetParents(h);
            int offset = 0;
            for (int k = 0; k < parents.GetCount(); ++k) offset += strides[k] * state[parents[k]];
            const int outcomes = net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
            state[h] = PickOutcome(&(*table)[offset], outcomes, random.NextFraction());
            data.SetInt(column[h], r, state[h]);
        }
    }
    return true;
}

// The data set as a comma-separated file with a header line.
inline bool WriteDataFile(const DataSet& data, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    std::string line;
    for (int v = 0; v < data.GetVariableCount(); ++v) line += (v > 0 ? "," : "") + data.GetVariable(v).name;
    std::fprintf(f, "%s\n", line.c_str());
    for (int r = 0; r < data.GetRecordCount(); ++r) {
        line.clear();
        for (int v = 0; v < data.GetVariableCount(); ++v) {
            if (v > 0) line += ',';
            line += data.GetVariable(v).stateNames[data.GetInt(v, r)];
        }
        std::fprintf(f, "%s\n", line.c_str());
    }
    return std::fclose(f) == 0;
}

// The true pattern of the network over the data set's columns: the skeleton, arrowheads on the
// unshielded colliders, and nothing else oriented.
inline Pattern TruePattern(const VRX_network& net, const DataSet& data) {
    const int n = data.GetVariableCount();
    Pattern pattern;
    if (pattern.SetSize(n) != 0) return pattern;
    std::vector<int> handle(n);
    for (int v = 0; v < n; ++v) handle[v] = net.FindNode(data.GetVariable(v).name.c_str());
    std::vector<int> column(net.GetNumberOfSlots(), -1);
    for (int v = 0; v < n; ++v) column[handle[v]] = v;
    for (int v = 0; v < n; ++v) {
        const VRX_intArray& parents = net.GetParents(handle[v]);
        for (int k = 0; k < parents.GetCount(); ++k) {
            pattern.Mark(column[parents[k]], v) = 1;
            pattern.Mark(v, column[parents[k]]) = 1;
        }
    }
    for (int v = 0; v < n; ++v) {
        const VRX_intArray& parents = net.GetParents(handle[v]);
        for (int a = 0; a < parents.GetCount(); ++a) {
            for (int b = a + 1; b < parents.GetCount(); ++b) {
                const int x = column[parents[a]], y = column[parents[b]];
                if (pattern.Adjacent(x, y)) continue;
                pattern.Mark(x, v) = 2;
                pattern.Mark(y, v) = 2;
                pattern.Mark(v, x) = 0;
                pattern.Mark(v, y) = 0;
            }
        }
    }
    return pattern;
}

struct SkeletonScore {
    int truePositives = 0, falsePositives = 0, falseNegatives = 0;
    double Precision() const { return truePositives / double(truePositives + falsePositives); }
    double Recall() const { return truePositives / double(truePositives + falseNegatives); }
};

inline SkeletonScore CompareSkeletons(const Pattern& learnt, const Pattern& truth) {
    SkeletonScore score;
    for (int i = 0; i < truth.GetSize(); ++i) {
        for (int j = i + 1; j < truth.GetSize(); ++j) {
            const bool l = learnt.Adjacent(i, j), t = truth.Adjacent(i, j);
            score.truePositives += l && t;
            score.falsePositives += l && !t;
            score.falseNegatives += !l && t;
        }
    }
    return score;
}

// Structural Hamming distance of two patterns: edges present in one only, plus shared edges whose
// marks differ.
inline int StructuralHammingDistance(const Pattern& a, const Pattern& b) {
    int distance = 0;
    for (int i = 0; i < a.GetSize(); ++i) {
        for (int j = i + 1; j < a.GetSize(); ++j) {
            if (!a.Adjacent(i, j) && !b.Adjacent(i, j)) continue;
            if (a.Adjacent(i, j) != b.Adjacent(i, j) || a.Mark(i, j) != b.Mark(i, j) ||
                a.Mark(j, i) != b.Mark(j, i))
                ++distance;
        }
    }
    return distance;
}

}  // namespace vovido::test
