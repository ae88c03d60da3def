// EM parameter learning on a network (see em_learning.h). The discrete case works on a private copy of
// the network and writes the learnt tables back into the caller's network only when the run succeeds.
#include "learning/em_learning.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <string>

#include "base/counted_notices.h"
#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/out_of_memory.h"
#include "base/random_generator.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/cpt.h"
#include "definitions/noisy_max.h"
#include "inference/table_check.h"
#include "learning/em_equations.h"
#include "learning/em_record_counts.h"
#include "learning/em_record_groups.h"
#include "learning/learner_settings.h"
#include "learning/noisy_max_em.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/node_label.h"
#include "model/node_parts.h"
#include "model/node_value.h"
#include "model/temporal_extension.h"

namespace {

using vovido::EmNodeTables;
using vovido::IdAt;

constexpr const char* kNoLearn = "VRX_NOLEARN";
// A record's probability of evidence above 1 by this much is rounding (a record with nothing
// observed has probability 1 up to the products of its tables' sums).
constexpr double kProbabilityTolerance = 1e-9;

// Logs the formatted message with code -1 and answers -1.
template <typename... Args>
int Fail(const char* format, Args... args) {
    // A message without arguments is logged as it stands: it holds no conversion.
    if constexpr (sizeof...(Args) == 0) {
        return LogError(errorLog, kFailure, format, nullptr);
    } else {
        char text[512];
        std::snprintf(text, sizeof text, format, args...);
        return LogError(errorLog, kFailure, text, nullptr);
    }
}

const vovido::NoticeKind kEvidenceNotSetNotice = {"em: evidence cannot be set in {count}", "record", "value"};

// "em: evidence cannot be set for node %s in record %d" (counted from 0, as every learning message
// counts records) and why: the value is no
// outcome of the node (outcomes > 0: their count) or the node refused it. A notice that folds over records.
void NoteEvidenceNotSet(const char* node, int record, int value, int outcomes) {
    const std::string where = std::to_string(record);
    const std::string cause = outcomes > 0
                                  ? "its value " + std::to_string(value) + " is none of the node's " +
                                        std::to_string(outcomes) + " outcomes"
                                  : "the node refuses outcome " + std::to_string(value);
    const std::string text =
        std::string("em: evidence cannot be set for node ") + node + " in record " + where + ": " + cause;
    vovido::LogNotice(
        errorLog, kFailure, text.c_str(), nullptr,
        {&kEvidenceNotSetNotice, where,
         std::string("node ") + node + " in record " + where + " (value " + std::to_string(value) + ")"});
}

bool Contains(const std::vector<int>& list, int value) {
    for (int v : list) {
        if (v == value) return true;
    }
    return false;
}

// The node's VRX_NOLEARN value, null when absent.
const char* NoLearnValue(VRX_network& network, int handle) {
    VRX_nodeInfo* info = network.GetNode(handle)->GetInfo();
    if (info == nullptr) return nullptr;
    const int i = info->userProperties.FindProperty(kNoLearn);
    return i >= 0 ? info->userProperties.GetPropertyValue(i) : nullptr;
}

// Columns that VRX_NOLEARN keeps out of the M-step: "ALL", or indices separated by " ,;".
struct ExcludedColumns {
    bool all = false;
    std::vector<int> columns;
};

ExcludedColumns ReadExcludedColumns(VRX_network& network, int handle) {
    ExcludedColumns out;
    const char* value = NoLearnValue(network, handle);
    if (value == nullptr) return out;
    if (std::strcmp(value, "ALL") == 0) {
        out.all = true;
        return out;
    }
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, "%s", value);
    const char* separators = " ,;";
    for (char* p = buffer; *p != '\0';) {
        const size_t skip = std::strspn(p, separators);
        p += skip;
        if (*p == '\0') break;
        const size_t length = std::strcspn(p, separators);
        const char saved = p[length];
        p[length] = '\0';
        out.columns.push_back(std::atoi(p));
        p[length] = saved;
        p += length;
    }
    return out;
}

int NumberOfOutcomes(VRX_network& network, int handle) {
    return network.GetNode(handle)->GetDefinition()->GetNumberOfOutcomes();
}

// The node's main table: a CPT's probabilities, a noisy-MAX node's parameter matrix.
VRX_Dmatrix* MainTable(VRX_network& network, int handle) {
    VRX_nodeDefinition* def = network.GetNode(handle)->GetDefinition();
    if (auto* noisy = dynamic_cast<VRX_noisyMAX*>(def)) return noisy->GetCiWeights();
    VRX_Dmatrix* table = nullptr;
    if (def == nullptr || def->GetDefinition(table) != kSuccess) return nullptr;
    return table;
}

// The table of order t: the main table for 0, else the temporal table (null when there is none).
VRX_Dmatrix* TableOfOrder(VRX_network& network, int handle, int order) {
    if (order == 0) return MainTable(network, handle);
    auto* cpt = dynamic_cast<VRX_cpt*>(network.GetNode(handle)->GetDefinition());
    return cpt != nullptr ? cpt->GetTemporalDefinition(order) : nullptr;
}

// Stores a table of order t (see TableOfOrder).
int StoreTableOfOrder(VRX_network& network, int handle, int order, const VRX_Dmatrix& table) {
    VRX_nodeDefinition* def = network.GetNode(handle)->GetDefinition();
    if (order == 0) return def->SetDefinition(table);
    auto* cpt = dynamic_cast<VRX_cpt*>(def);
    return cpt != nullptr ? cpt->SetTemporalDefinition(order, table) : kWrongNodeType;
}

// One draw strictly between 0 and 1.
double Draw(RandomGenerator& generator) {
    double v = generator.NextUniform();
    while (v == 0.0 || v == 1.0) v = generator.NextUniform();
    return v;
}

std::string EmNodeLabel(const VRX_network& network, int handle) {
    return "[" + vovido::NodeLabel(network, handle) + "]";
}

// Why no node kind or column fits the case whose node kinds fit best: the first node that the discrete
// case refuses, or the first matched column of the wrong kind or out of range.
std::string UnfitReason(const DataSet& data, const VRX_network& network,
                        const std::vector<DataMatch>& matches, const std::vector<int>& fixedNodes,
                        const bool nodesFit[2]) {
    for (const DataMatch& m : matches) {
        if (m.column < 0 || m.column >= data.GetVariableCount() || !network.IsLiveHandle(m.node)) {
            return "em: a match ties column " + std::to_string(m.column) + " to node handle " +
                   std::to_string(m.node) + ", which the data set or the network does not have";
        }
        const DataSetVariable& variable = data.GetVariable(m.column);
        if (nodesFit[0] && !variable.discrete) {
            return "em: column [" + data.Label(m.column) + "] is continuous, but node " +
                   EmNodeLabel(network, m.node) + " is discrete";
        }
        if (nodesFit[1] && !nodesFit[0] && variable.discrete) {
            return "em: column [" + data.Label(m.column) + "] is discrete, but node " +
                   EmNodeLabel(network, m.node) + " is an equation node";
        }
    }
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const int type = network.GetNodeType(h);
        if (type == DefinitionType::kCpt || type == DefinitionType::kNoisyMax || Contains(fixedNodes, h))
            continue;
        if (type == DefinitionType::kTruthTable || type == DefinitionType::kNoisyAdder) {
            return "em: node " + EmNodeLabel(network, h) + " is " +
                   (type == DefinitionType::kTruthTable ? "deterministic" : "a noisy-adder node") +
                   ": such nodes must be passed as fixed nodes";
        }
        if (type != DefinitionType::kEquation) {
            return "em: node " + EmNodeLabel(network, h) + " of type " + std::to_string(type) +
                   " cannot be learnt: EM learns chance nodes (CPT or noisy-MAX) or equation nodes, and "
                   "fixed deterministic and noisy-adder nodes";
        }
    }
    return "em: the network mixes equation nodes with discrete nodes";
}

// A match outside the network's slices, or a node (in a slice) matched twice: the data would set its
// evidence twice or nowhere. Matches naming no column or node are left to CheckFit.
// `code` receives kOutOfRange for a slice, kInvalidData for a node matched twice.
std::string MatchFault(const DataSet& data, const VRX_network& network, const std::vector<DataMatch>& matches,
                       int& code) {
    std::map<std::pair<int, int>, int> taken;  // (node, slice) -> column
    for (const DataMatch& m : matches) {
        if (m.column < 0 || m.column >= data.GetVariableCount() || !network.IsLiveHandle(m.node)) continue;
        const int slices =
            network.GetTemporalType(m.node) == TemporalType::kPlate ? network.GetSliceCount() : 1;
        if (m.slice < 0 || m.slice >= slices) {
            code = kOutOfRange;
            return "em: the match of column [" + data.Label(m.column) + "] names slice " +
                   std::to_string(m.slice) + " of node " + EmNodeLabel(network, m.node) +
                   ", valid range is 0.." + std::to_string(slices - 1);
        }
        const auto found = taken.emplace(std::make_pair(m.node, m.slice), m.column);
        if (!found.second) {
            code = kInvalidData;
            return "em: columns [" + data.Label(found.first->second) + "] and [" + data.Label(m.column) +
                   "] are both matched to node " + EmNodeLabel(network, m.node) +
                   (slices > 1 ? " in slice " + std::to_string(m.slice) : std::string());
        }
    }
    return {};
}

// Whether the kinds of nodes and matched columns fit the discrete case (0) or the equation case (1);
// when neither, the reason is logged after the refusal.
void CheckFit(const DataSet& data, VRX_network& network, const std::vector<DataMatch>& matches,
              const std::vector<int>& fixedNodes, bool fit[2], std::string& reason) {
    fit[0] = fit[1] = true;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const int type = network.GetNodeType(h);
        const bool fixedKind = (type == DefinitionType::kTruthTable || type == DefinitionType::kNoisyAdder) &&
                               Contains(fixedNodes, h);
        if (type != DefinitionType::kCpt && type != DefinitionType::kNoisyMax && !fixedKind) fit[0] = false;
        if (type != DefinitionType::kEquation) fit[1] = false;
    }
    const bool nodesFit[2] = {fit[0], fit[1]};
    for (const DataMatch& m : matches) {
        if (m.column < 0 || m.column >= data.GetVariableCount() || !network.IsLiveHandle(m.node)) {
            fit[0] = fit[1] = false;
            break;
        }
        if (data.GetVariable(m.column).discrete) {
            fit[1] = false;
        } else {
            fit[0] = false;
        }
    }
    if (!fit[0] && !fit[1]) reason = UnfitReason(data, network, matches, fixedNodes, nodesFit);
}

// The run's working state; everything is released when it goes out of scope.
class EmRun {
public:
    EmRun(const EmOptions& options, const DataSet& data, VRX_network& network,
          const std::vector<DataMatch>& matches, const std::vector<int>& fixedNodes)
        : options_(options), data_(data), network_(network), matches_(matches), fixedNodes_(fixedNodes) {}

    int Run(double* outLogLik, EmProgress* progress);

private:
    [[nodiscard]] int Prepare();
    // Records with the same evidence form one group, whose inference is done once per E-step. Sums the
    // work of an iteration as the groups come, and refuses the run as soon as it passes the limit.
    [[nodiscard]] int GroupRecords();
    // Nodes whose tables the data cannot inform (neither they nor any node below them is observed in
    // any record) keep their tables, with a warning: learning them would only return the start.
    // The fixed nodes are marked kept there too, so that IsFixed reads one flag.
    void KeepUninformedNodes();
    bool IsFixed(int handle) const { return handle < static_cast<int>(kept_.size()) && kept_[handle] != 0; }
    void SetGroupEvidence(size_t g);
    // Evidence of the group's value v in column k; false when the node refuses it.
    bool SetMatchEvidence(size_t k, int v);
    // Refuses a start under which group g is impossible, naming its first record and the node whose
    // zero rules it out: the first observed node (slice by slice, parents first) whose evidence, added to
    // that of the nodes before it, leaves the record no probability. 0 when that node keeps its table
    // (a random start would not avoid it either): the run goes on as from a random start.
    [[nodiscard]] int RefuseImpossibleStart(size_t g);
    // The counts of the record through the unrolled network: every copy of a plate node counts into the
    // node's table of the temporal order that its slice uses.
    [[nodiscard]] int CountUnrolled(double weight, double& probability);
    void MStep(int handle, bool finalPass);
    void MStepOfOrder(int handle, int order, bool finalPass);
    [[nodiscard]] int WriteBack();

    const EmOptions& options_;
    const DataSet& data_;
    VRX_network& network_;
    const std::vector<DataMatch>& matches_;
    const std::vector<int>& fixedNodes_;
    std::unique_ptr<VRX_network> work_;
    bool dynamic_ = false;
    std::vector<int> noisyNodes_;
    EmNodeTables tables_;
    // Per group: the matched outcomes (-1 missing), the first record and the number of records.
    std::unique_ptr<vovido::EmRecordGroups> groups_;
    int64_t iterationWork_ = 0;  // steps of one E-step over every group
    std::vector<char> kept_;     // per handle: the table stays as it is (fixed, or see KeepUninformedNodes)
    // Steps of one record's counts through the unrolled network, which copies every table at least:
    // every table and kCellsPerNodeUpdate a node.
    int64_t UnrolledRecordWork() const;
};

int64_t EmRun::UnrolledRecordWork() const {
    int64_t work = 0;
    for (const auto& tables : tables_.counts) {
        for (const VRX_Dmatrix& table : tables) work += table.GetNumberOfElements() + kCellsPerNodeUpdate;
    }
    return work;
}

int EmRun::Prepare() {
    if (const int refused = vovido::CheckNoisyMaxWork(network_)) return refused;
    {
        // The copy starts from the tables as an update reads them: columns off 1 scaled, named once.
        const vovido::ScaledTables scaled(network_);
        if (const int refused = scaled.GetStatus()) return refused;
        work_ = std::make_unique<VRX_network>(network_);
    }
    if (!work_->IsValid()) return Fail("em: the network cannot be copied");
    VRX_network& work = *work_;
    if (options_.relevance) {
        work.propagationFlags |= PropagationFlags::kNotices;
    } else {
        work.propagationFlags &= ~PropagationFlags::kNotices;
    }
    work.ClearAllEvidence();
    work.ClearAllTargets();
    work.EnableCaseSync(false);
    dynamic_ = work.GetMaxTemporalOrder() > 0;
    // Every record updates the unrolled network: refused as its update is, before the first.
    if (dynamic_) {
        if (const int rc = work.FindTemporalExtension()->CheckUnrolledUpdateSize(work.GetSliceCount(), -1))
            return rc;
    }
    for (int h = work.GetFirstNode(); h >= 0 && dynamic_; h = work.GetNextNode(h)) {
        if (work.GetNodeType(h) == DefinitionType::kNoisyMax) {
            LogError(errorLog, kFailure, "em: noisy-max is not supported in dbns", nullptr);
            return kFailure;
        }
    }
    const int last = work.GetLastNode();
    for (int h = work.GetFirstNode(); h >= 0 && h <= last; h = work.GetNextNode(h)) {
        if (work.GetNodeType(h) != DefinitionType::kNoisyMax) continue;
        if (vovido::DecomposeNoisyMax(work, h) != kSuccess) {
            return Fail("em: noisy-max node %s cannot be decomposed", IdAt(work, h));
        }
        noisyNodes_.push_back(h);
    }
    // GetLastNode answers kOutOfRange for a network without nodes.
    const size_t size = static_cast<size_t>(std::max(work.GetLastNode() + 1, 0));
    tables_.priors.assign(size, {});
    tables_.counts.assign(size, {});
    for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h)) {
        VRX_Dmatrix* table = MainTable(work, h);
        if (table == nullptr) return Fail("em: node %s has no table", IdAt(work, h));
        tables_.priors[h].emplace_back(*table);
        tables_.counts[h].emplace_back(*table);
        if (tables_.counts[h][0].GetNumberOfElements() != table->GetNumberOfElements()) {
            return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
        }
        tables_.counts[h][0].FillWith(0.0);
        // Temporal tables of a plate node, by order; orders the node lacks stay empty.
        VRX_intArray orders;
        if (!dynamic_ || work.GetTemporalOrders(h, orders) != kSuccess) continue;
        for (int k = 0; k < orders.GetCount(); ++k) {
            const VRX_Dmatrix* temporal = TableOfOrder(work, h, orders[k]);
            if (temporal == nullptr) continue;
            const size_t o = static_cast<size_t>(orders[k]);
            if (tables_.priors[h].size() <= o) {
                tables_.priors[h].resize(o + 1);
                tables_.counts[h].resize(o + 1);
            }
            tables_.priors[h][o] = *temporal;
            tables_.counts[h][o] = *temporal;
            tables_.counts[h][o].FillWith(0.0);
        }
    }
    if (const int refused = GroupRecords()) return refused;
    KeepUninformedNodes();
    if (options_.randomizeParameters) {
        RandomGenerator generator(0);
        for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h)) {
            if (!IsFixed(h)) RandomizeNodeParameters(h, work, generator);
        }
    }
    return kSuccess;
}

void EmRun::KeepUninformedNodes() {
    VRX_network& work = *work_;
    const int size = std::max(work.GetLastNode() + 1, 0);
    // Observed nodes, then everything above them through ordinary and temporal arcs.
    std::vector<char> informed(static_cast<size_t>(size), 0);
    std::vector<int> stack;
    const size_t width = matches_.size();
    for (size_t k = 0; k < width; ++k) {
        const int h = matches_[k].node;
        if (informed[h]) continue;
        for (size_t g = 0; g < groups_->size(); ++g) {
            if (groups_->Value(g, k) < 0) continue;
            informed[h] = 1;
            stack.push_back(h);
            break;
        }
    }
    std::vector<std::vector<int>> temporalParents;
    if (dynamic_) {
        temporalParents.resize(static_cast<size_t>(size));
        std::vector<std::pair<int, int>> children;
        for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h)) {
            if (work.GetTemporalChildren(h, children) != kSuccess) continue;
            for (const auto& child : children) temporalParents[child.first].push_back(h);
        }
    }
    while (!stack.empty()) {
        const int h = stack.back();
        stack.pop_back();
        const VRX_intArray& parents = work.GetParents(h);
        for (int k = 0; k < parents.GetCount(); ++k) {
            if (!informed[parents[k]]) {
                informed[parents[k]] = 1;
                stack.push_back(parents[k]);
            }
        }
        if (!dynamic_) continue;
        for (int p : temporalParents[h]) {
            if (!informed[p]) {
                informed[p] = 1;
                stack.push_back(p);
            }
        }
    }
    kept_.assign(static_cast<size_t>(size), 0);
    for (int h : fixedNodes_) {
        if (h >= 0 && h < size) kept_[h] = 1;
    }
    for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h)) {
        if (informed[h] || kept_[h] != 0) continue;
        kept_[h] = 1;
        // Helper nodes of a decomposition are not the caller's; a node that keeps every column anyway
        // needs no warning.
        const char* noLearn = NoLearnValue(work, h);
        const bool decomposed = std::find(noisyNodes_.begin(), noisyNodes_.end(), h) != noisyNodes_.end();
        if (!network_.IsLiveHandle(h) ||
            (!decomposed && noLearn != nullptr && std::strcmp(noLearn, "ALL") == 0)) {
            continue;
        }
        (void)Fail("em: warning: no record observes node %s or a node below it; its table is kept",
                   IdAt(work, h));
    }
}

int EmRun::GroupRecords() {
    const int n = data_.GetRecordCount();
    const size_t width = matches_.size();
    groups_ = std::make_unique<vovido::EmRecordGroups>(width);
    groups_->Reserve(static_cast<size_t>(n));
    std::vector<int> outcomes(width);
    for (size_t k = 0; k < width; ++k) outcomes[k] = NumberOfOutcomes(*work_, matches_[k].node);
    // A dynamic network is unrolled for every record, a copy of every table at least.
    std::unique_ptr<vovido::EmRecordWork> work;
    if (!dynamic_) work = std::make_unique<vovido::EmRecordWork>(*work_, matches_);
    const int64_t unrolledWork = dynamic_ ? UnrolledRecordWork() : 0;
    std::vector<int> values(width);
    for (int r = 0; r < n; ++r) {
        for (size_t k = 0; k < width; ++k) {
            const DataMatch& m = matches_[k];
            // Missing cells are flagged one by one: any other value must be an outcome of the node.
            const bool missing = data_.IsMissing(m.column, r);
            int v = missing ? -1 : data_.GetInt(m.column, r);
            if (!missing && (v < 0 || v >= outcomes[k])) {
                NoteEvidenceNotSet(IdAt(*work_, m.node), r, v, outcomes[k]);
                v = -1;
            }
            values[k] = v;
        }
        if (!groups_->Add(values.data(), r)) continue;
        iterationWork_ += dynamic_ ? unrolledWork : work->Of(values.data());
        if (iterationWork_ <= kMaxEmWorkSteps) continue;
        // The family whose unobserved part is widest, when one weighs in.
        std::string widest;
        if (work != nullptr && work->WidestCells() > kCellsPerNodeUpdate) {
            widest = " (the widest unobserved part of a family, of node " +
                     EmNodeLabel(*work_, work->WidestNode()) + ", spans " +
                     std::to_string(work->WidestCells()) + " cells)";
        }
        const std::string text =
            "em: an iteration would take more than the limit of " + std::to_string(kMaxEmWorkSteps) +
            " steps: the first " + std::to_string(r + 1) + " of the " + std::to_string(n) +
            " records already hold " + std::to_string(groups_->size()) + " distinct records of " +
            std::to_string(work_->GetNumberOfNodes()) + " nodes, whose counts take " +
            std::to_string(iterationWork_) + " steps" + widest + "; fewer records or nodes are needed";
        return LogError(errorLog, kFailure, text.c_str(), nullptr);
    }
    return kSuccess;
}

bool EmRun::SetMatchEvidence(size_t k, int v) {
    VRX_network& work = *work_;
    const int h = matches_[k].node;
    const int slice = matches_[k].slice;
    VRX_nodeValue* value = work.GetNode(h)->GetValue();
    if (work.GetTemporalType(h) == TemporalType::kPlate) {
        VRX_intArray orders;
        const bool temporalArcs = work.GetTemporalOrders(h, orders) == kSuccess && orders.GetCount() > 0;
        return (temporalArcs && slice == 0 ? value->SetEvidence(v) : value->SetTemporalEvidence(slice, v)) ==
               kSuccess;
    }
    return value->SetEvidence(v) == kSuccess;
}

void EmRun::SetGroupEvidence(size_t g) {
    VRX_network& work = *work_;
    work.ClearAllEvidence();
    const size_t width = matches_.size();
    for (size_t k = 0; k < width; ++k) {
        const int v = groups_->Value(g, k);
        if (v < 0 || SetMatchEvidence(k, v)) continue;
        NoteEvidenceNotSet(IdAt(work, matches_[k].node), groups_->First(g), v, 0);
    }
}

int EmRun::RefuseImpossibleStart(size_t g) {
    VRX_network& work = *work_;
    const size_t width = matches_.size();
    std::vector<int> rank(static_cast<size_t>(std::max(work.GetLastNode() + 1, 0)), 0);
    const VRX_intArray& order = work.GetTopologicalOrder();
    for (int i = 0; i < order.GetCount(); ++i) rank[static_cast<size_t>(order[i])] = i;
    std::vector<size_t> observed;
    for (size_t k = 0; k < width; ++k) {
        if (groups_->Value(g, k) >= 0) observed.push_back(k);
    }
    std::stable_sort(observed.begin(), observed.end(), [&](size_t x, size_t y) {
        const DataMatch& a = matches_[x];
        const DataMatch& b = matches_[y];
        return a.slice != b.slice ? a.slice < b.slice : rank[a.node] < rank[b.node];
    });
    if (observed.empty()) {
        return Fail(
            "em: record %d is impossible under the starting tables, which give nothing a "
            "probability; a random start avoids it",
            groups_->First(g));
    }
    // The counts found the record impossible: should the probabilities of evidence round otherwise,
    // the last observed node is named.
    size_t culprit = observed.back();
    const int logged = errorLog.GetNumberOfEntries();
    work.ClearAllEvidence();
    for (size_t k : observed) {
        double p = 1.0;
        if (!SetMatchEvidence(k, groups_->Value(g, k)) || !work.CalcPropEvidence(&p, false) || p == 0.0) {
            culprit = k;
            break;
        }
    }
    errorLog.Truncate(logged);  // the probes' own refusals are no part of the reason
    const int h = matches_[culprit].node;
    const char* noLearn = NoLearnValue(work, h);
    if (IsFixed(h) || (noLearn != nullptr && std::strcmp(noLearn, "ALL") == 0)) return kSuccess;
    const VRX_idArray* names = work.GetNode(h)->GetDefinition()->GetOutcomesNames();
    const int v = groups_->Value(g, culprit);
    const char* outcome = names != nullptr && v >= 0 && v < names->GetCount() ? (*names)[v] : nullptr;
    return Fail(
        "em: record %d is impossible under the starting tables: node %s gives its outcome %s "
        "probability 0 there; a random start avoids it",
        groups_->First(g), EmNodeLabel(work, h).c_str(), outcome != nullptr ? outcome : "?");
}

int EmRun::Run(double* outLogLik, EmProgress* progress) {
    if (const int rc = Prepare()) return rc == kOutOfMemory ? rc : kFailure;
    VRX_network& work = *work_;
    vovido::EmRecordCounter counter(work, tables_, !dynamic_);
    double logLik = 0.0;
    double prevLogLik = 0.0;
    bool finalPass = false;
    bool checkStart = !options_.randomizeParameters;
    // Iterations stop, as if converged, before their work would pass the limit; one iteration past it
    // was refused while the records were grouped.
    const int64_t iterationWork = iterationWork_;
    for (int iteration = 1; !finalPass; ++iteration) {
        prevLogLik = logLik;
        logLik = 0.0;
        if (groups_->empty()) {
            finalPass = true;
            if (outLogLik != nullptr) *outLogLik = logLik;
        } else {
            for (size_t g = 0; g < groups_->size(); ++g) {
                SetGroupEvidence(g);
                // The probability of the evidence comes with the counts, from the same propagation.
                double p = 0.0;
                const int rc = dynamic_ ? CountUnrolled(groups_->Weight(g), p)
                                        : counter.AddRecord(groups_->Weight(g), options_.relevance, p);
                if (rc != kSuccess) return kFailure;
                // NaN fails here too, so that the convergence test never compares NaN.
                if (!(p >= 0.0 && p <= 1.0 + kProbabilityTolerance)) {
                    return Fail("em: the probability of record %d is %.17g, not a probability",
                                groups_->First(g), p);
                }
                // The caller's own start gave the record no probability: EM would learn as if it were
                // not there, and a zero in a table never grows.
                if (p == 0.0 && checkStart) {
                    if (const int refused = RefuseImpossibleStart(g)) return refused;
                    checkStart = false;  // the first such record only
                }
                logLik += groups_->Weight(g) * std::log(std::min(p, 1.0));
                if (progress != nullptr && !progress->Continue())
                    return Fail("em: stopped by the progress object");
            }
            checkStart = false;
            // A log-likelihood of -inf (some record impossible) cannot improve: stop there too.
            const bool converged =
                logLik == 0.0 || !std::isfinite(logLik) ||
                (prevLogLik != 0.0 && (logLik <= prevLogLik || prevLogLik / logLik < 1.0001)) ||
                iteration >= vovido::kMaxEmIterations;
            const bool spent = (iteration + 1) * iterationWork > kMaxEmWorkSteps;
            if (spent && !converged) {
                (void)Fail(
                    "em: warning: stopped after %d iterations over %d distinct records, before the work "
                    "passed the limit of %lld steps",
                    iteration, static_cast<int>(groups_->size()), static_cast<long long>(kMaxEmWorkSteps));
            }
            if (converged || spent) {
                finalPass = true;
                if (outLogLik != nullptr) *outLogLik = logLik;
            }
        }
        for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h)) {
            if (!IsFixed(h)) MStep(h, finalPass);
        }
        if (progress != nullptr && !progress->Continue()) return Fail("em: stopped by the progress object");
    }
    work.ClearAllEvidence();
    return WriteBack();
}

int EmRun::CountUnrolled(double weight, double& probability) {
    VRX_network& work = *work_;
    VRX_network unrolled;
    std::vector<int> map;
    if (work.UnrollNetwork(unrolled, map) != kSuccess)
        return Fail("em: the dynamic network cannot be unrolled");
    // Nodes keep their handles in the unrolled network; the copies of later slices are new nodes.
    const int size = std::max(unrolled.GetLastNode() + 1, 0);
    std::vector<std::pair<int, int>> targets(static_cast<size_t>(size), {-1, 0});
    for (int u = unrolled.GetFirstNode(); u >= 0; u = unrolled.GetNextNode(u)) {
        if (work.IsLiveHandle(u)) targets[static_cast<size_t>(u)] = {u, 0};
    }
    const int slices = work.GetSliceCount();
    const int plates = slices > 0 ? static_cast<int>(map.size()) / slices : 0;
    for (int i = 0; i < plates; ++i) {
        const int h = map[static_cast<size_t>(i)];
        VRX_intArray orders;
        if (work.GetTemporalOrders(h, orders) != kSuccess) {
            return Fail("em: the temporal arcs of node %s cannot be read", IdAt(work, h));
        }
        for (int slice = 0; slice < slices; ++slice) {
            const int u = map[static_cast<size_t>(slice) * plates + i];
            int order = 0;
            if (slice > 0 && unrolled.GetNumberOfParents(u) > 0) {
                for (int k = 0; k < orders.GetCount(); ++k) {
                    if (orders[k] <= slice && orders[k] > order) order = orders[k];
                }
            }
            if (u >= 0 && u < size) targets[static_cast<size_t>(u)] = {h, order};
        }
    }
    vovido::EmRecordCounter counter(unrolled, tables_, false, &targets);
    return counter.AddRecord(weight, options_.relevance, probability);
}

void EmRun::MStep(int handle, bool finalPass) {
    for (size_t order = 0; order < tables_.counts[handle].size(); ++order) {
        if (tables_.counts[handle][order].GetNumberOfElements() > 0) {
            MStepOfOrder(handle, static_cast<int>(order), finalPass);
        }
    }
}

void EmRun::MStepOfOrder(int handle, int order, bool finalPass) {
    VRX_network& work = *work_;
    VRX_Dmatrix* current = TableOfOrder(work, handle, order);
    if (current == nullptr) return;
    VRX_Dmatrix fresh(*current);
    const VRX_Dmatrix& prior = tables_.priors[handle][static_cast<size_t>(order)];
    VRX_Dmatrix& counts = tables_.counts[handle][static_cast<size_t>(order)];
    const int total = fresh.GetNumberOfElements();
    if (total != counts.GetNumberOfElements() || total != prior.GetNumberOfElements()) return;
    const bool withPrior = finalPass && options_.eqSampleSize > 0;
    for (int i = 0; i < total; ++i) {
        fresh[i] = withPrior ? options_.eqSampleSize * prior[i] + counts[i] : counts[i];
    }
    const ExcludedColumns excluded = ReadExcludedColumns(work, handle);
    const int n = NumberOfOutcomes(work, handle);
    for (int j = 0; n > 0 && (j + 1) * n <= total; ++j) {
        double s = 0.0;
        for (int o = 0; o < n; ++o) s += fresh[j * n + o];
        if (s == 0.0 || excluded.all || Contains(excluded.columns, j)) {
            for (int o = 0; o < n; ++o) fresh[j * n + o] = prior[j * n + o];
            continue;
        }
        for (int o = 0; o < n; ++o) {
            double v = fresh[j * n + o] / s;
            const double magnitude = std::fabs(v);
            if (std::isnan(v) || magnitude < std::numeric_limits<double>::min() ||
                magnitude > std::numeric_limits<double>::max()) {
                v = 0.0;
            }
            fresh[j * n + o] = v;
        }
    }
    (void)StoreTableOfOrder(work, handle, order, fresh);
    counts.FillWith(0.0);
}

int EmRun::WriteBack() {
    VRX_network& work = *work_;
    for (int h : noisyNodes_) vovido::RestoreNoisyMax(work, h);
    // Every table is written or none: the old ones are kept until all new ones are in.
    struct Previous {
        int handle;
        int order;
        VRX_Dmatrix table;
        VRX_noisyMAX::StrengthSequence strengths;
    };
    std::vector<Previous> previous;
    bool ok = true;
    for (int h = work.GetFirstNode(); h >= 0 && ok; h = work.GetNextNode(h)) {
        if (IsFixed(h) || !network_.IsLiveHandle(h)) continue;
        for (size_t t = 0; t < tables_.counts[h].size() && ok; ++t) {
            const int order = static_cast<int>(t);
            if (t > 0 && tables_.counts[h][t].GetNumberOfElements() == 0) continue;
            VRX_nodeDefinition* target = network_.GetNode(h)->GetDefinition();
            VRX_Dmatrix* old = TableOfOrder(network_, h, order);
            VRX_Dmatrix* learnt = TableOfOrder(work, h, order);
            if (old == nullptr || learnt == nullptr || work.GetNodeType(h) != network_.GetNodeType(h)) {
                ok = false;
                break;
            }
            previous.push_back({h, order, *old, {}});
            auto* noisy = dynamic_cast<VRX_noisyMAX*>(target);
            if (noisy != nullptr && order == 0) {
                // The parameters with their strength orders, which the rows follow.
                previous.back().strengths = noisy->GetParentOutcomeStrengths();
                ok = work.GetNode(h)->GetDefinition()->CopyParametersTo(*target) == kSuccess;
            } else {
                ok = StoreTableOfOrder(network_, h, order, *learnt) == kSuccess;
            }
        }
    }
    if (!ok) {
        for (Previous& entry : previous) {
            VRX_nodeDefinition* target = network_.GetNode(entry.handle)->GetDefinition();
            auto* noisy = dynamic_cast<VRX_noisyMAX*>(target);
            for (size_t i = 0; noisy != nullptr && i < entry.strengths.size(); ++i) {
                (void)noisy->SetParentOutcomeStrengths(static_cast<int>(i), entry.strengths[i]);
            }
            (void)StoreTableOfOrder(network_, entry.handle, entry.order, entry.table);
        }
        LogError(errorLog, kFailure, "em: the learnt tables cannot be written back", nullptr);
        return kFailure;
    }
    // The beliefs of the old tables are out of date.
    network_.InvalidateValues();
    return kSuccess;
}

}  // namespace

void RandomizeNodeParameters(int handle, VRX_network& network, RandomGenerator& generator) {
    const char* noLearn = NoLearnValue(network, handle);
    if (noLearn != nullptr && std::strcmp(noLearn, "ALL") == 0) return;
    const int excluded = noLearn != nullptr ? std::atoi(noLearn) : -1;
    if (network.GetNodeType(handle) != DefinitionType::kCpt) return;
    VRX_Dmatrix* table = MainTable(network, handle);
    if (table == nullptr) return;
    VRX_Dmatrix drawn(*table);
    const int n = NumberOfOutcomes(network, handle);
    for (int i = 0; i < drawn.GetNumberOfElements(); ++i) {
        if (i / n != excluded) drawn[i] = Draw(generator);
    }
    drawn.Normalize();
    (void)network.GetNode(handle)->GetDefinition()->SetDefinition(drawn);
    // Temporal tables are drawn whole, the excluded column included.
    VRX_intArray orders;
    if (network.GetTemporalType(handle) != TemporalType::kPlate ||
        network.GetTemporalOrders(handle, orders) != kSuccess) {
        return;
    }
    for (int k = 0; k < orders.GetCount(); ++k) {
        const VRX_Dmatrix* temporal = TableOfOrder(network, handle, orders[k]);
        if (temporal == nullptr) continue;
        VRX_Dmatrix copy(*temporal);
        for (int i = 0; i < copy.GetNumberOfElements(); ++i) copy[i] = Draw(generator);
        copy.Normalize();
        (void)StoreTableOfOrder(network, handle, orders[k], copy);
    }
}

int LearnEmDiscrete(const EmOptions& options, const DataSet& data, VRX_network& network,
                    const std::vector<DataMatch>& matches, const std::vector<int>& fixedNodes,
                    double* outLogLik, EmProgress* progress) {
    return vovido::CatchOutOfMemory([&] {
        EmRun run(options, data, network, matches, fixedNodes);
        return run.Run(outLogLik, progress);
    });
}

int LearnEm(const EmOptions& options, const DataSet& data, VRX_network& network,
            const std::vector<DataMatch>& matches, const std::vector<int>& fixedNodes, double* outLogLik,
            EmProgress* progress) {
    const std::string sampleSize = EmSampleSizeFault(options.eqSampleSize);
    if (!sampleSize.empty()) return LogError(errorLog, kFailure, sampleSize.c_str(), nullptr);
    int code = kSuccess;
    const std::string matchFault = MatchFault(data, network, matches, code);
    if (!matchFault.empty()) return LogError(errorLog, code, matchFault.c_str(), nullptr);
    bool fit[2];
    std::string reason;
    CheckFit(data, network, matches, fixedNodes, fit, reason);
    if (fit[0]) return LearnEmDiscrete(options, data, network, matches, fixedNodes, outLogLik, progress);
    if (fit[1]) {
        return vovido::CatchOutOfMemory([&] {
            return LearnEmContinuous(options, data, network, matches, fixedNodes, outLogLik, progress);
        });
    }
    // The cause first, then what it means for the run.
    LogError(errorLog, kInvalidData, reason.c_str(), nullptr);
    return LogError(errorLog, kInvalidData, "em: network and dataset do not match", nullptr);
}
