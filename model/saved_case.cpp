// Saved cases and the network's case list, kept in step with structural changes of the network.

#include "model/saved_case.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/equation.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace {

int AssignText(std::string& target, const char* text) {
    try {
        target.assign(text != nullptr ? text : "");
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

}  // namespace

VRX_case::VRX_case(VRX_network* owner) : network(owner) {}

VRX_case::VRX_case(VRX_network* owner, const VRX_case& source)
    : network(owner),
      name(source.name),
      category(source.category),
      description(source.description),
      created(source.created),
      modified(source.modified),
      targets(source.targets),
      evidence(source.evidence) {}

VRX_case::~VRX_case() = default;

int VRX_case::SetName(const char* text) {
    if (text == nullptr || *text == '\0') return kIllegalIdentifier;
    if (network != nullptr) {
        const VRX_case* holder = network->GetCaseList().FindCase(text);
        if (holder != nullptr && holder != this) return kDuplicatedIdentifier;
    }
    return AssignText(name, text);
}

int VRX_case::SetCategory(const char* text) {
    return AssignText(category, text);
}

int VRX_case::SetDescription(const char* text) {
    return AssignText(description, text);
}

int VRX_case::AddTarget(int handle) {
    if (network == nullptr || !network->IsLiveHandle(handle)) return kOutOfRange;
    if (std::find(targets.begin(), targets.end(), handle) != targets.end()) return kSuccess;
    try {
        targets.push_back(handle);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

int VRX_case::GetTarget(int index) const {
    if (index < 0 || index >= static_cast<int>(targets.size())) return kOutOfRange;
    return targets[index];
}

int VRX_case::FindEvidence(int handle) const {
    for (size_t i = 0; i < evidence.size(); ++i) {
        if (evidence[i].node == handle) return static_cast<int>(i);
    }
    return kInvalidData;
}

int VRX_case::NumberOfOutcomes_(int handle) const {
    if (network == nullptr || !network->IsLiveHandle(handle)) return 0;
    VRX_nodeDefinition* definition = network->GetNode(handle)->GetDefinition();
    return definition != nullptr ? definition->GetNumberOfOutcomes() : 0;
}

bool VRX_case::IsOutcomeOf_(int handle, int outcome) const {
    return outcome >= 0 && outcome < NumberOfOutcomes_(handle);
}

int VRX_case::AddEvidence(int handle, int outcome) {
    if (network == nullptr || !network->IsLiveHandle(handle)) return kOutOfRange;
    if (FindEvidence(handle) >= 0) return kDuplicatedIdentifier;
    if (!IsOutcomeOf_(handle, outcome)) return kOutOfRange;
    try {
        evidence.push_back(VRX_caseEntry{handle, outcome, 0.0, {}});
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

int VRX_case::AddContEvidence(int handle, double observed) {
    if (network == nullptr || !network->IsLiveHandle(handle)) return kOutOfRange;
    if (FindEvidence(handle) >= 0) return kDuplicatedIdentifier;
    try {
        evidence.push_back(VRX_caseEntry{handle, -1, observed, {}});
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

// A negative slice is refused on both paths, so no entry ever holds one.
int VRX_case::AddTemporalEvidence(int handle, int outcome, int slice) {
    if (network == nullptr || !network->IsLiveHandle(handle)) return kOutOfRange;
    if (slice < 0) return kInvalidData;
    if (!IsOutcomeOf_(handle, outcome)) return kOutOfRange;
    try {
        const int entryIndex = FindEvidence(handle);
        if (entryIndex < 0) {
            evidence.push_back(VRX_caseEntry{handle, -1, 0.0, {VRX_sliceEvidence{slice, outcome}}});
            return kSuccess;
        }
        std::vector<VRX_sliceEvidence>& slices = evidence[entryIndex].slices;
        for (const VRX_sliceEvidence& pair : slices) {
            if (pair.slice == slice) return kDuplicatedIdentifier;
        }
        slices.push_back(VRX_sliceEvidence{slice, outcome});
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

int VRX_case::SetEvidence(int entryIndex, int outcome) {
    if (!IsEntryIndex_(entryIndex)) return kOutOfRange;
    VRX_caseEntry& entry = evidence[entryIndex];
    if (!IsOutcomeOf_(entry.node, outcome)) return kOutOfRange;
    entry.outcome = outcome;
    return kSuccess;
}

// Two pairs for one slice would make the evidence of that slice ambiguous: refused with
// kDuplicatedIdentifier.
int VRX_case::SetTemporalEvidence(int entryIndex, const std::vector<VRX_sliceEvidence>& pairs) {
    if (!IsEntryIndex_(entryIndex)) return kOutOfRange;
    VRX_caseEntry& entry = evidence[entryIndex];
    for (const VRX_sliceEvidence& pair : pairs) {
        if (pair.slice < 0) return kInvalidData;
    }
    const int outcomes = NumberOfOutcomes_(entry.node);
    for (const VRX_sliceEvidence& pair : pairs) {
        if (pair.outcome < 0 || pair.outcome >= outcomes) return kOutOfRange;
    }
    for (size_t i = 0; i < pairs.size(); ++i) {
        for (size_t j = i + 1; j < pairs.size(); ++j) {
            if (pairs[i].slice == pairs[j].slice) return kDuplicatedIdentifier;
        }
    }
    try {
        entry.slices = pairs;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

int VRX_case::GetEvidenceNode(int entryIndex) const {
    return IsEntryIndex_(entryIndex) ? evidence[entryIndex].node : kOutOfRange;
}

int VRX_case::GetEvidence(int entryIndex, int& handle, int& outcome) const {
    if (!IsEntryIndex_(entryIndex)) return kOutOfRange;
    handle = evidence[entryIndex].node;
    outcome = evidence[entryIndex].outcome;
    return kSuccess;
}

int VRX_case::GetContEvidence(int entryIndex, int& handle, double& observed) const {
    if (!IsEntryIndex_(entryIndex)) return kOutOfRange;
    handle = evidence[entryIndex].node;
    observed = evidence[entryIndex].value;
    return kSuccess;
}

int VRX_case::GetTemporalEvidence(int entryIndex, int& handle, std::vector<VRX_sliceEvidence>& pairs) const {
    if (!IsEntryIndex_(entryIndex)) return kOutOfRange;
    try {
        pairs = evidence[entryIndex].slices;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    handle = evidence[entryIndex].node;
    return kSuccess;
}

const VRX_caseEntry* VRX_case::GetEntry(int entryIndex) const {
    return IsEntryIndex_(entryIndex) ? &evidence[entryIndex] : nullptr;
}

void VRX_case::RemoveEntry_(int entryIndex) {
    evidence.erase(evidence.begin() + entryIndex);
}

// The handle leaves the targets too: a node added later may reuse it.
void VRX_case::NodeDeleted(int handle) {
    const int entryIndex = FindEvidence(handle);
    if (entryIndex >= 0) RemoveEntry_(entryIndex);
    targets.erase(std::remove(targets.begin(), targets.end(), handle), targets.end());
}

void VRX_case::NodeTypeChanged(int handle, int previousType) {
    const int entryIndex = FindEvidence(handle);
    if (entryIndex < 0 || network == nullptr) return;
    const int newType = network->GetNodeType(handle);
    const bool wasEquation = vovido::IsEquationType(previousType);
    const bool isEquation = vovido::IsEquationType(newType);
    if (wasEquation != isEquation) {
        RemoveEntry_(entryIndex);
        return;
    }
    if (isEquation) return;
    const int outcomes = NumberOfOutcomes_(handle);
    if (outcomes < 2) {
        RemoveEntry_(entryIndex);
        return;
    }
    // The new kind may have fewer outcomes: evidence beyond them no longer exists.
    VRX_caseEntry& entry = evidence[entryIndex];
    if (entry.outcome >= outcomes) {
        RemoveEntry_(entryIndex);
        return;
    }
    entry.slices.erase(
        std::remove_if(entry.slices.begin(), entry.slices.end(),
                       [outcomes](const VRX_sliceEvidence& p) { return p.outcome >= outcomes; }),
        entry.slices.end());
}

void VRX_case::TemporalTypeChanged(int handle, int previousType, int newType) {
    if (previousType == newType) return;
    if (previousType != TemporalType::kPlate && newType != TemporalType::kPlate) return;
    const int entryIndex = FindEvidence(handle);
    if (entryIndex < 0) return;
    VRX_caseEntry& entry = evidence[entryIndex];
    if (newType == TemporalType::kPlate) {
        // Without a plain outcome there is nothing to move into slice 0.
        if (entry.outcome < 0) return;
        entry.slices.assign(1, VRX_sliceEvidence{0, entry.outcome});
        entry.outcome = -1;
        return;
    }
    int outcome = -1;
    for (const VRX_sliceEvidence& pair : entry.slices) {
        if (pair.slice == 0) outcome = pair.outcome;
    }
    entry.outcome = outcome;
    entry.slices.clear();
    if (outcome < 0) RemoveEntry_(entryIndex);
}

// Plain outcomes and slice pairs are shifted alike, whatever the node's temporal type.
void VRX_case::OutcomeInserted(int handle, int position) {
    if (position < 0) return;
    const int entryIndex = FindEvidence(handle);
    if (entryIndex < 0) return;
    VRX_caseEntry& entry = evidence[entryIndex];
    if (entry.outcome >= position) ++entry.outcome;
    for (VRX_sliceEvidence& pair : entry.slices) {
        if (pair.outcome >= position) ++pair.outcome;
    }
}

void VRX_case::OutcomeRemoved(int handle, int position) {
    if (position < 0) return;
    const int entryIndex = FindEvidence(handle);
    if (entryIndex < 0) return;
    VRX_caseEntry& entry = evidence[entryIndex];
    if (entry.outcome == position) {
        RemoveEntry_(entryIndex);
        return;
    }
    if (entry.outcome > position) --entry.outcome;
    std::vector<VRX_sliceEvidence>& slices = entry.slices;
    slices.erase(std::remove_if(slices.begin(), slices.end(),
                                [position](const VRX_sliceEvidence& p) { return p.outcome == position; }),
                 slices.end());
    for (VRX_sliceEvidence& pair : slices) {
        if (pair.outcome > position) --pair.outcome;
    }
}

// An outcome missing from the order has no new position: its evidence is dropped.
void VRX_case::OutcomesReordered(int handle, const VRX_intArray& order) {
    const int entryIndex = FindEvidence(handle);
    if (entryIndex < 0) return;
    VRX_caseEntry& entry = evidence[entryIndex];
    std::vector<VRX_sliceEvidence>& slices = entry.slices;
    for (VRX_sliceEvidence& pair : slices) pair.outcome = order.FindPosition(pair.outcome);
    slices.erase(std::remove_if(slices.begin(), slices.end(),
                                [](const VRX_sliceEvidence& p) { return p.outcome < 0; }),
                 slices.end());
    if (entry.outcome < 0) return;
    entry.outcome = order.FindPosition(entry.outcome);
    if (entry.outcome < 0) RemoveEntry_(entryIndex);
}

VRX_caseList::VRX_caseList(VRX_network* owner) : network(owner) {}

// A case that cannot be allocated is left out: the list never holds a null case.
VRX_caseList::VRX_caseList(VRX_network* owner, const VRX_caseList& source)
    : network(owner), sync(source.sync) {
    try {
        items.reserve(source.items.size());
    } catch (const std::bad_alloc&) {
        return;
    }
    for (const std::unique_ptr<VRX_case>& item : source.items) {
        try {
            items.push_back(std::make_unique<VRX_case>(owner, *item));
        } catch (const std::bad_alloc&) {
        }
    }
}

VRX_caseList::~VRX_caseList() {
    DeleteAllCases();
}

VRX_case* VRX_caseList::AddCase(const char* caseName) {
    try {
        auto item = std::make_unique<VRX_case>(network);
        if (item->SetName(caseName) != kSuccess) return nullptr;
        items.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return items.back().get();
}

VRX_case* VRX_caseList::GetCase(int index) const {
    if (index < 0 || index >= static_cast<int>(items.size())) return nullptr;
    return items[index].get();
}

VRX_case* VRX_caseList::FindCase(const char* caseName) const {
    if (caseName == nullptr) return nullptr;
    for (const std::unique_ptr<VRX_case>& item : items) {
        if (std::strcmp(item->GetName(), caseName) == 0) return item.get();
    }
    return nullptr;
}

void VRX_caseList::DeleteAllCases() {
    items.clear();
}

void VRX_caseList::NotifyNodeDeleted(int handle) {
    if (!sync) return;
    for (const std::unique_ptr<VRX_case>& item : items) item->NodeDeleted(handle);
}

void VRX_caseList::NotifyNodeTypeChanged(int handle, int previousType) {
    if (!sync) return;
    for (const std::unique_ptr<VRX_case>& item : items) item->NodeTypeChanged(handle, previousType);
}

void VRX_caseList::NotifyTemporalTypeChanged(int handle, int previousType, int newType) {
    if (!sync) return;
    for (const std::unique_ptr<VRX_case>& item : items)
        item->TemporalTypeChanged(handle, previousType, newType);
}

void VRX_caseList::NotifyOutcomeInserted(int handle, int position) {
    if (!sync) return;
    for (const std::unique_ptr<VRX_case>& item : items) item->OutcomeInserted(handle, position);
}

void VRX_caseList::NotifyOutcomeRemoved(int handle, int position) {
    if (!sync) return;
    for (const std::unique_ptr<VRX_case>& item : items) item->OutcomeRemoved(handle, position);
}

void VRX_caseList::NotifyOutcomesReordered(int handle, const VRX_intArray& order) {
    if (!sync) return;
    for (const std::unique_ptr<VRX_case>& item : items) item->OutcomesReordered(handle, order);
}
