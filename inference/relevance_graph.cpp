// Records, their block and the relevance graph: construction, the noisy-MAX decomposition, record
// removal and the two node orders of the samplers.
#include "inference/relevance_graph.h"

#include <algorithm>
#include <vector>

#include "base/dmatrix.h"
#include "base/status_codes.h"
#include "definitions/cast.h"
#include "definitions/demorgan.h"
#include "definitions/noisy_max.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

// ---------------------------------------------------------------------------------------------------
// Record lists

template <int N>
int vovido::RelevanceRecordList<N>::Add(RelevanceNode* record) {
    if (count_ == capacity_) {
        const int grown = capacity_ * 2;
        RelevanceNode** items = new (std::nothrow) RelevanceNode*[grown];
        if (items == nullptr) return kOutOfMemory;
        std::memcpy(items, items_, sizeof(RelevanceNode*) * count_);
        if (items_ != inline_) delete[] items_;
        items_ = items;
        capacity_ = grown;
    }
    items_[count_++] = record;
    return kSuccess;
}

template <int N>
int vovido::RelevanceRecordList<N>::Find(const RelevanceNode* record) const {
    for (int i = 0; i < count_; i++) {
        if (items_[i] == record) return i;
    }
    return -1;
}

template <int N>
void vovido::RelevanceRecordList<N>::Remove(const RelevanceNode* record) {
    const int i = Find(record);
    if (i < 0) return;
    for (int k = i + 1; k < count_; k++) items_[k - 1] = items_[k];
    count_--;
}

template <int N>
bool vovido::RelevanceRecordList<N>::Replace(const RelevanceNode* from, RelevanceNode* to) {
    const int i = Find(from);
    if (i < 0) return false;
    items_[i] = to;
    return true;
}

template <int N>
void vovido::RelevanceRecordList<N>::Release() {
    if (items_ != inline_) delete[] items_;
    items_ = inline_;
    capacity_ = N;
    count_ = 0;
}

template class vovido::RelevanceRecordList<8>;
template class vovido::RelevanceRecordList<16>;

// ---------------------------------------------------------------------------------------------------
// Records

namespace {

// The node value's matrix as a vector of n elements; null when the node has no value to write.
double* SizedBeliefs(VRX_node* node, int n) {
    VRX_nodeValue* value = node != nullptr ? node->GetValue() : nullptr;
    if (value == nullptr || n < 1) return nullptr;
    VRX_Dmatrix* beliefs = nullptr;
    if (value->GetValue(beliefs) != kSuccess || beliefs == nullptr) return nullptr;
    if (beliefs->GetNumberOfDimensions() != 1 || beliefs->GetNumberOfElements() != n) {
        if (beliefs->SetupFromList(&n, 1) != kSuccess) return nullptr;
    }
    return beliefs->GetData();
}

// A new owned matrix of the given sizes; null without memory.
std::unique_ptr<VRX_Dmatrix> NewTable(const int* sizes, int n) {
    std::unique_ptr<VRX_Dmatrix> table(new (std::nothrow) VRX_Dmatrix());
    if (table == nullptr || table->SetupFromList(sizes, n) != kSuccess) return nullptr;
    return table;
}

// The observed outcome a node's value gives its record, -1 when it counts as unobserved.
int ObservedOutcome(VRX_nodeValue* value, bool absorbEvidence) {
    if (value == nullptr) return -1;
    const bool observed = value->HasFlag(ValueFlags::kEvidence) ||
                          (absorbEvidence && value->HasFlag(ValueFlags::kPropagatedEvidence));
    if (!observed) return -1;
    const int e = value->GetEvidence();
    return e >= 0 ? e : -1;
}

// Whether the node's value makes it a start of the relevance step: evidence of any kind.
bool HoldsEvidence(VRX_nodeValue* value, bool absorbEvidence) {
    return value != nullptr && (ObservedOutcome(value, absorbEvidence) >= 0 ||
                                value->HasFlag(ValueFlags::kEvidence | ValueFlags::kVirtualEvidence));
}

// Marks (kept[h] >= 0) the nodes of the stack and their ancestors not marked yet, moving each to out.
// Whatever happens, every node marked is in the stack or in out.
void KeepWithAncestors(const VRX_network& network, std::vector<int>& stack, std::vector<int>& kept,
                       std::vector<int>& out) {
    for (int h : stack) kept[h] = 0;
    while (!stack.empty()) {
        const int h = stack.back();
        out.push_back(h);
        stack.pop_back();
        const VRX_intArray& parents = network.GetParents(h);
        for (int k = 0; k < parents.GetCount(); k++) {
            if (kept[parents[k]] >= 0) continue;
            stack.push_back(parents[k]);
            kept[parents[k]] = 0;
        }
    }
}

// Keeps of the nodes (in their order) those that are targets, hold evidence of any kind, or are ancestors
// of such a node. Every other node is barren, removed before anything reads it: leaving it out spares a
// few targets in a large network the walk over all of its nodes.
void KeepTargetsAndEvidenceWithAncestors(VRX_network& network, VRX_intArray& handles, bool absorbEvidence) {
    const int n = handles.GetCount();
    // Without a target every node counts as one.
    if (network.GetNumberOfTargets() < 1 || network.GetNumberOfTargets() >= n) return;
    std::vector<int> kept(static_cast<size_t>(network.GetNumberOfSlots()), -1);
    std::vector<int> stack;
    std::vector<int> reached;
    for (int i = 0; i < n; i++) {
        const int h = handles[i];
        if (HoldsEvidence(network.GetNode(h)->GetValue(), absorbEvidence) || network.IsTarget(h) == 1)
            stack.push_back(h);
    }
    KeepWithAncestors(network, stack, kept, reached);
    int count = 0;
    for (int i = 0; i < n; i++) {
        if (kept[handles[i]] >= 0) handles[count++] = handles[i];
    }
    handles.SetCount(count);
}

// The same from the seeds, in slot order, without reading any other node; marks what it keeps in the
// seeds' positions (given back as -1 on failure). 0 or kOutOfMemory.
int KeepSeedsWithAncestors(VRX_network& network, vovido::RelevanceSeeds& seeds, VRX_intArray& handles,
                           bool absorbEvidence) {
    std::vector<int> stack;
    std::vector<int> kept;
    try {
        stack.reserve(seeds.targets.size() + seeds.evidence.size());
        for (int h : seeds.targets) stack.push_back(h);
        for (int h : seeds.evidence) {
            if (HoldsEvidence(network.GetNode(h)->GetValue(), absorbEvidence)) stack.push_back(h);
        }
        // A target that holds evidence is listed twice.
        std::sort(stack.begin(), stack.end());
        stack.erase(std::unique(stack.begin(), stack.end()), stack.end());
        KeepWithAncestors(network, stack, seeds.position, kept);
        std::sort(kept.begin(), kept.end());
    } catch (const std::bad_alloc&) {
        for (int h : stack) seeds.position[h] = -1;
        for (int h : kept) seeds.position[h] = -1;
        return kOutOfMemory;
    }
    for (int h : kept) {
        if (const int rc = handles.Add(h)) {
            for (int k : kept) seeds.position[k] = -1;
            return rc;
        }
    }
    return kSuccess;
}

// Gives the seeds' positions back as -1 when a graph is built, whatever its outcome.
class SeedMarks {
public:
    SeedMarks(vovido::RelevanceSeeds* seeds, const VRX_intArray& handles)
        : seeds_(seeds), handles_(handles) {}
    SeedMarks(const SeedMarks&) = delete;
    SeedMarks& operator=(const SeedMarks&) = delete;
    ~SeedMarks() {
        if (seeds_ == nullptr) return;
        for (int i = 0; i < handles_.GetCount(); i++) seeds_->position[handles_[i]] = -1;
    }

private:
    vovido::RelevanceSeeds* seeds_;
    const VRX_intArray& handles_;
};

bool HasCutOffMark(const VRX_node* node) {
    const VRX_nodeValue* value = node->GetValue();
    return value != nullptr && value->HasFlag(ValueFlags::kCutOff);
}

}  // namespace

int RelevanceNode::GetHandle() const {
    return node != nullptr ? node->GetHandle() : -1;
}

void RelevanceNode::AdoptTable(std::unique_ptr<VRX_Dmatrix> owned) {
    ownedTable_ = std::move(owned);
    table = ownedTable_.get();
    tableKind = RelevanceTableKind::kOwned;
}

void RelevanceNode::RefreshOutcomeCount() {
    if (node != nullptr) {
        VRX_nodeDefinition* definition = node->GetDefinition();
        numOutcomes_ = definition != nullptr ? definition->GetNumberOfOutcomes() : 0;
    } else if (table != nullptr && table->GetNumberOfDimensions() > 0) {
        numOutcomes_ = table->GetDimensions()[table->GetNumberOfDimensions() - 1];
    } else {
        numOutcomes_ = 0;
    }
}

void RelevanceNode::Reset() {
    ownedTable_.reset();
    table = nullptr;
    tableKind = RelevanceTableKind::kNone;
    parents.Release();
    children.Release();
    node = nullptr;
    graph = nullptr;
    evidence = -1;
    label = RelevanceLabel::kCleared;
    numOutcomes_ = 0;
}

int RelevanceNode::WriteBeliefs() {
    if (node == nullptr) return kSuccess;
    const int n = numOutcomes_;
    if (table == nullptr || n < 1 || table->GetNumberOfElements() < n) return kOutOfRange;
    double* beliefs = SizedBeliefs(node, n);
    if (beliefs == nullptr) return kOutOfMemory;
    std::memcpy(beliefs, table->GetData(), sizeof(double) * n);
    node->GetValue()->SetValueFlag(ValueFlags::kUpToDate, true);
    return kSuccess;
}

int RelevanceNode::SetObservedBeliefs(int outcome) {
    const int n = numOutcomes_;
    if (outcome < 0 || outcome >= n) return kOutOfRange;
    if (node != nullptr) {
        double* beliefs = SizedBeliefs(node, n);
        if (beliefs == nullptr) return kOutOfMemory;
        for (int k = 0; k < n; k++) beliefs[k] = 0.0;
        beliefs[outcome] = 1.0;
        node->GetValue()->SetValueFlag(ValueFlags::kUpToDate, true);
    }
    if (evidence < 0 && graph != nullptr) graph->evidenceCount++;
    evidence = outcome;
    return kSuccess;
}

int RelevanceNode::CreateOwnTable() {
    const int dims = parents.GetCount() + 1;
    std::vector<int> sizes(dims);
    for (int i = 0; i < dims - 1; i++) sizes[i] = parents[i]->GetNumberOfOutcomes();
    sizes[dims - 1] = numOutcomes_;
    std::unique_ptr<VRX_Dmatrix> owned = NewTable(sizes.data(), dims);
    if (owned == nullptr) return kOutOfMemory;
    if (evidence >= 0 && dims == 1) {
        owned->FillWith(0.0);
        (*owned)[evidence] = 1.0;
    }
    AdoptTable(std::move(owned));
    return kSuccess;
}

int RelevanceNode::AbsorbParentEvidence(const RelevanceNode* parent) {
    const int j = parents.Find(parent);
    if (j < 0 || parent->evidence < 0 || table == nullptr) return kOutOfRange;
    if (tableKind == RelevanceTableKind::kOwned) return table->ReduceToSlice(j, parent->evidence);
    std::unique_ptr<VRX_Dmatrix> owned(new (std::nothrow) VRX_Dmatrix());
    if (owned == nullptr) return kOutOfMemory;
    if (const int rc = table->ExtractSlice(j, parent->evidence, *owned)) return rc;
    AdoptTable(std::move(owned));
    return kSuccess;
}

int RelevanceNode::MarginalizeParent(const RelevanceNode* parent) {
    const int j = parents.Find(parent);
    if (j < 0 || table == nullptr || parent->table == nullptr) return kOutOfRange;
    const VRX_doubleArray& weights = parent->table->GetItems();
    if (tableKind == RelevanceTableKind::kOwned) return table->WeightedSumOverDimension(j, weights);
    std::unique_ptr<VRX_Dmatrix> owned(new (std::nothrow) VRX_Dmatrix());
    if (owned == nullptr) return kOutOfMemory;
    if (const int rc = table->WeightedSumOverDimensionInto(j, weights, *owned)) return rc;
    AdoptTable(std::move(owned));
    return kSuccess;
}

int RelevanceNode::TableEqualsAt(double value, const RelevanceNode* parent, int parentOutcome,
                                 int ownOutcome) const {
    const int j = parents.Find(parent);
    if (j < 0 || table == nullptr) return kOutOfRange;
    return table->SubTableEqualsAt(value, j, parentOutcome, table->GetNumberOfDimensions() - 1, ownOutcome);
}

// ---------------------------------------------------------------------------------------------------
// Block

std::shared_ptr<RelevanceNodeBlock> RelevanceNodeBlock::Create(int size) {
    std::shared_ptr<RelevanceNodeBlock> block(new (std::nothrow) RelevanceNodeBlock());
    if (block == nullptr) return nullptr;
    if (size > 0) {
        block->storage.reset(new (std::nothrow) RelevanceNode[size]);
        if (block->storage == nullptr) return nullptr;
    }
    block->size_ = size;
    return block;
}

RelevanceNode* RelevanceNodeBlock::Take() {
    if (nextIndex >= size_) return nullptr;
    RelevanceNode* record = &storage[nextIndex++];
    record->block = this;
    liveRecords++;
    return record;
}

void RelevanceNodeBlock::Release(RelevanceNode* record) {
    record->Reset();
    liveRecords--;
}

// ---------------------------------------------------------------------------------------------------
// Graph

bool vovido::IsNoisyMaxRelevanceOn(const VRX_network& network) {
    const int i = network.userProperties.FindProperty("VRX_NOISYMAXRELEVANCE");
    if (i < 0) return false;
    const char* value = network.userProperties.GetPropertyValue(i);
    return value != nullptr && std::atoi(value) != 0;
}

RelevanceGraph::RelevanceGraph(VRX_network& network, bool absorbEvidence, bool splitNoisyMax, bool withBarren,
                               vovido::RelevanceSeeds* seeds)
    : network_(&network) {
    try {
        status_ = Build(absorbEvidence, splitNoisyMax, withBarren, seeds);
    } catch (const std::bad_alloc&) {
        status_ = kOutOfMemory;
    }
    if (status_ != kSuccess) {
        DestroyRecords();
        evidenceCount = 0;
    }
}

RelevanceGraph::RelevanceGraph(VRX_network* network, std::shared_ptr<RelevanceNodeBlock> block)
    : network_(network), block_(std::move(block)) {}

RelevanceGraph::~RelevanceGraph() {
    DestroyRecords();
}

void RelevanceGraph::DestroyRecords() {
    for (RelevanceNode* record : records) {
        if (record->block != nullptr) record->block->Release(record);
    }
    records.clear();
}

int RelevanceGraph::Build(bool absorbEvidence, bool splitNoisyMax, bool withBarren,
                          vovido::RelevanceSeeds* seeds) {
    VRX_intArray handles;
    const SeedMarks marks(seeds, handles);
    std::vector<int> ownPositions;
    if (seeds != nullptr) {
        if (const int rc = KeepSeedsWithAncestors(*network_, *seeds, handles, absorbEvidence)) return rc;
    } else {
        if (const int rc = network_->GetAllNodes(handles)) return rc;
        if (!withBarren) KeepTargetsAndEvidenceWithAncestors(*network_, handles, absorbEvidence);
        ownPositions.assign(static_cast<size_t>(network_->GetNumberOfSlots()), -1);
    }
    std::vector<int>& positionOfHandle = seeds != nullptr ? seeds->position : ownPositions;
    const int n = handles.GetCount();
    noisyMaxRelevance = splitNoisyMax && vovido::IsNoisyMaxRelevanceOn(*network_);

    // Room for the per-parent records of every noisy-MAX node that may be decomposed.
    long long size = n;
    if (noisyMaxRelevance) {
        for (int i = 0; i < n; i++) {
            VRX_node* node = network_->GetNode(handles[i]);
            if (node->GetType() != DefinitionType::kNoisyMax || HasCutOffMark(node)) continue;
            const int e = ObservedOutcome(node->GetValue(), absorbEvidence);
            if (e >= 0 && e == node->GetDefinition()->GetNumberOfOutcomes() - 1) {
                size += network_->GetNumberOfParents(handles[i]);
            }
        }
    }
    if (size > INT_MAX) return kOutOfMemory;
    block_ = RelevanceNodeBlock::Create(static_cast<int>(size));
    if (block_ == nullptr) return kOutOfMemory;
    records.reserve(static_cast<size_t>(size));

    for (int i = 0; i < n; i++) {
        VRX_node* node = network_->GetNode(handles[i]);
        VRX_nodeValue* value = node->GetValue();
        if (value != nullptr && value->HasEvidence()) evidenceCount++;
        RelevanceNode* record = block_->Take();
        record->graph = this;
        records.push_back(record);
        if (const int rc = InitRecord(*record, *node, absorbEvidence)) return rc;
    }

    for (int i = 0; i < n; i++) positionOfHandle[handles[i]] = i;
    if (const int rc = LinkRecords(positionOfHandle)) return rc;

    if (noisyMaxRelevance) {
        for (int i = 0; i < n; i++) {
            if (const int rc = DecomposeNoisyMax(records[i])) return rc;
        }
    }
    return kSuccess;
}

int RelevanceGraph::InitRecord(RelevanceNode& record, VRX_node& node, bool absorbEvidence) {
    record.node = &node;
    record.label = RelevanceLabel::kCleared;
    record.evidence = ObservedOutcome(node.GetValue(), absorbEvidence);
    record.RefreshOutcomeCount();
    VRX_nodeDefinition* definition = node.GetDefinition();
    if (definition == nullptr) return kSuccess;
    const int n = record.numOutcomes_;

    if (HasCutOffMark(&node)) {
        // A cut-off node is a root: its table must be a distribution over its own outcomes alone.
        std::unique_ptr<VRX_Dmatrix> prior;
        const int type = definition->GetType();
        if (type == DefinitionType::kCast || type == DefinitionType::kDeMorgan) {
            const int two = 2;
            prior = NewTable(&two, 1);
            if (prior == nullptr) return kOutOfMemory;
            const double q = type == DefinitionType::kCast
                                 ? static_cast<VRX_cast*>(definition)->GetBaseline()
                                 : static_cast<VRX_demorgan*>(definition)->GetPriorBelief();
            (*prior)[0] = q;
            (*prior)[1] = 1.0 - q;
            record.AdoptTable(std::move(prior));
            return kSuccess;
        }
        VRX_Dmatrix* own = nullptr;
        const int built = definition->GetDefinition(own);
        if (built == kOutOfMemory) return built;
        if (built != kSuccess) own = nullptr;
        if (own != nullptr && own->GetNumberOfDimensions() == 1) {
            record.table = own;
            record.tableKind = RelevanceTableKind::kBorrowed;
            return kSuccess;
        }
        if (n < 1) return kSuccess;
        prior = NewTable(&n, 1);
        if (prior == nullptr) return kOutOfMemory;
        if (type == DefinitionType::kNoisyMax) {
            // The leak distribution: what the node does when no parent acts.
            const VRX_Dmatrix& weights = *static_cast<VRX_ciDefinition*>(definition)->GetCiWeights();
            const int elements = weights.GetNumberOfElements();
            if (weights.GetNumberOfDimensions() == 2 && weights.GetDimensions()[1] == n && elements >= n) {
                std::memcpy(prior->GetData(), weights.GetData() + elements - n, sizeof(double) * n);
                record.AdoptTable(std::move(prior));
                return kSuccess;
            }
        }
        // Other kinds keep the node's current beliefs as the prior, uniform when there are none.
        VRX_Dmatrix* beliefs = nullptr;
        VRX_nodeValue* value = node.GetValue();
        if (value != nullptr && value->GetValue(beliefs) == kSuccess && beliefs != nullptr &&
            beliefs->GetNumberOfElements() == n) {
            std::memcpy(prior->GetData(), beliefs->GetData(), sizeof(double) * n);
        } else {
            prior->FillWith(1.0 / n);
        }
        record.AdoptTable(std::move(prior));
        return kSuccess;
    }

    VRX_Dmatrix* own = nullptr;
    const int rc = definition->GetDefinition(own);
    if (rc == kOutOfMemory) return rc;
    if (rc == kSuccess && own != nullptr) {
        record.table = own;
        record.tableKind = RelevanceTableKind::kBorrowed;
    }
    return kSuccess;
}

int RelevanceGraph::LinkRecords(const std::vector<int>& positionOfHandle) {
    for (RelevanceNode* record : records) {
        const int handle = record->GetHandle();
        if (!HasCutOffMark(record->node)) {
            const VRX_intArray& parents = network_->GetParents(handle);
            for (int k = 0; k < parents.GetCount(); k++) {
                if (const int rc = record->parents.Add(records[positionOfHandle[parents[k]]])) return rc;
            }
        }
        const VRX_intArray& children = network_->GetChildren(handle);
        for (int k = 0; k < children.GetCount(); k++) {
            // A child left out is barren.
            if (positionOfHandle[children[k]] < 0) continue;
            RelevanceNode* child = records[positionOfHandle[children[k]]];
            if (HasCutOffMark(child->node)) continue;
            if (const int rc = record->children.Add(child)) return rc;
        }
    }
    return kSuccess;
}

int RelevanceGraph::DecomposeNoisyMax(RelevanceNode* record) {
    if (record->node == nullptr || record->node->GetType() != DefinitionType::kNoisyMax) return kSuccess;
    const int n = record->GetNumberOfOutcomes();
    const int numParents = record->parents.GetCount();
    if (n < 1 || record->evidence != n - 1 || numParents < 2) return kSuccess;
    auto* definition = static_cast<VRX_noisyMAX*>(record->node->GetDefinition());
    const VRX_Dmatrix& weights = *definition->GetCiWeights();
    const VRX_noisyMAX::StrengthSequence& strengths = definition->GetParentOutcomeStrengths();
    const int rows = weights.GetNumberOfDimensions() == 2 ? weights.GetDimensions()[0] : 0;
    if (rows < 1 || weights.GetDimensions()[1] != n || static_cast<int>(strengths.size()) != numParents) {
        return kSuccess;
    }
    for (int j = 0; j < numParents; j++) {
        const int start = definition->GetParentStartingPosition(j);
        const int count = strengths[j].GetCount();
        if (start < 0 || count != record->parents[j]->GetNumberOfOutcomes() || start + count > rows - 1) {
            return kSuccess;
        }
    }

    // P(last outcome | parents) is the leak's last entry times, per parent, the last entry of the row of
    // the parent's outcome: each parent's row becomes an observed record of its own. The rows are the
    // parameters without the leak folded in, so that the product holds exactly (the probability of
    // evidence depends on it, not only the posteriors).
    const double* w = weights.GetData();
    for (int j = 0; j < numParents; j++) {
        RelevanceNode* parent = record->parents[j];
        RelevanceNode* factor = block_->Take();
        if (factor == nullptr) return kOutOfMemory;
        factor->graph = this;
        records.push_back(factor);
        evidenceCount++;
        factor->evidence = n - 1;
        if (const int rc = factor->parents.Add(parent)) return rc;
        const int sizes[2] = {parent->GetNumberOfOutcomes(), n};
        std::unique_ptr<VRX_Dmatrix> table = NewTable(sizes, 2);
        if (table == nullptr) return kOutOfMemory;
        const int start = definition->GetParentStartingPosition(j);
        const VRX_intArray& order = strengths[j];
        for (int m = 0; m < order.GetCount(); m++) {
            std::memcpy(table->GetData() + order[m] * n, w + (start + m) * n, sizeof(double) * n);
        }
        factor->AdoptTable(std::move(table));
        factor->RefreshOutcomeCount();
        if (!parent->children.Replace(record, factor)) {
            if (const int rc = parent->children.Add(factor)) return rc;
        }
    }
    std::unique_ptr<VRX_Dmatrix> leak = NewTable(&n, 1);
    if (leak == nullptr) return kOutOfMemory;
    std::memcpy(leak->GetData(), w + (rows - 1) * n, sizeof(double) * n);
    record->parents.Release();
    record->AdoptTable(std::move(leak));
    return kSuccess;
}

int RelevanceGraph::FindNode(int handle) const {
    for (size_t i = 0; i < records.size(); i++) {
        if (records[i]->node != nullptr && records[i]->node->GetHandle() == handle)
            return static_cast<int>(i);
    }
    return -1;
}

int RelevanceGraph::FindNode(const VRX_node* node) const {
    return node != nullptr ? FindNode(node->GetHandle()) : -1;
}

void RelevanceGraph::ClearEvidence() {
    for (RelevanceNode* record : records) record->evidence = -1;
    evidenceCount = 0;
}

void RelevanceGraph::SetLabels(int value) {
    for (RelevanceNode* record : records) record->label = value;
}

void RelevanceGraph::RemoveNode(RelevanceNode* record) {
    for (RelevanceNode* parent : record->parents) parent->RemoveChild(record);
    for (RelevanceNode* child : record->children) child->RemoveParent(record);
    if (record->block != nullptr) record->block->Release(record);
}

int RelevanceGraph::RemoveLabelled(int value) {
    size_t kept = 0;
    for (size_t i = 0; i < records.size(); i++) {
        RelevanceNode* record = records[i];
        if (record->label == value) {
            RemoveNode(record);
        } else {
            records[kept++] = record;
        }
    }
    records.resize(kept);
    return kSuccess;
}

int RelevanceGraph::PlaceTopologically(const std::vector<RelevanceNode*>& order) {
    // Depth-first over parents with an explicit stack: a record is placed after all its parents.
    struct Frame {
        RelevanceNode* record;
        int next;
    };
    std::vector<Frame> stack;
    records.clear();
    for (RelevanceNode* start : order) {
        if (start->label == RelevanceLabel::kPlaced) continue;
        stack.push_back({start, 0});
        while (!stack.empty()) {
            Frame& top = stack.back();
            RelevanceNode* record = top.record;
            if (top.next < record->parents.GetCount()) {
                RelevanceNode* parent = record->parents[top.next++];
                if (parent->label != RelevanceLabel::kPlaced && parent->graph == this)
                    stack.push_back({parent, 0});
                continue;
            }
            stack.pop_back();
            // A record reached twice through a diamond is placed once.
            if (record->label == RelevanceLabel::kPlaced) continue;
            record->label = RelevanceLabel::kPlaced;
            records.push_back(record);
        }
    }
    return kSuccess;
}

int RelevanceGraph::SortTopologically() {
    try {
        const std::vector<RelevanceNode*> order(records);
        SetLabels(RelevanceLabel::kCleared);
        return PlaceTopologically(order);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

void RelevanceGraph::SortByIdentifier(const std::vector<int>& rank) {
    const auto rankOf = [&rank](const RelevanceNode* record) {
        const int h = record->GetHandle();
        return h >= 0 && static_cast<size_t>(h) < rank.size() ? rank[static_cast<size_t>(h)] : -1;
    };
    const auto before = [&rankOf](const RelevanceNode* a, const RelevanceNode* b) {
        return rankOf(a) < rankOf(b);
    };
    std::stable_sort(records.begin(), records.end(), before);
    for (RelevanceNode* record : records) record->children.Sort(before);
}

void RelevanceGraph::SaveOrder(vovido::RelevanceOrder& order) const {
    order.records = records;
    size_t children = 0;
    for (const RelevanceNode* record : records) children += static_cast<size_t>(record->children.GetCount());
    order.children.clear();
    order.children.reserve(children);
    for (const RelevanceNode* record : records)
        order.children.insert(order.children.end(), record->children.begin(), record->children.end());
}

void RelevanceGraph::RestoreOrder(const vovido::RelevanceOrder& order) {
    records = order.records;
    RelevanceNode* const* next = order.children.data();
    for (RelevanceNode* record : records) {
        record->children.Reorder(next);
        next += record->children.GetCount();
    }
}

int RelevanceGraph::SortForLogicSampling() {
    try {
        const size_t n = records.size();
        std::vector<RelevanceNode*> order(records);
        std::vector<double> key(n);
        auto keyOf = [](const RelevanceNode* record) {
            const VRX_Dmatrix* table = record->table;
            const int elements = table != nullptr ? table->GetNumberOfElements() : 0;
            if (elements == 0) return 0.0;
            const double* p = table->GetData();
            int zeros = 0;
            for (int i = 0; i < elements; i++) zeros += p[i] == 0.0 ? 1 : 0;
            return static_cast<double>(zeros) / elements;
        };
        // Insertion of each observed record into the sorted front; later equal keys go last.
        size_t k = 0;
        for (size_t i = 0; i < n; i++) {
            if (!order[i]->IsObserved()) continue;
            RelevanceNode* x = order[i];
            const double kx = keyOf(x);
            order[i] = order[k];
            size_t j = k;
            while (j > 0 && key[j - 1] > kx) {
                order[j] = order[j - 1];
                key[j] = key[j - 1];
                j--;
            }
            order[j] = x;
            key[j] = kx;
            k++;
        }
        SetLabels(RelevanceLabel::kCleared);
        return PlaceTopologically(order);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}
