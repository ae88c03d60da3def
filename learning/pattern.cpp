// The graph PC learns: edge marks, path and cycle queries, conversion to a network.
#include "learning/pattern.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>

#include "base/error_log.h"
#include "base/identifier.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "learning/data_set.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"

int Pattern::SetSize(int n) {
    if (n < 0) n = 0;
    const int64_t cells = int64_t{n} * n;
    if (cells > kMaxTableCells) {
        const std::string text = "Pattern of " + std::to_string(n) + " variables: its " +
                                 std::to_string(cells) + " marks pass the limit of " +
                                 std::to_string(kMaxTableCells) + " cells";
        return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
    }
    std::vector<int> marks(static_cast<size_t>(n) * n, 0);
    const int keep = n < n_ ? n : n_;
    for (int i = 0; i < keep; ++i) {
        for (int j = 0; j < keep; ++j) marks[static_cast<size_t>(i) * n + j] = Mark(i, j);
    }
    marks_.swap(marks);
    n_ = n;
    return kSuccess;
}

int Pattern::GetEdge(int i, int j) const {
    if (i < 0 || j < 0 || i >= n_ || j >= n_) return kOutOfRange;
    return Mark(i, j);
}

int Pattern::SetEdge(int i, int j, int mark) {
    if (i < 0 || j < 0 || i >= n_ || j >= n_ || mark < 0 || mark > 2) return kOutOfRange;
    Mark(i, j) = mark;
    return kSuccess;
}

bool Pattern::HasDirectedPath(int from, int to) const {
    if (from < 0 || to < 0 || from >= n_ || to >= n_) return false;
    if (from == to) return true;
    std::vector<char> visited(n_, 0);
    std::vector<int> stack{from};
    visited[from] = 1;
    while (!stack.empty()) {
        const int v = stack.back();
        stack.pop_back();
        for (int j = 0; j < n_; ++j) {
            if (visited[j] == 0 && Directed(v, j)) {
                if (j == to) return true;
                visited[j] = 1;
                stack.push_back(j);
            }
        }
    }
    return false;
}

bool Pattern::HasCycle() const {
    // A directed cycle exists exactly when some pair has paths both ways; found by depth-first search
    // with colours over the directed edges.
    std::vector<char> colour(n_, 0);  // 0 new, 1 on the stack, 2 done
    std::vector<std::pair<int, int>> stack;
    for (int start = 0; start < n_; ++start) {
        if (colour[start] != 0) continue;
        stack.emplace_back(start, 0);
        colour[start] = 1;
        while (!stack.empty()) {
            auto& [v, next] = stack.back();
            if (next == n_) {
                colour[v] = 2;
                stack.pop_back();
                continue;
            }
            const int j = next++;
            if (j == v || !Directed(v, j)) continue;
            if (colour[j] == 1) return true;
            if (colour[j] == 0) {
                colour[j] = 1;
                stack.emplace_back(j, 0);
            }
        }
    }
    return false;
}

bool Pattern::IsDAG() const {
    for (int i = 0; i < n_; ++i) {
        for (int j = i + 1; j < n_; ++j) {
            if (Mark(i, j) == 1 || Mark(j, i) == 1 || (Mark(i, j) == 2 && Mark(j, i) == 2)) return false;
        }
    }
    return !HasCycle();
}

bool Pattern::MakeNetwork(const DataSet& data, VRX_network& network) const {
    if (!IsDAG()) {
        LogError(errorLog, kFailure, "pattern: not a directed acyclic graph", nullptr);
        return false;
    }
    if (n_ > data.GetVariableCount()) {
        LogError(errorLog, kFailure, "pattern: more variables than the data set has", nullptr);
        return false;
    }
    bool anyDiscrete = false;
    for (int i = 0; i < n_; ++i) anyDiscrete = anyDiscrete || data.GetVariable(i).discrete;
    // Identifiers first, so that a clash refuses the whole network before any node is added.
    std::vector<std::string> ids(n_);
    std::set<std::string> taken;
    for (int i = 0; i < n_; ++i) {
        ids[i] = data.GetVariable(i).name;
        // Unnamed columns (a file without a header) are told apart by their number, from 1.
        if (ids[i].empty()) ids[i] = "x" + std::to_string(i + 1);
        if (!IsValidIdentifier(ids[i].c_str()) && SanitizeIdentifier(ids[i]) != kSuccess) ids[i] = "x";
        if (!taken.insert(ids[i]).second || network.FindNode(ids[i].c_str()) >= 0) {
            LogError(errorLog, kDuplicatedIdentifier, ("pattern: two nodes would be named " + ids[i]).c_str(),
                     nullptr);
            return false;
        }
    }
    // A discrete variable without state names holds outcome indices (integer-coded data): its node
    // gets an outcome for every index up to the largest its data has, so that the data match it. Each
    // outcome costs a named state besides its table cells, so a value of millions (a stray code) is
    // refused instead of building a node of that many outcomes.
    constexpr int kMaxCodedOutcomes = 1 << 20;
    std::vector<int> outcomes(n_, 0);
    for (int i = 0; i < n_; ++i) {
        const DataSetVariable& variable = data.GetVariable(i);
        if (!variable.discrete || variable.stateNames.size() >= 2) continue;
        int largest = -1;
        for (int r = 0; r < data.GetRecordCount(); ++r) {
            if (!data.IsMissing(i, r)) largest = std::max(largest, data.GetInt(i, r));
        }
        if (largest >= kMaxCodedOutcomes) {
            LogError(errorLog, kInvalidData,
                     ("pattern: variable " + variable.name + " holds the value " + std::to_string(largest) +
                      ", too large for an outcome index")
                         .c_str(),
                     nullptr);
            return false;
        }
        outcomes[i] = largest + 1;
    }
    std::vector<int> handles(n_, -1);
    for (int i = 0; i < n_; ++i) {
        const DataSetVariable& variable = data.GetVariable(i);
        handles[i] =
            network.AddNode(anyDiscrete ? DefinitionType::kCpt : DefinitionType::kEquation, ids[i].c_str());
        if (handles[i] < 0) continue;
        VRX_node* node = network.GetNode(handles[i]);
        if (node->GetInfo() != nullptr) (void)node->GetInfo()->header.SetName(variable.name.c_str());
        if (variable.discrete && variable.stateNames.size() >= 2) {
            VRX_stringArray names;
            bool added = true;
            for (const std::string& state : variable.stateNames)
                added = added && names.Add(state.c_str()) >= 0;
            if (added) (void)node->GetDefinition()->SetOutcomes(names);
        } else if (outcomes[i] > node->GetDefinition()->GetNumberOfOutcomes()) {
            (void)node->GetDefinition()->SetNumberOfOutcomes(outcomes[i]);
        }
    }
    for (int i = 0; i < n_; ++i) {
        for (int j = i + 1; j < n_; ++j) {
            if (handles[i] < 0 || handles[j] < 0) continue;
            if (Mark(i, j) == 2) {
                (void)network.AddArc(handles[i], handles[j], 0);
            } else if (Mark(j, i) == 2) {
                (void)network.AddArc(handles[j], handles[i], 0);
            }
        }
    }
    return true;
}
