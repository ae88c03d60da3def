// Diagnostic extra definition of a node: per-outcome data kept in step with the node's outcomes.
#include "model/extra_definition.h"

#include <new>
#include <string>

#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace {

// A text sequence follows the outcomes only while it holds one entry per outcome; in a model-only
// copy the texts are left empty and the upkeep passes them by.
bool FollowsOutcomes(const VRX_stringArray& texts, int outcomes) {
    return texts.GetCount() == outcomes;
}

}  // namespace

VRX_extraDefinition::VRX_extraDefinition(int nodeHandle, VRX_network* net)
    : network(net), handle(nodeHandle) {
    (void)ResetOutcomeData();  // out of memory leaves the per-outcome data empty
    SetFlag(kValid, true);
}

VRX_extraDefinition::VRX_extraDefinition(const VRX_extraDefinition& other) : VRX_object() {
    (void)Copy(other);  // out of memory leaves the copy empty
}

VRX_extraDefinition::VRX_extraDefinition(const VRX_extraDefinition& other, ModelOnly) : VRX_object() {
    network = other.network;
    handle = other.handle;
    CopySettings(other);
    SetFlag(kValid, true);
}

VRX_extraDefinition::~VRX_extraDefinition() = default;

void VRX_extraDefinition::CleanUp(int deep) {
    if (deep) faultOutcomes.CleanUp();
    CheckValidity(deep);
}

void VRX_extraDefinition::CopySettings(const VRX_extraDefinition& other) {
    if (faultOutcomes.Copy(other.faultOutcomes) != kSuccess) faultOutcomes.CleanUp();
    defaultOutcome = other.defaultOutcome;
    diagType = other.diagType;
    ranked = other.ranked;
    mandatory = other.mandatory;
    setAsDefault = other.setAsDefault;
    showAs = other.showAs;
}

int VRX_extraDefinition::Copy(const VRX_extraDefinition& other) {
    if (!other.IsValid()) return kObjectNotValid;
    if (&other == this) return kSuccess;
    CleanUp(1);
    network = other.network;
    handle = other.handle;
    if (const int rc = faultOutcomes.Copy(other.faultOutcomes)) return rc;
    CopySettings(other);
    faultNameFormat = other.faultNameFormat;
    try {
        question = other.question;
        Documents documents;
        documents.reserve(other.outcomeDocumentation.size());
        for (const auto& record : other.outcomeDocumentation) {
            documents.push_back(std::make_unique<VRX_documentation>());
            if (const int rc = documents.back()->Copy(*record)) return rc;
        }
        outcomeDocumentation.swap(documents);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    if (const int rc = outcomeDescriptions.Copy(other.outcomeDescriptions)) return rc;
    outcomeLabels.SetAllowEmpty(other.outcomeLabels.GetAllowEmpty());
    if (const int rc = outcomeLabels.Copy(other.outcomeLabels)) return rc;
    if (const int rc = faultNames.Copy(other.faultNames)) return rc;
    return outcomeFixes.Copy(other.outcomeFixes);
}

int VRX_extraDefinition::SetNetwork(VRX_network* net) {
    if (net == nullptr) return kOutOfRange;
    if (!net->IsValid()) return kObjectNotValid;
    network = net;
    return kSuccess;
}

int VRX_extraDefinition::DefinitionOutcomeCount() const {
    if (network == nullptr || !network->IsLiveHandle(handle)) return 0;
    VRX_nodeDefinition* definition = network->GetEntry(handle).node->GetDefinition();
    if (definition == nullptr) return 0;
    const int type = definition->GetType();
    if (type == DefinitionType::kTable || type == DefinitionType::kMau) return 0;
    const int n = definition->GetNumberOfOutcomes();
    return n > 0 ? n : 0;
}

// ---- Fault marks and per-outcome texts ----

int VRX_extraDefinition::IsFaultOutcome(int index) const {
    if (index < 0 || index >= faultOutcomes.GetCount()) return 0;
    return faultOutcomes[index] != 0 ? 1 : 0;
}

int VRX_extraDefinition::SetFaultOutcome(int index, int flag) {
    if (index < 0 || index >= faultOutcomes.GetCount()) return kOutOfRange;
    faultOutcomes[index] = flag != 0 ? 1 : 0;
    return kSuccess;
}

int VRX_extraDefinition::SetFaultOutcomes(const VRX_intArray& marks) {
    const int n = faultOutcomes.GetCount();
    if (marks.GetCount() != n) return kOutOfRange;
    for (int i = 0; i < n; ++i) faultOutcomes[i] = marks[i] != 0 ? 1 : 0;
    return kSuccess;
}

const char* VRX_extraDefinition::GetOutcomeDescription(int index) const {
    return index >= 0 && index < outcomeDescriptions.GetCount() ? outcomeDescriptions[index] : nullptr;
}

const char* VRX_extraDefinition::GetOutcomeFix(int index) const {
    return index >= 0 && index < outcomeFixes.GetCount() ? outcomeFixes[index] : nullptr;
}

int VRX_extraDefinition::SetOutcomeDescription(int index, const char* text) {
    if (index < 0 || index >= outcomeDescriptions.GetCount()) return kOutOfRange;
    return outcomeDescriptions.SetString(index, text);
}

int VRX_extraDefinition::SetOutcomeFix(int index, const char* text) {
    if (index < 0 || index >= outcomeFixes.GetCount()) return kOutOfRange;
    return outcomeFixes.SetString(index, text);
}

VRX_documentation* VRX_extraDefinition::GetOutcomeDocumentation(int index) {
    if (index < 0 || index >= static_cast<int>(outcomeDocumentation.size())) return nullptr;
    return outcomeDocumentation[index].get();
}

int VRX_extraDefinition::SetDefaultOutcome(int index) {
    if (index >= 0 && index < DefinitionOutcomeCount()) {
        defaultOutcome = index;
        return kSuccess;
    }
    defaultOutcome = 0;
    return kOutOfRange;
}

int VRX_extraDefinition::SetQuestion(const char* text) {
    try {
        question.assign(text != nullptr ? text : "");
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

// ---- Labels ----

bool VRX_extraDefinition::IsLabelUsedElsewhere(const char* label) const {
    if (network == nullptr) return false;
    const int slots = network->GetNumberOfSlots();
    for (int h = 0; h < slots; ++h) {
        if (h == handle || !network->IsLiveHandle(h)) continue;
        const VRX_extraDefinition* extra = network->GetEntry(h).node->GetExtraDefinition();
        if (extra != nullptr && extra->outcomeLabels.FindPosition(label) >= 0) return true;
    }
    return false;
}

bool VRX_extraDefinition::IsLabelUsedAnywhere(const char* label) const {
    return outcomeLabels.FindPosition(label) >= 0 || IsLabelUsedElsewhere(label);
}

int VRX_extraDefinition::SetOutcomeLabel(int index, const char* label) {
    if (label == nullptr || index < 0 || index >= outcomeLabels.GetCount()) return kOutOfRange;
    // Files name labels before all of their nodes exist, so no identifier test applies while reading.
    if (network != nullptr && network->readingFlags != 0)
        return outcomeLabels.VRX_stringArray::SetString(index, label);
    // Several outcomes may be unlabelled at once, which the identifier array's uniqueness test would refuse.
    if (label[0] == '\0') return outcomeLabels.VRX_stringArray::SetString(index, label);
    if (IsLabelUsedElsewhere(label)) return kOutOfRange;
    return outcomeLabels.SetString(index, label);
}

int VRX_extraDefinition::StoreGeneratedLabel(int index, const char* base) {
    long long number = 1;
    if (network != nullptr) {
        const int slots = network->GetNumberOfSlots();
        for (int h = 0; h < slots; ++h) {
            if (!network->IsLiveHandle(h)) continue;
            VRX_nodeDefinition* definition = network->GetEntry(h).node->GetDefinition();
            const int n = definition != nullptr ? definition->GetNumberOfOutcomes() : 0;
            if (n > 0) number += n;
        }
    }
    try {
        const std::string stem = base != nullptr ? base : "";
        std::string label;
        for (;; ++number) {
            label = stem + std::to_string(number);
            if (!IsLabelUsedAnywhere(label.c_str())) break;
        }
        return outcomeLabels.VRX_stringArray::SetString(index, label.c_str());
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

int VRX_extraDefinition::SetOutcomeLabels(const VRX_stringArray& labels) {
    int result = kSuccess;
    const int n = labels.GetCount();
    for (int i = 0; i < n; ++i) {
        if (SetOutcomeLabel(i, labels[i]) == kSuccess) continue;
        result = kOutOfRange;
        // Items beyond the node's outcomes have nowhere to go.
        if (i < outcomeLabels.GetCount()) {
            if (const int rc = StoreGeneratedLabel(i, labels[i]); rc == kOutOfMemory) return rc;
        }
    }
    return result;
}

// ---- Upkeep after outcome edits ----

int VRX_extraDefinition::InsertOutcome(int index) {
    if (!IsValid()) return kObjectNotValid;
    const int n = OutcomeCount();
    if (index < 0 || index > n) return kOutOfRange;
    if (const int rc = faultOutcomes.Insert(index, 0)) return rc;
    if (static_cast<int>(outcomeDocumentation.size()) == n) {
        try {
            outcomeDocumentation.insert(outcomeDocumentation.begin() + index,
                                        std::make_unique<VRX_documentation>());
        } catch (const std::bad_alloc&) {
            return kOutOfMemory;
        }
    }
    VRX_stringArray* texts[] = {&outcomeDescriptions, &faultNames, &outcomeLabels, &outcomeFixes};
    for (VRX_stringArray* array : texts) {
        if (!FollowsOutcomes(*array, n)) continue;
        // The base insert: an empty label is not an identifier test case.
        if (const int rc = array->VRX_stringArray::Insert(index, "")) return rc;
    }
    if (index <= defaultOutcome) ++defaultOutcome;
    CheckValidity(0);
    return kSuccess;
}

int VRX_extraDefinition::RemoveOutcome(int index) {
    const int n = OutcomeCount();
    if (index < 0 || index >= n) return kOutOfRange;
    if (const int rc = faultOutcomes.Delete(index)) return rc;
    if (defaultOutcome == index) defaultOutcome = 0;
    if (static_cast<int>(outcomeDocumentation.size()) == n) {
        outcomeDocumentation.erase(outcomeDocumentation.begin() + index);
    }
    VRX_stringArray* texts[] = {&outcomeDescriptions, &faultNames, &outcomeLabels, &outcomeFixes};
    for (VRX_stringArray* array : texts) {
        if (!FollowsOutcomes(*array, n)) continue;
        if (const int rc = array->Delete(index)) return rc;
    }
    if (defaultOutcome > index) --defaultOutcome;
    CheckValidity(0);
    return kSuccess;
}

int VRX_extraDefinition::ChangeOrderOfOutcomes(const VRX_intArray& order) {
    const int n = OutcomeCount();
    if (order.GetCount() != n) return kOutOfRange;
    if (const int rc = faultOutcomes.Permute(order)) return rc;
    VRX_stringArray* texts[] = {&outcomeDescriptions, &outcomeLabels, &faultNames, &outcomeFixes};
    for (VRX_stringArray* array : texts) {
        if (!FollowsOutcomes(*array, n)) continue;
        if (const int rc = array->Permute(order)) return rc;
    }
    const int position = order.FindPosition(defaultOutcome);
    defaultOutcome = position >= 0 ? position : 0;
    if (static_cast<int>(outcomeDocumentation.size()) == n) {
        try {
            Documents moved(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) moved[i] = std::move(outcomeDocumentation[order[i]]);
            outcomeDocumentation.swap(moved);
        } catch (const std::bad_alloc&) {
            return kOutOfMemory;
        }
    }
    return kSuccess;
}

int VRX_extraDefinition::ResetOutcomeData() {
    const int n = DefinitionOutcomeCount();
    if (const int rc = faultOutcomes.SetSize(n)) return rc;
    faultOutcomes.FillWith(0);
    faultOutcomes.SetCount(n);
    try {
        Documents documents;
        documents.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) documents.push_back(std::make_unique<VRX_documentation>());
        outcomeDocumentation.swap(documents);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    VRX_stringArray* texts[] = {&outcomeDescriptions, &faultNames, &outcomeFixes, &outcomeLabels};
    for (VRX_stringArray* array : texts) {
        if (const int rc = array->SetSize(n)) return rc;
        for (int i = 0; i < n; ++i) {
            if (const int rc = array->AddEmpty()) return rc;
        }
    }
    // A default outcome that the new outcome set no longer has falls back to the first one.
    if (defaultOutcome >= n) defaultOutcome = 0;
    return kSuccess;
}
