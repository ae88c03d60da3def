// Read view of one relevant part.
#include "inference/part_view.h"

#include "base/dmatrix.h"
#include "base/status_codes.h"
#include "inference/relevance_graph.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"

#include <new>
#include <unordered_map>

PartView::PartView(RelevanceGraph& part) : part_(&part) {
    status_ = Refresh();
}

int PartView::Refresh() {
    try {
        const int n = part_->GetNumberOfRecords();
        std::unordered_map<const RelevanceNode*, int> index;
        index.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; i++) index.emplace(part_->GetRecord(i), i);
        auto indexOf = [&index](const RelevanceNode* record) {
            const auto found = index.find(record);
            return found != index.end() ? found->second : kOutsidePart;
        };
        std::vector<int> outcomes(static_cast<size_t>(n));
        std::vector<std::vector<int>> parents(static_cast<size_t>(n));
        std::vector<std::vector<int>> children(static_cast<size_t>(n));
        for (int i = 0; i < n; i++) {
            const RelevanceNode* record = part_->GetRecord(i);
            outcomes[i] = record->GetNumberOfOutcomes();
            parents[i].reserve(static_cast<size_t>(record->parents.GetCount()));
            for (const RelevanceNode* parent : record->parents) parents[i].push_back(indexOf(parent));
            children[i].reserve(static_cast<size_t>(record->children.GetCount()));
            for (const RelevanceNode* child : record->children) children[i].push_back(indexOf(child));
        }
        outcomes_.swap(outcomes);
        parents_.swap(parents);
        children_.swap(children);
        return kSuccess;
    } catch (const std::bad_alloc&) {
        outcomes_.clear();
        parents_.clear();
        children_.clear();
        return kOutOfMemory;
    }
}

VRX_network* PartView::GetNetwork() const {
    return part_->GetNetwork();
}

RelevanceNode* PartView::GetRecord(int i) const {
    return part_->GetRecord(i);
}

VRX_Dmatrix* PartView::GetNodeTable(int i) const {
    const RelevanceNode* record = part_->GetRecord(i);
    return record->tableKind == RelevanceTableKind::kNone ? nullptr : record->table;
}

double* PartView::GetBeliefBuffer(int i) const {
    VRX_node* node = part_->GetRecord(i)->node;
    VRX_nodeValue* value = node != nullptr ? node->GetValue() : nullptr;
    int n = outcomes_[i];
    if (value == nullptr || n < 1) return nullptr;
    VRX_Dmatrix* beliefs = nullptr;
    if (value->GetValue(beliefs) != kSuccess || beliefs == nullptr) return nullptr;
    if (beliefs->GetNumberOfDimensions() != 1 || beliefs->GetNumberOfElements() != n) {
        if (beliefs->SetupFromList(&n, 1) != kSuccess) return nullptr;
    }
    return beliefs->GetData();
}

int PartView::GetEvidence(int i) const {
    return part_->GetRecord(i)->evidence;
}

int PartView::GetNodeHandle(int i) const {
    return part_->GetRecord(i)->GetHandle();
}

bool PartView::IsRequested(int i) const {
    const RelevanceNode* record = part_->GetRecord(i);
    if (record->node == nullptr) return false;
    const VRX_network* network = part_->GetNetwork();
    return network->GetNumberOfTargets() == 0 || network->IsTarget(record->GetHandle()) == 1;
}

void PartView::MarkUpToDate(int i) const {
    VRX_node* node = part_->GetRecord(i)->node;
    VRX_nodeValue* value = node != nullptr ? node->GetValue() : nullptr;
    if (value != nullptr) value->SetValueFlag(ValueFlags::kUpToDate, true);
}

int PartView::GetNumberOfSamples() const {
    return part_->GetNetwork()->numSamples;
}

int PartView::ComputeHeights() const {
    return part_->GetNetwork()->ComputeHeights();
}

const VRX_episParams& PartView::GetEpisParams() const {
    return part_->GetNetwork()->GetEpisParams();
}

int PartView::SortTopologically() {
    if (const int rc = part_->SortTopologically()) return rc;
    status_ = Refresh();
    return status_;
}
