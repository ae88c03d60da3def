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

const char* TextAt(const VRX_stringArray& texts, int index) {
    return index >= 0 && index < texts.GetCount() ? texts[index] : nullptr;
}

int SetTextAt(VRX_stringArray& texts, int index, const char* text) {
    if (index < 0 || index >= texts.GetCount()) return kOutOfRange;
    return texts.SetString(index, text);
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
    emptyOutcomeTexts = other.emptyOutcomeTexts;
    texts_.reset();
    try {
        question = other.question;
        if (other.texts_ == nullptr) return kSuccess;
        texts_ = std::make_unique<OutcomeTexts>();
        const OutcomeTexts& from = *other.texts_;
        texts_->documentation.reserve(from.documentation.size());
        for (const auto& record : from.documentation) {
            texts_->documentation.push_back(std::make_unique<VRX_documentation>());
            if (const int rc = texts_->documentation.back()->Copy(*record)) return rc;
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    if (const int rc = texts_->descriptions.Copy(other.texts_->descriptions)) return rc;
    texts_->labels.SetAllowEmpty(other.texts_->labels.GetAllowEmpty());
    if (const int rc = texts_->labels.Copy(other.texts_->labels)) return rc;
    if (const int rc = texts_->faultNames.Copy(other.texts_->faultNames)) return rc;
    return texts_->fixes.Copy(other.texts_->fixes);
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
    if (texts_ == nullptr) return UnbuiltText(index);
    return TextAt(texts_->descriptions, index);
}

const char* VRX_extraDefinition::GetOutcomeFix(int index) const {
    if (texts_ == nullptr) return UnbuiltText(index);
    return TextAt(texts_->fixes, index);
}

int VRX_extraDefinition::SetOutcomeDescription(int index, const char* text) {
    if (const int rc = FillOutcomeTexts()) return rc;
    return SetTextAt(texts_->descriptions, index, text);
}

int VRX_extraDefinition::SetOutcomeFix(int index, const char* text) {
    if (const int rc = FillOutcomeTexts()) return rc;
    return SetTextAt(texts_->fixes, index, text);
}

VRX_documentation* VRX_extraDefinition::GetOutcomeDocumentation(int index) {
    if (FillOutcomeTexts() != kSuccess) return nullptr;
    const Documents& documents = texts_->documentation;
    if (index < 0 || index >= static_cast<int>(documents.size())) return nullptr;
    return documents[index].get();
}

int VRX_extraDefinition::GetNumberOfOutcomeDocumentations() const {
    return texts_ == nullptr ? emptyOutcomeTexts : static_cast<int>(texts_->documentation.size());
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
        if (extra != nullptr && extra->LabelPosition(label) >= 0) return true;
    }
    return false;
}

bool VRX_extraDefinition::IsLabelUsedAnywhere(const char* label) const {
    return LabelPosition(label) >= 0 || IsLabelUsedElsewhere(label);
}

int VRX_extraDefinition::LabelPosition(const char* label) const {
    if (texts_ != nullptr) return texts_->labels.FindPosition(label);
    return label != nullptr && label[0] == '\0' && emptyOutcomeTexts > 0 ? 0 : kOutOfRange;
}

int VRX_extraDefinition::SetOutcomeLabel(int index, const char* label) {
    if (const int rc = FillOutcomeTexts()) return rc;
    VRX_idArray& labels = texts_->labels;
    if (label == nullptr || index < 0 || index >= labels.GetCount()) return kOutOfRange;
    // Files name labels before all of their nodes exist, so no identifier test applies while reading.
    if (network != nullptr && network->readingFlags != 0)
        return labels.VRX_stringArray::SetString(index, label);
    // Several outcomes may be unlabelled at once, which the identifier array's uniqueness test would refuse.
    if (label[0] == '\0') return labels.VRX_stringArray::SetString(index, label);
    if (IsLabelUsedElsewhere(label)) return kOutOfRange;
    return labels.SetString(index, label);
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
        return texts_->labels.VRX_stringArray::SetString(index, label.c_str());
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
        if (texts_ != nullptr && i < texts_->labels.GetCount()) {
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
    if (texts_ == nullptr) {
        if (emptyOutcomeTexts == n) ++emptyOutcomeTexts;
    } else if (const int rc = InsertOutcomeTexts(index, n)) {
        return rc;
    }
    if (index <= defaultOutcome) ++defaultOutcome;
    CheckValidity(0);
    return kSuccess;
}

int VRX_extraDefinition::InsertOutcomeTexts(int index, int n) {
    Documents& documents = texts_->documentation;
    if (static_cast<int>(documents.size()) == n) {
        try {
            documents.insert(documents.begin() + index, std::make_unique<VRX_documentation>());
        } catch (const std::bad_alloc&) {
            return kOutOfMemory;
        }
    }
    VRX_stringArray* texts[] = {&texts_->descriptions, &texts_->faultNames, &texts_->labels, &texts_->fixes};
    for (VRX_stringArray* array : texts) {
        if (!FollowsOutcomes(*array, n)) continue;
        // The base insert: an empty label is not an identifier test case.
        if (const int rc = array->VRX_stringArray::Insert(index, "")) return rc;
    }
    return kSuccess;
}

int VRX_extraDefinition::RemoveOutcome(int index) {
    const int n = OutcomeCount();
    if (index < 0 || index >= n) return kOutOfRange;
    if (const int rc = faultOutcomes.Delete(index)) return rc;
    if (defaultOutcome == index) defaultOutcome = 0;
    if (texts_ == nullptr) {
        if (emptyOutcomeTexts == n) --emptyOutcomeTexts;
    } else {
        Documents& documents = texts_->documentation;
        if (static_cast<int>(documents.size()) == n) documents.erase(documents.begin() + index);
        VRX_stringArray* texts[] = {&texts_->descriptions, &texts_->faultNames, &texts_->labels,
                                    &texts_->fixes};
        for (VRX_stringArray* array : texts) {
            if (!FollowsOutcomes(*array, n)) continue;
            if (const int rc = array->Delete(index)) return rc;
        }
    }
    if (defaultOutcome > index) --defaultOutcome;
    CheckValidity(0);
    return kSuccess;
}

int VRX_extraDefinition::ChangeOrderOfOutcomes(const VRX_intArray& order) {
    const int n = OutcomeCount();
    if (order.GetCount() != n) return kOutOfRange;
    if (const int rc = faultOutcomes.Permute(order)) return rc;
    // Unbuilt texts and documents are all empty: their order is any order.
    if (texts_ != nullptr) {
        VRX_stringArray* texts[] = {&texts_->descriptions, &texts_->labels, &texts_->faultNames,
                                    &texts_->fixes};
        for (VRX_stringArray* array : texts) {
            if (!FollowsOutcomes(*array, n)) continue;
            if (const int rc = array->Permute(order)) return rc;
        }
    }
    const int position = order.FindPosition(defaultOutcome);
    defaultOutcome = position >= 0 ? position : 0;
    if (texts_ != nullptr && static_cast<int>(texts_->documentation.size()) == n) {
        try {
            Documents moved(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) moved[i] = std::move(texts_->documentation[order[i]]);
            texts_->documentation.swap(moved);
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
    texts_.reset();
    emptyOutcomeTexts = n;
    // A default outcome that the new outcome set no longer has falls back to the first one.
    if (defaultOutcome >= n) defaultOutcome = 0;
    return kSuccess;
}

int VRX_extraDefinition::FillOutcomeTexts() const {
    if (texts_ != nullptr) return kSuccess;
    const int n = emptyOutcomeTexts;
    try {
        auto texts = std::make_unique<OutcomeTexts>();
        texts->documentation.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) texts->documentation.push_back(std::make_unique<VRX_documentation>());
        VRX_stringArray* arrays[] = {&texts->descriptions, &texts->faultNames, &texts->fixes, &texts->labels};
        for (VRX_stringArray* array : arrays) {
            if (const int rc = array->SetSize(n)) return rc;
            for (int i = 0; i < n; ++i) {
                if (const int rc = array->AddEmpty()) return rc;
            }
        }
        texts_ = std::move(texts);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}
