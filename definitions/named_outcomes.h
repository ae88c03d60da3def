#pragma once
// The named outcomes of the discrete kinds that keep their own identifiers (CPT, decision list): adding,
// inserting, removing, renaming, replacing and reordering them, with the notices that keep children in
// step. A name that is refused is replaced by a generated one (the kind's stem plus a number).

#include "base/id_array.h"
#include "base/status_codes.h"
#include "definitions/parent_table.h"
#include "model/node_definition.h"

namespace vovido {

template <class Base>
class NamedOutcomes : public Base {
public:
    // Deep: empties the identifiers. The count goes to 0 either way, then validity is re-checked.
    void CleanUp(int deep) override;
    // Consistent when the identifiers are.
    void CheckConsistency(int deep) override;

    [[nodiscard]] int AddOutcome(const char* name) override;
    [[nodiscard]] int InsertOutcome(int index, const char* name) override;
    [[nodiscard]] int RemoveOutcome(int index) override;
    [[nodiscard]] int GetNumberOfOutcomes() override;
    [[nodiscard]] int RenameOutcome(int index, const char* name) override;
    [[nodiscard]] int RenameOutcomes(const VRX_stringArray& names) override;
    VRX_idArray* GetOutcomesNames() override;
    [[nodiscard]] int SetOutcomes(const VRX_stringArray& names) override;
    [[nodiscard]] int SetNumberOfOutcomes(int count) override;
    // kOutOfRange (nothing changed) unless the order is a permutation of the outcomes.
    [[nodiscard]] int ChangeOrderOfOutcomes(const VRX_intArray& order) override;

protected:
    NamedOutcomes(const char* generatedStem, int handle, VRX_network* network)
        : Base(handle, network), generatedStem_(generatedStem) {}
    NamedOutcomes(const char* generatedStem, const VRX_nodeDefinition& source)
        : Base(source), generatedStem_(generatedStem) {}

    // The kind's data per outcome follows every edit; a hook that fails leaves that data as it was.
    // False refuses every edit of the outcome count (kOutOfRange).
    virtual bool HoldsOutcomeData() const { return true; }
    virtual int InsertOutcomeData(int /*index*/) { return kSuccess; }
    virtual int RemoveOutcomeData(int /*index*/) { return kSuccess; }
    virtual int ReorderOutcomeData(const VRX_intArray& /*permutation*/) { return kSuccess; }
    // SetNumberOfOutcomes refuses such a count (kOutOfRange); by default any count below 1. Counts below 2
    // are raised to 2 by the rebuild.
    virtual bool RefusesOutcomeCount(int count) const { return count < 1; }

    // Raises the outcomes to at least two with generated names, then re-checks validity.
    [[nodiscard]] int CompleteOutcomes();
    // Takes over the source's outcome names; kOutOfRange when it has none.
    [[nodiscard]] int CopyOutcomesFrom(VRX_nodeDefinition& source);

    int numOutcomes = 0;
    VRX_idArray outcomeIds;

private:
    // Before one more outcome: the temporal tables of a dynamic network that it widens stay within the
    // table limit (-42, logged, otherwise).
    [[nodiscard]] int CheckTemporalTables() const;
    // After the outcome set was replaced: rebuild, dependents, notice.
    [[nodiscard]] int FinishReplacement();
    // After one outcome was inserted at index: its dependents follow, or it is taken back.
    [[nodiscard]] int FinishInsertion(int index);

    const char* generatedStem_;
};

extern template class NamedOutcomes<VRX_nodeDefinition>;
extern template class NamedOutcomes<ParentTableDefinition>;

}  // namespace vovido
