#pragma once
// Diagnostic data of a node that belongs to its outcomes rather than to its probabilities: fault marks,
// per-outcome texts, labels and documentation, the default outcome, the question and the node's role.

#include <memory>
#include <string>
#include <vector>

#include "base/id_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "base/vrx_object.h"
#include "model/documentation.h"

class VRX_network;

// Diagnostic role of a node.
namespace DiagnosisType {
constexpr int kTarget = 0;
constexpr int kObservation = 1;
constexpr int kAuxiliary = 2;
}  // namespace DiagnosisType

// How a node's fault names are formed.
namespace FaultNameFormat {
constexpr int kUser = 0;
constexpr int kNode = 1;
constexpr int kState = 2;
constexpr int kNodeState = 3;
constexpr int kInherit = 4;
}  // namespace FaultNameFormat

class VRX_extraDefinition : public VRX_object {
public:
    // Per-outcome data sized for the node's current definition.
    VRX_extraDefinition(int handle, VRX_network* network);
    // Empty, then Copy.
    VRX_extraDefinition(const VRX_extraDefinition& other);
    // Keeps what the algorithms read (marks, default, role, flags, display); texts, labels,
    // documentation and question stay empty.
    struct ModelOnly {};
    VRX_extraDefinition(const VRX_extraDefinition& other, ModelOnly);
    VRX_extraDefinition& operator=(const VRX_extraDefinition& other) {
        (void)Copy(other);  // out of memory leaves this empty
        return *this;
    }
    ~VRX_extraDefinition() override;

    // Deep: empties the fault marks; then the validity check.
    void CleanUp(int deep) override;

    // kObjectNotValid when other is not valid; 0 for itself; else a deep clean-up and a copy of every field.
    [[nodiscard]] int Copy(const VRX_extraDefinition& other);
    [[nodiscard]] int Assign(const VRX_extraDefinition& other) { return Copy(other); }

    // kOutOfRange for null, kObjectNotValid for a network that is not valid.
    [[nodiscard]] int SetNetwork(VRX_network* net);
    // Rebinds after the extra definition was copied for another node or network.
    void Bind(VRX_network* net, int nodeHandle) {
        network = net;
        handle = nodeHandle;
    }
    VRX_network* GetNetwork() const { return network; }
    int GetHandle() const { return handle; }

    // Fault marks. Out-of-range indices: IsFaultOutcome answers 0, SetFaultOutcome kOutOfRange.
    int IsFaultOutcome(int index) const;
    [[nodiscard]] int SetFaultOutcome(int index, int flag);
    // kOutOfRange when the item count differs from the number of marks.
    [[nodiscard]] int SetFaultOutcomes(const VRX_intArray& marks);
    const VRX_intArray& GetFaultOutcomes() const { return faultOutcomes; }

    // Per-outcome texts. Getters answer null outside the outcomes, setters kOutOfRange.
    const char* GetOutcomeDescription(int index) const;
    const char* GetOutcomeFix(int index) const;
    [[nodiscard]] int SetOutcomeDescription(int index, const char* text);
    [[nodiscard]] int SetOutcomeFix(int index, const char* text);
    // The per-outcome sequences; null only when out of memory.
    VRX_stringArray* GetOutcomeDescriptions() { return Filled(&OutcomeTexts::descriptions); }
    VRX_stringArray* GetFaultNames() { return Filled(&OutcomeTexts::faultNames); }
    VRX_idArray* GetOutcomeLabels() { return Filled(&OutcomeTexts::labels); }
    VRX_stringArray* GetOutcomeFixes() { return Filled(&OutcomeTexts::fixes); }
    const VRX_idArray* GetOutcomeLabels() const { return Filled(&OutcomeTexts::labels); }
    // False while every per-outcome text, label and document is empty and none was asked for: readers
    // that only look need not build them.
    bool HasOutcomeTexts() const { return texts_ != nullptr; }
    // Null outside the outcomes.
    VRX_documentation* GetOutcomeDocumentation(int index);
    int GetNumberOfOutcomeDocumentations() const;

    // Labels are identifiers unique across the network (empty labels excepted).
    [[nodiscard]] int SetOutcomeLabel(int index, const char* label);
    [[nodiscard]] int SetOutcomeLabels(const VRX_stringArray& labels);

    // 0 inside the definition's outcomes; otherwise the default becomes 0 and kOutOfRange.
    [[nodiscard]] int SetDefaultOutcome(int index);
    int GetDefaultOutcome() const { return defaultOutcome; }

    const char* GetQuestion() const { return question.c_str(); }
    // Null clears it; kOutOfMemory when out of memory.
    [[nodiscard]] int SetQuestion(const char* text);

    // Upkeep after the node's outcomes changed.
    [[nodiscard]] int InsertOutcome(int index);
    [[nodiscard]] int RemoveOutcome(int index);
    // New position i takes old outcome order[i].
    [[nodiscard]] int ChangeOrderOfOutcomes(const VRX_intArray& order);
    // Per-outcome data rebuilt empty for the definition's current number of outcomes.
    [[nodiscard]] int ResetOutcomeData();

    // Settings read and written directly by the diagnosis, the file formats and the Java layer.
    std::string question;
    int diagType = DiagnosisType::kAuxiliary;
    unsigned char ranked = 0;
    unsigned char mandatory = 0;
    unsigned char setAsDefault = 0;
    int showAs = 4;
    int faultNameFormat = FaultNameFormat::kInherit;

private:
    using Documents = std::vector<std::unique_ptr<VRX_documentation>>;

    // Number of outcomes of the node's definition; 0 for utility kinds and while unbound.
    int DefinitionOutcomeCount() const;
    // Fault marks, default outcome, role, flags and display setting.
    void CopySettings(const VRX_extraDefinition& other);
    // True when the outcome label is taken by another live node.
    bool IsLabelUsedElsewhere(const char* label) const;
    // True when any live node's labels, this node's included, contain the label.
    bool IsLabelUsedAnywhere(const char* label) const;
    [[nodiscard]] int StoreGeneratedLabel(int index, const char* base);
    // Number of outcomes that the per-outcome sequences follow.
    int OutcomeCount() const { return faultOutcomes.GetCount(); }
    // Per-outcome texts and documents, one item an outcome.
    struct OutcomeTexts {
        Documents documentation;
        VRX_stringArray descriptions;
        VRX_idArray labels{true};
        VRX_stringArray faultNames;
        VRX_stringArray fixes;
    };
    // Most nodes never get an outcome text, label or document: while texts_ is null every sequence holds
    // emptyOutcomeTexts empty items, and the sequences are built on first use.
    [[nodiscard]] int FillOutcomeTexts() const;
    template <typename Texts>
    Texts* Filled(Texts OutcomeTexts::*texts) const {
        return FillOutcomeTexts() == kSuccess ? &(texts_.get()->*texts) : nullptr;
    }
    // The text of an unbuilt sequence: empty inside its items, null outside.
    const char* UnbuiltText(int index) const {
        return index >= 0 && index < emptyOutcomeTexts ? "" : nullptr;
    }
    // InsertOutcome's upkeep of built texts and documents, which follow n outcomes while their count is n.
    [[nodiscard]] int InsertOutcomeTexts(int index, int n);
    // Position of the label among this node's labels, kOutOfRange when absent.
    int LabelPosition(const char* label) const;

    VRX_network* network = nullptr;
    int handle = -1;
    VRX_intArray faultOutcomes;
    int defaultOutcome = 0;
    mutable int emptyOutcomeTexts = 0;
    mutable std::unique_ptr<OutcomeTexts> texts_;
};
