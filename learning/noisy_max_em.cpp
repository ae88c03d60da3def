// Noisy-MAX decomposition for EM (see noisy_max_em.h).
#include "learning/noisy_max_em.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "definitions/noisy_max.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"

namespace vovido {
namespace {

constexpr const char* kNoLearn = "VRX_NOLEARN";
constexpr const char* kDecompType = "VRX_DECOMPTYPE";
constexpr const char* kFakeLeak = "VRX_FAKE_LEAK";
constexpr const char* kOriginal = "VRX_ORIGINAL_NOISYMAX";

VRX_userProperties& Properties(VRX_network& net, int h) {
    return net.GetNode(h)->GetInfo()->userProperties;
}

const char* Property(VRX_network& net, int h, const char* name) {
    VRX_nodeInfo* info = net.GetNode(h)->GetInfo();
    if (info == nullptr) return nullptr;
    const int i = info->userProperties.FindProperty(name);
    return i >= 0 ? info->userProperties.GetPropertyValue(i) : nullptr;
}

void SetProperty(VRX_network& net, int h, const char* name, const char* value) {
    (void)Properties(net, h).AddProperty(name, value);
}

void DeleteProperty(VRX_network& net, int h, const char* name) {
    const int i = Properties(net, h).FindProperty(name);
    if (i >= 0) (void)Properties(net, h).DeleteProperty(i);
}

bool IsLadder(VRX_network& net, int h) {
    const char* value = Property(net, h, "VRX_MAXDECOMP");
    return value != nullptr && std::strcmp(value, "LADDER") == 0;
}

VRX_Dmatrix& TableOf(VRX_network& net, int h) {
    VRX_Dmatrix* table = nullptr;
    (void)net.GetNode(h)->GetDefinition()->GetDefinition(table);
    return *table;
}

// The identifier, made unique with a numeric suffix when the network holds it already, so that a
// helper never takes (or is refused for) a name of the user's.
std::string FreeId(VRX_network& net, const std::string& wanted) {
    std::string id = wanted;
    for (int k = 1; net.FindNode(id.c_str()) >= 0; ++k) id = wanted + "_" + std::to_string(k);
    return id;
}

// What the decomposition reads of the noisy-MAX node before changing it.
struct NoisyMaxNode {
    int handle = -1;
    std::string id;
    int n = 0;
    VRX_idArray outcomes;
    std::vector<int> parents;
    VRX_Dmatrix weights;
    std::vector<int> rowStart;
    VRX_noisyMAX::StrengthSequence strengths;
};

bool ReadNode(VRX_network& net, int h, NoisyMaxNode& out) {
    auto* def = dynamic_cast<VRX_noisyMAX*>(net.GetNode(h)->GetDefinition());
    if (def == nullptr || def->GetType() != DefinitionType::kNoisyMax) return false;
    out.handle = h;
    out.id = net.GetNode(h)->GetId();
    out.n = def->GetNumberOfOutcomes();
    if (out.outcomes.Copy(*def->GetOutcomesNames()) != kSuccess) return false;
    const VRX_intArray& parents = net.GetParents(h);
    for (int k = 0; k < parents.GetCount(); ++k) {
        out.parents.push_back(parents[k]);
        out.rowStart.push_back(def->GetParentStartingPosition(k));
    }
    out.weights = *def->GetCiWeights();
    out.strengths = def->GetParentOutcomeStrengths();
    return true;
}

// A CPT helper with h's outcomes (when given) and screen place. -1 when it cannot be added.
int AddHelper(VRX_network& net, const NoisyMaxNode& node, const std::string& id, bool withOutcomes) {
    const int helper = net.AddNode(DefinitionType::kCpt, FreeId(net, id).c_str());
    if (helper < 0) return -1;
    if (withOutcomes) (void)net.GetNode(helper)->GetDefinition()->SetOutcomes(node.outcomes);
    VRX_nodeInfo* from = net.GetNode(node.handle)->GetInfo();
    VRX_nodeInfo* to = net.GetNode(helper)->GetInfo();
    if (from != nullptr && to != nullptr) (void)to->screenInfo.Copy(from->screenInfo);
    return helper;
}

// Every item 1.0 where the node's outcome is the smallest of its parents' outcomes (n when none).
void FillMaxTable(VRX_Dmatrix& table) {
    const int d = table.GetNumberOfDimensions();
    const int* sizes = table.GetDimensions().GetItems();
    std::vector<int> coords(static_cast<size_t>(d), 0);
    const int n = sizes[d - 1];
    for (int i = 0; i < table.GetNumberOfElements(); ++i) {
        int smallest = n;
        for (int k = 0; k < d - 1; ++k)
            smallest = coords[static_cast<size_t>(k)] < smallest ? coords[static_cast<size_t>(k)] : smallest;
        table[i] = coords[static_cast<size_t>(d - 1)] == smallest ? 1.0 : 0.0;
        for (int k = d - 1; k >= 0; --k) {
            if (++coords[static_cast<size_t>(k)] < sizes[k]) break;
            coords[static_cast<size_t>(k)] = 0;
        }
    }
}

int AddInhibitor(VRX_network& net, const NoisyMaxNode& node, int j, bool ladder) {
    const int parent = node.parents[static_cast<size_t>(j)];
    const int inhibitor =
        AddHelper(net, node, "INHIBITOR_" + node.id + "_" + net.GetNode(parent)->GetId(), true);
    if (inhibitor < 0) return -1;
    (void)net.AddArc(parent, inhibitor);
    VRX_Dmatrix& table = TableOf(net, inhibitor);
    const VRX_intArray& order = node.strengths[static_cast<size_t>(j)];
    const int m = order.GetCount();
    const int n = node.n;
    for (int q = 0; q < m; ++q) {
        for (int o = 0; o < n; ++o)
            table[order[q] * n + o] = node.weights[(node.rowStart[static_cast<size_t>(j)] + q) * n + o];
    }
    SetProperty(net, inhibitor, kNoLearn, std::to_string(order[m - 1]).c_str());
    if (ladder) SetProperty(net, inhibitor, kDecompType, "INHIBITOR");
    return inhibitor;
}

// The leak parent and the leak child; the leak child's handle, -1 on failure.
int AddLeak(VRX_network& net, const NoisyMaxNode& node, bool ladder) {
    const int leakParent = AddHelper(net, node, "LEAK_PARENT_" + node.id, false);
    if (leakParent < 0) return -1;
    VRX_Dmatrix& parentTable = TableOf(net, leakParent);
    parentTable[0] = 1.0;
    parentTable[1] = 0.0;
    SetProperty(net, leakParent, kNoLearn, "ALL");
    SetProperty(net, leakParent, kFakeLeak, "TRUE");
    const int leakChild = AddHelper(net, node, "LEAK_CHILD_" + node.id, true);
    if (leakChild < 0) return -1;
    SetProperty(net, leakChild, kNoLearn, "1");
    SetProperty(net, leakChild, kFakeLeak, "TRUE");
    if (ladder) SetProperty(net, leakChild, kDecompType, "LEAKCHILD");
    (void)net.AddArc(leakParent, leakChild);
    VRX_Dmatrix& table = TableOf(net, leakChild);
    const int n = node.n;
    const int leakRow = node.weights.GetNumberOfElements() - n;
    for (int o = 0; o < n; ++o) {
        table[o] = node.weights[leakRow + o];
        table[n + o] = o == n - 1 ? 1.0 : 0.0;
    }
    return leakChild;
}

// h becomes a CPT over the given parents with a MAX table.
void MakeMaxNode(VRX_network& net, const NoisyMaxNode& node, const std::vector<int>& newParents) {
    for (int p : node.parents) (void)net.RemoveArc(p, node.handle);
    (void)net.GetNode(node.handle)->ChangeType(DefinitionType::kCpt);
    for (int p : newParents) (void)net.AddArc(p, node.handle);
    FillMaxTable(TableOf(net, node.handle));
    SetProperty(net, node.handle, kNoLearn, "ALL");
}

// Block j of the restored node's weights from inhibitor I (C of the read-back rules).
void ReadBlockBack(VRX_network& net, int h, int j, int inhibitor, VRX_Dmatrix& weights) {
    auto* def = dynamic_cast<VRX_noisyMAX*>(net.GetNode(h)->GetDefinition());
    const int n = def->GetNumberOfOutcomes();
    const int m = net.GetNode(net.GetParents(h)[j])->GetDefinition()->GetNumberOfOutcomes();
    const char* noLearn = Property(net, inhibitor, kNoLearn);
    const int d = noLearn != nullptr ? std::atoi(noLearn) : m - 1;
    const int start = def->GetParentStartingPosition(j);
    const VRX_Dmatrix& table = TableOf(net, inhibitor);
    if (d >= 0 && d < m - 1) {
        VRX_intArray order;
        for (int q = 0; q < m; ++q) (void)order.Add(q == d ? m - 1 : q == m - 1 ? d : q);
        (void)def->SetParentOutcomeStrengths(j, order);
    }
    for (int q = 0; q < m - 1; ++q) {
        const int column = q == d ? m - 1 : q;
        for (int o = 0; o < n; ++o) weights[(start + q) * n + o] = table[column * n + o];
    }
}

void ReadLeakBack(VRX_network& net, int h, int leakChild, VRX_Dmatrix& weights) {
    const int n = net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
    const VRX_Dmatrix& table = TableOf(net, leakChild);
    const int leakRow = weights.GetNumberOfElements() - n;
    for (int o = 0; o < n; ++o) weights[leakRow + o] = table[o];
}

VRX_Dmatrix& WeightsOf(VRX_network& net, int h) {
    return *dynamic_cast<VRX_noisyMAX*>(net.GetNode(h)->GetDefinition())->GetCiWeights();
}

}  // namespace

bool DecomposeNoisyMaxInhibitors(VRX_network& net, int h) {
    NoisyMaxNode node;
    if (!ReadNode(net, h, node)) return false;
    std::vector<int> helpers;
    for (int j = 0; j < static_cast<int>(node.parents.size()); ++j) {
        const int inhibitor = AddInhibitor(net, node, j, false);
        if (inhibitor < 0) return false;
        helpers.push_back(inhibitor);
    }
    const int leakChild = AddLeak(net, node, false);
    if (leakChild < 0) return false;
    helpers.push_back(leakChild);
    MakeMaxNode(net, node, helpers);
    SetProperty(net, h, kOriginal, "TRUE");
    return true;
}

bool DecomposeNoisyMaxLadder(VRX_network& net, int h) {
    NoisyMaxNode node;
    if (!ReadNode(net, h, node)) return false;
    const int leakChild = AddLeak(net, node, true);
    if (leakChild < 0) return false;
    int chainEnd = leakChild;
    int last = leakChild;
    const int k = static_cast<int>(node.parents.size());
    for (int j = 0; j < k; ++j) {
        last = AddInhibitor(net, node, j, true);
        if (last < 0) return false;
        if (j == k - 1) break;
        const int ladder = AddHelper(
            net, node, "LADDER_" + node.id + "_" + net.GetNode(node.parents[static_cast<size_t>(j)])->GetId(),
            true);
        if (ladder < 0) return false;
        (void)net.AddArc(chainEnd, ladder);
        (void)net.AddArc(last, ladder);
        FillMaxTable(TableOf(net, ladder));
        SetProperty(net, ladder, kNoLearn, "ALL");
        SetProperty(net, ladder, kDecompType, "LADDER");
        chainEnd = ladder;
    }
    std::vector<int> parents{chainEnd};
    if (last != chainEnd) parents.push_back(last);
    MakeMaxNode(net, node, parents);
    SetProperty(net, h, kDecompType, "ORIGMAX");
    return true;
}

void RestoreNoisyMaxInhibitors(VRX_network& net, int h) {
    std::vector<int> helpers;
    const VRX_intArray& parents = net.GetParents(h);
    for (int k = 0; k < parents.GetCount(); ++k) helpers.push_back(parents[k]);
    for (int helper : helpers) (void)net.RemoveArc(helper, h);
    (void)net.GetNode(h)->ChangeType(DefinitionType::kNoisyMax);
    int leakChild = -1;
    std::vector<int> inhibitors;
    for (int helper : helpers) {
        if (Property(net, helper, kFakeLeak) != nullptr) {
            leakChild = helper;
        } else {
            inhibitors.push_back(helper);
            (void)net.AddArc(net.GetParents(helper)[0], h);
        }
    }
    VRX_Dmatrix weights(WeightsOf(net, h));
    if (leakChild >= 0) ReadLeakBack(net, h, leakChild, weights);
    for (size_t j = 0; j < inhibitors.size(); ++j)
        ReadBlockBack(net, h, static_cast<int>(j), inhibitors[j], weights);
    (void)net.GetNode(h)->GetDefinition()->SetDefinition(weights);
    const int leakParent =
        leakChild >= 0 && net.GetParents(leakChild).GetCount() > 0 ? net.GetParents(leakChild)[0] : -1;
    for (int helper : helpers) (void)net.DeleteNode(helper);
    if (leakParent >= 0) (void)net.DeleteNode(leakParent);
    DeleteProperty(net, h, kNoLearn);
    DeleteProperty(net, h, kOriginal);
}

bool RestoreNoisyMaxLadder(VRX_network& net, int h) {
    const char* type = Property(net, h, kDecompType);
    if (type != nullptr && std::strcmp(type, "ORIGMAX") != 0) return false;
    std::vector<int> inhibitors, ladders;
    int leakChild = -1;
    // Every step moves one node down the chain; a chain without an end is refused, not walked forever.
    for (int current = h, steps = 0; leakChild < 0; ++steps) {
        if (steps > net.GetNumberOfNodes()) return false;
        int next = -1;
        const VRX_intArray& parents = net.GetParents(current);
        for (int k = 0; k < parents.GetCount(); ++k) {
            const int q = parents[k];
            const char* kind = Property(net, q, kDecompType);
            if (kind == nullptr) return false;
            if (std::strcmp(kind, "INHIBITOR") == 0) {
                inhibitors.insert(inhibitors.begin(), q);
            } else if (std::strcmp(kind, "LADDER") == 0) {
                ladders.insert(ladders.begin(), q);
                next = q;
            } else if (std::strcmp(kind, "LEAKCHILD") == 0) {
                leakChild = q;
            } else {
                return false;
            }
        }
        if (leakChild < 0 && next < 0) return false;
        current = next;
    }
    std::vector<int> former;
    const VRX_intArray& parents = net.GetParents(h);
    for (int k = 0; k < parents.GetCount(); ++k) former.push_back(parents[k]);
    for (int p : former) (void)net.RemoveArc(p, h);
    (void)net.GetNode(h)->ChangeType(DefinitionType::kNoisyMax);
    for (int inhibitor : inhibitors) (void)net.AddArc(net.GetParents(inhibitor)[0], h);
    VRX_Dmatrix weights(WeightsOf(net, h));
    ReadLeakBack(net, h, leakChild, weights);
    for (size_t j = 0; j < inhibitors.size(); ++j)
        ReadBlockBack(net, h, static_cast<int>(j), inhibitors[j], weights);
    (void)net.GetNode(h)->GetDefinition()->SetDefinition(weights);
    const int leakParent = net.GetParents(leakChild).GetCount() > 0 ? net.GetParents(leakChild)[0] : -1;
    for (int node : inhibitors) (void)net.DeleteNode(node);
    for (int node : ladders) (void)net.DeleteNode(node);
    (void)net.DeleteNode(leakChild);
    if (leakParent >= 0) (void)net.DeleteNode(leakParent);
    DeleteProperty(net, h, kNoLearn);
    DeleteProperty(net, h, kDecompType);
    return true;
}

int DecomposeNoisyMax(VRX_network& network, int handle) {
    const bool done = IsLadder(network, handle) ? DecomposeNoisyMaxLadder(network, handle)
                                                : DecomposeNoisyMaxInhibitors(network, handle);
    return done ? kSuccess : kFailure;
}

void RestoreNoisyMax(VRX_network& network, int handle) {
    if (IsLadder(network, handle)) {
        (void)RestoreNoisyMaxLadder(network, handle);
    } else {
        RestoreNoisyMaxInhibitors(network, handle);
    }
}

int CheckNoisyMaxWork(VRX_network& network) {
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (network.GetNodeType(h) != DefinitionType::kNoisyMax) continue;
        const int64_t cells = DefinitionSupport::TableCellsWithParents(network, h, nullptr, 0);
        const int64_t n = std::max(DefinitionSupport::OutcomeCountOf(&network, h), 1);
        // The inhibitor form's MAX node holds a table over one helper of n outcomes a parent.
        int64_t helperCells = 0;
        if (!IsLadder(network, h)) {
            helperCells = n;
            for (int k = 0; k < network.GetNumberOfParents(h) && helperCells <= kMaxTableCells; ++k)
                helperCells *= n;
        }
        const int64_t work =
            cells > kMaxTableCells || helperCells > kMaxTableCells ? INT64_MAX : 3 * cells + 4 * helperCells;
        if (work <= kMaxTableCells) continue;
        const std::string text =
            "ERROR: Node [" + std::string(network.GetNode(h)->GetId()) +
            "] : EM over this noisy-MAX node of " + std::to_string(network.GetNumberOfParents(h)) +
            " parents would hold its table of " + std::to_string(cells) + " cells three times" +
            (helperCells > 0
                 ? " and its decomposed table of " + std::to_string(helperCells) + " cells four times"
                 : std::string()) +
            ", past the limit of " + std::to_string(kMaxTableCells) + " cells";
        return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
    }
    return kSuccess;
}

}  // namespace vovido
